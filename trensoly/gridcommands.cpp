#include "frmtrensoly.h"
#include "statements.h"

using namespace statements;

void frmTrensoly::LoadRowForCorrection(const DataGrid& grid) {
    cmbMD[1]->SetText(grid.Columns(1).Value());
    txtNo->setText(grid.Columns(2).Value());
    cmbArtist[1]->SetText(grid.Columns(4).Value());
    txtName->setText(grid.Columns(3).Value());
}

// A row another copy deleted first leaves nothing to delete; the lists are brought up to date
// all the same.
void frmTrensoly::cmdDel1_Click() {
    if (DeleteCurrentRow(*DBGrid1) == DeleteOutcome::Kept)
        return;
    BindDisc(cmbMD[2]->Text());
    RefillDiscs();
    ClearPairUnlessGridHasRow(*DBGrid1, *cmbMD[1], *cmbMD[2]);
}

void frmTrensoly::cmdDel2_Click() {
    if (DeleteCurrentRow(*DBGrid2) == DeleteOutcome::Kept)
        return;
    BindDisc(cmbMD[2]->Text());
    BindArtist(cmbArtist[2]->Text());
    RefillArtists();
    ClearPairUnlessGridHasRow(*DBGrid2, *cmbArtist[1], *cmbArtist[2]);
}

void frmTrensoly::RefreshAfterUndo() {
    SSTab1->SetTab(1);
    RefillDiscs();
    RefillArtists();
    BindArtist(cmbArtist[2]->Text());
    ClearPairUnlessGridHasRow(*DBGrid2, *cmbArtist[1], *cmbArtist[2]);
    cmbMD_Click(2);
    ClearPairUnlessGridHasRow(*DBGrid1, *cmbMD[1], *cmbMD[2]);
}

// A disc or artist whose last track went has no entry left to show.
void frmTrensoly::ClearPairUnlessGridHasRow(const DataGrid& grid, ComboBox& entry,
                                            ComboBox& browsing) {
    if (GridHasRow(grid))
        return;
    entry.SetText(QString());
    browsing.SetText(QString());
}
