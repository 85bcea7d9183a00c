#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

struct Outcome {
    int code;
    QString output, error;
};

// Runs a tool from the build tree in a folder, with Qt asked to log everything it can, and with
// the files it writes limited in size if asked, as a full disk would.
static Outcome RunTool(const QString& tool, const QStringList& args, const QString& folder = {},
                       rlim_t fileSizeLimit = RLIM_INFINITY) {
    QProcess process;
    process.setChildProcessModifier([fileSizeLimit] {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{fileSizeLimit, fileSizeLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    });
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_LOGGING_RULES", "*=true");
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(folder);
    process.start(QCoreApplication::applicationDirPath() + "/../tools/" + tool, args);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {-1, {}, "did not finish: " + process.errorString()};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

TEST(ToolsTest, HelpAndVersionOnStandardOutputOptionsNeverFileNamesMistakesRefused) {
    for (const QString tool : {"mkcatalogue", "mklabel", "exportcsv", "importcsv", "importdisc"}) {
        for (const QString option : {"--help", "-h", "--version"}) {
            const Outcome shown = RunTool(tool, {option});
            EXPECT_EQ(shown.code, 0);
            EXPECT_TRUE(shown.output.startsWith(
                option == "--version" ? tool + " " MDCAT_VERSION "\n" : "使い方: " + tool));
            EXPECT_EQ(shown.error, "");
        }
    }
    const CatalogueFolder folder;
    const QDir dir(folder.Path());
    const QStringList label = {"caldrin", "md", "demo.mdb", "new.pdf", "夏の午後", "高橋 陽子"};
    const QList<QStringList> mistakes = {
        {"mkcatalogue", "caldrin", "--demo"},
        {"mkcatalogue", "caldrin", "new.mdb", "--bogus"},
        {"mkcatalogue", "caldrin", "new.mdb", "-demo", "--tracks", "3"},
        {"mkcatalogue", "caldrin", "new.mdb", "--tracks", "3", "--import", "demo.mdb"},
        {"exportcsv", "caldrin", "demo.mdb", "--encoding", "latin1"},
        {"exportcsv", "caldrin", "demo.mdb", "./demo.mdb"},
        {"importcsv", "trensoly", "demo.mdb"},
        {"importdisc", "caldrin", "demo.mdb", "demo.mdb", "--disc", "3"},
        QStringList{"mklabel"} + label.mid(0, 5),
        QStringList{"mklabel"} + label + QStringList{"--x"},
        {"mklabel", "caldrin", "tape", "demo.mdb", "new.pdf", "夏の午後", "高橋 陽子"},
    };
    ASSERT_EQ(RunTool("mkcatalogue", {"caldrin", "demo.mdb", "--demo"}, dir.path()).code, 0);
    for (const QStringList& mistake : mistakes) {
        SCOPED_TRACE(mistake.join(' ').toStdString());
        const Outcome refused = RunTool(mistake[0], mistake.mid(1), dir.path());
        EXPECT_EQ(refused.code, 1);
        EXPECT_EQ(refused.output, "");
        EXPECT_NE(refused.error, "");
        // The tool's own words only, none of Qt's.
        for (const QString& line : refused.error.split('\n', Qt::SkipEmptyParts))
            EXPECT_TRUE(line.startsWith(mistake[0] + ": ")) << line.toStdString();
        EXPECT_EQ(dir.entryList(QDir::Files), QStringList{"demo.mdb"});
    }
    // "--" is how a file whose name looks like an option is still made.
    EXPECT_EQ(RunTool("mkcatalogue", {"caldrin", "--", "--demo"}, dir.path()).code, 0);
    const Outcome made = RunTool("mklabel", label, dir.path());
    EXPECT_EQ(made.code, 0);
    EXPECT_EQ(made.error, "");
    EXPECT_EQ(dir.entryList(QDir::Files), (QStringList{"--demo", "demo.mdb", "new.pdf"}));
}

TEST(ToolsTest, CsvGoesOutToStandardOutputOrAFileAndABadFileChangesNothing) {
    const CatalogueFolder folder;
    const QDir dir(folder.Path());
    const auto bytes = [&dir](const QString& name) {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    ASSERT_EQ(RunTool("mkcatalogue", {"caldrin", "demo.mdb", "--demo"}, dir.path()).code, 0);
    const Outcome shown = RunTool("exportcsv", {"caldrin", "demo.mdb"}, dir.path());
    EXPECT_EQ(shown.error, "");
    EXPECT_EQ(
        RunTool("exportcsv", {"caldrin", "demo.mdb", "sjis.csv", "--encoding", "cp932"}, dir.path())
            .code,
        0);
    EXPECT_FALSE(bytes("sjis.csv").isValidUtf8());
    // A disk that fills up half way keeps the file as it was.
    const QByteArray exported = bytes("sjis.csv");
    const Outcome full =
        RunTool("exportcsv", {"caldrin", "demo.mdb", "sjis.csv"}, dir.path(), 4096);
    EXPECT_EQ(full.code, 1);
    EXPECT_TRUE(full.error.contains("sjis.csv")) << full.error.toStdString();
    EXPECT_EQ(bytes("sjis.csv"), exported);
    const Outcome made =
        RunTool("mkcatalogue", {"caldrin", "copy.mdb", "--import", "sjis.csv"}, dir.path());
    EXPECT_EQ(made.output, "400 曲を追加しました。\n");
    // The same tracks, whichever way they went out.
    EXPECT_EQ(RunTool("exportcsv", {"caldrin", "copy.mdb"}, dir.path()).output, shown.output);

    // The bad row starts on line 4, after a title with a line break.
    folder.WriteFile("bad.csv", "アーチスト名,アルバム名,曲番,曲名\nA,B,1,\"t\nu\"\nA,B,x,t\n");
    const QByteArray before = bytes("demo.mdb");
    for (const QStringList& args :
         {QStringList{"importcsv", "caldrin", "demo.mdb", "bad.csv"},
          QStringList{"mkcatalogue", "caldrin", "new.mdb", "--import", "bad.csv"}}) {
        const Outcome refused = RunTool(args[0], args.mid(1), dir.path());
        EXPECT_EQ(refused.code, 1);
        EXPECT_EQ(refused.output, "");
        EXPECT_TRUE(refused.error.startsWith("bad.csv:4: 曲番は")) << refused.error.toStdString();
    }
    EXPECT_EQ(bytes("demo.mdb"), before);
    EXPECT_EQ(dir.entryList(QDir::Files | QDir::Hidden),
              QStringList({"bad.csv", "copy.mdb", "demo.mdb", "sjis.csv"}));
}

TEST(ToolsTest, ACatalogueWithTriggersIsRefusedUntouchedAndEveryValueGoesBothWays) {
    const CatalogueFolder folder;
    const QDir dir(folder.Path());
    const QString file = dir.filePath("sent.mdb");
    Shell(file, "PRAGMA journal_mode = WAL; CREATE TABLE データレコード (ID INTEGER PRIMARY KEY "
                "AUTOINCREMENT, アーチスト名, アルバム名, 曲番, 曲名); INSERT INTO データレコード "
                "(アーチスト名, アルバム名, 曲番, 曲名) VALUES ('A', char(65279) || 'B', 1, ''), "
                "('ÉTÉ', 'x', 2, '12\" remix');"
                "CREATE TRIGGER swallow BEFORE INSERT ON データレコード BEGIN "
                "SELECT RAISE(IGNORE); END;");
    folder.WriteFile("more.csv", "アーチスト名,アルバム名,曲番,曲名\nA,B,3,t\n");
    const Outcome refused = RunTool("importcsv", {"caldrin", "sent.mdb", "more.csv"}, dir.path());
    EXPECT_EQ(refused.code, 1);
    EXPECT_EQ(refused.output, "");
    EXPECT_TRUE(refused.error.contains("トリガー「swallow」")) << refused.error.toStdString();
    EXPECT_TRUE(refused.error.contains("sqlite3 sent.mdb 'DROP TRIGGER \"swallow\";'"));

    Shell(file, "DROP TRIGGER swallow");
    const Outcome exported = RunTool("exportcsv", {"caldrin", "sent.mdb", "out.csv"}, dir.path());
    ASSERT_EQ(exported.code, 0) << exported.error.toStdString();
    const Outcome made =
        RunTool("mkcatalogue", {"caldrin", "copy.mdb", "--import", "out.csv"}, dir.path());
    EXPECT_EQ(made.output, "2 曲を追加しました。\n") << made.error.toStdString();
    const QString again = RunTool("exportcsv", {"caldrin", "copy.mdb"}, dir.path()).output;
    QFile out(dir.filePath("out.csv"));
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_EQ(again.toUtf8(), out.readAll());
    EXPECT_TRUE(again.contains(u"A,\uFEFFB,1,\r\n")) << again.toStdString();
}

// A disc's titles go in whole or not at all, filed as the options or the file say, into a
// catalogue the sqlite3 shell made.
TEST(ToolsTest, ImportdiscAddsEveryTrackOfADiscOrListsEveryBadOne) {
    const CatalogueFolder folder;
    const QDir dir(folder.Path());
    Shell(dir.filePath("md.mdb"), "PRAGMA journal_mode = WAL; CREATE TABLE データレコード (ID "
                                  "INTEGER PRIMARY KEY, MD番号, 曲番, 曲名, アーチスト名);");
    folder.WriteFile("disc.xmcd", "# xmcd\nDTITLE=Anna / Tides\nTTITLE0=Low\nTTITLE1=High\n");
    folder.WriteFile("list.txt", "1. Dawn\n2.\n3. Dusk 3:10\n");
    const Outcome noDisc = RunTool("importdisc", {"trensoly", "md.mdb", "disc.xmcd"}, dir.path());
    EXPECT_EQ(noDisc.code, 1);
    EXPECT_TRUE(noDisc.error.contains("--disc")) << noDisc.error.toStdString();
    const Outcome added =
        RunTool("importdisc", {"trensoly", "md.mdb", "disc.xmcd", "--disc", "12"}, dir.path());
    EXPECT_EQ(added.output, "2 曲を追加しました。\n") << added.error.toStdString();
    const Outcome bad =
        RunTool("importdisc", {"trensoly", "md.mdb", "list.txt", "--disc", "13"}, dir.path());
    EXPECT_EQ(bad.code, 1);
    EXPECT_EQ(bad.output, "");
    EXPECT_TRUE(bad.error.contains("list.txt:2: 「曲名」が空です。")) << bad.error.toStdString();
    EXPECT_TRUE(bad.error.contains("list.txt:3: 「アーチスト名」が空です。"));
    EXPECT_EQ(ColumnTexts(*Database::OpenDatabase(dir.filePath("md.mdb")),
                          "SELECT MD番号||'/'||typeof(曲番)||'/'||曲名||'/'||アーチスト名 FROM "
                          "データレコード ORDER BY ID"),
              QStringList({"12/integer/Low/Anna", "12/integer/High/Anna"}));
}

// A schema that deletes the track standing in a new one's way: each tool refuses, and says why.
TEST(ToolsTest, ImportsIntoASchemaThatReplacesOnConflictLoseNoTrack) {
    const CatalogueFolder folder;
    const QDir dir(folder.Path());
    Shell(
        dir.filePath("sent.mdb"),
        "CREATE TABLE データレコード (ID INTEGER PRIMARY KEY, アーチスト名, アルバム名, 曲番, 曲名,"
        " UNIQUE (曲名) ON CONFLICT REPLACE); INSERT INTO データレコード (アーチスト名, アルバム名,"
        " 曲番, 曲名) VALUES ('A', 'B', 1, 'Low'), ('A', 'B', 2, 'High')");
    folder.WriteFile("more.csv", "アーチスト名,アルバム名,曲番,曲名\nC,D,1,New\nC,D,2,Low\n");
    folder.WriteFile("disc.xmcd", "DTITLE=C / D\nTTITLE0=New\nTTITLE1=High\n");
    for (const QStringList& args :
         {QStringList{"importcsv", "caldrin", "sent.mdb", "more.csv"},
          QStringList{"importdisc", "caldrin", "sent.mdb", "disc.xmcd"}}) {
        const Outcome refused = RunTool(args[0], args.mid(1), dir.path());
        EXPECT_EQ(refused.code, 1);
        EXPECT_EQ(refused.output, "");
        EXPECT_TRUE(refused.error.contains("UNIQUE")) << refused.error.toStdString();
    }
    EXPECT_EQ(ColumnTexts(*Database::OpenDatabase(dir.filePath("sent.mdb")),
                          "SELECT 曲名 FROM データレコード ORDER BY ID"),
              QStringList({"Low", "High"}));
}

// Stopped by a signal, an export leaves neither its hidden file nor the workbook's scratch folder;
// one killed outright leaves them to the next run, which removes them.
TEST(ToolsTest, AnExportStoppedOrKilledLeavesNothingBehindForLong) {
    const CatalogueFolder folder;
    const QDir dir(folder.Path());
    ASSERT_TRUE(dir.mkdir("scratch"));
    ASSERT_EQ(RunTool("mkcatalogue", {"caldrin", "big.mdb", "--tracks", "300000"}, dir.path()).code,
              0);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", dir.filePath("scratch"));
    const auto files = [&] {
        return dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot) +
               QDir(dir.filePath("scratch")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    };
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        QProcess run;
        run.setProcessEnvironment(env);
        run.setWorkingDirectory(dir.path());
        run.start(QCoreApplication::applicationDirPath() + "/../tools/exportcsv",
                  {"caldrin", "big.mdb", "out.xlsx"});
        ASSERT_TRUE(run.waitForStarted());
        QThread::msleep(400);
        ::kill(pid_t(run.processId()), signal);
        ASSERT_TRUE(run.waitForFinished(60000));
        EXPECT_EQ(run.exitCode(), 128 + signal) << run.readAllStandardError().toStdString();
        EXPECT_EQ(files(), QStringList({"big.mdb", "scratch"}));
    }
    folder.WriteFile(".out.xlsx.mdcat-save-Ab12Cd", "killed half way");
    ASSERT_TRUE(dir.mkpath("scratch/mdcat-workbook-999999999-Ab12Cd"));
    folder.WriteFile("scratch/mdcat-workbook-999999999-Ab12Cd/tracks.xlsx", "killed half way");
    QProcess run;
    run.setProcessEnvironment(env);
    run.setWorkingDirectory(dir.path());
    run.start(QCoreApplication::applicationDirPath() + "/../tools/exportcsv",
              {"caldrin", "big.mdb", "out.xlsx"});
    ASSERT_TRUE(run.waitForFinished(60000));
    EXPECT_EQ(run.exitCode(), 0);
    EXPECT_EQ(files(), QStringList({"big.mdb", "out.xlsx", "scratch"}));

    // Refused, a cell too long for a workbook is named by its place and length, not shown.
    Shell(dir.filePath("long.mdb"),
          "CREATE TABLE データレコード (ID INTEGER PRIMARY KEY, "
          "アーチスト名, アルバム名, 曲番, 曲名); INSERT INTO データレコード "
          "VALUES (1, 'A', 'B', 1, printf('%.*c', 10000000, 'x'))");
    const Outcome refused = RunTool("exportcsv", {"caldrin", "long.mdb", "long.xlsx"}, dir.path());
    EXPECT_EQ(refused.code, 1);
    EXPECT_LT(refused.error.size(), 1000);
    EXPECT_TRUE(refused.error.contains("セル D2") && refused.error.contains("10,000,000 文字"))
        << refused.error.left(1000).toStdString();
}

// Track numbers no double holds exactly, through CSV and through a workbook.
TEST(ToolsTest, EveryNumberGoesOutAndComesBackExactly) {
    const CatalogueFolder folder;
    const QDir dir(folder.Path());
    Shell(dir.filePath("sent.mdb"),
          "CREATE TABLE データレコード (ID INTEGER PRIMARY KEY, アーチスト名, アルバム名, 曲番, "
          "曲名);"
          "INSERT INTO データレコード (アーチスト名, アルバム名, 曲番, 曲名) VALUES "
          "('A', 'B', 9007199254740993, 'a'), ('A', 'B', 0.30000000000000004, 'b'), "
          "('A', 'B', -9223372036854775808, 'c'), ('A', 'B', 1.2345678901234567e-300, 'd')");
    const auto numbers = [&](const QString& name) {
        return ColumnTexts(*Database::OpenDatabase(dir.filePath(name)),
                           "SELECT quote(曲番) FROM データレコード ORDER BY ID");
    };
    const QString sent = RunTool("exportcsv", {"caldrin", "sent.mdb"}, dir.path()).output;
    EXPECT_TRUE(sent.contains(",0.30000000000000004,")) << sent.toStdString();
    for (const QString out : {"out.csv", "out.xlsx"}) {
        SCOPED_TRACE(out.toStdString());
        ASSERT_EQ(RunTool("exportcsv", {"caldrin", "sent.mdb", out}, dir.path()).code, 0);
        const QString back = "back-" + out + ".mdb";
        EXPECT_EQ(RunTool("mkcatalogue", {"caldrin", back, "--import", out}, dir.path()).output,
                  "4 曲を追加しました。\n");
        EXPECT_EQ(numbers(back), numbers("sent.mdb"));
        EXPECT_EQ(RunTool("exportcsv", {"caldrin", back}, dir.path()).output, sent);
    }
}

// LibreOffice opens the workbook and saves it again, as a user with a spreadsheet does.
static void SaveAgainInLibreOffice(const QDir& dir, const QString& name) {
    QProcess office;
    office.start("soffice",
                 {"-env:UserInstallation=file://" + dir.filePath("profile"), "--headless",
                  "--convert-to", "xlsx", "--outdir", dir.filePath("saved"), dir.filePath(name)});
    ASSERT_TRUE(office.waitForFinished(180000)) << office.errorString().toStdString();
    ASSERT_EQ(office.exitCode(), 0) << office.readAllStandardError().toStdString();
}

TEST(ToolsTest, AWorkbookComesBackFromASpreadsheetWithEveryValueAsItWas) {
    const CatalogueFolder folder;
    const QDir dir(folder.Path());
    Shell(dir.filePath("sent.mdb"),
          "CREATE TABLE データレコード (ID INTEGER PRIMARY KEY, MD番号, 曲番, 曲名, アーチスト名);"
          "INSERT INTO データレコード (MD番号, 曲番, 曲名, アーチスト名) VALUES "
          "('007', 1, '=SUM(1;2)', '1e3'), ('0x10', 2, '  間 ' || char(9) || ' ', '+81'), "
          "('2024-01-02', 2.5, 'a' || char(1) || '_x0041_', 'TRUE'), ('1/2', 3, '', '');");
    ASSERT_EQ(RunTool("exportcsv", {"trensoly", "sent.mdb", "sent.xlsx"}, dir.path()).code, 0);
    SaveAgainInLibreOffice(dir, "sent.xlsx");
    const Outcome made =
        RunTool("mkcatalogue", {"trensoly", "back.mdb", "--import", "saved/sent.xlsx"}, dir.path());
    EXPECT_EQ(made.output, "4 曲を追加しました。\n") << made.error.toStdString();
    const QString sent = RunTool("exportcsv", {"trensoly", "sent.mdb"}, dir.path()).output;
    EXPECT_EQ(RunTool("exportcsv", {"trensoly", "back.mdb"}, dir.path()).output, sent);
    EXPECT_EQ(ColumnTexts(*Database::OpenDatabase(dir.filePath("back.mdb")),
                          "SELECT typeof(曲番) FROM データレコード ORDER BY ID"),
              QStringList({"integer", "integer", "real", "integer"}));

    // A workbook cut short is refused whole.
    QFile cut(dir.filePath("saved/sent.xlsx"));
    ASSERT_TRUE(cut.resize(cut.size() / 2));
    const Outcome refused =
        RunTool("importcsv", {"trensoly", "back.mdb", "saved/sent.xlsx"}, dir.path());
    EXPECT_EQ(refused.code, 1);
    EXPECT_TRUE(refused.error.contains("Excel ブック (.xlsx) として読めません"));
}

// However a long import is stopped, nothing is left under the catalogue's name, and the next try
// goes through.
TEST(ToolsTest, AnInterruptedImportLeavesNoCatalogue) {
    const CatalogueFolder folder;
    const QDir dir(folder.Path());
    QByteArray csv = "アーチスト名,アルバム名,曲番,曲名\n";
    for (int row = 0; row < 300000; ++row)
        csv += "Artist " + QByteArray::number(row % 97) + ",Album,1,Title\n";
    folder.WriteFile("big.csv", csv);
    const QString tool = QCoreApplication::applicationDirPath() + "/../tools/mkcatalogue";
    for (const int signal : {SIGINT, SIGTERM, SIGKILL}) {
        SCOPED_TRACE(signal);
        QProcess run;
        run.setWorkingDirectory(dir.path());
        run.start(tool, {"caldrin", "new.mdb", "--import", "big.csv"});
        ASSERT_TRUE(run.waitForStarted());
        QThread::msleep(300);
        ::kill(pid_t(run.processId()), signal);
        ASSERT_TRUE(run.waitForFinished(60000));
        if (run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0) {
            ADD_FAILURE() << "finished before it was stopped; nothing was tested";
            QFile::remove(dir.filePath("new.mdb"));
            continue;
        }
        // Only a kill leaves the hidden temporary behind: nothing could run to remove it.
        const auto files = signal == SIGKILL ? QDir::Files : QDir::Files | QDir::Hidden;
        EXPECT_EQ(dir.entryList(files), QStringList{"big.csv"});
    }
    EXPECT_EQ(
        RunTool("mkcatalogue", {"caldrin", "new.mdb", "--import", "big.csv"}, dir.path()).output,
        "300000 曲を追加しました。\n");
}
