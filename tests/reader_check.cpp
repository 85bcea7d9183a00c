// Every reader fed mutated copies of real files, built with the address and undefined-behaviour
// sanitizers. A reader takes a file whole or refuses it: what it took must come back the same
// through a second export and import, and a refusal names a line the file has.
#include "democatalogue.h"
#include "disctracks.h"
#include "numbertext.h"
#include "titlefile.h"
#include "trackbook.h"
#include "trackcsv.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>

namespace {

// About a minute for all the readers together.
constexpr qint64 kMillisecondsPerReader = 8000;
constexpr int kMostMutations = 20000;

class Mutator {
public:
    explicit Mutator(unsigned sequence) : random_(sequence) {}

    // One to four changes of the kinds a damaged or hand-edited file shows.
    QByteArray Mutated(QByteArray bytes) {
        for (int changes = Pick(1, 4); changes > 0; --changes) {
            const qsizetype at = bytes.isEmpty() ? 0 : Pick(0, int(bytes.size()) - 1);
            switch (Pick(0, 5)) {
            case 0:
                if (!bytes.isEmpty())
                    bytes[at] = char(Pick(0, 255));
                break;
            case 1:
                bytes.insert(at, kInteresting[Pick(0, std::size(kInteresting) - 1)]);
                break;
            case 2:
                bytes.remove(at, Pick(1, 16));
                break;
            case 3:
                bytes.insert(at, bytes.mid(Pick(0, int(bytes.size())), Pick(1, 64)));
                break;
            case 4:
                bytes.truncate(at);
                break;
            default:
                if (!bytes.isEmpty())
                    bytes[at] = char(bytes[at] ^ (1 << Pick(0, 7)));
            }
        }
        return bytes;
    }

private:
    int Pick(int low, int high) { return std::uniform_int_distribution(low, high)(random_); }

    static constexpr const char* kInteresting[] = {"\"",
                                                   ",",
                                                   "\r\n",
                                                   "\n",
                                                   "'",
                                                   "\\",
                                                   "\\,",
                                                   "\x82\xA0",
                                                   "\xEF\xBB\xBF",
                                                   "\xFF",
                                                   "99999999999999999999",
                                                   "-1",
                                                   "1e308",
                                                   "0.30000000000000004",
                                                   "9:99",
                                                   "TRACK 100 AUDIO",
                                                   "INDEX 01 07:99:00",
                                                   "TTITLE2147483647=",
                                                   "<",
                                                   "&amp;",
                                                   "<f>1</f>",
                                                   "t=\"s\"",
                                                   "r=\"a1\""};
    std::mt19937 random_;
};

// A catalogue for what the readers take, emptied before each file.
class Scratch {
public:
    explicit Scratch(Program program) : program_(program) {
        const QString path = folder_.filePath(tracktable::FileName(program));
        democatalogue::Create(path, program, 0);
        db_ = tracktable::OpenCatalogue(path, program);
        db_->Execute("PRAGMA synchronous = OFF");
        db_->Execute("PRAGMA journal_mode = MEMORY");
    }
    Database& Emptied() {
        db_->Execute("DELETE FROM データレコード");
        return *db_;
    }
    Program program() const { return program_; }

private:
    QTemporaryDir folder_;
    Program program_;
    std::unique_ptr<Database> db_;
};

qint64 LineCount(const QByteArray& bytes) {
    return bytes.count('\n') + 1;
}

// Mutates seeds until the time or the count runs out, checking each with check; returns how
// many were taken whole.
int Fuzz(const QList<QByteArray>& seeds, unsigned sequence,
         const std::function<bool(const QByteArray&)>& check) {
    Mutator mutator(sequence);
    QElapsedTimer clock;
    clock.start();
    int accepted = 0;
    for (int i = 0; i < kMostMutations && clock.elapsed() < kMillisecondsPerReader; ++i) {
        const QByteArray file = mutator.Mutated(seeds[i % seeds.size()]);
        SCOPED_TRACE(file.toBase64().toStdString());
        accepted += check(file) ? 1 : 0;
        if (testing::Test::HasFailure())
            break;
    }
    return accepted;
}

// Hostile but storable values, as the export tests use.
void FillSeedCatalogue(Database& db, Program program) {
    democatalogue::AddTracks(db, program, 30);
    db.Execute("UPDATE データレコード SET 曲名 = '\"q\", a\r\nb ソ表能' WHERE ID = 3");
    db.Execute("UPDATE データレコード SET 曲番 = 0.30000000000000004 WHERE ID = 4");
}

void ExpectRefusalsNameLines(const QList<trackcsv::Problem>& problems, const QByteArray& file) {
    for (const trackcsv::Problem& problem : problems)
        EXPECT_TRUE(problem.line >= 0 && problem.line <= LineCount(file) + 1)
            << problem.line << " " << problem.reason.toStdString();
}

// Accepted, the tracks go out and in again unchanged.
bool CheckTable(Scratch& scratch, const QByteArray& file, bool workbook) {
    const Program program = scratch.program();
    Database& db = scratch.Emptied();
    qint64 added = 0;
    const QList<trackcsv::Problem> problems = trackbook::Import(db, program, file, &added);
    if (!workbook)
        ExpectRefusalsNameLines(problems, file);
    const QByteArray first = trackcsv::Export(db, program, trackcsv::Encoding::Utf8);
    if (!problems.isEmpty()) {
        EXPECT_EQ(first.count("\r\n"), 1) << "a refused file added tracks";
        return false;
    }
    const QByteArray again =
        workbook ? trackbook::Export(db, program, trackbook::Format::Workbook) : first;
    Database& second = scratch.Emptied();
    EXPECT_EQ(trackbook::Import(second, program, again).size(), 0);
    EXPECT_EQ(trackcsv::Export(second, program, trackcsv::Encoding::Utf8), first);
    return true;
}

QList<QByteArray> TableSeeds(Program program, bool workbook) {
    Scratch source(program);
    Database& db = source.Emptied();
    FillSeedCatalogue(db, program);
    if (workbook)
        return {trackbook::Export(db, program, trackbook::Format::Workbook)};
    return {trackcsv::Export(db, program, trackcsv::Encoding::Utf8),
            trackcsv::Export(db, program, trackcsv::Encoding::Cp932)};
}

TEST(ReaderCheck, CsvFiles) {
    for (const Program program : {Program::Caldrin, Program::Trensoly}) {
        Scratch scratch(program);
        const int accepted =
            Fuzz(TableSeeds(program, false), 1 + int(program),
                 [&](const QByteArray& file) { return CheckTable(scratch, file, false); });
        EXPECT_GT(accepted, 0) << "no mutation was taken: the check tested only refusals";
    }
}

TEST(ReaderCheck, Workbooks) {
    Scratch scratch(Program::Caldrin);
    const int accepted = Fuzz(TableSeeds(Program::Caldrin, true), 3, [&](const QByteArray& file) {
        return CheckTable(scratch, file, true);
    });
    EXPECT_GT(accepted, 0);
}

TEST(ReaderCheck, TitleFiles) {
    QTemporaryDir folder;
    const QString path = folder.filePath("TITLE.TXT");
    const QByteArray settings =
        "\"夏の午後 \"\"live\"\"\",\"ｶﾞﾗｽ\"\r\n\"ASC\"\r\n\"Y\"\r\n\"N\"\r\n";
    const auto write = [&](const QByteArray& bytes) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    const auto read = [&](QStringList& values) {
        try {
            titlefile::InputFile input(path);
            for (int i = 0; i < 5; ++i)
                values << input.Input();
        } catch (const titlefile::FileError&) {
            return false;
        }
        return true;
    };
    const int accepted = Fuzz({settings}, 4, [&](const QByteArray& file) {
        QStringList values;
        if (!write(file) || !read(values))
            return false;
        if (!std::all_of(values.begin(), values.end(), [](const QString& value) {
                return titlefile::ReadsBackWhole(value) && titlefile::CanEncode(value);
            }))
            return false;
        titlefile::OutputFile output(path);
        for (const QString& value : values)
            output.Write(value);
        output.Close();
        QStringList again;
        EXPECT_TRUE(read(again));
        EXPECT_EQ(again, values);
        return true;
    });
    EXPECT_GT(accepted, 0);
}

// Accepted, the disc's tracks are stored exactly as the entry rules take them.
bool CheckDisc(Scratch& scratch, const QByteArray& file) {
    const disctracks::Read read = disctracks::ReadDisc(file);
    ExpectRefusalsNameLines(read.problems, file);
    if (!read.problems.isEmpty())
        return false;
    for (const disctracks::Track& track : read.disc.tracks) {
        EXPECT_TRUE(track.line >= 1 && track.line <= LineCount(file));
        EXPECT_TRUE(!track.seconds ||
                    (*track.seconds >= 0 && *track.seconds <= disctracks::kLongestTrack));
    }
    EXPECT_LE(read.disc.tracks.size(), disctracks::kMostTracks);
    const Program program = scratch.program();
    const auto tracks =
        disctracks::TracksToAdd(read.disc, program, {QStringLiteral("A"), QStringLiteral("B")});
    if (!trackadd::Check(program, tracks).isEmpty())
        return true;
    Database& db = scratch.Emptied();
    const auto rows = trackadd::Add(db, program, tracks);
    EXPECT_EQ(rows.size(), tracks.size());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        QStringList stored;
        for (const QVariant& value : rows[i].after)
            stored << ValueToText(value);
        QStringList expected = tracks[i].values;
        const qsizetype number = tracktable::UserColumns(program).indexOf("曲番");
        expected[number] = ValueToText(*ParseStoredNumber(expected[number]));
        EXPECT_EQ(stored, expected);
    }
    return true;
}

TEST(ReaderCheck, DiscTitles) {
    const QList<QByteArray> seeds = {
        "REM COMMENT \"cuetools\"\nTITLE \"夏の午後\"\nPERFORMER \"森 健\"\nFILE \"disc.wav\" "
        "WAVE\n  TRACK 01 AUDIO\n    TITLE \"約束\"\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n"
        "    TITLE \"花火\"\n    PERFORMER \"ｷﾑﾗ Trio\"\n    INDEX 00 03:40:00\n    INDEX 01 "
        "03:45:00\n  TRACK 03 MODE1/2352\n    INDEX 01 07:00:30\n",
        "# xmcd\n#\n# Track frame offsets:\n#\t150\n#\t17025\n#\n# Disc length: 400 seconds\n#\n"
        "DISCID=1a02\nDTITLE=Various / Summer Hits\nTTITLE0=Anna / A very long ti\nTTITLE0=tle\n"
        "TTITLE1=Ben / B\\nC\nEXTD=\n",
        "INDEX,GROUP RANGE,GROUP NAME,GROUP FULL WIDTH NAME,NAME,FULL WIDTH NAME,HIMD ALBUM,HIMD "
        "ARTIST,DURATION,ENCODING,BITRATE\n0,,,,Natsu,夏,,,2400,,\n1,0-1,Side A,Ａ面,Hello\\, "
        "World,こんにちは、世界,,Anna,225,LP2,132\n2,,,,Say \"hi\",,,,195,LP2,132\n",
        "01 Dawn 3:45\n\n2. Noon - 4:05\n3) 99 Luftballons\n",
    };
    for (const Program program : {Program::Caldrin, Program::Trensoly}) {
        Scratch scratch(program);
        const int accepted = Fuzz(seeds, 5 + int(program),
                                  [&](const QByteArray& file) { return CheckDisc(scratch, file); });
        EXPECT_GT(accepted, 0);
    }
}

} // namespace
