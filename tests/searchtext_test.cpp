#include "linestarts.h"
#include "searchtext.h"

#include <gtest/gtest.h>
#include <random>

namespace {

// Every occurrence, as the plain library search finds them one after another.
std::vector<size_t> Occurrences(std::string_view text, std::string_view needle, size_t step) {
    std::vector<size_t> found;
    for (size_t at = text.find(needle); at != std::string_view::npos;
         at = text.find(needle, at + step))
        found.push_back(at);
    return found;
}

} // namespace

// Texts of every length about the sixteen bytes checked at once, with needles of one byte and
// longer, and callers that skip on by one byte and by several: what the sweep finds is what a
// plain search finds, at the ends of blocks too.
TEST(SearchText, TheSweepFindsWhatAPlainSearchFinds) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> letter(0, 2);
    for (int trial = 0; trial < 3000; ++trial) {
        std::string text(size_t(trial % 70), ' ');
        for (char& c : text)
            c = "ab\xE3"[letter(random)];
        std::string needle(size_t(1 + trial % 5), ' ');
        for (char& c : needle)
            c = "ab\xE3"[letter(random)];
        for (const size_t step : {size_t(1), needle.size() + 3}) {
            std::vector<size_t> found;
            ForEachOccurrence(text, needle, [&](size_t at) {
                found.push_back(at);
                return at + step;
            });
            ASSERT_EQ(found, Occurrences(text, needle, step)) << text << " / " << needle;
        }
        const char* first = FindIn(text, needle);
        EXPECT_EQ(first ? size_t(first - text.data()) : std::string_view::npos, text.find(needle));
    }
}

// Lengths in a byte and beyond one, read one by one, by jumps, and each alone.
TEST(SearchText, LineStartsAreWhereTheLinesWereLaidDown) {
    LineStarts starts;
    std::vector<quint32> expected;
    quint32 end = 0;
    for (quint32 line = 0; line < 1000; ++line) {
        const quint32 length = line % 97 == 0 ? 254 + line : line % 7;
        expected.push_back(end);
        starts.Add(length);
        end += length;
    }
    expected.push_back(end);
    for (quint32 line = 0; line <= 1000; ++line)
        ASSERT_EQ(starts.Start(line), expected[line]) << line;
    LineStarts::Walker walker(starts, 3);
    for (const quint32 line : {4u, 60u, 64u, 65u, 300u, 301u, 999u}) {
        walker.MoveTo(line);
        EXPECT_EQ(walker.Start(), expected[line]) << line;
        EXPECT_EQ(walker.End(), expected[line + 1]) << line;
    }
}
