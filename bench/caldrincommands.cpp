// The album window's commands, and the statements each of them runs.

#include "frmcaldrin.h"
#include "programcommands.h"
#include "statements.h"

#include <array>
#include <stdexcept>

using namespace statements;

namespace bench {

namespace {

enum Command {
    PickAlbum,
    GridMove,
    PickArtist,
    EditLoad,
    Change,
    Add,
    AddContinuous,
    Delete,
    FirstAdd,
    UndoAdd
};
const QStringList kCommandNames = {QStringLiteral("pick tab1"),   QStringLiteral("grid move"),
                                   QStringLiteral("pick tab2"),   QStringLiteral("edit load"),
                                   QStringLiteral("change"),      QStringLiteral("add"),
                                   QStringLiteral("add renzoku"), QStringLiteral("delete"),
                                   QStringLiteral("first add"),   QStringLiteral("undo add")};

// What the commands work on, as a user would meet it: an album from the middle of the album
// list with the artist a pick of it shows first, and likewise an artist with its first album.
struct Subjects {
    explicit Subjects(sqlite3* db)
        : album(Middle(FirstColumn(db, caldrin::AllAlbums()))),
          albumArtist(FirstColumn(db, caldrin::ArtistsOfAlbum(album)).value(0)),
          artist(Middle(FirstColumn(db, caldrin::AllArtistsOrdered()))),
          artistAlbum(FirstColumn(db, caldrin::AlbumsOfArtist(artist)).value(0)),
          correctedId(
              FirstColumn(db, caldrin::TracksOfAlbum(album, albumArtist)).value(0).toLongLong()),
          corrected(StoredRow(db, Program::Caldrin, correctedId)), added{albumArtist, album, 0,
                                                                         addedTitle} {
        picked[1] = Middle(FirstColumn(db, caldrin::AllAlbums()), 1);
        pickedArtist[1] = FirstColumn(db, caldrin::ArtistsOfAlbum(picked[1])).value(0);
    }

    QString album, albumArtist;
    // A pick on the album tab shows another album each round, as a user's pick does: this one
    // and the next in the list.
    std::array<QString, 2> picked = {album, {}}, pickedArtist = {albumArtist, {}};
    QString artist, artistAlbum;
    // The album's first track, which a correction loads and writes back with a new title.
    qint64 correctedId;
    Row corrected;
    // Number 0 sorts before every real track, so after a pick the added track is the grid's
    // current row and a delete takes it away again.
    QString addedTitle = QStringLiteral("ﾍﾞﾝﾁ 追加曲");
    Row added;
    std::array<QString, 2> changedTitles = {QStringLiteral("修正した曲名"),
                                            QStringLiteral("ｼｭｳｾｲ 2")};
};

class CaldrinCommands : public CommandBench {
public:
    explicit CaldrinCommands(const Catalogue& catalogue)
        : CommandBench(catalogue.Path(), Program::Caldrin, kCommandNames),
          window_(catalogue.Folder()), driver_(window_), s_(bare_.db()) {}

    std::pair<const ComboBox*, const DataGrid*> FirstBrowseTab() const override {
        return {window_.cmbAlbum[1], window_.DBGrid1};
    }

private:
    void WindowRound(int round) override {
        // The first write after start-up finds no list kept yet but those start-up read.
        RecordWindow(round == 0 ? FirstAdd : AddContinuous, driver_, AddTrack(true));
        RecordWindow(UndoAdd, driver_,
                     driver_.Timed(
                         0, [&] { window_.Undo(); }, window_.txtName));
        RecordWindow(PickAlbum, driver_, PickOnAlbumTab(s_.picked[round % 2]));
        RecordWindow(GridMove, driver_, driver_.MoveInGrid(*window_.DBGrid1));
        RecordWindow(PickArtist, driver_, driver_.Pick(2, *window_.cmbartist[2], s_.artist, [&] {
            window_.cmbartist_Click(2);
        }));
        RecordWindow(EditLoad, driver_, LoadForCorrection());
        window_.txtName->setText(s_.changedTitles[round % 2]);
        RecordWindow(Change, driver_,
                     driver_.Timed(
                         0, [&] { window_.cmdUpdate_Click(); }, window_.cmdUpdate));
        RecordWindow(Add, driver_, AddTrack(false));
        RecordWindow(Delete, driver_, DeleteAdded());
        RecordWindow(AddContinuous, driver_, AddTrack(true));
        RecordWindow(Delete, driver_, DeleteAdded());
    }

    void BareRound(int round) override {
        qint64 id = 0;
        TimeWrite(round == 0 ? FirstAdd : AddContinuous, [&] {
            id = bare_.Add(s_.added);
            ReadListsAfterEntry();
        });
        DeleteBare(UndoAdd, id);
        TimeRead(PickAlbum, [&] {
            bare_.Read(caldrin::ArtistsOfAlbum(s_.picked[round % 2]));
            bare_.Read(caldrin::TracksOfAlbum(s_.picked[round % 2], s_.pickedArtist[round % 2]));
        });
        // The grid holds its rows already; only the window has work to do.
        TimeRead(GridMove, [] {});
        TimeRead(PickArtist, [&] {
            bare_.Read(caldrin::AlbumsOfArtist(s_.artist));
            bare_.Read(caldrin::TracksOfAlbum(s_.artistAlbum, s_.artist));
        });
        TimeRead(EditLoad, [&] {
            bare_.Read(AllArtists());
            bare_.Read(caldrin::AlbumsOfArtist(s_.albumArtist));
        });
        TimeWrite(Change, [&] {
            bare_.Change(s_.correctedId,
                         WithTitle(Program::Caldrin, s_.corrected, s_.changedTitles[round % 2]));
            ReadListsAfterEntry();
            bare_.Read(caldrin::TracksOfAlbum(s_.album, s_.albumArtist));
        });
        TimeWrite(Add, [&] {
            id = bare_.Add(s_.added);
            ReadListsAfterEntry();
            // The new track is shown on both browse tabs, each by a query of its own.
            bare_.Read(caldrin::TracksOfAlbum(s_.album, s_.albumArtist));
            bare_.Read(caldrin::TracksOfAlbum(s_.album, s_.albumArtist));
        });
        DeleteBare(Delete, id);
        // A continuous add leaves the window on the entry tab, ready for the next track.
        TimeWrite(AddContinuous, [&] {
            id = bare_.Add(s_.added);
            ReadListsAfterEntry();
        });
        DeleteBare(Delete, id);
    }

    // An undo of an add shows the album tab again as a delete there does.
    void DeleteBare(Command command, qint64 id) {
        TimeWrite(command, [&] {
            bare_.Delete(id);
            bare_.Read(caldrin::TracksOfAlbum(s_.album, s_.albumArtist));
            bare_.Read(caldrin::AllAlbums());
            bare_.Read(caldrin::ArtistsOfAlbum(s_.album));
            bare_.Read(AllArtists());
            bare_.Read(caldrin::AlbumsOfArtistUnordered(s_.albumArtist));
        });
    }

    // The lists an entry or a correction refills before it shows the track.
    void ReadListsAfterEntry() const {
        bare_.Read(caldrin::AllAlbums());
        bare_.Read(caldrin::ArtistsOfAlbum(s_.album));
        bare_.Read(AllArtists());
        bare_.Read(caldrin::AlbumsOfArtist(s_.albumArtist));
    }

    double PickOnAlbumTab(const QString& album) {
        return driver_.Pick(1, *window_.cmbAlbum[1], album, [&] { window_.cmbAlbum_Click(1); });
    }

    double LoadForCorrection() {
        PickOnAlbumTab(s_.album);
        const double ms = driver_.Timed(
            0, [&] { window_.cmdEdit1_Click(); }, window_.DBGrid1);
        // Otherwise the correction would return to some other tab than the one measured.
        if (window_.PrevTab != 1 || window_.EditRowId != s_.correctedId)
            throw std::runtime_error("a correction did not start from the album's first track");
        return ms;
    }

    double AddTrack(bool continuous) {
        driver_.GoToTab(3);
        window_.cmbartist[3]->SetText(s_.albumArtist);
        window_.cmbAlbum[3]->SetText(s_.album);
        window_.txtNo->setText(QStringLiteral("0"));
        window_.txtName->setText(s_.addedTitle);
        window_.chkRenzoku->setChecked(continuous);
        return driver_.Timed(
            0, [&] { window_.cmdTuika_Click(); }, window_.cmdTuika);
    }

    double DeleteAdded() {
        PickOnAlbumTab(s_.album);
        if (window_.DBGrid1->Columns(4).Value() != s_.addedTitle)
            throw std::runtime_error("the track to delete is not the grid's current row");
        return driver_.Timed(
            1, [&] { window_.cmdDel1_Click(); }, window_.DBGrid1);
    }

    frmCaldrin window_;
    WindowDriver driver_;
    const Subjects s_;
};

} // namespace

std::unique_ptr<CommandBench> MakeCaldrinCommands(const Catalogue& catalogue) {
    return std::make_unique<CaldrinCommands>(catalogue);
}

} // namespace bench
