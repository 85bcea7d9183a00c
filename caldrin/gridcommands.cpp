#include "frmcaldrin.h"
#include "statements.h"

using namespace statements;

void frmCaldrin::LoadRowForCorrection(const DataGrid& grid) {
    FillList(AllArtists(), {cmbartist[3]});
    FillList(caldrin::AlbumsOfArtist(grid.Columns(1).Value()), {cmbAlbum[3]});
    cmbartist[3]->SetText(grid.Columns(1).Value());
    cmbAlbum[3]->SetText(grid.Columns(2).Value());
    txtNo->setText(grid.Columns(3).Value());
    txtName->setText(grid.Columns(4).Value());
}

// A row another copy deleted first leaves nothing to delete; the lists are brought up to date
// all the same.
void frmCaldrin::cmdDel1_Click() {
    if (DeleteCurrentRow(*DBGrid1) != DeleteOutcome::Kept)
        RefreshFromAlbumTab();
}

void frmCaldrin::cmdDel2_Click() {
    if (DeleteCurrentRow(*DBGrid2) != DeleteOutcome::Kept)
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

void frmCaldrin::RefreshAfterUndo() {
    SSTab1->SetTab(1);
    RefreshFromAlbumTab();
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
