// Writes to a catalogue without end, one track per transaction as the album window does, until it
// is killed, through the rollback journal or, with "log" after the run, through the log as the
// windows write. Each change is reported on stdout only once CommitTrans has returned, so the
// reader knows exactly which changes the catalogue owes it:
//   A <id> <title>    a track was added
//   E <id> <title>    a track's title was changed
//   D <id>            a track was deleted
// A change or delete is announced first with the same line behind "? ", because a kill between
// the commit and its report leaves a change that happened but was never reported.

#include "recordset.h"
#include "statements.h"
#include "testsupport.h"

#include <QRandomGenerator>
#include <cstdio>
#include <vector>

namespace {

const QString kTitleColumn = QStringLiteral("曲名");

void Say(const QString& line) {
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

std::vector<qint64> TrackIds(Database& db) {
    std::vector<qint64> ids;
    for (const QString& id : ColumnTexts(db, QStringLiteral("SELECT ID FROM データレコード")))
        ids.push_back(id.toLongLong());
    return ids;
}

// Finds the track as the window's change and delete buttons do: by its ID in a fresh dynaset.
std::shared_ptr<Recordset> FindTrack(Database& db, qint64 id) {
    auto rs = db.OpenRecordset(statements::Table(), dbOpenDynaset);
    rs->FindFirst(statements::IdCriterion(QString::number(id)));
    return rs;
}

void Retitle(Database& db, qint64 id, const QString& title) {
    const QString report = QStringLiteral("E %1 %2").arg(id).arg(title);
    Say(QStringLiteral("? ") + report);
    auto rs = FindTrack(db, id);
    db.BeginTrans();
    rs->Edit();
    rs->Fields(kTitleColumn) = title;
    rs->Update();
    db.CommitTrans();
    Say(report);
}

void Remove(Database& db, qint64 id) {
    const QString report = QStringLiteral("D %1").arg(id);
    Say(QStringLiteral("? ") + report);
    auto rs = FindTrack(db, id);
    db.BeginTrans();
    rs->Delete();
    db.CommitTrans();
    Say(report);
}

qint64 Add(Database& db, const QString& title) {
    const qint64 id =
        AddAlbumTrack(db, QStringLiteral("ｷﾑﾗ Trio"), QStringLiteral("風の記憶"), 1, title);
    Say(QStringLiteral("A %1 %2").arg(id).arg(title));
    return id;
}

// Titles carry the run and a counter, so no two changes ever leave the same text behind.
[[noreturn]] void WriteForever(Database& db, quint32 run) {
    QRandomGenerator random(run);
    std::vector<qint64> ids = TrackIds(db);
    for (int change = 0;; ++change) {
        const QString title = QStringLiteral("曲%1-%2").arg(run).arg(change);
        const int pick = random.bounded(10);
        if (pick >= 3 || ids.empty()) {
            ids.push_back(Add(db, title));
            continue;
        }
        const auto earlier = ids.begin() + random.bounded(int(ids.size()));
        if (pick < 2) {
            Retitle(db, *earlier, title);
        } else {
            Remove(db, *earlier);
            ids.erase(earlier);
        }
    }
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 3 || argc > 4) {
        std::fputs("usage: durability_writer CATALOGUE RUN [log]\n", stderr);
        return 2;
    }
    try {
        auto db = tracktable::OpenCatalogue(QString::fromLocal8Bit(argv[1]), Program::Caldrin);
        if (argc == 4 && QByteArray(argv[3]) == "log")
            db->LogWritesWhileOpen();
        WriteForever(*db, quint32(QByteArray(argv[2]).toUInt()));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
