// Workbooks as spreadsheets write them, and the same with one part changed: each is taken cell
// for cell or refused at the row, with nothing added.
#include "recordset.h"
#include "testsupport.h"
#include "trackbook.h"

#include <gtest/gtest.h>
#include <zip.h>

namespace {

// The parts of a workbook with one sheet of the given rows, as a spreadsheet that keeps its texts
// in a shared table writes them.
std::map<QString, QByteArray> Parts(const QByteArray& rows, const QByteArray& strings) {
    return {
        {"[Content_Types].xml",
         "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/"
         "content-types\"/>"},
        {"xl/workbook.xml",
         "<?xml version=\"1.0\"?><workbook xmlns:r=\"http://schemas.openxmlformats.org/"
         "officeDocument/2006/relationships\"><sheets><sheet name=\"曲\" sheetId=\"1\" "
         "r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         "<?xml version=\"1.0\"?><Relationships><Relationship Id=\"rId1\" Type=\"http://"
         "x/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" "
         "Type=\"http://x/sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>"},
        {"xl/sharedStrings.xml", "<?xml version=\"1.0\"?><sst>" + strings + "</sst>"},
        {"xl/worksheets/sheet1.xml",
         "<?xml version=\"1.0\"?><worksheet><sheetData>"
         "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c>"
         "<c r=\"C1\" t=\"s\"><v>2</v></c><c r=\"D1\" t=\"s\"><v>3</v></c></row>" +
             rows + "</sheetData></worksheet>"},
    };
}

const QByteArray kHeader = "<si><t>アーチスト名</t></si><si><t>アルバム名</t></si>"
                           "<si><t>曲番</t></si><si><t>曲名</t></si>";

QByteArray Zipped(const std::map<QString, QByteArray>& parts) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t* archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    zip_source_keep(buffer);
    for (const auto& [name, bytes] : parts) {
        zip_source_t* part = zip_source_buffer(archive, bytes.constData(), bytes.size(), 0);
        zip_file_add(archive, name.toUtf8().constData(), part, ZIP_FL_ENC_UTF_8);
    }
    zip_close(archive);
    zip_source_open(buffer);
    zip_source_seek(buffer, 0, SEEK_END);
    QByteArray zipped(qsizetype(zip_source_tell(buffer)), '\0');
    zip_source_seek(buffer, 0, SEEK_SET);
    zip_source_read(buffer, zipped.data(), zip_uint64_t(zipped.size()));
    zip_source_close(buffer);
    zip_source_free(buffer);
    return zipped;
}

struct Imported {
    QStringList problems;
    QStringList stored;
};

Imported Import(const QByteArray& workbook) {
    CatalogueFolder folder;
    folder.CreateEmpty();
    const auto db = folder.Open();
    Imported imported;
    for (const trackcsv::Problem& problem : trackbook::Import(*db, Program::Caldrin, workbook))
        imported.problems << QStringLiteral("%1: %2").arg(problem.line).arg(problem.reason);
    imported.stored = ColumnTexts(*db, "SELECT アーチスト名||'/'||アルバム名||'/'||曲番||'/'||曲名 "
                                       "FROM データレコード ORDER BY ID");
    return imported;
}

Imported Import(const QByteArray& rows, const QByteArray& strings) {
    return Import(Zipped(Parts(rows, strings)));
}

TEST(Workbook, EachCellIsTakenAsTheFileHoldsItOrTheRowIsRefused) {
    const QByteArray strings = kHeader + "<si><t>Anna</t></si><si><t>Tides</t></si>"
                                         "<si><r><t>潮</t></r><rPh><t>うしお</t></rPh></si>";
    const QByteArray good = "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>4</v></c><c r=\"B2\" t=\"s\">"
                            "<v>5</v></c><c r=\"C2\"><v>1</v></c><c r=\"D2\" t=\"s\"><v>6</v></c>"
                            "</row>";
    EXPECT_EQ(Import(good, strings).stored, QStringList{"Anna/Tides/1/潮"});
    // Cells left out are empty; the value stays in its own column.
    EXPECT_EQ(Import("<row r=\"2\"><c r=\"A2\" t=\"s\"><v>4</v></c><c r=\"C2\"><v>2</v></c></row>",
                     strings)
                  .stored,
              QStringList{"Anna//2/"});

    const QList<std::pair<QByteArray, QString>> refused = {
        {"<row r=\"2\"><c r=\"A2\" t=\"s\"><v>7</v></c><c r=\"C2\"><v>1</v></c></row>", "2: "},
        {"<row r=\"2\"><c r=\"A2\" t=\"s\"><v>x</v></c><c r=\"C2\"><v>1</v></c></row>", "2: "},
        {"<row r=\"2\"><c r=\"A2\"><f>B2</f></c><c r=\"C2\"><v>1</v></c></row>", "2: "},
        {"<row r=\"2\"><c r=\"A2\" t=\"str\"><f>B2</f><v>x</v></c><c r=\"C2\"><v>1</v></c></row>",
         "2: "},
        {"<row r=\"2\"><c r=\"C2\"><v>1</v></c><c r=\"A2\" t=\"s\"><v>4</v></c></row>", "2: "},
        {"<row r=\"2\"><c r=\"C2\"><v>1</v></c><c r=\"C2\"><v>2</v></c></row>", "2: "},
        {"<row r=\"2\"><c r=\"a2\" t=\"s\"><v>4</v></c><c r=\"C2\"><v>1</v></c></row>", "2: "},
        {"<row r=\"2\"><c r=\"ZZZZZZZZZZZZZZZZ2\"><v>1</v></c></row>", "2: "},
        {"<row r=\"2\"><c r=\"ZZZZZZ2\"><v>1</v></c></row>", "2: "},
        {"<row r=\"2\"><c r=\"XFE2\"><v>1</v></c></row>", "2: "},
        {"<row r=\"2\"><c r=\"C02\"><v>1</v></c></row>", "2: "},
        {"<row r=\"2\"><c r=\"C2 \"><v>1</v></c></row>", "2: "},
        {"<row r=\"2\"><c r=\"C3\"><v>1</v></c></row>", "2: "},
        {"<row r=\"2\"><c r=\"C2\" t=\"e\"><v>#DIV/0!</v></c></row>", "2: セル C2 がエラー値"},
        {good + "<row r=\"2\"><c r=\"C2\"><v>1</v></c></row>", "3: "},
        {good + "<row r=\"2000000\"><c r=\"C2000000\"><v>1</v></c></row>", "3: "},
        {good + "<row r=\"3\"><c r=\"C3\"><v>1</v>", "3: "},
    };
    for (const auto& [rows, problem] : refused) {
        SCOPED_TRACE(rows.toStdString());
        const Imported imported = Import(rows, strings);
        ASSERT_EQ(imported.problems.size(), 1) << imported.problems.join('\n').toStdString();
        EXPECT_TRUE(imported.problems[0].startsWith(problem)) << imported.problems[0].toStdString();
        EXPECT_EQ(imported.stored, QStringList());
    }
}

TEST(Workbook, APartCutShortOrBrokenRefusesTheWholeFile) {
    const QByteArray strings = kHeader + "<si><t>Anna</t></si><si><t>Title</t></si>";
    const QByteArray rows = "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>4</v></c><c r=\"B2\" t=\"s\">"
                            "<v>4</v></c><c r=\"C2\"><v>1</v></c><c r=\"D2\" t=\"s\"><v>5</v></c>"
                            "</row>";
    ASSERT_EQ(Import(rows, strings).stored, QStringList{"Anna/Anna/1/Title"});
    for (const QString part : {"xl/sharedStrings.xml", "xl/workbook.xml",
                               "xl/_rels/workbook.xml.rels", "xl/worksheets/sheet1.xml"}) {
        SCOPED_TRACE(part.toStdString());
        auto parts = Parts(rows, strings);
        // "Tit" of "Title": what a part cut short still parses as.
        const QByteArray whole = parts[part];
        parts[part] = whole.left(whole.lastIndexOf("le</t>"));
        const Imported cut = Import(Zipped(parts));
        EXPECT_EQ(cut.problems.size(), 1);
        EXPECT_EQ(cut.stored, QStringList());
        parts.erase(part);
        EXPECT_EQ(Import(Zipped(parts)).problems.size(), 1);
    }
    // A small file that inflates to far more than it could be is not read at all.
    EXPECT_EQ(Import(rows + QByteArray(20 << 20, ' '), strings).problems,
              QStringList{"1: Excel ブック (.xlsx) として読めません。表計算ソフトで保存し直して"
                          "ください。"});
}

// Texts a shell put in the catalogue, some of which no cell could hold as they are, come back from
// the workbook as the CSV export shows them; a value no cell takes refuses the export at its track.
TEST(Workbook, StoredTextsComeBackAsTheCsvExportShowsThem) {
    CatalogueFolder sent;
    Shell(sent.File(), "CREATE TABLE データレコード (ID INTEGER PRIMARY KEY, アーチスト名, "
                       "アルバム名, 曲番, 曲名);"
                       "INSERT INTO データレコード (アーチスト名, アルバム名, 曲番, 曲名) VALUES "
                       "(CAST(X'EFBBBF416E6E61' AS TEXT), '007', 5, '_x0041_ and _X0041_'), "
                       "(CAST(X'61FF62' AS TEXT), 2.5, 9007199254740993, 'a' || char(1) || 'b'), "
                       "('森', NULL, 1.25, '');");
    const auto db = Database::OpenDatabase(sent.File());
    const QByteArray book = trackbook::Export(*db, Program::Caldrin, trackbook::Format::Workbook);
    CatalogueFolder back;
    back.CreateEmpty();
    const auto copy = back.Open();
    ASSERT_EQ(trackbook::Import(*copy, Program::Caldrin, book).size(), 0);
    const auto csv = [](Database& from) {
        return trackbook::Export(from, Program::Caldrin, trackbook::Format::CsvUtf8);
    };
    EXPECT_EQ(QString::fromUtf8(csv(*copy)), QString::fromUtf8(csv(*db)));
    EXPECT_TRUE(csv(*copy).contains("\xEF\xBB\xBF"
                                    "Anna"));

    for (const char* refused : {"'a' || char(0) || 'b'", "printf('%.40000c', 'x')"}) {
        SCOPED_TRACE(refused);
        Shell(sent.File(),
              QStringLiteral("UPDATE データレコード SET 曲名 = %1 WHERE ID = 3").arg(refused));
        try {
            trackbook::Export(*db, Program::Caldrin, trackbook::Format::Workbook);
            ADD_FAILURE() << "exported";
        } catch (const std::runtime_error& error) {
            EXPECT_TRUE(QString::fromUtf8(error.what()).startsWith("3 曲目 (アーチスト名「森」"))
                << error.what();
        }
    }
}

} // namespace
