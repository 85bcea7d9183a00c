#include "frmcaldrin.h"
#include "statements.h"

using namespace statements;

void frmCaldrin::BindTracks(std::initializer_list<DataControl*> grids, const QString& album,
                            const QString& artist) {
    BindQuery(grids, caldrin::TracksOfAlbum(album, artist));
}

void frmCaldrin::RefillKeepingFirst(ComboBox& list) {
    const QStringList values = FillLists(*rsTrack, {&list});
    if (!values.isEmpty())
        SavedText1 = values.first();
    list.SetText(SavedText1);
}

void frmCaldrin::UpdatePrintButtons(int index) {
    const bool found = rsTrack->RecordCount() != 0;
    cmdPrint1[index - 1]->setEnabled(found);
    cmdPrint2[index - 1]->setEnabled(found);
}

void frmCaldrin::cmbAlbum_Click(int Index) {
    if (Index == 1) {
        OpenQuery(caldrin::ArtistsOfAlbum(cmbAlbum[1]->Text()));
        RefillKeepingFirst(*cmbartist[1]);
        BindTracks({Data1}, cmbAlbum[1]->Text(), cmbartist[1]->Text());
        UpdatePrintButtons(1);
    } else if (Index == 2) {
        BindTracks({Data2}, cmbAlbum[2]->Text(), cmbartist[2]->Text());
        UpdatePrintButtons(2);
    }
}

void frmCaldrin::cmbartist_Click(int Index) {
    if (Index == 1) {
        BindTracks({Data1}, cmbAlbum[1]->Text(), cmbartist[1]->Text());
        UpdatePrintButtons(1);
    } else if (Index == 2) {
        OpenQuery(caldrin::AlbumsOfArtist(cmbartist[2]->Text()));
        RefillKeepingFirst(*cmbAlbum[2]);
        BindTracks({Data2}, cmbAlbum[2]->Text(), cmbartist[2]->Text());
        UpdatePrintButtons(2);
    } else if (Index == 3) {
        const QStringList albums =
            FillList(caldrin::AlbumsOfArtist(cmbartist[3]->Text()), {cmbAlbum[3]});
        if (!albums.isEmpty())
            cmbAlbum[3]->SetText(albums.first());
    }
}

// On the album tab: the album picked, then its artist when the album's first is another.
bool frmCaldrin::ShowFoundTrack(const QStringList& row) {
    const QString& artist = row[1];
    const QString& album = row[2];
    SSTab1->SetTab(1);
    const QString artistColumn = QStringLiteral("アーチスト名");
    if (!PickGroup(*cmbAlbum[1], QStringLiteral("アルバム名"), album))
        return false;
    if (!SameGroup(artistColumn, cmbartist[1]->Text(), artist) &&
        !PickGroup(*cmbartist[1], artistColumn, artist))
        return false;
    return SelectGridRow(*DBGrid1, row[0]);
}

void frmCaldrin::SSTab1_Click(int PreviousTab) {
    PrevTab = PreviousTab;
    if (SSTab1->Tab() == 3)
        SetAddMode();
}
