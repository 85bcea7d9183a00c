#include "frmtrensoly.h"
#include "statements.h"

using namespace statements;

void frmTrensoly::BindDisc(const QString& disc) {
    BindQuery({Data1}, trensoly::TracksOfDisc(disc));
}

void frmTrensoly::BindArtist(const QString& artist) {
    BindQuery({Data2}, trensoly::TracksOfArtist(artist));
}

// A pick in either disc list shows its tracks on the disc tab and decides whether there is
// anything to print; nothing else touches the print buttons.
void frmTrensoly::cmbMD_Click(int Index) {
    BindDisc(cmbMD[Index]->Text());
    const bool found = rsTrack->RecordCount() != 0;
    cmdPrint1->setEnabled(found);
    cmdPrint2->setEnabled(found);
}

void frmTrensoly::cmbArtist_Click(int Index) {
    BindArtist(cmbArtist[Index]->Text());
}

// On the disc tab, its disc picked in that tab's own list, the entry tab left as the user left
// it; the tab is entered first, as its own refresh would otherwise replace the picked disc's
// tracks.
bool frmTrensoly::ShowFoundTrack(const QStringList& row) {
    SSTab1->SetTab(1);
    return PickGroup(*cmbMD[2], QStringLiteral("MD番号"), row[1]) &&
           SelectGridRow(*DBGrid1, row[0]);
}

void frmTrensoly::SSTab1_Click(int PreviousTab) {
    PrevTab = PreviousTab;
    switch (SSTab1->Tab()) {
    case 1:
        BindDisc(cmbMD[2]->Text());
        break;
    case 2:
        BindArtist(cmbArtist[2]->Text());
        break;
    case 3:
        SetAddMode();
        break;
    }
}
