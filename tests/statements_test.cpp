#include "hasquote.h"
#include "numbertext.h"
#include "statements.h"

#include <gtest/gtest.h>

namespace {

namespace c = statements::caldrin;
namespace t = statements::trensoly;

TEST(Statements, TextsWithoutQuotesAreExactlyTheCataloguesPieces) {
    const std::pair<QString, const char*> expected[] = {
        {c::AllAlbums(),
         "SELECT アルバム名 FROM データレコード GROUP BY アルバム名 ORDER BY アルバム名 "},
        {c::AllArtistsOrdered(),
         "SELECT アーチスト名 FROM データレコード GROUP BY アーチスト名 ORDER BY アーチスト名"},
        {statements::AllArtists(), "SELECT アーチスト名 FROM データレコード GROUP BY アーチスト名"},
        {c::ArtistsOfAlbum("夏"),
         "SELECT アーチスト名 FROM データレコード WHERE アルバム名 = '夏' GROUP BY アーチスト名"},
        {c::AlbumsOfArtist("森"), "SELECT アルバム名 FROM データレコード WHERE アーチスト名 = "
                                  "'森'GROUP BY アルバム名 ORDER BY アルバム名 "},
        {c::AlbumsOfArtistUnordered("森"),
         "SELECT アルバム名 FROM データレコード WHERE アーチスト名 = '森' GROUP BY アルバム名"},
        {c::TracksOfAlbum("夏", "森"), "SELECT * FROM データレコード WHERE アルバム名 = '夏' AND "
                                       "アーチスト名 = '森' ORDER BY 曲番"},
        {c::TracksOfArtist("森", "夏"),
         "SELECT * FROM データレコード WHERE アーチスト名 = '森' AND "
         "アルバム名 = '夏' ORDER BY 曲番"},
        {t::AllDiscs("DESC"),
         "SELECT MD番号 FROM データレコード GROUP BY MD番号 ORDER BY MD番号 DESC"},
        {t::AllDiscs(""), "SELECT MD番号 FROM データレコード GROUP BY MD番号 ORDER BY MD番号 "},
        {t::TracksOfDisc("12"), "SELECT * FROM データレコード WHERE MD番号 = '12' ORDER BY 曲番"},
        {t::TracksOfArtist("森"),
         "SELECT * FROM データレコード WHERE アーチスト名 = '森' ORDER BY MD番号, 曲番"},
        {statements::Table(), "データレコード"},
        {statements::IdCriterion("42"), "[ID] = 42"},
    };
    for (const auto& [actual, text] : expected)
        EXPECT_EQ(actual.toStdString(), text);
}

TEST(Statements, TypedQuotesAreDoubledSoTheyStayInsideTheLiteral) {
    EXPECT_EQ(c::TracksOfAlbum("Rock'n'Roll", "x' OR '1'='1").toStdString(),
              "SELECT * FROM データレコード WHERE アルバム名 = 'Rock''n''Roll' AND アーチスト名 = "
              "'x'' OR ''1''=''1' ORDER BY 曲番");
}

TEST(HasQuoteTest, FindsAQuoteAnywhereInAnyLength) {
    EXPECT_FALSE(HasQuote(""));
    EXPECT_FALSE(HasQuote("   "));
    EXPECT_FALSE(HasQuote("Blue Harbor"));
    EXPECT_TRUE(HasQuote("Rock'n"));
    EXPECT_TRUE(HasQuote("'"));
    EXPECT_TRUE(HasQuote("abc'   "));
    EXPECT_FALSE(HasQuote("’"));
    EXPECT_TRUE(HasQuote(QString(40000, QLatin1Char('a')) + QLatin1Char('\'')));
}

TEST(NumberText, AcceptsPlainDecimalNotationOnly) {
    for (const char* text : {"7", "007", " 12 ", "-3", "+4", "1.5", ".5", "5.", "1e3", "2.5E-1",
                             "７", "１．５", "－２"})
        EXPECT_TRUE(ParseNumber(QString::fromUtf8(text))) << text;
    for (const char* text :
         {"", " ", "7a", "abc", "1,000", "1e", "--1", "1e999", "0x10", "七", "①", "²"})
        EXPECT_FALSE(ParseNumber(QString::fromUtf8(text))) << text;
    EXPECT_EQ(*ParseNumber("１２"), 12);
}

TEST(NumberText, WritesNumbersAsAPersonWould) {
    EXPECT_EQ(NumberToText(8), "8");
    EXPECT_EQ(NumberToText(*ParseNumber("007") + 1), "8");
    EXPECT_EQ(NumberToText(2.5 + 1), "3.5");
    // What is stored, never a rounding of it that reads back as another number.
    EXPECT_EQ(NumberToText(0.1 + 0.2), "0.30000000000000004");
    EXPECT_EQ(NumberToText(0.3), "0.3");
    EXPECT_EQ(NumberToText(-2), "-2");
    EXPECT_EQ(NumberToText(1e20), "1E+20");
    EXPECT_EQ(ValueToText(QVariant()), "");
    EXPECT_EQ(ValueToText(QVariant(7.0)), "7");
}

} // namespace
