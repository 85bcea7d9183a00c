#include "labelprint.h"
#include "recordset.h"
#include "statements.h"
#include "testsupport.h"

#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <optional>

// Readable boxes and lines in failure messages.
inline void PrintTo(const QRectF& box, std::ostream* out) {
    *out << '(' << box.x() << ", " << box.y() << ' ' << box.width() << 'x' << box.height() << ')';
}
inline void PrintTo(const QLineF& line, std::ostream* out) {
    *out << '(' << line.x1() << ", " << line.y1() << ")-(" << line.x2() << ", " << line.y2() << ')';
}

namespace {

using report::Label;

// An A4 sheet less the band kept clear along its top and bottom edges.
constexpr double kPaperHeight = 16838 - 2 * report::kSheetInset.InTwips();
constexpr double kBottomMargin = 1440;

struct ExpectedText {
    const char* field;
    int nth;
    QRectF box;
    const char* text;
    double points;
    Qt::Alignment align;
    bool bold = false;
};

struct ExpectedLine {
    const char* name;
    int nth;
    QLineF line;
    bool dashed = false;
};

// Twips of the label design, measured from the sheet's corner: the band's own position plus the
// left margin and the top of the band on the page.
struct Design {
    const char* title;
    Program program;
    Label label;
    double top, header, detail, footer;
    const char *groupField, *titleField;
    int texts, lines;
};

struct LabelCase : Design {
    std::vector<ExpectedText> expectedTexts;
    std::vector<ExpectedLine> expectedLines;
};

constexpr auto L = Qt::AlignLeft, R = Qt::AlignRight, C = Qt::AlignHCenter;

const std::vector<LabelCase> kLabels = {
    {{"caldrin MD", Program::Caldrin, Label::Md, 200, 360, 165, 360, "Field1", "Field4", 8, 5},
     {{"Field1", 0, {80, 200, 2409, 283}, "風の谷", 10, L},
      {"Field2", 0, {2489, 200, 1418, 283}, "久石譲", 10, L},
      {"Field3", 0, {80, 560, 283, 283}, "1.5", 8, R},
      {"Field4", 0, {505, 560, 3402, 283}, "ｶﾞﾗｽの少年", 8, L},
      {"Field4", 1, {505, 725, 3402, 283}, "海辺の町", 8, L},
      {"Field3", 2, {80, 890, 283, 283}, "7", 8, R}},
     {{"Line1", 0, {4010, 230, 4010, 250}},
      {"Line4", 0, {180, 483, 3880, 483}},
      {"Line2", 0, {4010, 605, 4010, 620}},
      {"Line2", 1, {4010, 770, 4010, 785}}}},
    {{"caldrin cassette", Program::Caldrin, Label::Cassette, 150, 515, 225, 360, "Field1", "Field4",
      8, 8},
     {{"Field1", 0, {200, 150, 2976, 283}, "風の谷", 12, L},
      {"Field2", 0, {3176, 150, 2268, 283}, "久石譲", 12, L},
      {"Field3", 0, {200, 665, 283, 283}, "1.5", 9, R},
      {"Field4", 0, {625, 665, 4394, 283}, "ｶﾞﾗｽの少年", 9, L},
      {"Field4", 1, {625, 890, 4394, 283}, "海辺の町", 9, L},
      {"Field3", 2, {200, 1115, 283, 283}, "7", 9, R}},
     {{"Line3", 0, {5728, 290, 5728, 310}},
      {"Line5", 0, {300, 590, 5586, 590}},
      {"Line2", 0, {300, 880, 5586, 880}, true},
      {"Line4", 0, {5728, 795, 5728, 807}},
      {"Line2", 1, {300, 1105, 5586, 1105}, true},
      {"Line4", 1, {5728, 1020, 5728, 1032}}}},
    {{"trensoly MD", Program::Trensoly, Label::Md, 300, 435, 180, 300, "Field4", "Field2", 10, 5},
     {{"Field4", 0, {1505, 345, 1545, 255}, "MD-042", 12, C, true},
      {"Field1", 0, {80, 735, 283, 200}, "1.5", 8, R},
      {"Field2", 0, {365, 735, 2085, 195}, "ｶﾞﾗｽの少年", 8, L},
      {"Field3", 0, {2465, 750, 1500, 195}, "ｻｻﾞﾝ", 8, L},
      {"Field2", 1, {365, 915, 2085, 195}, "海辺の町", 8, L},
      {"Field1", 2, {80, 1095, 283, 200}, "7", 8, R},
      {"Field3", 2, {2465, 1110, 1500, 195}, "Queen", 8, L}},
     {{"Line3", 0, {4010, 330, 4010, 350}},
      {"Line4", 0, {290, 705, 3760, 705}},
      {"Line2", 0, {4010, 780, 4010, 795}},
      {"Line2", 1, {4010, 960, 4010, 975}}}},
    {{"trensoly cassette", Program::Trensoly, Label::Cassette, 150, 405, 225, 435, "Field4",
      "Field2", 10, 8},
     {{"Field4", 0, {1476, 150, 2976, 283}, "MD-042", 16, C, true},
      {"Field1", 0, {200, 555, 283, 283}, "1.5", 9, R},
      {"Field2", 0, {483, 555, 2977, 283}, "ｶﾞﾗｽの少年", 9, L},
      {"Field3", 0, {3460, 555, 1984, 283}, "ｻｻﾞﾝ", 9, L},
      {"Field2", 1, {483, 780, 2977, 283}, "海辺の町", 9, L},
      {"Field1", 2, {200, 1005, 283, 283}, "7", 9, R},
      {"Field3", 2, {3460, 1005, 1984, 283}, "Queen", 9, L}},
     {{"Line3", 0, {5728, 292, 5728, 310}},
      {"Line5", 0, {300, 500, 5500, 500}},
      {"Line2", 0, {300, 765, 5500, 765}, true},
      {"Line4", 0, {5728, 685, 5728, 697}},
      {"Line2", 1, {300, 990, 5500, 990}, true},
      {"Line4", 1, {5728, 910, 5728, 922}}}},
};

// The group is the album for caldrin and the disc for trensoly.
void Insert(Database& db, Program program, const QString& group, const QString& artist,
            const QString& number, const QString& title) {
    const char* groupColumn = program == Program::Caldrin ? "アルバム名" : "MD番号";
    db.Execute(QStringLiteral("INSERT INTO データレコード (%1, アーチスト名, 曲番, 曲名) "
                              "VALUES ('%2', '%3', %4, '%5')")
                   .arg(QString::fromUtf8(groupColumn), statements::Quoted(group),
                        statements::Quoted(artist), number, statements::Quoted(title)));
}

template <typename T>
const T* Nth(const QList<T>& items, QString T::*name, const QString& wanted, int nth) {
    for (const T& item : items)
        if (item.*name == wanted && nth-- == 0)
            return &item;
    return nullptr;
}

QStringList Texts(const report::Page& page, const QString& field) {
    QStringList texts;
    for (const auto& text : page.texts)
        if (text.field == field)
            texts << text.text;
    return texts;
}

TEST(ReportLayout, FieldsAndLinesLandWhereTheLabelDesignPutsThem) {
    for (const LabelCase& c : kLabels) {
        SCOPED_TRACE(c.title);
        CatalogueFolder folder(c.program);
        folder.CreateEmpty();
        {
            const bool album = c.program == Program::Caldrin;
            const QString group = album ? "風の谷" : "MD-042";
            auto db = folder.Open();
            // Entered out of order, so the rows are the query's order, not the table's.
            Insert(*db, c.program, group, album ? "久石譲" : "Queen", "7", "Blue Moon");
            Insert(*db, c.program, group, "久石譲", "2", "海辺の町");
            Insert(*db, c.program, group, album ? "久石譲" : "ｻｻﾞﾝ", "1.5", "ｶﾞﾗｽの少年");
            Insert(*db, c.program, album ? group : "MD-043", "別人", "1", "Left out");
        }
        const QString sql = c.program == Program::Caldrin
                                ? statements::caldrin::TracksOfAlbum("風の谷", "久石譲")
                                : statements::trensoly::TracksOfDisc("MD-042");
        const report::PageRenderer renderer(report::LabelDefinition(c.program, c.label),
                                            report::LoadRows(folder.File(), c.program, sql));
        ASSERT_EQ(renderer.Pages().size(), 1);
        const report::Page& page = renderer.Pages()[0];
        EXPECT_EQ(page.texts.size(), c.texts);
        EXPECT_EQ(page.lines.size(), c.lines);
        for (const ExpectedText& e : c.expectedTexts) {
            SCOPED_TRACE(std::string(e.field) + " #" + std::to_string(e.nth));
            const auto* text = Nth(page.texts, &report::PlacedText::field, e.field, e.nth);
            ASSERT_NE(text, nullptr);
            EXPECT_EQ(text->box, e.box);
            EXPECT_EQ(text->text, QString::fromUtf8(e.text));
            EXPECT_EQ(text->points, e.points);
            EXPECT_EQ(int(text->alignment & Qt::AlignHorizontal_Mask), int(e.align));
            EXPECT_EQ(text->bold, e.bold);
        }
        for (const ExpectedLine& e : c.expectedLines) {
            SCOPED_TRACE(std::string(e.name) + " #" + std::to_string(e.nth));
            const auto* line = Nth(page.lines, &report::PlacedLine::name, e.name, e.nth);
            ASSERT_NE(line, nullptr);
            EXPECT_EQ(line->line, e.line);
            EXPECT_EQ(line->dashed, e.dashed);
        }
        // Only the rules between cassette rows are dashed, one per row.
        const auto dashed = std::count_if(page.lines.begin(), page.lines.end(),
                                          [](const auto& line) { return line.dashed; });
        EXPECT_EQ(dashed, c.label == Label::Cassette ? 3 : 0);

        QTemporaryDir out;
        const QString pdf = out.filePath("label.pdf");
        ASSERT_NO_THROW(report::WritePdf(renderer, pdf));
        QFile file(pdf);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(file.read(5) == "%PDF-");
        EXPECT_GT(file.size(), 1000);
    }
}

TEST(ReportLayout, AFullPageStartsANewOneHeadedByItsOwnFirstRow) {
    for (const LabelCase& c : kLabels) {
        SCOPED_TRACE(c.title);
        const double footerTop = kPaperHeight - kBottomMargin - c.footer;
        const int perPage = int((footerTop - c.top - c.header) / c.detail);
        const bool album = c.program == Program::Caldrin;
        CatalogueFolder folder(c.program);
        folder.CreateEmpty();
        {
            auto db = folder.Open();
            db->BeginTrans();
            // Page 1 ends exactly with group A, page 2 holds B and then C.
            const std::pair<QString, int> groups[] = {{"A", perPage}, {"B", 40}, {"C", 5}};
            for (const auto& [name, count] : groups)
                for (int n = 1; n <= count; ++n)
                    Insert(*db, c.program, "Group " + name, album ? "Artist " + name : "森山",
                           QString::number(n), name + QString::number(n).rightJustified(2, '0'));
            db->CommitTrans();
        }
        const QString sql = album ? "SELECT * FROM データレコード ORDER BY アルバム名, 曲番"
                                  : statements::trensoly::TracksOfArtist("森山");
        const report::PageRenderer renderer(report::LabelDefinition(c.program, c.label),
                                            report::LoadRows(folder.File(), c.program, sql));
        const auto& pages = renderer.Pages();
        ASSERT_EQ(pages.size(), 2);
        const auto* header1 = Nth(pages[0].texts, &report::PlacedText::field, c.groupField, 0);
        const auto* header2 = Nth(pages[1].texts, &report::PlacedText::field, c.groupField, 0);
        ASSERT_TRUE(header1 && header2);
        EXPECT_EQ(header1->text, "Group A");
        EXPECT_EQ(header2->text, "Group B");
        EXPECT_EQ(header2->box, header1->box);
        if (album)
            EXPECT_EQ(Texts(pages[1], "Field2").value(0), "Artist B");

        EXPECT_EQ(Texts(pages[0], c.titleField).size(), perPage);
        EXPECT_EQ(Texts(pages[1], c.titleField).size(), 45);
        const auto* first = Nth(pages[1].texts, &report::PlacedText::field, c.titleField, 0);
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(first->text, "B01");
        EXPECT_EQ(first->box.top(), c.top + c.header);
        // Every title stands at the top of its band, so its box tells where the band is.
        for (const auto& page : pages)
            for (const auto& text : page.texts)
                if (text.field == c.titleField)
                    EXPECT_LE(text.box.top() + c.detail, footerTop) << text.text.toStdString();
    }
}

TEST(ReportLayout, ColumnsTheQueryLeavesOutPrintEmpty) {
    CatalogueFolder folder;
    folder.CreateEmpty();
    {
        auto db = folder.Open();
        Insert(*db, Program::Caldrin, "夏", "森", "7", "Blue Moon");
        Insert(*db, Program::Caldrin, "冬", "森", "1.5", "海辺の町");
    }
    const auto layout = [&](const QString& sql) {
        return report::PageRenderer(report::LabelDefinition(Program::Caldrin, Label::Md),
                                    report::LoadRows(folder.File(), Program::Caldrin, sql));
    };
    std::optional<report::PageRenderer> albums;
    ASSERT_NO_THROW(albums.emplace(
        layout("SELECT アルバム名 FROM データレコード GROUP BY アルバム名 ORDER BY アルバム名")));
    ASSERT_EQ(albums->Pages().size(), 1);
    const report::Page& page = albums->Pages()[0];
    EXPECT_EQ(Texts(page, "Field1"), QStringList{"冬"});
    EXPECT_EQ(Texts(page, "Field2"), QStringList{""});
    EXPECT_EQ(Texts(page, "Field3"), QStringList({"", ""}));
    EXPECT_EQ(Texts(page, "Field4"), QStringList({"", ""}));

    // Arithmetic turns whole numbers into reals; they still print as a person writes them.
    const auto computed =
        layout("SELECT 曲名, 曲番 * 1.0 AS 曲番 FROM データレコード ORDER BY 曲番 DESC");
    EXPECT_EQ(Texts(computed.Pages()[0], "Field3"), QStringList({"7", "1.5"}));
    EXPECT_EQ(Texts(computed.Pages()[0], "Field4"), QStringList({"Blue Moon", "海辺の町"}));
}

TEST(ReportLayout, APrinterWhoseMarginsReachTheLabelIsNoticed) {
    CatalogueFolder folder;
    folder.CreateEmpty();
    Insert(*folder.Open(), Program::Caldrin, "夏", "森", "1", "Blue Moon");
    const report::PageRenderer renderer(
        report::LabelDefinition(Program::Caldrin, Label::Md),
        report::LoadRows(folder.File(), Program::Caldrin,
                         statements::caldrin::TracksOfAlbum("夏", "森")));
    const auto printer = [](double minimumMm) {
        const QMarginsF minimum(minimumMm, minimumMm, minimumMm, minimumMm);
        return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, minimum,
                           QPageLayout::Millimeter, minimum);
    };
    const report::Calibration none;
    EXPECT_TRUE(renderer.FitsPrintableArea(printer(6), none));
    EXPECT_FALSE(renderer.FitsPrintableArea(printer(22), none));
    // The heading stands 21.4 mm in; a printer drawing 16 mm further left would cut it.
    const report::Calibration left{Distance::Millimetres(-16), {}, 100, true};
    EXPECT_FALSE(renderer.FitsPrintableArea(printer(6), left));
}

} // namespace
