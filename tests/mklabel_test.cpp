#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>

namespace {

struct Outcome {
    int code;
    QString output, error;
};

Outcome Start(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {-1, {}, "did not finish: " + process.errorString()};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

Outcome Mklabel(const QStringList& args) {
    return Start(QCoreApplication::applicationDirPath() + "/../tools/mklabel", args);
}

// The poppler tools are a declared dependency of the tests; without them nothing is checked.
QString Poppler(const QString& tool) {
    const QString path = QStandardPaths::findExecutable(tool);
    if (path.isEmpty())
        ADD_FAILURE() << tool.toStdString() << " is not on the PATH; install poppler-utils";
    return path;
}

class MklabelTest : public testing::Test {
protected:
    void SetUp() override {
        folder.CreateEmpty();
        auto db = folder.Open();
        // Entered from the last track to the first, so only the query can put them in order.
        for (int n = 30; n >= 1; --n) {
            const QString nn = QString::number(n).rightJustified(2, '0');
            const QString title = n % 3 == 0   ? "夜明けの歌 第" + nn + "番"
                                  : n % 3 == 1 ? "ｶｾｯﾄﾃｰﾌﾟ ﾅﾝﾊﾞｰ" + nn
                                               : "Blue Moon Take " + nn;
            titles.prepend(title);
            AddAlbumTrack(*db, "ミドリ Quartet", "夏の記憶", n, title);
        }
        AddAlbumTrack(*db, "別のアーチスト", "夏の記憶", 1, "Not on this label");
    }

    QString Out(const QString& name) const { return folder.Path() + "/" + name; }

    CatalogueFolder folder;
    QStringList titles;
};

TEST_F(MklabelTest, PdfHoldsEveryTrackInOrderWithEmbeddedFonts) {
    const QString pdftotext = Poppler("pdftotext"), pdffonts = Poppler("pdffonts");
    ASSERT_FALSE(pdftotext.isEmpty() || pdffonts.isEmpty());
    for (const QString label : {"md", "cassette"}) {
        SCOPED_TRACE(label.toStdString());
        const QString pdf = Out(label + ".pdf");
        const Outcome made =
            Mklabel({"caldrin", label, folder.File(), pdf, "夏の記憶", "ミドリ Quartet"});
        ASSERT_EQ(made.code, 0) << made.error.toStdString();

        const Outcome text = Start(pdftotext, {"-layout", pdf, "-"});
        ASSERT_EQ(text.code, 0) << text.error.toStdString();
        // Proportional glyphs leave gaps of varying width between words.
        const QString flat = text.output.simplified();
        qsizetype at = flat.indexOf("夏の記憶");
        EXPECT_GE(at, 0) << flat.toStdString();
        EXPECT_GT(flat.indexOf("ミドリ Quartet"), at);
        for (const QString& title : titles) {
            const qsizetype next = flat.indexOf(title, at);
            EXPECT_GT(next, at) << title.toStdString() << " in\n" << flat.toStdString();
            at = std::max(at, next);
        }
        EXPECT_FALSE(flat.contains("Not on this label"));

        const Outcome fonts = Start(pdffonts, {pdf});
        ASSERT_EQ(fonts.code, 0) << fonts.error.toStdString();
        const QStringList rows = fonts.output.split('\n', Qt::SkipEmptyParts).mid(2);
        ASSERT_FALSE(rows.isEmpty()) << fonts.output.toStdString();
        for (const QString& row : rows) {
            // name type... encoding emb sub uni object generation
            const QStringList cells = row.split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
            ASSERT_GE(cells.size(), 8) << row.toStdString();
            EXPECT_EQ(cells[cells.size() - 5], "yes") << row.toStdString();
            EXPECT_TRUE(cells[0].contains("IPAPMincho")) << row.toStdString();
        }
    }
}

TEST_F(MklabelTest, NothingToPrintOrNoCatalogueFailsWithoutWritingAFile) {
    const QString pdf = Out("none.pdf");
    const Outcome empty = Mklabel({"caldrin", "md", folder.File(), pdf, "夏の記憶", "誰もいない"});
    EXPECT_NE(empty.code, 0);
    EXPECT_FALSE(empty.error.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(pdf));

    const QString missing = Out("nowhere/caldrin.mdb");
    const Outcome gone =
        Mklabel({"caldrin", "cassette", missing, pdf, "夏の記憶", "ミドリ Quartet"});
    EXPECT_NE(gone.code, 0);
    EXPECT_TRUE(gone.error.contains(missing)) << gone.error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(pdf));
}

TEST_F(MklabelTest, AFullDiskKeepsTheOldPdfAndLeavesNoTemporary) {
    const QStringList args = {"caldrin",     "md",       folder.File(),
                              Out("md.pdf"), "夏の記憶", "ミドリ Quartet"};
    ASSERT_EQ(Mklabel(args).code, 0);
    ASSERT_TRUE(QFile::copy(args[3], Out("good.pdf")));
    const QStringList files = QDir(folder.Path()).entryList();
    // Writes past 1 KiB fail with EFBIG, as on a disk that has filled up.
    const Outcome full =
        Start("bash", QStringList{"-c", "trap '' XFSZ; ulimit -f 1; exec \"$@\"", "-",
                                  QCoreApplication::applicationDirPath() + "/../tools/mklabel"} +
                          args);
    EXPECT_NE(full.code, 0);
    EXPECT_TRUE(full.error.contains(args[3]) && full.error.contains(strerror(EFBIG)))
        << full.error.toStdString();
    EXPECT_EQ(Start("cmp", {args[3], Out("good.pdf")}).code, 0);
    EXPECT_EQ(QDir(folder.Path()).entryList(), files);
}

} // namespace
