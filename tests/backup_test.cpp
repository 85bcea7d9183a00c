#include "backup.h"
#include "backupfolder.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <atomic>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

const QDateTime kStart(QDate(2026, 12, 7), QTime(16, 30, 12));

class BackupTest : public testing::Test {
protected:
    void SetUp() override {
        folder.CreateEmpty();
        db = folder.Open();
        AddAlbumTrack(*db, "森 健", "夏の午後", 1, "約束");
    }

    QString Folder() const { return folder.Path() + "/backup"; }
    QStringList Files() const { return QDir(Folder()).entryList(QDir::Files); }
    QString BackUp(const QDateTime& now) { return backup::BackUpIfChanged(folder.File(), now); }
    static QByteArray Bytes(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // The checks and the titles of a backup, read by a connection of its own.
    static QStringList Held(const QString& name, const QString& sql) {
        auto copy = tracktable::OpenCatalogue(name, Program::Caldrin, Database::Access::ReadOnly);
        return ColumnTexts(*copy, "PRAGMA integrity_check") + ColumnTexts(*copy, sql);
    }

    CatalogueFolder folder;
    std::unique_ptr<Database> db;
};

TEST_F(BackupTest, CopiesTheCatalogueWhenItChangedAndKeepsTheNewestTen) {
    ASSERT_TRUE(QDir().mkpath(Folder()));
    folder.WriteFile("backup/caldrin-0123456789abcdef.tmp", "left by a killed backup");
    folder.WriteFile("backup/notes.txt", "the user's own");
    folder.WriteFile("backup/trensoly-20200101-000000.mdb", "another catalogue's");
    EXPECT_EQ(BackUp(kStart), "");
    QStringList others = {"notes.txt", "trensoly-20200101-000000.mdb"};
    EXPECT_EQ(Files(), QStringList{"caldrin-20261207-163012.mdb"} + others);
    EXPECT_EQ(Held(Folder() + "/caldrin-20261207-163012.mdb", "SELECT 曲名 FROM データレコード"),
              QStringList({"ok", "約束"}));

    EXPECT_EQ(BackUp(kStart.addSecs(60)), "");
    EXPECT_EQ(Files().size(), 3) << "nothing changed";

    // A change in the same second gets a name of its own, after the first.
    AddAlbumTrack(*db, "森 健", "夏の午後", 2, "花火");
    EXPECT_EQ(BackUp(kStart), "");
    EXPECT_EQ(Files().mid(0, 2),
              QStringList({"caldrin-20261207-163012-2.mdb", "caldrin-20261207-163012.mdb"}));

    // A backup the user also keeps elsewhere, under a link of its own, stays whole there.
    const QString kept = folder.Path() + "/kept.mdb";
    ASSERT_EQ(::link(backup::Encoded(Folder() + "/caldrin-20261207-163012-2.mdb").constData(),
                     backup::Encoded(kept).constData()),
              0);
    QStringList newest;
    for (int day = 1; day <= 12; ++day) {
        AddAlbumTrack(*db, "Anna", "Blue Harbor", day, "Rain");
        const QDateTime now = kStart.addDays(day);
        EXPECT_EQ(BackUp(now), "");
        newest << now.toString("'caldrin-'yyyyMMdd-HHmmss'.mdb'");
    }
    EXPECT_EQ(Files(), newest.mid(2) + others);
    EXPECT_EQ(Held(Folder() + "/" + newest.last(), "SELECT count(*) FROM データレコード"),
              QStringList({"ok", "14"}));
    EXPECT_EQ(Held(kept, "SELECT count(*) FROM データレコード"), QStringList({"ok", "2"}));
}

// The program goes on adding and deleting tracks while the copy is made, through the rollback
// journal or through the log as the windows write.
TEST_F(BackupTest, ACopyTakenDuringWritesIsOfOneCommittedState) {
    db->Execute("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 50000) "
                "INSERT INTO データレコード (アーチスト名, アルバム名, 曲番, 曲名) "
                "SELECT 'artist ' || (i % 300), 'album ' || (i % 2000), i % 20, 'title ' || i "
                "FROM n");
    for (const bool log : {false, true}) {
        QDir(Folder()).removeRecursively();
        std::atomic<bool> done = false;
        std::atomic<int> changes = 0;
        QString failure;
        std::thread program([&] {
            try {
                auto own = folder.Open();
                if (log)
                    own->LogWritesWhileOpen();
                while (!done) {
                    own->BeginTrans();
                    own->Execute("INSERT INTO データレコード (曲名) VALUES ('new')");
                    own->Execute("DELETE FROM データレコード WHERE ID = "
                                 "(SELECT min(ID) FROM データレコード)");
                    own->CommitTrans();
                    ++changes;
                }
            } catch (const DbError& error) {
                failure = error.Message();
                changes = -1;
            }
        });
        while (changes == 0)
            std::this_thread::yield();
        const QString message = BackUp(kStart);
        done = true;
        program.join();
        EXPECT_EQ(message, "") << log;
        EXPECT_EQ(failure, "") << log;
        // Every committed state holds as many tracks as the first.
        EXPECT_EQ(Held(Folder() + "/" + Files().value(0), "SELECT count(*) FROM データレコード"),
                  QStringList({"ok", "50001"}))
            << log;
    }
}

TEST_F(BackupTest, AFailedBackupNamesTheFolderAndLeavesNoFile) {
    const QByteArray catalogue = Bytes(folder.File());
    folder.WriteFile("backup", "a file where the folder belongs");
    QString message = BackUp(kStart);
    EXPECT_TRUE(message.contains(Folder()) && message.contains("別の場所に移して"))
        << message.toStdString();
    ASSERT_TRUE(QFile::remove(Folder()));

    // 0 when the message names the folder and says what to do, and no file is left.
    const auto failsWith = [&](const char* advice) {
        message = BackUp(kStart);
        return message.contains(Folder()) && message.contains(advice) && Files().isEmpty() ? 0 : 1;
    };
    EXPECT_EQ(ExitStatusInChild([&] { return LimitFileSize(4096) ? failsWith("空き") : 3; }), 0);
    EXPECT_EQ(ExitStatusInChild(
                  [&] { return LoseWriteAccess(folder.Path()) ? failsWith("書き込み権限") : 3; }),
              0);
    EXPECT_EQ(Bytes(folder.File()), catalogue);
}

} // namespace

// A start after a change backs the catalogue up, one without none, whatever the journal mode
// and the file times say.
TEST_F(BackupTest, EveryChangeIsInTheNextBackupAndNoChangeAddsNone) {
    const auto newest = [this] {
        return Held(Folder() + "/" + Files().last(), "SELECT count(*) FROM データレコード");
    };
    EXPECT_EQ(BackUp(kStart), "");
    AddAlbumTrack(*db, "Anna", "Blue Harbor", 1, "Rain");
    EXPECT_EQ(BackUp(kStart.addSecs(1)), "");
    EXPECT_EQ(BackUp(kStart.addSecs(2)), "");
    EXPECT_EQ(Files().size(), 2) << "the newest backup holds the catalogue as it is";

    // A change that leaves the file's time as the last backup recorded it.
    struct stat before;
    ASSERT_EQ(::stat(QFile::encodeName(folder.File()).constData(), &before), 0);
    AddAlbumTrack(*db, "Anna", "Blue Harbor", 2, "Snow");
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(folder.File()).constData(), times, 0), 0);
    EXPECT_EQ(BackUp(kStart.addSecs(3)), "");
    EXPECT_EQ(newest(), QStringList({"ok", "3"}));

    // In the WAL mode the change stays in the log while a connection has the file open.
    db->Execute("PRAGMA journal_mode = WAL");
    EXPECT_EQ(BackUp(kStart.addSecs(4)), "");
    AddAlbumTrack(*db, "Anna", "Blue Harbor", 3, "Hail");
    EXPECT_EQ(BackUp(kStart.addSecs(5)), "");
    EXPECT_EQ(newest(), QStringList({"ok", "4"}));
    const qsizetype made = Files().size();
    EXPECT_EQ(BackUp(kStart.addSecs(6)), "");
    EXPECT_EQ(Files().size(), made);
}
