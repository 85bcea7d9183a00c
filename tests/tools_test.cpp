#include "democatalogue.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <gtest/gtest.h>

namespace {

struct Outcome {
    int code;
    QString output, error;
};

// Runs a tool from the build tree in a folder, with Qt asked to log everything it can.
Outcome RunTool(const QString& tool, const QStringList& args, const QString& folder = {}) {
    QProcess process;
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

TEST(ToolsTest, HelpAndVersionGoToStandardOutput) {
    for (const QString tool : {"mkcatalogue", "mklabel"}) {
        for (const QString option : {"--help", "-h"}) {
            const Outcome help = RunTool(tool, {option});
            EXPECT_EQ(help.code, 0);
            EXPECT_TRUE(help.output.startsWith("使い方: " + tool)) << help.output.toStdString();
            EXPECT_EQ(help.error, "");
        }
        const Outcome version = RunTool(tool, {"--version"});
        EXPECT_EQ(version.code, 0);
        EXPECT_EQ(version.output, tool + " " MDCAT_VERSION "\n");
        EXPECT_EQ(version.error, "");
    }
}

TEST(ToolsTest, OptionsAreNeverFileNamesAndMistakesAreRefused) {
    CatalogueFolder folder;
    const QDir dir(folder.Path());
    const Outcome demo = RunTool("mkcatalogue", {"caldrin", "demo.mdb", "--demo"}, dir.path());
    ASSERT_EQ(demo.code, 0) << demo.error.toStdString();
    EXPECT_EQ(demo.error, "");
    const auto db = Database::OpenDatabase(dir.filePath("demo.mdb"), Database::Access::ReadOnly);
    EXPECT_EQ(ColumnTexts(*db, "SELECT COUNT(*) FROM データレコード"),
              QStringList{QString::number(democatalogue::kDemoTracks)});

    const QList<QStringList> mistakes = {
        {"mkcatalogue", "caldrin", "--demo"},
        {"mkcatalogue", "caldrin", "new.mdb", "--bogus"},
        {"mkcatalogue", "caldrin", "new.mdb", "-demo", "--tracks", "3"},
        {"mkcatalogue", "caldrin", "new.mdb", "--tracks", "-3"},
        {"mkcatalogue", "album", "new.mdb"},
        {"mklabel", "caldrin", "md", "demo.mdb", "new.pdf", "夏の午後"},
        {"mklabel", "caldrin", "md", "demo.mdb", "new.pdf", "夏の午後", "高橋 陽子", "--x"},
        {"mklabel", "caldrin", "tape", "demo.mdb", "new.pdf", "夏の午後", "高橋 陽子"},
        {"mklabel", "caldrin", "md", "demo.mdb", "new.pdf", "夏の午後", "誰もいない"},
    };
    for (const QStringList& mistake : mistakes) {
        SCOPED_TRACE(mistake.join(' ').toStdString());
        const Outcome refused = RunTool(mistake[0], mistake.mid(1), dir.path());
        EXPECT_EQ(refused.code, 1);
        EXPECT_EQ(refused.output, "");
        // The tool's own words only, none of Qt's.
        const QStringList lines = refused.error.split('\n', Qt::SkipEmptyParts);
        EXPECT_FALSE(lines.isEmpty());
        for (const QString& line : lines)
            EXPECT_TRUE(line.startsWith(mistake[0] + ": ")) << line.toStdString();
        EXPECT_EQ(dir.entryList(QDir::Files), QStringList{"demo.mdb"});
    }

    // "--" is how a file whose name looks like an option is still made.
    EXPECT_EQ(RunTool("mkcatalogue", {"caldrin", "--", "--demo"}, dir.path()).code, 0);
    const Outcome label = RunTool(
        "mklabel", {"caldrin", "md", "demo.mdb", "label.pdf", "夏の午後", "高橋 陽子"}, dir.path());
    EXPECT_EQ(label.code, 0);
    EXPECT_EQ(label.error, "");
    EXPECT_EQ(dir.entryList(QDir::Files), (QStringList{"--demo", "demo.mdb", "label.pdf"}));
}

} // namespace
