// How long each command of the album window takes on catalogues of growing size, against SQLite
// alone running the same statements and reading the same rows. At 100,000 tracks every command
// should take under twice the statements' time and under 50 ms.
//
//   bench_commands [TRACKS...]      (default: 1000 100000 1000000)
//
// Both sides commit with synchronous = EXTRA, so a change pays the same syncs on each; the bare
// commit column shows how much of the bare time those take.

#include "benchsupport.h"
#include "frmcaldrin.h"
#include "msgbox.h"
#include "statements.h"

#include <QApplication>
#include <array>
#include <stdexcept>

using namespace bench;
using namespace statements;

namespace {

constexpr int kRounds = 9;
constexpr double kTargetRatio = 2.0;
constexpr double kTargetCommandMs = 50.0;

enum Command { PickAlbum, PickArtist, EditLoad, Change, Add, Delete, kCommands };
const std::array<QString, kCommands> kCommandNames = {
    QStringLiteral("pick tab1"), QStringLiteral("pick tab2"), QStringLiteral("edit load"),
    QStringLiteral("change"),    QStringLiteral("add"),       QStringLiteral("delete")};

const ResultTable kResults({{QStringLiteral("tracks"), 9},
                            {QStringLiteral("command"), 10},
                            {QStringLiteral("window ms"), 10},
                            {QStringLiteral("bare ms"), 9},
                            {QStringLiteral("ratio"), 7},
                            {QStringLiteral("redraw ms"), 10},
                            {QStringLiteral("bare commit ms"), 15}});

struct Track {
    QString artist, album;
    int number;
    QString title;
};

// What the commands work on, as a user would meet it: an album from the middle of the album
// list with the artist a pick of it shows first, and likewise an artist with its first album.
struct Subjects {
    QString album, albumArtist;
    QString artist, artistAlbum;
    // The album's first track, which a correction loads and writes back with a new title.
    qint64 correctedId = 0;
    Track corrected;
    // Number 0 sorts before every real track, so after a pick the added track is the grid's
    // current row and a delete takes it away again.
    Track added;
    std::array<QString, 2> changedTitles;
};

QString Middle(const QStringList& values) {
    if (values.isEmpty())
        throw std::runtime_error("the catalogue has no tracks");
    return values[values.size() / 2];
}

Subjects ChooseSubjects(sqlite3* db) {
    Subjects s;
    s.album = Middle(FirstColumn(db, caldrin::AllAlbums()));
    s.albumArtist = FirstColumn(db, caldrin::ArtistsOfAlbum(s.album)).value(0);
    s.artist = Middle(FirstColumn(db, caldrin::AllArtistsOrdered()));
    s.artistAlbum = FirstColumn(db, caldrin::AlbumsOfArtist(s.artist)).value(0);
    s.correctedId =
        FirstColumn(db, caldrin::TracksOfAlbum(s.album, s.albumArtist)).value(0).toLongLong();
    const QString number =
        QStringLiteral("SELECT 曲番 FROM %1 WHERE ID = %2").arg(Table()).arg(s.correctedId);
    s.corrected = {s.albumArtist, s.album, FirstColumn(db, number).value(0).toInt(), {}};
    s.added = {s.albumArtist, s.album, 0, QStringLiteral("ﾍﾞﾝﾁ 追加曲")};
    s.changedTitles = {QStringLiteral("修正した曲名"), QStringLiteral("ｼｭｳｾｲ 2")};
    return s;
}

// The same work as each command, done with SQLite alone on a connection of its own.
class BareCommands {
public:
    explicit BareCommands(const QString& path)
        : db_(OpenBare(path, SQLITE_OPEN_READWRITE)), insert_(Prepare(InsertSql())),
          update_(Prepare(UpdateSql())), delete_(Prepare(DeleteSql())) {
        Exec(QStringLiteral("PRAGMA synchronous = EXTRA"));
    }

    sqlite3* db() const { return db_.get(); }
    // The time the last change spent between BEGIN and COMMIT.
    double LastCommitMs() const { return lastCommitMs_; }

    void PickOnAlbumTab(const Subjects& s) {
        Exec(caldrin::ArtistsOfAlbum(s.album));
        Exec(caldrin::TracksOfAlbum(s.album, s.albumArtist));
    }

    void PickOnArtistTab(const Subjects& s) {
        Exec(caldrin::AlbumsOfArtist(s.artist));
        Exec(caldrin::TracksOfAlbum(s.artistAlbum, s.artist));
    }

    void LoadForCorrection(const Subjects& s) {
        Exec(AllArtists());
        Exec(caldrin::AlbumsOfArtist(s.albumArtist));
    }

    void ChangeTrack(qint64 id, const Track& track) {
        FindKey(id);
        Write([&] {
            BindTrack(update_.get(), track);
            sqlite3_bind_int64(update_.get(), 5, id);
            Step(update_.get());
        });
        ReadListsAfterEntry(track);
        Exec(caldrin::TracksOfAlbum(track.album, track.artist));
    }

    qint64 AddTrack(const Track& track) {
        Write([&] {
            BindTrack(insert_.get(), track);
            Step(insert_.get());
        });
        const qint64 id = sqlite3_last_insert_rowid(db());
        ReadListsAfterEntry(track);
        // The new track is shown on both browse tabs, each by a query of its own.
        Exec(caldrin::TracksOfAlbum(track.album, track.artist));
        Exec(caldrin::TracksOfAlbum(track.album, track.artist));
        return id;
    }

    void DeleteTrack(qint64 id, const Track& track) {
        FindKey(id);
        Write([&] {
            sqlite3_bind_int64(delete_.get(), 1, id);
            Step(delete_.get());
        });
        Exec(caldrin::TracksOfAlbum(track.album, track.artist));
        Exec(caldrin::AllAlbums());
        Exec(caldrin::ArtistsOfAlbum(track.album));
        Exec(AllArtists());
        Exec(caldrin::AlbumsOfArtistUnordered(track.artist));
    }

private:
    static QString InsertSql() {
        return QStringLiteral("INSERT INTO %1 (アーチスト名, アルバム名, 曲番, 曲名) "
                              "VALUES (?, ?, ?, ?)")
            .arg(Table());
    }
    static QString UpdateSql() {
        return QStringLiteral("UPDATE %1 SET アーチスト名 = ?, アルバム名 = ?, 曲番 = ?, "
                              "曲名 = ? WHERE ID = ?")
            .arg(Table());
    }
    static QString DeleteSql() {
        return QStringLiteral("DELETE FROM %1 WHERE ID = ?").arg(Table());
    }

    StatementHandle Prepare(const QString& sql) const { return PrepareBare(db(), sql); }
    void Exec(const QString& sql) const { ReadAll(db(), sql); }
    void Step(sqlite3_stmt* stmt) const {
        ReadRows(db(), stmt);
        sqlite3_reset(stmt);
    }

    static void BindTrack(sqlite3_stmt* stmt, const Track& track) {
        const QByteArray artist = track.artist.toUtf8(), album = track.album.toUtf8(),
                         title = track.title.toUtf8();
        sqlite3_bind_text(stmt, 1, artist.constData(), int(artist.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(stmt, 2, album.constData(), int(album.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(stmt, 3, track.number);
        sqlite3_bind_text(stmt, 4, title.constData(), int(title.size()), SQLITE_TRANSIENT);
    }

    void FindKey(qint64 id) const {
        Exec(QStringLiteral("SELECT ID FROM %1 WHERE %2 ORDER BY ID ASC LIMIT 1")
                 .arg(Table(), IdCriterion(QString::number(id))));
    }

    void Write(const std::function<void()>& change) {
        lastCommitMs_ = ElapsedMs([&] {
            Exec(QStringLiteral("BEGIN IMMEDIATE"));
            change();
            Exec(QStringLiteral("COMMIT"));
        });
    }

    // The lists an entry or a correction refills before it shows the track.
    void ReadListsAfterEntry(const Track& track) const {
        Exec(caldrin::AllAlbums());
        Exec(caldrin::ArtistsOfAlbum(track.album));
        Exec(AllArtists());
        Exec(caldrin::AlbumsOfArtist(track.artist));
    }

    SqliteHandle db_;
    StatementHandle insert_, update_, delete_;
    double lastCommitMs_ = 0;
};

// The window, started once, driven by calling its handlers as the controls would. Each command
// returns the time its handler took; the steps that bring the window to where a user would give
// the command are left out.
class WindowCommands {
public:
    explicit WindowCommands(const QString& folder) : window_(folder) {
        if (!window_.Form_Load())
            throw std::runtime_error(MessageBox::TakeShown().value(0).prompt.toStdString());
        window_.show();
        QApplication::processEvents();
    }

    // The time the events the last command left behind took: the grids' layout and the repaint.
    double LastRedrawMs() const { return lastRedrawMs_; }

    double PickOnAlbumTab(const QString& album) {
        GoToTab(1);
        window_.cmbAlbum[1]->SetText(album);
        return Timed(0, [&] { window_.cmbAlbum_Click(1); });
    }

    double PickOnArtistTab(const QString& artist) {
        GoToTab(2);
        window_.cmbartist[2]->SetText(artist);
        return Timed(0, [&] { window_.cmbartist_Click(2); });
    }

    double LoadForCorrection(const QString& album) {
        PickOnAlbumTab(album);
        const double ms = Timed(0, [&] { window_.cmdEdit1_Click(); });
        // Otherwise the correction would return to some other tab than the one measured.
        if (window_.PrevTab != 1)
            throw std::runtime_error("a correction did not start from the album tab");
        return ms;
    }

    double ChangeTitle(const QString& title) {
        window_.txtName->setText(title);
        return Timed(0, [&] { window_.cmdUpdate_Click(); });
    }

    double AddTrack(const Track& track) {
        GoToTab(3);
        window_.cmbartist[3]->SetText(track.artist);
        window_.cmbAlbum[3]->SetText(track.album);
        window_.txtNo->setText(QString::number(track.number));
        window_.txtName->setText(track.title);
        window_.chkRenzoku->setChecked(false);
        return Timed(0, [&] { window_.cmdTuika_Click(); });
    }

    double DeleteTrack(const Track& track) {
        PickOnAlbumTab(track.album);
        if (window_.DBGrid1->Columns(4).Value() != track.title)
            throw std::runtime_error("the track to delete is not the grid's current row");
        return Timed(1, [&] { window_.cmdDel1_Click(); });
    }

private:
    void GoToTab(int tab) {
        window_.SSTab1->SetTab(tab);
        QApplication::processEvents();
    }

    // A command that shows some other message than the expected ones has not done its work.
    double Timed(int expectedPrompts, const std::function<void()>& handler) {
        QApplication::processEvents();
        const double ms = ElapsedMs(handler);
        lastRedrawMs_ = ElapsedMs([] { QApplication::processEvents(); });
        const auto shown = MessageBox::TakeShown();
        if (shown.size() != expectedPrompts)
            throw std::runtime_error("unexpected message: " + shown.value(0).prompt.toStdString());
        return ms;
    }

    frmCaldrin window_;
    double lastRedrawMs_ = 0;
};

struct Samples {
    std::array<std::vector<double>, kCommands> window, redraw, bare, commit;
};

qint64 TrackCount(sqlite3* db) {
    return FirstColumn(db, QStringLiteral("SELECT count(*) FROM %1").arg(Table()))
        .value(0)
        .toLongLong();
}

// Adds are undone by deletes, so the catalogue keeps its size from round to round.
void CheckSizeKept(sqlite3* db, qint64 tracks) {
    if (TrackCount(db) != tracks)
        throw std::runtime_error("an added track was not deleted again");
}

void SampleWindow(WindowCommands& window, const Subjects& s, int round, Samples& samples) {
    const auto record = [&](Command command, double ms) {
        samples.window[command].push_back(ms);
        samples.redraw[command].push_back(window.LastRedrawMs());
    };
    record(PickAlbum, window.PickOnAlbumTab(s.album));
    record(PickArtist, window.PickOnArtistTab(s.artist));
    record(EditLoad, window.LoadForCorrection(s.album));
    record(Change, window.ChangeTitle(s.changedTitles[round % 2]));
    record(Add, window.AddTrack(s.added));
    record(Delete, window.DeleteTrack(s.added));
}

void SampleBare(BareCommands& bare, const Subjects& s, int round, Samples& samples) {
    const auto read = [&](Command command, const std::function<void()>& work) {
        samples.bare[command].push_back(ElapsedMs(work));
    };
    const auto write = [&](Command command, const std::function<void()>& work) {
        read(command, work);
        samples.commit[command].push_back(bare.LastCommitMs());
    };
    read(PickAlbum, [&] { bare.PickOnAlbumTab(s); });
    read(PickArtist, [&] { bare.PickOnArtistTab(s); });
    read(EditLoad, [&] { bare.LoadForCorrection(s); });
    Track changed = s.corrected;
    changed.title = s.changedTitles[round % 2];
    write(Change, [&] { bare.ChangeTrack(s.correctedId, changed); });
    qint64 id = 0;
    write(Add, [&] { id = bare.AddTrack(s.added); });
    write(Delete, [&] { bare.DeleteTrack(id, s.added); });
}

void PrintResults(qint64 tracks, const Samples& samples) {
    for (int command = 0; command < kCommands; ++command) {
        const double windowMs = Median(samples.window[command]);
        const double bareMs = Median(samples.bare[command]);
        const auto& commits = samples.commit[command];
        const double ratio = windowMs / bareMs;
        kResults.PrintRow({QString::number(tracks), kCommandNames[command], Ms(windowMs),
                           Ms(bareMs), Ratio(ratio), Ms(Median(samples.redraw[command])),
                           commits.empty() ? QString() : Ms(Median(commits))},
                          Verdict(tracks, windowMs < kTargetCommandMs && ratio < kTargetRatio));
    }
}

// The two sides take turns round by round, so a passing load on the machine slows both alike.
void Measure(qint64 tracks) {
    const Catalogue catalogue(tracks);
    BareCommands bare(catalogue.Path());
    WindowCommands window(catalogue.Folder());
    const Subjects subjects = ChooseSubjects(bare.db());
    const qint64 size = TrackCount(bare.db());
    Samples samples;
    for (int round = 0; round < kRounds; ++round) {
        SampleWindow(window, subjects, round, samples);
        SampleBare(bare, subjects, round, samples);
        CheckSizeKept(bare.db(), size);
    }
    PrintResults(tracks, samples);
}

void PrintTargets() {
    Out() << QStringLiteral("\ntargets at %1 tracks: every command under %2 ms and under %3 "
                            "times bare SQLite\n")
                 .arg(kTargetTracks)
                 .arg(kTargetCommandMs)
                 .arg(kTargetRatio);
}

} // namespace

int main(int argc, char* argv[]) {
    return Run(argc, argv, "bench_commands", [](const std::vector<qint64>& sizes) {
        kResults.PrintHeader();
        for (qint64 tracks : sizes)
            Measure(tracks);
        PrintTargets();
    });
}
