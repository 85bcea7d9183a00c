#include "calibration.h"
#include "pagerenderer.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
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

// A word of pdftotext's layout, its box in points from the sheet's top-left corner.
QMultiMap<QString, QRectF> Words(const QString& pdf) {
    const Outcome out = Start(Poppler("pdftotext"), {"-bbox", pdf, "-"});
    static const QRegularExpression word(
        R"re(xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]+)<)re");
    QMultiMap<QString, QRectF> words;
    for (auto it = word.globalMatch(out.output); it.hasNext();) {
        const auto m = it.next();
        const QPointF from(m.captured(1).toDouble(), m.captured(2).toDouble());
        words.insert(m.captured(5),
                     QRectF(from, QPointF(m.captured(3).toDouble(), m.captured(4).toDouble())));
    }
    return words;
}

QString Info(const QString& pdf) {
    return Start(Poppler("pdfinfo"), {pdf}).output;
}

// The darkest grey, 0 black to 255 white, in an area of the first page given in points.
int Darkest(const QString& pdf, const QRectF& points) {
    constexpr double kDpi = 144;
    const QRect px = QTransform::fromScale(kDpi / 72, kDpi / 72).mapRect(points).toRect();
    const QString out = pdf + "-area";
    Start(Poppler("pdftoppm"),
          {"-gray", "-r", QString::number(kDpi), "-singlefile", "-x", QString::number(px.x()), "-y",
           QString::number(px.y()), "-W", QString::number(px.width()), "-H",
           QString::number(px.height()), pdf, out});
    const QImage image(out + ".pgm");
    int darkest = image.isNull() ? -1 : 255;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            darkest = std::min(darkest, qGray(image.pixel(x, y)));
    return darkest;
}

TEST_F(MklabelTest, CalibrationMovesAndScalesTheLabelOnTheChosenPaper) {
    const QStringList label = {"caldrin", "md", folder.File(), "", "夏の記憶", "ミドリ Quartet"};
    const auto make = [&](const QString& name, const QStringList& options) {
        QStringList args = label;
        args[3] = Out(name);
        const Outcome made = Mklabel(args + options);
        EXPECT_EQ(made.code, 0) << made.error.toStdString();
        return Words(args[3]).value("第03番");
    };
    const QRectF plain = make("plain.pdf", {});
    ASSERT_FALSE(plain.isNull());
    const QRectF unguided = make("unguided.pdf", {"--no-guides"});
    EXPECT_EQ(unguided, plain);
    // Left of the label's top-left corner, where only the horizontal cut guide is drawn.
    const auto definition = report::LabelDefinition(Program::Caldrin, report::Label::Md);
    const QPointF corner =
        report::SheetTransform({}).map(
            QPointF(definition.margins.left.InTwips(), definition.margins.top.InTwips())) /
        20;
    const double mm = 72 / 25.4;
    const QRectF guide(corner.x() - 6.5 * mm, corner.y() - mm, 4 * mm, 2 * mm);
    EXPECT_LT(Darkest(Out("plain.pdf"), guide), 230);
    EXPECT_EQ(Darkest(Out("unguided.pdf"), guide), 255);
    // The guide stops 2 mm short of the corner, so a cut along it leaves no mark on the label.
    const QRectF gap(corner.x() - 1.7 * mm, corner.y() - 0.5 * mm, 1.4 * mm, mm);
    EXPECT_EQ(Darkest(Out("plain.pdf"), gap), 255);

    // What the user saved in the preview is what the tool uses, unless told otherwise.
    ASSERT_EQ(
        report::SaveCalibration({Distance::Millimetres(5), Distance::Millimetres(-3), 100, true}),
        "");
    const QRectF moved = make("moved.pdf", {});
    EXPECT_NEAR(moved.left() - plain.left(), 5 * mm, 0.2);
    EXPECT_NEAR(moved.top() - plain.top(), -3 * mm, 0.2);
    const QRectF scaled =
        make("scaled.pdf", {"--offset-x", "0", "--offset-y=0", "--scale", "110", "--paper", "a5"});
    EXPECT_NEAR(scaled.left(), plain.left() * 1.1, 0.2);
    EXPECT_NEAR(scaled.top(), plain.top() * 1.1, 0.2);
    EXPECT_NEAR(scaled.width(), plain.width() * 1.1, 0.2);
    const QString info = Info(Out("scaled.pdf"));
    EXPECT_TRUE(info.contains("(A5)")) << info.toStdString();
    EXPECT_TRUE(info.contains(QRegularExpression("Title: +夏の記憶 MD ラベル\n")));
    EXPECT_TRUE(info.contains(QRegularExpression("Creator: +caldrin\n")));
    make("b5.pdf", {"--paper", "B5"});
    // The JIS size (182 x 257 mm), not the ISO one (176 x 250 mm).
    EXPECT_TRUE(Info(Out("b5.pdf")).contains("516 x 729 pts"));
    report::SaveCalibration({});
    // A hand-edited settings file cannot move the label off the paper.
    {
        QSettings edited(QSettings::NativeFormat, QSettings::UserScope, "mdcatalogue", "labels");
        edited.setValue("calibration/scalePercent", 500);
        edited.setValue("calibration/offsetXMm", 99);
        edited.setValue("calibration/offsetYMm", -99);
    }
    const report::Calibration clamped = report::SavedCalibration();
    EXPECT_EQ(clamped.scalePercent, 110);
    EXPECT_EQ(clamped.offsetX.InMillimetres(), 20);
    EXPECT_EQ(clamped.offsetY.InMillimetres(), -20);
    report::SaveCalibration({});

    for (const QStringList& wrong :
         {QStringList{"--offset-x", "20.5"}, {"--scale", "8O"}, {"--paper", "A3"}}) {
        QStringList args = label;
        args[3] = Out("wrong.pdf");
        const Outcome refused = Mklabel(args + wrong);
        EXPECT_EQ(refused.code, 1);
        EXPECT_TRUE(refused.error.contains(wrong[1])) << refused.error.toStdString();
        EXPECT_FALSE(QFileInfo::exists(args[3]));
    }
}

TEST_F(MklabelTest, TheCalibrationPagesRulersMeasureFromTheSheetsEdges) {
    const QString pdf = Out("calibration.pdf");
    const Outcome made =
        Mklabel({"trensoly", "cassette", "--calibration-page", pdf, "--paper", "Letter"});
    ASSERT_EQ(made.code, 0) << made.error.toStdString();
    EXPECT_TRUE(Info(pdf).contains("(letter)")) << Info(pdf).toStdString();
    const auto words = Words(pdf);
    const double mm = 72 / 25.4;
    for (int at = 20; at <= 200; at += 30) {
        SCOPED_TRACE(at);
        // The rulers lie in the 20 mm along the edges; the instructions say "20" too.
        const QList<QRectF> numbers = words.values(QString::number(at));
        const auto top = std::find_if(numbers.begin(), numbers.end(),
                                      [&](const QRectF& box) { return box.bottom() < 20 * mm; });
        const auto left = std::find_if(numbers.begin(), numbers.end(),
                                       [&](const QRectF& box) { return box.right() < 20 * mm; });
        ASSERT_TRUE(top != numbers.end() && left != numbers.end());
        EXPECT_NEAR(top->center().x(), at * mm, 0.3);
        // Text centred on a tick sits a little above it: its descent is below the baseline.
        EXPECT_NEAR(left->center().y(), at * mm, 0.6);
    }
}

} // namespace

// Long discs fit their case with --fit, both labels of both programs; where a label fits, or
// without --fit, it is laid out as it always was. Long names end within their place.
TEST_F(MklabelTest, FitSetsEveryTrackOfALongDiscWithinItsCase) {
    const QString name = "とても長いアルバムの名前がいつまでも続いて隣の欄に入り込む";
    const CatalogueFolder shell;
    QProcess sqlite;
    sqlite.start("sqlite3",
                 {shell.Path() + "/discs.mdb",
                  "CREATE TABLE データレコード (ID INTEGER PRIMARY KEY, MD番号, アルバム名, "
                  "アーチスト名, 曲番, 曲名); WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT "
                  "i + 1 FROM n WHERE i < 120) INSERT INTO データレコード (MD番号, アルバム名, "
                  "アーチスト名, 曲番, 曲名) SELECT CAST(d AS TEXT), d || '" +
                      name +
                      "', 'Anna', i, "
                      "'T' || i "
                      "FROM n, (SELECT 8 AS d UNION SELECT 24 UNION SELECT 60 UNION SELECT 120) "
                      "WHERE i <= d"});
    ASSERT_TRUE(sqlite.waitForFinished());
    ASSERT_EQ(sqlite.exitCode(), 0) << sqlite.readAllStandardError().toStdString();
    const double mm = 72 / 25.4;
    for (const Program program : {Program::Caldrin, Program::Trensoly})
        for (const report::Label label : {report::Label::Md, report::Label::Cassette})
            for (const int tracks : {8, 24, 60, 120}) {
                const QString kind = label == report::Label::Md ? "md" : "cassette";
                const QString disc = QString::number(tracks);
                SCOPED_TRACE((kind + " " + disc).toStdString());
                QStringList args = {tracktable::ProgramName(program), kind,
                                    shell.Path() + "/discs.mdb", ""};
                args << (program == Program::Caldrin ? QStringList{disc + name, "Anna"}
                                                     : QStringList{disc});
                const auto words = [&](const QString& pdf, const QStringList& options) {
                    args[3] = Out(pdf);
                    const Outcome made = Mklabel(args + options);
                    EXPECT_EQ(made.code, 0) << made.error.toStdString();
                    return Words(args[3]);
                };
                const auto plain = words("plain.pdf", {}), fitted = words("fit.pdf", {"--fit"});
                const auto definition = report::LabelDefinition(program, label);
                const double top = report::SheetTransform({})
                                       .map(QPointF(0, definition.margins.top.InTwips()))
                                       .y() /
                                   20;
                const double bottom = top + (label == report::Label::Md ? 70 : 65) * mm;
                const auto lowest = [](const QMultiMap<QString, QRectF>& all) {
                    double y = 0;
                    for (const QRectF& box : all)
                        y = std::max(y, box.bottom());
                    return y;
                };
                // The last track, its number and title one word where they touch.
                EXPECT_FALSE(plain.keys().filter("T" + disc).isEmpty());
                EXPECT_FALSE(fitted.keys().filter("T" + disc).isEmpty());
                EXPECT_LE(lowest(fitted), bottom);
                // However many tracks, no line is set smaller than 5 pt: more columns instead.
                for (const QRectF& box : fitted)
                    EXPECT_GE(box.height(), 5 * 0.9);
                if (tracks == 8)
                    EXPECT_EQ(fitted, plain);
                else
                    EXPECT_GT(lowest(plain), bottom);
                if (program == Program::Caldrin) {
                    // The album ends in "…" before the artist's place, where the artist stands
                    // whole; pdftotext makes one word of the two when they touch. A label too
                    // long for its sheet is headed on every page.
                    const QStringList cut = plain.keys().filter("…");
                    ASSERT_FALSE(cut.isEmpty());
                    EXPECT_TRUE(cut[0].endsWith("…Anna") ||
                                (cut[0].endsWith("…") && plain.contains("Anna")))
                        << cut[0].toStdString();
                    const double end = report::SheetTransform({})
                                           .map(QPointF((definition.margins.left +
                                                         definition.pageHeader.fields[0].width)
                                                            .InTwips(),
                                                        0))
                                           .x() /
                                       20;
                    if (cut[0].endsWith("…"))
                        EXPECT_LE(plain.value(cut[0]).right(), end + 0.5);
                }
            }
}

// A title or name longer than its place ends in "…" within it on every label, fitted or not: none
// is cut mid-letter with the rest of it in the file under the clip.
TEST_F(MklabelTest, EveryTextLongerThanItsPlaceEndsInAnEllipsisWithinIt) {
    const QString title = "Longtitle" + QString(80, 'x') + "END";
    const CatalogueFolder shell;
    QProcess sqlite;
    sqlite.start("sqlite3", {shell.Path() + "/discs.mdb",
                             "CREATE TABLE データレコード (ID INTEGER PRIMARY KEY, MD番号, "
                             "アルバム名, アーチスト名, 曲番, 曲名); INSERT INTO データレコード "
                             "(MD番号, アルバム名, アーチスト名, 曲番, 曲名) VALUES ('7', 'Album', "
                             "'Anna', 1, 'Short'), ('7', 'Album', 'Anna', 2, '" +
                                 title + "')"});
    ASSERT_TRUE(sqlite.waitForFinished());
    ASSERT_EQ(sqlite.exitCode(), 0) << sqlite.readAllStandardError().toStdString();
    for (const Program program : {Program::Caldrin, Program::Trensoly})
        for (const report::Label label : {report::Label::Md, report::Label::Cassette})
            for (const QStringList& options : {QStringList{}, QStringList{"--fit"}}) {
                const QString kind = label == report::Label::Md ? "md" : "cassette";
                SCOPED_TRACE(
                    (tracktable::ProgramName(program) + " " + kind + " " + options.join(""))
                        .toStdString());
                QStringList args = {tracktable::ProgramName(program), kind,
                                    shell.Path() + "/discs.mdb", Out("long.pdf")};
                args << (program == Program::Caldrin ? QStringList{"Album", "Anna"}
                                                     : QStringList{"7"});
                const Outcome made = Mklabel(args + options);
                ASSERT_EQ(made.code, 0) << made.error.toStdString();
                const auto words = Words(Out("long.pdf"));
                EXPECT_TRUE(words.keys().filter("END").isEmpty());
                const QStringList cut = words.keys().filter(QRegularExpression("Longtitle.*…$"));
                ASSERT_EQ(cut.size(), 1) << words.keys().join(" ").toStdString();
                const auto definition = report::LabelDefinition(program, label);
                const auto field = std::find_if(
                    definition.detail.fields.begin(), definition.detail.fields.end(),
                    [](const report::TextField& field) { return field.column == "曲名"; });
                ASSERT_NE(field, definition.detail.fields.end());
                const double end =
                    report::SheetTransform({})
                        .map(QPointF(
                            (definition.margins.left + field->left + field->width).InTwips(), 0))
                        .x() /
                    20;
                EXPECT_LE(words.value(cut[0]).right(), end + 0.5);
            }
}
