#include "frmcaldrin.h"
#include "msgbox.h"
#include "statements.h"

using namespace statements;

namespace {

const QString kCheckTitle = QStringLiteral("確認");

} // namespace

void frmCaldrin::cmdEdit1_Click() {
    LoadRowForCorrection(*DBGrid1);
}

void frmCaldrin::cmdEdit2_Click() {
    LoadRowForCorrection(*DBGrid2);
}

void frmCaldrin::LoadRowForCorrection(const DataGrid& grid) {
    // Without a current row there is nothing to correct, as there is nothing to delete.
    if (grid.Columns(0).Value().isEmpty())
        return;
    FillList(AllArtists(), {cmbartist[3]});
    FillList(caldrin::AlbumsOfArtist(grid.Columns(1).Value()), {cmbAlbum[3]});
    cmbartist[3]->SetText(grid.Columns(1).Value());
    cmbAlbum[3]->SetText(grid.Columns(2).Value());
    txtNo->setText(grid.Columns(3).Value());
    txtName->setText(grid.Columns(4).Value());
    // The whole key: rows far beyond the first 32767 can be corrected too.
    EditRowId = grid.Columns(0).Value().toLongLong();
    SSTab1->SetTab(3);
    cmdTuika->setEnabled(false);
    chkRenzoku->setEnabled(false);
    cmdUpdate->setEnabled(true);
}

bool frmCaldrin::DeleteCurrentRow(const DataGrid& grid, int tab) {
    if (grid.Columns(0).Value().isEmpty())
        return false;
    if (MsgBox(QStringLiteral("削除してもよろしいですか？"), vbYesNo, kCheckTitle) != vbYes)
        return false;
    rsTrack = dbTrack->OpenRecordset(Table(), dbOpenDynaset);
    rsTrack->FindFirst(IdCriterion(grid.Columns(0).Value()));
    if (rsTrack->NoMatch()) {
        rsTrack->Close();
        ReportVanishedRow(tab);
        return false;
    }
    dbTrack->BeginTrans();
    rsTrack->Delete();
    dbTrack->CommitTrans();
    rsTrack->Close();
    return true;
}

void frmCaldrin::ReportVanishedRow(int tab) {
    MsgBox(QStringLiteral("この曲はすでに削除されています。一覧を最新の内容に更新します。"),
           vbOKOnly, kCheckTitle);
    if (tab == 1)
        RefreshFromAlbumTab();
    else if (tab == 2)
        RefreshFromArtistTab();
    if (tab == 1 || tab == 2)
        SSTab1->SetTab(tab);
}

void frmCaldrin::cmdDel1_Click() {
    if (DeleteCurrentRow(*DBGrid1, 1))
        RefreshFromAlbumTab();
}

void frmCaldrin::cmdDel2_Click() {
    if (DeleteCurrentRow(*DBGrid2, 2))
        RefreshFromArtistTab();
}

void frmCaldrin::RefreshFromAlbumTab() {
    BindTracks({Data1, Data2}, cmbAlbum[1]->Text(), cmbartist[1]->Text());
    SavedText1 = cmbAlbum[1]->Text();
    FillList(caldrin::AllAlbums(), {cmbAlbum[1]});
    cmbAlbum[1]->SetText(GridHasRow(*DBGrid1) ? SavedText1 : QString());
    SavedText1 = cmbartist[1]->Text();
    FillList(caldrin::ArtistsOfAlbum(cmbAlbum[1]->Text()), {cmbartist[1]});
    cmbartist[1]->SetText(GridHasRow(*DBGrid1) ? SavedText1 : QString());
    FillList(AllArtists(), {cmbartist[2], cmbartist[3]});
    cmbartist[2]->SetText(cmbartist[1]->Text());
    FillList(caldrin::AlbumsOfArtistUnordered(cmbartist[1]->Text()), {cmbAlbum[2]});
    cmbAlbum[3]->Clear();
    cmbAlbum[2]->SetText(cmbAlbum[1]->Text());
}

void frmCaldrin::RefreshFromArtistTab() {
    BindQuery({Data2, Data1}, caldrin::TracksOfArtist(cmbartist[2]->Text(), cmbAlbum[2]->Text()));
    SavedText1 = cmbartist[2]->Text();
    FillList(AllArtists(), {cmbartist[2], cmbartist[3]});
    cmbartist[2]->SetText(GridHasRow(*DBGrid2) ? SavedText1 : QString());
    SavedText2 = cmbAlbum[2]->Text();
    FillList(caldrin::AlbumsOfArtist(cmbartist[2]->Text()), {cmbAlbum[2]});
    cmbAlbum[3]->Clear();
    cmbAlbum[2]->SetText(GridHasRow(*DBGrid2) ? SavedText2 : QString());
    FillList(caldrin::AllAlbums(), {cmbAlbum[1]});
    cmbAlbum[1]->SetText(cmbAlbum[2]->Text());
    FillList(caldrin::ArtistsOfAlbum(cmbAlbum[2]->Text()), {cmbartist[1]});
    cmbartist[1]->SetText(cmbartist[2]->Text());
}

bool frmCaldrin::GridHasRow(const DataGrid& grid) {
    return !grid.Columns(0).Value().isEmpty();
}
