#include "searchtext.h"
#include "testsupport.h"
#include "trackindex.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

// Tracks made by the sqlite3 shell, as another tool would store them: untyped columns, no NOCASE,
// numbers that are whole, fractional or missing, titles in half-width katakana and full-width
// Latin, a missing title. More tracks than the first part searched while the rest is read, in
// many runs of artist and album, so that every batch, share and part boundary is crossed.
void FillCatalogue(const QString& file, int tracks) {
    Shell(file, QStringLiteral(
                    "CREATE TABLE データレコード (ID INTEGER PRIMARY KEY, アーチスト名, "
                    "アルバム名, 曲番, 曲名);"
                    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                    "INSERT INTO データレコード (ID, アーチスト名, アルバム名, 曲番, 曲名) "
                    "SELECT i * 3, 'Artist ' || (i % 97), 'Album ' || (i % 1009), "
                    "CASE i % 11 WHEN 0 THEN NULL WHEN 1 THEN i % 20 + 0.5 ELSE i % 20 END, "
                    "CASE i % 13 WHEN 0 THEN NULL WHEN 1 THEN 'ﾗｽﾄ ﾀﾞﾝｽ ' || i "
                    "WHEN 2 THEN 'ＲＡＩＮ ' || i WHEN 3 THEN '月の光 ' || i "
                    "ELSE 'Title ' || i END FROM n")
                    .arg(tracks));
}

// Every track in browsing order, its texts folded one by one.
struct PlainTrack {
    qint64 id;
    QStringList folded;
};

std::vector<PlainTrack> PlainTracks(Database& db) {
    const StatementHandle stmt =
        db.Prepare(QStringLiteral("SELECT ID, アーチスト名, アルバム名, 曲番, 曲名 FROM "
                                  "データレコード ORDER BY アルバム名, アーチスト名, 曲番, ID"));
    std::vector<PlainTrack> tracks;
    while (sqlite3_step(stmt.get()) == SQLITE_ROW) {
        PlainTrack track{sqlite3_column_int64(stmt.get(), 0), {}};
        for (int column = 1; column <= 4; ++column) {
            const auto* text =
                reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), column));
            track.folded << FoldForSearch(QString::fromUtf8(text ? text : ""));
        }
        tracks.push_back(std::move(track));
    }
    return tracks;
}

// The IDs a plain search finds among the first tracks, in browsing order.
std::vector<qint64> PlainlyFound(const std::vector<PlainTrack>& tracks, const QString& needle,
                                 size_t limit) {
    const QString folded = FoldForSearch(needle);
    std::vector<qint64> found;
    for (size_t track = 0; track < std::min(limit, tracks.size()); ++track) {
        const auto& texts = tracks[track].folded;
        if (std::any_of(texts.begin(), texts.end(),
                        [&](const QString& text) { return text.contains(folded); }))
            found.push_back(tracks[track].id);
    }
    return found;
}

std::vector<qint64> FoundIds(TrackIndex& index, const QString& needle) {
    std::vector<qint64> ids;
    const size_t count = index.Find(needle);
    for (size_t result = 0; result < count; ++result)
        ids.push_back(index.Id(index.Found(result)));
    return ids;
}

// Keys found almost everywhere, in many tracks, in a few, in names alone and nowhere, of one byte
// and longer; each typed on from the one before, as a user narrows a search, and afresh.
const QStringList kNeedles = {"t",    "ti",         "title 1", "title 12",  "ﾀﾞﾝｽ", "ダンス",
                              "rain", "ｒａｉｎ 5", "album 7", "artist 96", "0.5",  "月の",
                              "zzz",  "5",          "7",       "z"};

} // namespace

TEST(TrackIndex, FindsWhatAPlainSearchFindsInBrowsingOrder) {
    constexpr int kTracks = 70000;
    CatalogueFolder folder;
    FillCatalogue(folder.File(), kTracks);
    const std::vector<PlainTrack> plain = PlainTracks(*folder.Open());
    std::atomic<bool> cancelled = false;
    std::shared_ptr<const TrackIndex::Tracks> part;
    const auto whole = TrackIndex::Read(folder.File(), Program::Caldrin, cancelled,
                                        [&](auto first) { part = std::move(first); });
    ASSERT_NE(whole, nullptr);
    ASSERT_NE(part, nullptr);
    TrackIndex index(folder.File(), Program::Caldrin);
    index.Take(whole);
    EXPECT_EQ(index.Find({}), size_t(kTracks));
    TrackIndex partIndex(folder.File(), Program::Caldrin);
    partIndex.Take(part);
    const size_t partCount = partIndex.Find({});
    ASSERT_GT(partCount, 0u);
    ASSERT_LT(partCount, size_t(kTracks));
    for (const bool narrowing : {true, false}) {
        for (const QString& needle : kNeedles) {
            if (!narrowing)
                index.Find(QStringLiteral("\x01"));
            EXPECT_EQ(FoundIds(index, needle), PlainlyFound(plain, needle, kTracks))
                << needle.toStdString();
            EXPECT_EQ(FoundIds(partIndex, needle), PlainlyFound(plain, needle, partCount))
                << needle.toStdString();
        }
    }
}

// Closing the find window while it reads stops the read without waiting for the rest.
TEST(TrackIndex, ACancelledReadGivesNothing) {
    CatalogueFolder folder;
    FillCatalogue(folder.File(), 20000);
    std::atomic<bool> cancelled = true;
    EXPECT_EQ(TrackIndex::Read(folder.File(), Program::Caldrin, cancelled), nullptr);
}
