#include "shiftjis.h"
#include "testsupport.h"
#include "titlefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <unistd.h>

using titlefile::CanEncode;
using titlefile::FileError;
using titlefile::InputFile;
using titlefile::OutputFile;

namespace {

class TitleFileTest : public ::testing::Test {
protected:
    QString path(const QString& name = QStringLiteral("TITLE.TXT")) const {
        return dir_.filePath(name);
    }

    void put(const QByteArray& bytes) const {
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray contents() const {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void save(const QStringList& values) const {
        OutputFile out(path());
        for (const QString& value : values)
            out.Write(value);
        out.Close();
    }

    // Reads exactly `count` values and insists the file has nothing more to give.
    QStringList readAll(int count) const {
        InputFile in(path());
        QStringList values;
        for (int i = 0; i < count; ++i)
            values << in.Input();
        EXPECT_THROW(in.Input(), FileError);
        return values;
    }

    // Saves in a child whose files cannot grow past `limit` bytes, as on a filling disk. With the
    // folder locked (0555) a root child saves as nobody, who owns the file but not the folder.
    // The child's verdict: 0 saved, 1 refused naming the file and the reason, 2 otherwise.
    int saveInChild(const QString& title, qint64 limit, bool locked) {
        QFile::setPermissions(dir_.path(), QFile::Permissions(locked ? 0x5555 : 0x7700));
        const bool asNobody = locked && geteuid() == 0 && !chown(path().toLocal8Bit(), 65534, 0);
        const int verdict = ExitStatusInChild([&] {
            if (!LimitFileSize(limit) || (asNobody && setuid(65534)))
                return 3;
            try {
                save({title});
                return 0;
            } catch (const FileError& e) {
                const QString said = QString::fromUtf8(e.what());
                return said.contains("TITLE.TXT") && said.contains(strerror(EFBIG)) ? 1 : 2;
            }
        });
        QFile::setPermissions(dir_.path(), QFile::Permissions(0x7700));
        return verdict;
    }

    QStringList parse(const QByteArray& bytes, int count) const {
        put(bytes);
        return readAll(count);
    }

    QTemporaryDir dir_;
};

const QString kReplacement(QChar::ReplacementCharacter);

TEST_F(TitleFileTest, WritesQuotedShiftJisLinesWithCrLf) {
    save({"ABC", "DEF", "Y", "N"});
    EXPECT_EQ(contents(), QByteArray("\"ABC\"\r\n\"DEF\"\r\n\"Y\"\r\n\"N\"\r\n"));

    save({QStringLiteral("ＭＤ明朝"), ""});
    EXPECT_EQ(contents(), QByteArray("\"\x82\x6C\x82\x63\x96\xBE\x92\xA9\"\r\n\"\"\r\n"));
}

TEST_F(TitleFileTest, WrittenValuesReadBackOneByOne) {
    const QStringList titles = {QStringLiteral("ＭＤ「明朝」ｶﾀｶﾅ"),
                                "Rock, Paper",
                                "",
                                "  padded  ",
                                "",
                                "two\r\nlines",
                                "~\\"};
    save(titles);
    EXPECT_EQ(readAll(titles.size()), titles);
}

TEST_F(TitleFileTest, ReadsInputSyntaxWrittenByOtherTools) {
    EXPECT_EQ(parse("\"A\",\"B,C\",D\r\n", 3), QStringList({"A", "B,C", "D"}));
    EXPECT_EQ(parse(" \t ABC  DEF \t,\t\"GHI\"\r\n", 2), QStringList({"ABC  DEF", "GHI"}));
    EXPECT_EQ(parse("\"A\"\n\"B\"\nC\n", 3), QStringList({"A", "B", "C"}));
    EXPECT_EQ(parse("\"A\"\r\"B\"\rC", 3), QStringList({"A", "B", "C"}));
    EXPECT_EQ(parse("\"A\"\r\n\r\n\"C\"\r\n", 3), QStringList({"A", "", "C"}));
    EXPECT_EQ(parse("\"A\" junk,\"B\" x\r\nC", 3), QStringList({"A", "B", "C"}));
    EXPECT_EQ(parse("A,", 2), QStringList({"A", ""}));
}

TEST_F(TitleFileTest, RunningOutOfValuesThrowsAfterTheEarlierOnes) {
    put("\"ABC\"\r\n\"DEF\"\r\n");
    InputFile in(path());
    EXPECT_EQ(in.Input(), "ABC");
    EXPECT_EQ(in.Input(), "DEF");
    EXPECT_THROW(in.Input(), FileError);

    put("");
    EXPECT_THROW(InputFile(path()).Input(), FileError);
    EXPECT_THROW(InputFile(path("MISSING.TXT")), FileError);
}

TEST_F(TitleFileTest, DamagedShiftJisSpoilsOnlyItsOwnValue) {
    // Lead byte cut off at the end of the file.
    EXPECT_EQ(parse("\"A\"\r\n\"B\x82", 2), QStringList({"A", "B" + kReplacement}));
    // Lead byte whose trail byte would have been the closing quote.
    EXPECT_EQ(parse("\"X\x82\"\r\n\"NEXT\"\r\n\"\x96\xBE\"\r\n", 3),
              QStringList({"X" + kReplacement, "NEXT", QStringLiteral("明")}));
    // Bytes that are no character at all.
    EXPECT_EQ(parse("\"\xFD\xA0\"\r\n\"OK\"\r\n", 2),
              QStringList({kReplacement + kReplacement, "OK"}));
}

TEST_F(TitleFileTest, QuotesReadBackUnlessOneCouldCloseTheValue) {
    save({"say \"hi\" now", "next", "last"});
    EXPECT_EQ(contents(), QByteArray("\"say \"hi\" now\"\r\n\"next\"\r\n\"last\"\r\n"));
    save({"A\"B", "\"quoted\" word", "A\"B,C"});
    EXPECT_EQ(readAll(3), QStringList({"A\"B", "\"quoted\" word", "A\"B,C"}));
    for (const QString refused : {"A\",B", "A\" \t, B", "AB\"", "AB\"  ", "A\"\nB"})
        EXPECT_THROW(OutputFile(path()).Write(refused), FileError) << refused.toStdString();
    EXPECT_EQ(parse("\"A\"B,C\"\r\n\"DEF\"\r\n\"Y\"\r\n\"N\"\r\n", 4),
              QStringList({"A\"B,C", "DEF", "Y", "N"}));
}

TEST_F(TitleFileTest, UnicodeLookAlikesAreSavedAsTheirCodePage932Forms) {
    const struct {
        char16_t typed;
        QByteArray bytes;
    } cases[] = {
        {0x301C, "\x81\x60"}, {0x2016, "\x81\x61"}, {0x2212, "\x81\x7C"}, {0x00A2, "\x81\x91"},
        {0x00A3, "\x81\x92"}, {0x00AC, "\x81\xCA"}, {0x2014, "\x81\x5C"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QString::number(c.typed, 16).toStdString());
        EXPECT_TRUE(CanEncode(QString(QChar(c.typed))));
        save({QString(QChar(c.typed))});
        EXPECT_EQ(contents(), '"' + c.bytes + "\"\r\n");
    }
    save({QStringLiteral("1〜2")});
    EXPECT_EQ(readAll(1), QStringList({QStringLiteral("1～2")}));
}

TEST_F(TitleFileTest, RefusedCharacterLeavesOldFileAndBufferClean) {
    const QByteArray old = "\"OLD\"\r\n";
    put(old);
    const QString refused[] = {QStringLiteral("Café"), QStringLiteral("𠮷野家"),
                               QStringLiteral("MD 😀"), "A" + QString(QChar(0xD800))};
    OutputFile out(path());
    out.Write("OK");
    for (const QString& text : refused) {
        SCOPED_TRACE(text.toStdString());
        EXPECT_FALSE(CanEncode(text));
        EXPECT_NE(shiftjis::FirstUnencodable(text), "") << "the window would save it";
        EXPECT_THROW(out.Write(text), FileError);
    }
    EXPECT_EQ(contents(), old);

    try {
        out.Write(QStringLiteral("Café"));
        FAIL() << "an unencodable title was accepted";
    } catch (const FileError& e) {
        EXPECT_NE(QString::fromUtf8(e.what()).indexOf(QStringLiteral("「é」")), -1) << e.what();
    }
    out.Write("B");
    out.Close();
    EXPECT_EQ(contents(), QByteArray("\"OK\"\r\n\"B\"\r\n"));
}

// A settings file the user keeps elsewhere under a link, or private to himself, stays so.
TEST_F(TitleFileTest, SavingThroughALinkOrOverAPrivateFileKeepsBoth) {
    const QString target = path("kept/TITLE.TXT");
    ASSERT_TRUE(QDir().mkpath(path("kept")));
    put("\"OLD\"\r\n");
    ASSERT_TRUE(QFile::rename(path(), target));
    ASSERT_TRUE(QFile::link(target, path()));
    ASSERT_TRUE(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner));
    save({"NEW"});
    EXPECT_TRUE(QFileInfo(path()).isSymLink());
    EXPECT_EQ(QFileInfo(path()).symLinkTarget(), target);
    EXPECT_EQ(contents(), "\"NEW\"\r\n");
    EXPECT_EQ(QFileInfo(target).permissions() & 0x7077, QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(QDir(path("kept")).entryList(QDir::Files | QDir::Hidden), QStringList{"TITLE.TXT"});
}

TEST_F(TitleFileTest, FailedSaveReportsTheFileAndKeepsTheOldOne) {
    put("not a directory");
    OutputFile blocked(path() + "/TITLE.TXT");
    blocked.Write("X");
    try {
        blocked.Close();
        FAIL() << "saving below a regular file succeeded";
    } catch (const FileError& e) {
        EXPECT_NE(QString::fromUtf8(e.what()).indexOf("TITLE.TXT"), -1) << e.what();
    }

    const QByteArray old = "\"OLD\"\r\n";
    put(old);
    for (const bool locked : {false, true}) {
        EXPECT_EQ(saveInChild(QString(200, 'N'), 64, locked), 1) << locked;
        EXPECT_EQ(contents(), old);
        EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList({"TITLE.TXT"}));
    }
    // A locked folder is no reason to refuse a file that may be written.
    EXPECT_EQ(saveInChild("NEW", std::numeric_limits<qint64>::max(), true), 0);
    EXPECT_EQ(contents(), "\"NEW\"\r\n");
}

// The user's own files, whatever their names, stay; only what a killed save left goes.
TEST_F(TitleFileTest, SavingRemovesOnlyLeftoversOfAnEarlierSave) {
    const QStringList kept = {".TITLE.TXT.mdcat-save-Folder",
                              ".TITLE.TXT.mdcat-save-link12",
                              "TITLE.TXT",
                              "TITLE.TXT.backup",
                              "TITLE.TXT.oldold",
                              "TITLE.TXTxaBcDeF"};
    for (const QString& name : {kept[3], kept[4], kept[5], QString(".TITLE.TXT.mdcat-save-aB3dEf")})
        QFile(path(name)).open(QIODevice::WriteOnly);
    QFile::link(path(kept[3]), path(kept[1]));
    QDir(dir_.path()).mkdir(kept[0]);
    save({"X"});
    EXPECT_EQ(QDir(dir_.path())
                  .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                             QDir::Name),
              kept);
}

} // namespace
