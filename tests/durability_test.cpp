// Kills a writer at many moments in the middle of its work and holds the catalogue to every
// change the writer saw committed (see durability_writer.cpp for what it reports).

#include "democatalogue.h"
#include "recordset.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QHash>
#include <QProcess>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <set>

namespace {

using Tracks = std::map<qint64, QString>;

constexpr int kRuns = 80;
constexpr qint64 kStartingTracks = 300;

// From a few milliseconds, often before the catalogue is even open, to well into the writing;
// the order mixes short and long runs.
int KillAfterMs(int run) {
    return 2 + (run * 53) % 149;
}

// What the catalogue owes the writer: the title of every reported track that is still there, and
// the absence of every reported deletion.
class Ledger {
public:
    // Takes one run's lines; returns the change announced but never reported, if there is one.
    std::optional<QString> Take(const QStringList& lines) {
        std::optional<QString> announced;
        for (const QString& line : lines) {
            if (line.startsWith(QLatin1String("? "))) {
                announced = line.mid(2);
            } else {
                Apply(line);
                announced.reset();
            }
        }
        return announced;
    }

    void Apply(const QString& report) {
        const QStringList parts = report.split(QLatin1Char(' '));
        const qint64 id = parts.value(1).toLongLong();
        ++reported_[parts.value(0)];
        if (parts.value(0) == QLatin1String("D")) {
            titles_.erase(id);
            deleted_.insert(id);
        } else {
            titles_[id] = parts.value(2);
        }
    }

    QStringList Differences(const Tracks& tracks) const {
        QStringList differences;
        for (qint64 id : deleted_) {
            if (tracks.contains(id))
                differences << QStringLiteral("deleted %1 is back").arg(id);
        }
        for (const auto& [id, title] : titles_) {
            const auto found = tracks.find(id);
            if (found == tracks.end())
                differences << QStringLiteral("%1 is missing").arg(id);
            else if (found->second != title)
                differences
                    << QStringLiteral("%1 is titled %2, not %3").arg(id).arg(found->second, title);
        }
        return differences;
    }

    int Reported(const QString& kind) const { return reported_.value(kind); }

private:
    Tracks titles_;
    std::set<qint64> deleted_;
    QHash<QString, int> reported_;
};

QString WriterPath() {
    return QCoreApplication::applicationDirPath() + QStringLiteral("/durability_writer");
}

// A kill can cut the last line short; only lines whose end reached the pipe were reported.
QStringList CompleteLines(const QByteArray& output) {
    QStringList lines = QString::fromUtf8(output).split(QLatin1Char('\n'));
    lines.removeLast();
    return lines;
}

QStringList RunAndKill(const QString& catalogue, int run) {
    QProcess writer;
    // Every other run writes through the log, as the windows do.
    QStringList arguments{catalogue, QString::number(run)};
    if (run % 2 == 1)
        arguments << QStringLiteral("log");
    writer.start(WriterPath(), arguments);
    EXPECT_TRUE(writer.waitForStarted()) << writer.errorString().toStdString();
    // The writer never stops by itself; if it has, it failed, and says why.
    EXPECT_FALSE(writer.waitForFinished(KillAfterMs(run)))
        << writer.readAllStandardError().toStdString();
    writer.kill();
    writer.waitForFinished();
    return CompleteLines(writer.readAllStandardOutput());
}

Tracks ReadTracks(Database& db) {
    auto rs =
        db.OpenRecordset(QStringLiteral("SELECT ID, 曲名 FROM データレコード"), dbOpenSnapshot);
    Tracks tracks;
    for (; !rs->Eof(); rs->MoveNext())
        tracks[rs->Fields(0).Value().toLongLong()] = rs->Fields(1).Text();
    return tracks;
}

TEST(DurabilityTest, EveryCommittedChangeSurvivesAKill) {
    CatalogueFolder folder;
    democatalogue::Create(folder.File(), Program::Caldrin, kStartingTracks);
    Ledger ledger;
    for (int run = 0; run < kRuns; ++run) {
        const std::optional<QString> unreported = ledger.Take(RunAndKill(folder.File(), run));
        auto db = folder.Open();
        const QStringList integrity = ColumnTexts(*db, QStringLiteral("PRAGMA integrity_check"));
        ASSERT_TRUE(integrity == QStringList{QStringLiteral("ok")})
            << "after run " << run << ":\n"
            << integrity.join(QLatin1Char('\n')).toStdString();
        const Tracks tracks = ReadTracks(*db);
        // The kill may have come after the commit of the last announced change but before its
        // report: then either outcome is right.
        if (unreported) {
            Ledger committed = ledger;
            committed.Apply(*unreported);
            if (committed.Differences(tracks).isEmpty())
                ledger = committed;
        }
        const QStringList differences = ledger.Differences(tracks);
        ASSERT_TRUE(differences.isEmpty()) << "after run " << run << ":\n"
                                           << differences.join(QLatin1Char('\n')).toStdString();
        // A writer killed in the log's mode leaves the file in it.
        db->Execute(QStringLiteral("PRAGMA journal_mode = DELETE"));
    }
    // Every kind of write must have been under fire, or the test proved nothing about it.
    EXPECT_GT(ledger.Reported(QStringLiteral("A")), 0);
    EXPECT_GT(ledger.Reported(QStringLiteral("E")), 0);
    EXPECT_GT(ledger.Reported(QStringLiteral("D")), 0);
}

} // namespace
