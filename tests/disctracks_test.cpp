#include "disctracks.h"
#include "shiftjis.h"
#include "testsupport.h"

#include <QProcess>
#include <QStringEncoder>
#include <gtest/gtest.h>

using namespace disctracks;

namespace {

QStringList Titles(const Disc& disc, bool halfWidth = false) {
    QStringList titles;
    for (const Track& track : disc.tracks)
        titles << TitleOf(track, halfWidth);
    return titles;
}

QList<int> Seconds(const Disc& disc) {
    QList<int> seconds;
    for (const Track& track : disc.tracks)
        seconds << track.seconds.value_or(-1);
    return seconds;
}

} // namespace

// The three headers Web MiniDisc Pro has written, each with what its columns hold.
TEST(DiscTracks, MiniDiscTitlesInEveryHeaderWithEscapedCommasGroupsAndUntitledTracks) {
    const QString current = "INDEX,GROUP RANGE,GROUP NAME,GROUP FULL WIDTH NAME,NAME,FULL WIDTH "
                            "NAME,HIMD ALBUM,HIMD ARTIST,DURATION,ENCODING,BITRATE\n";
    const QString rows = "0,,,,Natsu,夏,,,2400,,\n"
                         "1,0-1,Side A,Ａ面,Hello\\, World,こんにちは、世界,,Anna,225,LP2,132\n"
                         "2,,,,Say \"hi\",,,,195,LP2,132\n"
                         "3,,,,,,,Ben,61,LP2,132\n";
    const QString older = "INDEX,GROUP RANGE,GROUP NAME,GROUP FULL WIDTH NAME,NAME,FULL WIDTH "
                          "NAME,DURATION,ENCODING\n"
                          "0,,,,Natsu,夏,2400,\n1,0-1,Side A,Ａ面,Hello\\, World,こんにちは、世界,"
                          "225,LP2\n2,,,,Say \"hi\",,195,LP2\n3,,,,,,61,LP2\n";
    QString renamed = current;
    renamed.replace("HIMD ALBUM,HIMD ARTIST", "ALBUM,ARTIST");
    for (const QString& file : {current + rows, renamed + rows, older}) {
        SCOPED_TRACE(file.left(100).toStdString());
        const Read read = ReadDisc(("\xEF\xBB\xBF" + file).toUtf8());
        ASSERT_TRUE(read.problems.isEmpty()) << read.problems.first().reason.toStdString();
        const Disc& disc = read.disc;
        EXPECT_EQ(disc.source, Source::MiniDisc);
        EXPECT_EQ(disc.album, "夏");
        EXPECT_EQ(disc.halfWidthAlbum, "Natsu");
        EXPECT_EQ(disc.encoding, "LP2");
        // Full-width first, the half-width one where a track has no other; none for track 3.
        EXPECT_EQ(Titles(disc), (QStringList{"こんにちは、世界", "Say \"hi\"", ""}));
        EXPECT_EQ(Titles(disc, true), (QStringList{"Hello, World", "Say \"hi\"", ""}));
        EXPECT_EQ(Seconds(disc), (QList<int>{225, 195, 61}));
        EXPECT_EQ(disc.tracks[0].group, "Ａ面");
        EXPECT_EQ(disc.tracks[1].group, "Ａ面");
        EXPECT_EQ(disc.tracks[2].group, "");
        EXPECT_EQ(disc.tracks[2].line, 5);
        const bool hiMd = file != older;
        EXPECT_EQ(disc.tracks[0].artist, hiMd ? "Anna" : "");
        EXPECT_EQ(disc.tracks[2].artist, hiMd ? "Ben" : "");
    }
    const Read broken = ReadDisc((current + "1,,,,a,b,c\n").toUtf8());
    ASSERT_EQ(broken.problems.size(), 1);
    EXPECT_EQ(broken.problems[0].line, 2);
}

// A CUE sheet as cuetools write it, from a disc's table of contents, in Shift-JIS as Japanese
// rippers save it: the lengths run from one INDEX 01 to the next.
// A sheet as cuetools writes it from a table of contents: three audio tracks on one file.
QByteArray CuetoolsSheet() {
    const CatalogueFolder folder;
    const auto text = [](const QByteArray& fields) {
        return "CD_TEXT {\n\tLANGUAGE 0 {\n" + fields + "\t}\n}\n";
    };
    folder.WriteFile("disc.toc",
                     "CD_DA\n" +
                         text("\t\tTITLE \"夏の午後\"\n\t\tPERFORMER \"森 健\"\n")
                             .replace("CD_TEXT {\n", "CD_TEXT {\n\tLANGUAGE_MAP { 0:9 }\n") +
                         "\nTRACK AUDIO\n" + text("\t\tTITLE \"約束\"\n") +
                         "FILE \"disc.wav\" 0 03:40:00\n\nTRACK AUDIO\n" +
                         text("\t\tTITLE \"花火\"\n\t\tPERFORMER \"ｷﾑﾗ Trio\"\n") +
                         "FILE \"disc.wav\" 03:40:00 03:20:30\nSTART 00:05:00\n\n"
                         "TRACK AUDIO\n" +
                         text("\t\tTITLE \"Sunrise\"\n") + "FILE \"disc.wav\" 07:00:30\n");
    QProcess convert;
    convert.setWorkingDirectory(folder.Path());
    convert.start("cueconvert", {"-i", "toc", "-o", "cue", "disc.toc", "disc.cue"});
    convert.waitForFinished();
    EXPECT_EQ(convert.exitCode(), 0) << convert.readAllStandardError().toStdString();
    QFile cue(folder.Path() + "/disc.cue");
    return cue.open(QIODevice::ReadOnly) ? cue.readAll() : QByteArray();
}

TEST(DiscTracks, CueSheetsFromCuetoolsInShiftJis) {
    QByteArray utf8 = CuetoolsSheet();
    ASSERT_TRUE(utf8.contains("TRACK 02 AUDIO"));
    const Read read = ReadDisc(*shiftjis::Encode(QString::fromUtf8(utf8)));
    ASSERT_TRUE(read.problems.isEmpty());
    EXPECT_EQ(read.disc.source, Source::Cue);
    EXPECT_EQ(read.disc.album, "夏の午後");
    EXPECT_EQ(read.disc.artist, "森 健");
    EXPECT_EQ(Titles(read.disc), (QStringList{"約束", "花火", "Sunrise"}));
    EXPECT_EQ(read.disc.tracks[1].artist, "ｷﾑﾗ Trio");
    EXPECT_EQ(Seconds(read.disc), (QList<int>{225, 195, -1}));
    // A sheet libcue reads only in part is refused at the line it stopped at.
    const Read broken = ReadDisc(utf8.replace("TRACK 02 AUDIO", "TRACK 02 AUDIO\nGARBLED \"x"));
    ASSERT_EQ(broken.problems.size(), 1);
    EXPECT_GT(broken.problems[0].line, 0);
}

// freedb entries continue a long value on lines of the same key, and give lengths as offsets.
TEST(DiscTracks, FreedbEntriesWithContinuedLinesAndPlainListsWithNumbersAndLengths) {
    const Read freedb = ReadDisc("# xmcd\n#\n# Track frame offsets:\n#\t150\n#\t17025\n#\n"
                                 "# Disc length: 400 seconds\n#\nDISCID=1a02\n"
                                 "DTITLE=Various / Summer Hits\nTTITLE0=Anna / A very long ti\n"
                                 "TTITLE0=tle\nTTITLE1=Ben / B\nEXTD=\n");
    ASSERT_TRUE(freedb.problems.isEmpty());
    EXPECT_EQ(freedb.disc.source, Source::Freedb);
    EXPECT_EQ(freedb.disc.album, "Summer Hits");
    EXPECT_EQ(Titles(freedb.disc), (QStringList{"A very long title", "B"}));
    EXPECT_EQ(freedb.disc.tracks[0].artist, "Anna");
    EXPECT_EQ(Seconds(freedb.disc), (QList<int>{225, 173}));
    EXPECT_EQ(ReadDisc("DTITLE=Anna\nTTITLE0=X\n").disc.album, "Anna");

    const Read numbered = ReadDisc("01 Dawn 3:45\n\n2. Noon - 4:05\n3) 99 Luftballons\n");
    EXPECT_EQ(Titles(numbered.disc), (QStringList{"Dawn", "Noon", "99 Luftballons"}));
    EXPECT_EQ(numbered.disc.tracks[2].number, "3");
    EXPECT_EQ(numbered.disc.tracks[2].line, 4);
    EXPECT_EQ(Seconds(numbered.disc), (QList<int>{225, 245, -1}));
    // A number that only some lines begin with is part of their title.
    EXPECT_EQ(Titles(ReadDisc("99 Luftballons\nRain\n").disc),
              (QStringList{"99 Luftballons", "Rain"}));
}

// Where libcue, a number or a length would make the disc something else than the file says, the
// file is refused at the line at fault.
TEST(DiscTracks, EveryFaultOfADiscFileIsNamedAtItsLine) {
    const QByteArray sheet = CuetoolsSheet();
    const QList<QByteArray> lines = sheet.split('\n');
    const qint64 second = lines.indexOf("TRACK 02 AUDIO") + 1;
    ASSERT_GT(second, 0) << sheet.toStdString();
    const auto problemLines = [](const QByteArray& bytes) {
        QList<qint64> at;
        for (const trackcsv::Problem& problem : ReadDisc(bytes).problems)
            at << problem.line;
        return at;
    };
    const auto replaced = [&](qint64 line, const QByteArray& text) {
        QList<QByteArray> changed = lines;
        changed[line - 1] = text;
        return changed.join('\n');
    };
    const QList<std::pair<QByteArray, QList<qint64>>> faults = {
        {replaced(2, "TITLE \"never closed"), {2}},
        {replaced(second, "TRACK 100 AUDIO"), {second}},
        {replaced(second, "TRACK two AUDIO"), {second}},
        {replaced(second, "TRACK 02 AUDIO\nINDEX 01 07:99:00"), {second + 1}},
        {replaced(second, QByteArray("TRACK 02\0 AUDIO", 15)), {second}},
        {*shiftjis::Encode("DTITLE=A / B\nTTITLE0=a\nTTITLE99999999999=b\n"), {3}},
        {"DTITLE=A / B\nTTITLE0=a\nTTITLE2147483647=b\n", {3}},
        {"DTITLE=A / B\nTTITLE0=a long\ngarbled\nTTITLE0= title\n", {3}},
        {"# xmcd\n# Disc length: 99999999999999999999 seconds\nTTITLE0=a\n", {2}},
        {"1. a 3:00\n2. b 9:99\n", {2}},
        {"1. a 596524:00:00\n", {1}},
        {"INDEX,GROUP RANGE,GROUP NAME,GROUP FULL WIDTH NAME,NAME,FULL WIDTH NAME,DURATION,"
         "ENCODING\n1,,,,a,,1e10,SP\n",
         {2}},
    };
    for (const auto& [bytes, at] : faults) {
        SCOPED_TRACE(bytes.toStdString());
        EXPECT_EQ(problemLines(bytes), at);
    }
    // EUC-JP would read as CP932 without a fault, as other characters.
    QStringEncoder euc("EUC-JP");
    ASSERT_TRUE(euc.isValid());
    const QByteArray eucSheet = euc.encode(QString::fromUtf8(sheet));
    EXPECT_EQ(problemLines(eucSheet), QList<qint64>{1});

    // A data track is no song of a MiniDisc; freedb counts its tracks from 1.
    const Read data = ReadDisc(replaced(second, "TRACK 02 MODE1/2352"));
    EXPECT_EQ(Titles(data.disc), (QStringList{"約束", "Sunrise"}));
    EXPECT_EQ(data.disc.tracks[1].number, "3");
    EXPECT_EQ(ReadDisc("TTITLE0=a\nTTITLE1=b\n").disc.tracks[1].number, "2");
    // A length ends a title only in a numbered list, as a number begins one.
    EXPECT_EQ(Titles(ReadDisc("Live at 12:30\nRain 3:00\n").disc),
              (QStringList{"Live at 12:30", "Rain 3:00"}));
    QByteArray many;
    for (int i = 1; i <= 10000; ++i)
        many += "Title " + QByteArray::number(i) + "\n";
    EXPECT_EQ(problemLines(many), QList<qint64>{kMostTracks + 1});
}

TEST(DiscTracks, TheTimeLineTellsWhatIsLeftOrHowFarOver) {
    const QList<Track> tracks{{1, "1", "a", {}, {}, {}, 1500}, {2, "2", "b", {}, {}, {}, 1210}};
    EXPECT_EQ(TimeLine(tracks, {74, 1, "SP"}), "合計 45:10 ／ 74分 SP で残り 28:50");
    EXPECT_EQ(TimeLine(tracks, {60, 4, "LP4"}), "合計 45:10 ／ 60分 LP4 で残り 194:50");
    QList<Track> more = tracks + QList<Track>{{3, "3", "c", {}, {}, {}, 2000}, {4, "4", "d"}};
    EXPECT_EQ(TimeLine(more, {74, 1, "SP"}),
              "合計 78:30 ／ 74分 SP を 4:30 超えています (長さの分からない曲が 1 曲あります)");
}
