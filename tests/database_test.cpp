#include "recordset.h"
#include "statements.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <thread>

namespace {

class DatabaseTest : public testing::Test {
protected:
    void SetUpCatalogue() {
        folder.CreateEmpty();
        db = folder.Open();
    }

    CatalogueFolder folder;
    std::unique_ptr<Database> db;
};

std::string OpenFailure(const QString& path) {
    try {
        tracktable::OpenCatalogue(path, Program::Caldrin);
    } catch (const DbError& error) {
        return error.Message().toStdString();
    }
    return "opened";
}

TEST_F(DatabaseTest, OpeningNeverCreatesAndSaysWhatIsWrong) {
    const std::string missing = OpenFailure(folder.File());
    EXPECT_NE(missing.find(folder.File().toStdString()), std::string::npos);
    EXPECT_NE(missing.find("見つからない"), std::string::npos);
    EXPECT_FALSE(QFileInfo::exists(folder.File()));

    folder.WriteFile(QStringLiteral("caldrin.mdb"), QByteArray(4096, 'x'));
    EXPECT_NE(OpenFailure(folder.File()).find("データベースファイルではありません"),
              std::string::npos);

    QFile::remove(folder.File());
    Database::CreateDatabase(folder.File())->Execute(QStringLiteral("CREATE TABLE other (a)"));
    EXPECT_NE(OpenFailure(folder.File()).find("テーブル「データレコード」がありません"),
              std::string::npos);

    Database::OpenDatabase(folder.File())
        ->Execute(
            QStringLiteral("CREATE TABLE データレコード (ID INTEGER PRIMARY KEY, アーチスト名, "
                           "アルバム名, 曲名)"));
    EXPECT_NE(OpenFailure(folder.File()).find("列「曲番」がありません"), std::string::npos);

    // Past what SQLite can open, the message says so instead of calling the file missing.
    const QString deep = folder.Path() + "/" + QString(250, 'd') + "/" + QString(250, 'e');
    ASSERT_TRUE(QDir().mkpath(deep));
    ASSERT_TRUE(QFile::copy(folder.File(), deep + "/caldrin.mdb"));
    EXPECT_NE(OpenFailure(deep + "/caldrin.mdb").find("パスが長すぎます"), std::string::npos);
}

// A write that fails names the catalogue and says what to do, and leaves the file as it was.
TEST_F(DatabaseTest, FailedWritesNameTheCatalogueAndLoseNothing) {
    SetUpCatalogue();
    AddAlbumTrack(*db, "A", "X", 1, "kept");
    db->Close();
    const QString file = folder.File();
    const auto failsWith = [&](const char* advice, bool log = false) {
        try {
            const auto written = folder.Open();
            if (log)
                written->LogWritesWhileOpen();
            AddAlbumTrack(*written, "A", "X", 2, QString(100000, 'x'));
        } catch (const DbError& error) {
            return error.Message().contains(file) && error.Message().contains(advice) ? 0 : 2;
        }
        return 1;
    };
    EXPECT_EQ(ExitStatusInChild([&] {
                  return LimitFileSize(QFileInfo(file).size()) ? failsWith("空き容量") : 3;
              }),
              0);
    EXPECT_EQ(ExitStatusInChild([&] {
                  return LimitFileSize(QFileInfo(file).size()) ? failsWith("空き容量", true) : 3;
              }),
              0);
    EXPECT_EQ(ExitStatusInChild(
                  [&] { return LoseWriteAccess(folder.Path()) ? failsWith("書き込み権限") : 3; }),
              0);
    db = folder.Open();
    EXPECT_EQ(ColumnTexts(*db, "PRAGMA integrity_check"), QStringList{"ok"});
    EXPECT_EQ(ColumnTexts(*db, "SELECT 曲名 FROM データレコード"), QStringList{"kept"});
}

TEST_F(DatabaseTest, SnapshotIsAStaticCopyFromItsFirstRow) {
    SetUpCatalogue();
    AddAlbumTrack(*db, "A", "X", 2, "two");
    AddAlbumTrack(*db, "A", "X", 1, "one");
    auto rs = db->OpenRecordset(statements::caldrin::TracksOfAlbum("X", "A"), dbOpenSnapshot);
    AddAlbumTrack(*db, "A", "X", 3, "three");

    EXPECT_EQ(rs->RecordCount(), 2);
    EXPECT_EQ(rs->Fields("曲名").Text(), "one");
    rs->MoveLast();
    EXPECT_EQ(rs->Fields("曲名").Text(), "two");
    rs->MoveFirst();
    rs->MoveNext();
    rs->MoveNext();
    EXPECT_TRUE(rs->Eof());
    EXPECT_THROW(rs->Fields(0).Value(), DbError);
    EXPECT_THROW(rs->AddNew(), DbError);

    auto empty = db->OpenRecordset(statements::caldrin::ArtistsOfAlbum("none"), dbOpenSnapshot);
    EXPECT_TRUE(empty->Eof());
    EXPECT_EQ(empty->RecordCount(), 0);
}

TEST_F(DatabaseTest, ColumnNamesIgnoreLetterWidth) {
    CatalogueFolder discs(Program::Trensoly);
    discs.CreateEmpty();
    auto trensoly = discs.Open();
    trensoly->Execute("INSERT INTO データレコード (MD番号, 曲番, 曲名, アーチスト名) VALUES "
                      "('007', 1, 't', 'a')");
    auto rs = trensoly->OpenRecordset(statements::trensoly::TracksOfDisc("007"), dbOpenSnapshot);
    EXPECT_EQ(rs->Fields("ＭＤ番号").Text(), "007");
    EXPECT_EQ(rs->Fields("md番号").Text(), "007");
    EXPECT_THROW(rs->Fields("曲番号"), DbError);
}

TEST_F(DatabaseTest, TrackNumbersAreStoredAsNumbers) {
    SetUpCatalogue();
    AddAlbumTrack(*db, "A", "X", "7", "a");
    AddAlbumTrack(*db, "A", "X", " 1.5 ", "b");
    AddAlbumTrack(*db, "A", "X", "１２", "c");
    AddAlbumTrack(*db, "A", "X", "1e1", "d");
    EXPECT_EQ(ColumnTexts(*db, "SELECT 曲番 FROM データレコード ORDER BY 曲番"),
              QStringList({"1.5", "7", "10", "12"}));
    EXPECT_EQ(ColumnTexts(*db, "SELECT typeof(曲番) FROM データレコード ORDER BY ID"),
              QStringList({"integer", "real", "integer", "integer"}));
    EXPECT_THROW(AddAlbumTrack(*db, "A", "X", "7a", "e"), DbError);
    db->Rollback();
    EXPECT_EQ(ColumnTexts(*db, "SELECT count(*) FROM データレコード"), QStringList{"4"});
}

TEST_F(DatabaseTest, LatinLettersGroupWithoutRegardToCase) {
    SetUpCatalogue();
    AddAlbumTrack(*db, "The Band", "Blue", 1, "a");
    AddAlbumTrack(*db, "the band", "blue", 2, "b");
    AddAlbumTrack(*db, "青木", "blue", 1, "c");
    EXPECT_EQ(ColumnTexts(*db, statements::caldrin::AllArtistsOrdered()).size(), 2);
    EXPECT_EQ(ColumnTexts(*db, statements::caldrin::AllAlbums()).size(), 1);
    auto rs =
        db->OpenRecordset(statements::caldrin::TracksOfAlbum("BLUE", "THE BAND"), dbOpenSnapshot);
    EXPECT_EQ(rs->RecordCount(), 2);
}

TEST_F(DatabaseTest, ChangesWithoutAMatchingRowTouchNothing) {
    SetUpCatalogue();
    const qint64 id = AddAlbumTrack(*db, "A", "X", 1, "keep");
    auto rs = db->OpenRecordset(statements::Table(), dbOpenDynaset);
    rs->FindFirst(statements::IdCriterion(QString::number(id + 1)));
    EXPECT_TRUE(rs->NoMatch());
    EXPECT_THROW(rs->Edit(), DbError);
    EXPECT_THROW(rs->Delete(), DbError);

    // Found, then deleted by another copy of the program before the change is written.
    rs->FindFirst(statements::IdCriterion(QString::number(id)));
    ASSERT_FALSE(rs->NoMatch());
    rs->Edit();
    rs->Fields("曲名") = "changed";
    folder.Open()->Execute(QStringLiteral("DELETE FROM データレコード"));
    db->BeginTrans();
    EXPECT_THROW(rs->Update(), DbError);
    db->Rollback();
    EXPECT_EQ(ColumnTexts(*db, "SELECT count(*) FROM データレコード"), QStringList{"0"});
}

TEST_F(DatabaseTest, RollbackLeavesTheTableAsItWas) {
    SetUpCatalogue();
    const qint64 id = AddAlbumTrack(*db, "A", "X", 1, "before");
    auto rs = db->OpenRecordset(statements::Table(), dbOpenDynaset);
    rs->FindFirst(statements::IdCriterion(QString::number(id)));
    db->BeginTrans();
    rs->Edit();
    rs->Fields("曲名") = "after";
    rs->Update();
    db->Rollback();
    EXPECT_EQ(ColumnTexts(*db, "SELECT 曲名 FROM データレコード"), QStringList{"before"});
    // Keys are never handed out twice, so a stale key cannot name a newer row.
    rs->FindFirst(statements::IdCriterion(QString::number(id)));
    db->BeginTrans();
    rs->Delete();
    db->CommitTrans();
    EXPECT_GT(AddAlbumTrack(*db, "A", "X", 1, "new"), id);
}

TEST_F(DatabaseTest, ASecondCopyWaitsForTheLockThenGivesUpWithAMessage) {
    SetUpCatalogue();
    auto other = folder.Open();
    other->BeginTrans();
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        other->CommitTrans();
    });
    EXPECT_NO_THROW(AddAlbumTrack(*db, "A", "X", 1, "waited"));
    release.join();

    other->BeginTrans();
    try {
        AddAlbumTrack(*db, "A", "X", 2, "refused");
        ADD_FAILURE() << "the write went through a held lock";
    } catch (const DbError& error) {
        EXPECT_NE(error.Message().indexOf("使用中"), -1);
    }
    other->Rollback();
    EXPECT_EQ(ColumnTexts(*db, "SELECT 曲名 FROM データレコード"), QStringList{"waited"});
}

} // namespace

// Catalogues someone else made may carry a schema that rewrites or swallows every write.
TEST_F(DatabaseTest, AWriteThatDidNotHappenAsMeantIsReportedAndRolledBack) {
    SetUpCatalogue();
    AddAlbumTrack(*db, "A", "B", 1, "kept");
    for (const char* trigger :
         {"CREATE TRIGGER t BEFORE INSERT ON データレコード BEGIN SELECT RAISE(IGNORE); END",
          "CREATE TRIGGER t AFTER INSERT ON データレコード BEGIN "
          "DELETE FROM データレコード WHERE ID <> NEW.ID; END",
          "CREATE TRIGGER t AFTER INSERT ON データレコード BEGIN "
          "UPDATE データレコード SET 曲名 = 曲名 WHERE ID <> NEW.ID; END"}) {
        db->Execute(trigger);
        EXPECT_THROW(AddAlbumTrack(*db, "A", "B", 2, "new"), DbError) << trigger;
        db->Rollback();
        EXPECT_EQ(ColumnTexts(*db, "SELECT 曲名 FROM データレコード"), QStringList{"kept"});
        db->Execute("DROP TRIGGER t");
    }
    // Nor can an ordinary statement rewrite the file's structure.
    db->Execute("PRAGMA writable_schema = ON");
    EXPECT_THROW(db->Execute("UPDATE sqlite_schema SET sql = sql"), DbError);
    // Nor can a view's function reach outside the file, whatever the schema says.
    EXPECT_EQ(ColumnTexts(*db, "PRAGMA trusted_schema"), QStringList{"0"});
}

// A conflict clause in the table's own schema would make room for a write by deleting other
// tracks, or store a default in place of what was written; no change count tells of either.
TEST_F(DatabaseTest, AConflictClauseOfTheSchemaNeverReplacesATrack) {
    for (const char* columns :
         {"ID INTEGER PRIMARY KEY, アーチスト名, アルバム名, 曲番, 曲名, "
          "UNIQUE (曲名) ON CONFLICT REPLACE",
          "ID INTEGER PRIMARY KEY ON CONFLICT REPLACE, アーチスト名, アルバム名, 曲番, "
          "曲名 UNIQUE ON CONFLICT REPLACE",
          "ID INTEGER PRIMARY KEY, アーチスト名, アルバム名, "
          "曲番 NOT NULL ON CONFLICT REPLACE DEFAULT 0, 曲名"}) {
        SCOPED_TRACE(columns);
        CatalogueFolder sent;
        auto made = Database::CreateDatabase(sent.File());
        made->Execute(QStringLiteral("CREATE TABLE データレコード (%1)").arg(columns));
        made->Execute("INSERT INTO データレコード VALUES (1, 'A', 'B', 1, 'one'), "
                      "(2, 'A', 'B', 2, 'two')");
        auto catalogue = tracktable::OpenCatalogue(sent.File(), Program::Caldrin);
        EXPECT_THROW(AddAlbumTrack(*catalogue, "A", "B", QVariant(), "one"), DbError);
        catalogue->Rollback();
        auto rs = catalogue->OpenRecordset(statements::Table(), dbOpenDynaset);
        rs->FindFirst(statements::IdCriterion("2"));
        catalogue->BeginTrans();
        rs->Edit();
        rs->Fields("曲名") = "one";
        rs->Fields("曲番") = QVariant();
        EXPECT_THROW(rs->Update(), DbError);
        catalogue->Rollback();
        EXPECT_EQ(ColumnTexts(*catalogue, "SELECT ID || 曲番 || 曲名 FROM データレコード"),
                  QStringList({"11one", "22two"}));
    }
}

TEST_F(DatabaseTest, AStatementThatRunsOnIsInterruptedWithAMessage) {
    SetUpCatalogue();
    db->SetRunawayLimit(std::chrono::milliseconds(200));
    try {
        db->Execute("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) "
                    "SELECT count(*) FROM c");
        FAIL() << "not interrupted";
    } catch (const DbError& error) {
        EXPECT_TRUE(error.Message().contains("中断しました"));
    }
    // The time a caller takes between two rows is its own.
    const auto rows = db->Prepare("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c "
                                  "WHERE x < 100000) SELECT x FROM c WHERE x IN (1, 100000)");
    EXPECT_EQ(sqlite3_step(rows.get()), SQLITE_ROW);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(sqlite3_step(rows.get()), SQLITE_ROW);
}
