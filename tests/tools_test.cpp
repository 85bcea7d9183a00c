#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <gtest/gtest.h>

struct Outcome {
    int code;
    QString output, error;
};

// Runs a tool from the build tree in a folder, with Qt asked to log everything it can.
static Outcome RunTool(const QString& tool, const QStringList& args, const QString& folder = {}) {
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

TEST(ToolsTest, HelpAndVersionOnStandardOutputOptionsNeverFileNamesMistakesRefused) {
    for (const QString tool : {"mkcatalogue", "mklabel"}) {
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
