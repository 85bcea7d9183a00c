#include "democatalogue.h"
#include "recordset.h"
#include "testsupport.h"
#include "trackcsv.h"

#include <QElapsedTimer>
#include <QStringDecoder>
#include <QStringEncoder>
#include <gtest/gtest.h>

namespace {

using trackcsv::Encoding;

const QStringList kColumns = {"アーチスト名", "アルバム名", "MD番号", "曲番", "曲名"};
// Quotes, commas and line breaks for the writer to quote, Shift_JIS characters whose second byte
// is a backslash, half-width katakana, and an emoji CP932 has no code for.
const QList<QVariantList> kTracks = {
    {"ｶﾀｶﾅ Band", "Ａ, \"B\" ソ表能", "001", 7, "He said \"hi\", then\r\nleft\n'\\ ソ表能"},
    {"高橋 \\ 陽子", "夏\r", "0,2", 1.5, "It's 🎵"},
};

// Through the dynaset, the way the window stores a track.
void Add(const CatalogueFolder& folder, Program program, const QList<QVariantList>& tracks) {
    folder.CreateEmpty();
    const auto db = folder.Open();
    auto rs = db->OpenRecordset(tracktable::kTable, dbOpenDynaset);
    db->BeginTrans();
    for (const QVariantList& track : tracks) {
        rs->AddNew();
        for (const QString& column : tracktable::UserColumns(program))
            rs->Fields(column) = track[kColumns.indexOf(column)];
        rs->Update();
    }
    db->CommitTrans();
}

struct Imported {
    QByteArray exported;
    QStringList numberTypes;
};

Imported ImportIntoNew(Program program, const QByteArray& csv, Encoding encoding) {
    CatalogueFolder folder(program);
    folder.CreateEmpty();
    const auto db = folder.Open();
    EXPECT_TRUE(trackcsv::Import(*db, program, csv).isEmpty());
    return {trackcsv::Export(*db, program, encoding),
            ColumnTexts(*db, "SELECT typeof(曲番) FROM データレコード ORDER BY ID")};
}

TEST(TrackCsvTest, HostileTextSurvivesExportAndImportByteForByteInBothEncodings) {
    for (const Program program : {Program::Caldrin, Program::Trensoly}) {
        SCOPED_TRACE(tracktable::ProgramName(program).toStdString());
        const CatalogueFolder all(program), plain(program);
        Add(all, program, kTracks);
        Add(plain, program, {kTracks[0]});
        const QByteArray utf8 = trackcsv::Export(*all.Open(), program, Encoding::Utf8);
        const Imported again = ImportIntoNew(program, utf8, Encoding::Utf8);
        EXPECT_EQ(again.exported, utf8);
        EXPECT_EQ(again.numberTypes, QStringList({"integer", "real"}));
        if (program == Program::Caldrin) {
            EXPECT_EQ(utf8, "アーチスト名,アルバム名,曲番,曲名\r\n"
                            "ｶﾀｶﾅ Band,\"Ａ, \"\"B\"\" ソ表能\",7,"
                            "\"He said \"\"hi\"\", then\r\nleft\n'\\ ソ表能\"\r\n"
                            "高橋 \\ 陽子,\"夏\r\",1.5,It's 🎵\r\n");
        }

        const QByteArray cp932 = trackcsv::Export(*plain.Open(), program, Encoding::Cp932);
        EXPECT_EQ(ImportIntoNew(program, cp932, Encoding::Cp932).exported, cp932);
        EXPECT_EQ(QString(QStringDecoder("windows-31j").decode(cp932)),
                  QString::fromUtf8(trackcsv::Export(*plain.Open(), program, Encoding::Utf8)));
        EXPECT_TRUE(cp932.contains("\x83\x5C\x95\x5C\x94\x5C")); // ソ表能
        try {
            trackcsv::Export(*all.Open(), program, Encoding::Cp932);
            ADD_FAILURE() << "an emoji was written as something else";
        } catch (const std::runtime_error& error) {
            const QString message = QString::fromUtf8(error.what());
            EXPECT_TRUE(message.contains("2 曲目") && message.contains("It's 🎵")) << error.what();
        }
    }
}

TEST(TrackCsvTest, FilesOfOtherToolsAreReadByColumnName) {
    // BOM, LF, full-width and reordered names, a column of another tool, a trailing blank line.
    const QString text = "\xEF\xBB\xBFID,曲名,ＭＤ番号,アーチスト名,曲番\n"
                         "9,\"a,b\",001,森,7.000000\n"
                         "10,c,002,林,１．５\n";
    for (const QByteArray& csv :
         {text.toUtf8() + "\n",
          QByteArray(QStringEncoder("windows-31j").encode(text.mid(1).chopped(1)))}) {
        const Imported imported = ImportIntoNew(Program::Trensoly, csv, Encoding::Utf8);
        EXPECT_EQ(imported.exported,
                  "MD番号,曲番,曲名,アーチスト名\r\n001,7,\"a,b\",森\r\n002,1.5,c,林\r\n");
        EXPECT_EQ(imported.numberTypes, QStringList({"integer", "real"}));
    }
}

TEST(TrackCsvTest, AnyBadRowWritesNothingAndEachIsNamedByTheLineItStartsOn) {
    const char rows[] = "アーチスト名,アルバム名,曲番,曲名\r\n"
                        "A,B,1,\"two\r\nlines\"\r\n"
                        "A,B,2\r\n"
                        ",B,3,t\r\n"
                        "O'Neil,B,4,It's fine in a title\r\n"
                        "A,B,x,t\r\n"
                        "A,B,5,a\0b\r\n"
                        "A,B,6,\"x\"y\r\n"
                        "A,B,7,t,\r\n"
                        "A,B,8,a\rb\r\n"
                        "A,B,9,\"open\r\n";
    const QList<std::pair<QByteArray, QStringList>> cases = {
        {QByteArray(rows, sizeof rows - 1),
         {"4:欄の数", "6:「アーチスト名」にｼﾝｸﾞﾙ", "7:曲番は数字", "8:「曲名」に NUL",
          "9:引用符 (\") で囲んだ欄の後", "10:欄の数", "11:引用符の外に CR",
          "12:引用符 (\") が閉じられて"}},
        {"曲名,アーチスト名\r\nt,A\r\n", {"1:列「アルバム名」「曲番」がありません"}},
        {"アーチスト名,アルバム名,曲番,曲名,曲名\r\n", {"1:列「曲名」が 2 つ以上"}},
        {"", {"1:見出しの行がありません"}},
        // Not UTF-8 throughout, so read as CP932, which line 2 is not either: it ends half a
        // character.
        {"アーチスト名,アルバム名,曲番,曲名\r\nA,B,1,\x82",
         {"2:UTF-8 としても CP932", "2:この行は UTF-8 ではありませんが、1 行目は"}},
    };
    for (const auto& [csv, expected] : cases) {
        const CatalogueFolder folder;
        folder.CreateEmpty();
        const auto db = folder.Open();
        qint64 added = -1;
        QStringList found;
        for (const trackcsv::Problem& problem :
             trackcsv::Import(*db, Program::Caldrin, csv, &added))
            found << QStringLiteral("%1:%2").arg(problem.line).arg(problem.reason);
        for (qsizetype i = 0; i < found.size(); ++i)
            found[i].truncate(expected.value(i, found[i]).size());
        EXPECT_EQ(found, expected);
        EXPECT_EQ(added, 0);
        EXPECT_EQ(ColumnTexts(*db, "SELECT count(*) FROM データレコード"), QStringList{"0"});
    }
}

// Many pieces and batches each way; a bad row far into the file still adds nothing.
TEST(TrackCsvTest, HundredThousandTracksGoBothWaysInSeconds) {
    const CatalogueFolder folder(Program::Trensoly);
    folder.CreateEmpty();
    democatalogue::AddTracks(*folder.Open(), Program::Trensoly, 100000);
    // Text that is no UTF-8, as other tools can store it, and a number with a fraction.
    folder.Open()->Execute("INSERT INTO データレコード (MD番号, 曲番, 曲名, アーチスト名) "
                           "VALUES ('9', 2.5, CAST(x'41ff42' AS TEXT), 'Z')");
    QElapsedTimer timer;
    timer.start();
    for (const Encoding encoding : {Encoding::Utf8, Encoding::Cp932}) {
        const QByteArray csv = trackcsv::Export(*folder.Open(), Program::Trensoly, encoding);
        EXPECT_EQ(ImportIntoNew(Program::Trensoly, csv, encoding).exported, csv);
        if (encoding == Encoding::Utf8) {
            EXPECT_TRUE(csv.endsWith("9,2.5,A\xEF\xBF\xBD"
                                     "B,Z\r\n"));
            // CP932 has no character for what stood in place of the broken text.
            folder.Open()->Execute("DELETE FROM データレコード WHERE MD番号 = '9'");
        }
    }
    EXPECT_LT(timer.elapsed(), 16000);

    QByteArray late = trackcsv::Export(*folder.Open(), Program::Trensoly, Encoding::Utf8);
    const qsizetype at = late.indexOf("\r\n", late.size() / 2) + 2;
    late.insert(at, "1,x,t,A\r\n");
    const CatalogueFolder other(Program::Trensoly);
    other.CreateEmpty();
    const auto db = other.Open();
    qint64 added = -1;
    const QList<trackcsv::Problem> problems =
        trackcsv::Import(*db, Program::Trensoly, late, &added);
    ASSERT_EQ(problems.size(), 1);
    EXPECT_EQ(problems[0].line, late.left(at).count('\n') + 1);
    EXPECT_EQ(added, 0);
    EXPECT_EQ(ColumnTexts(*db, "SELECT count(*) FROM データレコード"), QStringList{"0"});
}

// Files as other programs write them: pure CP932, CP932 whose first row also reads as UTF-8,
// quotes inside an unquoted field, blanks after the header's commas.
TEST(TrackCsvTest, FilesFromOtherWritersAreReadAsTheyMeantThem) {
    QStringEncoder cp932("windows-31j");
    const auto encoded = [&](const QString& text) { return QByteArray(cp932.encode(text)); };
    const QByteArray header = encoded("アーチスト名, アルバム名, 曲番, 曲名\r\n");
    const struct {
        QByteArray csv;
        QStringList titles;
        QString problem;
    } cases[] = {
        {header + encoded("ﾃｱ,B,1,t\r\n森,夏の午後,2,花火\r\n"), {"t", "花火"}, {}},
        {header + encoded("A,B,1,12\" remix\r\n"), {"12\" remix"}, {}},
        // A decoder that keeps state across calls would drop the lone lead byte at the end.
        {header + encoded("A,B,1,夏\r\nA,B,2,x") + "\x82", {}, "3:UTF-8 としても CP932"},
    };
    for (const auto& c : cases) {
        const CatalogueFolder folder;
        folder.CreateEmpty();
        const auto db = folder.Open();
        QStringList problems;
        for (const trackcsv::Problem& problem : trackcsv::Import(*db, Program::Caldrin, c.csv))
            problems << QStringLiteral("%1:%2").arg(problem.line).arg(problem.reason);
        EXPECT_EQ(problems.size(), c.problem.isEmpty() ? 0 : 1);
        EXPECT_TRUE(problems.value(0).startsWith(c.problem));
        EXPECT_EQ(ColumnTexts(*db, "SELECT 曲名 FROM データレコード"), c.titles);
    }
}

// What an input method types is written as TITLE.TXT writes it, and a refusal names the
// character.
TEST(TrackCsvTest, Cp932IsWrittenAsTheTitleFileWritesIt) {
    const CatalogueFolder typed, emoji;
    Add(typed, Program::Caldrin, {{"A", "1〜2−3", "", 1, "t"}});
    EXPECT_TRUE(trackcsv::Export(*typed.Open(), Program::Caldrin, Encoding::Cp932)
                    .contains("1\x81\x60"
                              "2\x81\x7C"
                              "3"));
    Add(emoji, Program::Caldrin, {{"A", "B", "", 1, "🎵"}});
    try {
        trackcsv::Export(*emoji.Open(), Program::Caldrin, Encoding::Cp932);
        FAIL() << "an emoji was written";
    } catch (const std::runtime_error& error) {
        EXPECT_TRUE(QString::fromUtf8(error.what()).contains("「🎵」(U+1F3B5)")) << error.what();
    }
    // Line breaks of every kind inside a title come back as they were.
    const CatalogueFolder broken;
    Add(broken, Program::Caldrin, {{"A", "B", "", 1, "夏\r冬\n春\r\n秋"}});
    const QByteArray cp932 = trackcsv::Export(*broken.Open(), Program::Caldrin, Encoding::Cp932);
    EXPECT_EQ(ImportIntoNew(Program::Caldrin, cp932, Encoding::Cp932).exported, cp932);
    EXPECT_TRUE(QStringDecoder("windows-31j")
                    .decode(cp932)
                    .
                    operator QString()
                    .contains("\"夏\r冬\n春\r\n秋\""));
}

} // namespace
