#include "frmcaldrin.h"
#include "statements.h"

using namespace statements;

bool frmCaldrin::EntryChecksPass(bool albumFirst) {
    const QString artist = cmbartist[3]->Text();
    const QString album = cmbAlbum[3]->Text();
    return CatalogueWindow::EntryChecksPass({artist, album, txtNo->text(), txtName->text()},
                                            albumFirst ? QStringList{album, artist}
                                                       : QStringList{artist, album});
}

QStringList frmCaldrin::EntryFieldTexts() const {
    return {cmbartist[3]->Text(), cmbAlbum[3]->Text(), txtNo->text(), txtName->text()};
}

void frmCaldrin::cmdTuika_Click() {
    if (!EntryChecksPass(false) || !WriteRow(true))
        return;

    FillList(caldrin::AllAlbums(), {cmbAlbum[1]});
    FillList(caldrin::ArtistsOfAlbum(cmbAlbum[3]->Text()), {cmbartist[1]});
    RefillArtistTabFromEntry(EntryTexts::Keep);

    if (chkRenzoku->checkState() == Qt::Checked)
        PrepareNextTrack();
    else
        ShowAddedTrack();
}

void frmCaldrin::ShowAddedTrack() {
    cmbAlbum[1]->SetText(cmbAlbum[3]->Text());
    cmbAlbum[2]->SetText(cmbAlbum[3]->Text());
    cmbAlbum[3]->SetText(QString());
    cmbartist[1]->SetText(cmbartist[3]->Text());
    cmbartist[2]->SetText(cmbartist[3]->Text());
    cmbartist[3]->SetText(QString());
    txtNo->setText(QString());
    txtName->setText(QString());
    BindTracks({Data1}, cmbAlbum[1]->Text(), cmbartist[1]->Text());
    BindTracks({Data2}, cmbAlbum[2]->Text(), cmbartist[2]->Text());
    SSTab1->SetTab(1);
}

void frmCaldrin::cmdUpdate_Click() {
    if (!EntryChecksPass(true) || !WriteRow(false))
        return;
    txtNo->setText(QString());
    txtName->setText(QString());
    if (PrevTab == 1)
        ReturnToAlbumTab();
    else if (PrevTab == 2)
        ReturnToArtistTab();
}

// The artist tab's lists and the entry lists are refilled, and the artist tab takes the artist and
// album of the entry. SavedText1 ends holding the artist and SavedText2 the album, for the steps
// that follow a change; an add carries both through SavedText1, so it ends holding the album.
void frmCaldrin::RefillArtistTabFromEntry(EntryTexts entry) {
    SavedText1 = cmbartist[3]->Text();
    FillList(AllArtists(), {cmbartist[2], cmbartist[3]});
    cmbartist[2]->SetText(SavedText1);
    if (entry == EntryTexts::Keep)
        cmbartist[3]->SetText(SavedText1);
    QString& album = entry == EntryTexts::Keep ? SavedText1 : SavedText2;
    album = cmbAlbum[3]->Text();
    FillList(caldrin::AlbumsOfArtist(cmbartist[2]->Text()), {cmbAlbum[2], cmbAlbum[3]});
    cmbAlbum[2]->SetText(album);
    if (entry == EntryTexts::Keep)
        cmbAlbum[3]->SetText(album);
}

void frmCaldrin::ReturnToAlbumTab() {
    FillList(caldrin::AllAlbums(), {cmbAlbum[1]});
    cmbAlbum[1]->SetText(cmbAlbum[3]->Text());
    FillList(caldrin::ArtistsOfAlbum(cmbAlbum[1]->Text()), {cmbartist[1]});
    cmbartist[1]->SetText(cmbartist[3]->Text());
    RefillArtistTabFromEntry(EntryTexts::Clear);
    BindTracks({Data1, Data2}, cmbAlbum[2]->Text(), cmbartist[2]->Text());
    SSTab1->SetTab(1);
}

void frmCaldrin::ReturnToArtistTab() {
    RefillArtistTabFromEntry(EntryTexts::Clear);
    FillList(caldrin::AllAlbums(), {cmbAlbum[1]});
    cmbAlbum[1]->SetText(SavedText2);
    FillList(caldrin::ArtistsOfAlbum(cmbAlbum[1]->Text()), {cmbartist[1]});
    cmbartist[1]->SetText(SavedText1);
    BindTracks({Data2, Data1}, cmbAlbum[1]->Text(), cmbartist[1]->Text());
    SSTab1->SetTab(2);
}

void frmCaldrin::cmdClear_Click() {
    cmbartist[3]->SetText(QString());
    cmbAlbum[3]->Clear();
    txtNo->setText(QString());
    txtName->setText(QString());
}
