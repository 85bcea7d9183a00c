#include "trackindex.h"

#include "numbertext.h"
#include "recordset.h"
#include "searchtext.h"
#include "trackindextracks.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <malloc.h>
#include <numeric>
#include <thread>

using namespace trackindex;

namespace {

// Rows read for display are kept while the user scrolls; a new search starts afresh.
constexpr qsizetype kKeptRows = 2000;
// Results are narrowed down, rather than looked for afresh, when they are at most this share of
// the tracks.
constexpr size_t kNarrowingShare = 16;
constexpr size_t kMostSearchThreads = 4;
// How far ahead, in results, an earlier result's texts are asked for from memory while narrowing.
constexpr size_t kLookAhead = 16;
// Searched while the rest is read: about a tenth of a second's reading.
constexpr TrackIndex::Track kFirstPart = 50000;

// The names the tracks are filed under, which runs of tracks share, then the texts of each
// track's own.
QStringList NameColumns(Program program) {
    return program == Program::Caldrin
               ? QStringList{QStringLiteral("アーチスト名"), QStringLiteral("アルバム名")}
               : QStringList{QStringLiteral("MD番号"), QStringLiteral("アーチスト名")};
}
const QStringList kOwnColumns = {QStringLiteral("曲番"), QStringLiteral("曲名")};

std::string_view ColumnUtf8(sqlite3_stmt* stmt, int column) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    return {text ? text : "", size_t(sqlite3_column_bytes(stmt, column))};
}

quint32 CheckedOffset(qsizetype size) {
    if (size > qsizetype(std::numeric_limits<quint32>::max()))
        throw DbError(QStringLiteral("カタログの曲の文字が多すぎるため、検索できません。"));
    return quint32(size);
}

} // namespace

// Gives each distinct name one number and one folded copy.
class TrackIndex::Loader {
public:
    explicit Loader(Tracks& tracks) : tracks_(tracks) {}
    quint32 Name(sqlite3_stmt* stmt, int column) {
        const std::string_view utf8 = ColumnUtf8(stmt, column);
        const QByteArray raw = QByteArray::fromRawData(utf8.data(), qsizetype(utf8.size()));
        // Tracks come grouped by their names: most rows repeat the row before.
        Last& last = last_[column];
        if (last.valid && last.raw == raw)
            return last.number;
        auto known = numbers_.constFind(raw);
        if (known == numbers_.cend()) {
            tracks_.nameStarts.push_back(CheckedOffset(tracks_.names.size()));
            AppendFolded(tracks_.names, utf8);
            known = numbers_.insert(QByteArray(raw.constData(), raw.size()),
                                    quint32(tracks_.nameStarts.size() - 1));
        }
        last = {true, known.key(), *known};
        return last.number;
    }

private:
    struct Last {
        bool valid = false;
        QByteArray raw;
        quint32 number = 0;
    };
    Tracks& tracks_;
    QHash<QByteArray, quint32> numbers_;
    // By column number: the names are columns 1 and 2.
    std::array<Last, 3> last_;
};

TrackIndex::TrackIndex(const QString& catalogue, Program program)
    : catalogue_(catalogue), program_(program),
      db_(tracktable::OpenCatalogue(catalogue, program, Database::Access::ReadOnly)),
      columns_(QStringList{QStringLiteral("ID")} + tracktable::UserColumns(program)) {
    rowQuery_ = db_->Prepare(QStringLiteral("SELECT %1 FROM %2 WHERE ID = ?")
                                 .arg(columns_.join(QStringLiteral(", ")), tracktable::kTable));
}

TrackIndex::~TrackIndex() = default;

qint64 TrackIndex::Id(Track track) const {
    return track < tracks_->Count() ? tracks_->Id(track) : written_[track - tracks_->Count()].id;
}

void TrackIndex::Take(std::shared_ptr<const Tracks> tracks) {
    tracks_ = std::move(tracks);
    gone_.clear();
    written_.clear();
    lastNeedle_.clear();
    found_.clear();
    all_ = false;
    rows_.clear();
}

std::shared_ptr<const TrackIndex::Tracks> TrackIndex::Read(const QString& catalogue,
                                                           Program program,
                                                           const std::atomic<bool>& cancelled,
                                                           const FirstPart& firstPart) {
    const auto db = tracktable::OpenCatalogue(catalogue, program, Database::Access::ReadOnly);
    const StatementHandle stmt =
        db->Prepare(QStringLiteral("SELECT ID, %1 FROM %2 ORDER BY %3")
                        .arg((NameColumns(program) + kOwnColumns).join(QStringLiteral(", ")),
                             tracktable::kTable, BrowsingOrder(program)));
    auto tracks = std::make_shared<Tracks>();
    Tracks& t = *tracks;
    {
        Loader loader(t);
        int code;
        while ((code = sqlite3_step(stmt.get())) == SQLITE_ROW) {
            if (cancelled.load(std::memory_order_relaxed))
                return nullptr;
            const Track track = t.Count();
            // A copy of what is read so far: a few megabytes, while the whole takes seconds.
            if (track == kFirstPart && firstPart) {
                auto part = std::make_shared<Tracks>(t);
                part->nameStarts.push_back(CheckedOffset(part->names.size()));
                firstPart(std::move(part));
            }
            t.AddId(sqlite3_column_int64(stmt.get(), 0));
            const quint32 first = loader.Name(stmt.get(), 1);
            const quint32 second = loader.Name(stmt.get(), 2);
            if (t.runs.empty() || t.runs.back().first != first || t.runs.back().second != second)
                t.runs.push_back({track, first, second});
            const size_t start = t.lines.size();
            for (int column = 3; column < 3 + int(kOwnColumns.size()); ++column) {
                AppendFolded(t.lines, ColumnUtf8(stmt.get(), column));
                t.lines += kFieldBreak;
            }
            CheckedOffset(t.lines.size());
            t.lineStarts.Add(quint32(t.lines.size() - start));
        }
        if (code != SQLITE_DONE)
            db->Fail(code);
    }
    t.nameStarts.push_back(CheckedOffset(t.names.size()));
    t.names.shrink_to_fit();
    t.nameStarts.shrink_to_fit();
    t.runs.shrink_to_fit();
    t.lines.shrink_to_fit();
    t.lineStarts.ShrinkToFit();
    t.shortIds.shrink_to_fit();
    t.longIds.shrink_to_fit();
    // The names' lookup table is gone; give its pages back.
    malloc_trim(0);
    return tracks;
}

std::vector<char> TrackIndex::NamesContaining(std::string_view needle) const {
    const Tracks& t = *tracks_;
    std::vector<char> match(t.nameStarts.size() - 1);
    // One sweep through every name, each occurrence told to the name it begins in; one running
    // on into the next name is none.
    size_t name = 0;
    ForEachOccurrence(t.names, needle, [&](size_t at) {
        while (t.nameStarts[name + 1] <= at)
            ++name;
        if (at + needle.size() > t.nameStarts[name + 1])
            return at + 1;
        match[name] = 1;
        return size_t(t.nameStarts[name + 1]);
    });
    return match;
}

size_t TrackIndex::Find(const QString& text) {
    all_ = false;
    if (!tracks_) {
        found_.clear();
        return 0;
    }
    const Tracks& t = *tracks_;
    QString folded = FoldForSearch(text);
    folded.remove(QChar(kFieldBreak));
    const QByteArray utf8 = folded.toUtf8();
    const std::string_view needle(utf8.constData(), size_t(utf8.size()));
    // Checking each earlier result costs more than one sweep through every text once they are
    // more than a few.
    const bool narrows = !lastNeedle_.isEmpty() && utf8.contains(lastNeedle_) &&
                         found_.size() <= t.Count() / kNarrowingShare;
    all_ = needle.empty();
    if (all_)
        found_ = {};
    else if (narrows)
        found_ = FindAmong(found_, needle, NamesContaining(needle));
    else
        found_ = FindAll(needle, NamesContaining(needle));
    if (!written_.empty() || !gone_.empty())
        MergeWritten(needle);
    lastNeedle_ = utf8;
    return FoundCount();
}

size_t TrackIndex::FoundCount() const {
    return all_ ? (tracks_ ? tracks_->Count() : 0) : found_.size();
}

TrackIndex::Track TrackIndex::Found(size_t result) const {
    return all_ ? Track(result) : found_[result];
}

// Adds the tracks FROM to TO whose own texts hold the needle.
void TrackIndex::FindInTracks(Track from, Track to, std::string_view needle,
                              std::vector<Track>& found) const {
    const Tracks& t = *tracks_;
    LineStarts::Walker line(t.lineStarts, from);
    // The first key typed is one byte, found in most tracks: one look through each track's own
    // text then costs less than a sweep stopped at every track.
    if (needle.size() == 1) {
        for (; line.Current() < to; line.Next())
            if (memchr(t.lines.data() + line.Start(), needle.front(), line.End() - line.Start()))
                found.push_back(line.Current());
        return;
    }
    const quint32 base = line.Start();
    const std::string_view span(t.lines.data() + base, t.lineStarts.Start(to) - base);
    ForEachOccurrence(span, needle, [&](size_t at) {
        while (line.End() <= base + at)
            line.Next();
        found.push_back(line.Current());
        line.Next();
        return line.Current() < to ? size_t(line.Start() - base) : kNoFurther;
    });
}

void TrackIndex::FindInRuns(size_t from, size_t to, std::string_view needle,
                            const std::vector<char>& namesMatch, std::vector<Track>& found) const {
    const Tracks& t = *tracks_;
    const auto named = [&](size_t run) {
        return namesMatch[t.runs[run].first] || namesMatch[t.runs[run].second];
    };
    const auto start = [&](size_t run) {
        return run < t.runs.size() ? t.runs[run].start : t.Count();
    };
    for (size_t run = from; run < to;) {
        if (named(run)) {
            for (Track track = start(run); track < start(run + 1); ++track)
                found.push_back(track);
            ++run;
            continue;
        }
        // The runs up to the next one found by its names, in one sweep.
        size_t until = run + 1;
        while (until < to && !named(until))
            ++until;
        FindInTracks(start(run), start(until), needle, found);
        run = until;
    }
}

std::vector<TrackIndex::Track> TrackIndex::FindAll(std::string_view needle,
                                                   const std::vector<char>& namesMatch) const {
    const Tracks& t = *tracks_;
    // A sweep through a million tracks takes longer than a frame on one core; the machine's
    // cores each take a share of the runs.
    const size_t shares =
        std::clamp<size_t>(std::thread::hardware_concurrency(), 1, kMostSearchThreads);
    std::vector<std::vector<Track>> found(shares);
    std::vector<std::pair<size_t, size_t>> spans;
    for (size_t share = 0; share < shares; ++share) {
        const size_t from = t.runs.size() * share / shares;
        const size_t to = t.runs.size() * (share + 1) / shares;
        spans.emplace_back(from, to);
        // As many as the share's tracks, so no share grows its results more than once.
        const Track first = from < t.runs.size() ? t.runs[from].start : t.Count();
        const Track last = to < t.runs.size() ? t.runs[to].start : t.Count();
        found[share].reserve(last - first);
    }
    std::vector<std::thread> helpers;
    for (size_t share = 1; share < shares; ++share)
        helpers.emplace_back([&, share] {
            FindInRuns(spans[share].first, spans[share].second, needle, namesMatch, found[share]);
        });
    FindInRuns(spans[0].first, spans[0].second, needle, namesMatch, found[0]);
    for (std::thread& helper : helpers)
        helper.join();
    std::vector<Track> all;
    all.reserve(std::accumulate(found.begin(), found.end(), size_t(0),
                                [](size_t sum, const auto& share) { return sum + share.size(); }));
    for (const std::vector<Track>& share : found)
        all.insert(all.end(), share.begin(), share.end());
    return all;
}

std::vector<TrackIndex::Track> TrackIndex::FindAmong(const std::vector<Track>& candidates,
                                                     std::string_view needle,
                                                     const std::vector<char>& namesMatch) const {
    const Tracks& t = *tracks_;
    std::vector<Track> found;
    if (candidates.empty())
        return found;
    LineStarts::Walker line(t.lineStarts, 0);
    // Tracks far apart each wait for memory unless their texts are asked for ahead.
    LineStarts::Walker ahead = line;
    size_t run = 0;
    for (size_t candidate = 0; candidate < candidates.size(); ++candidate) {
        // Tracks written since the read have no place among the texts: the walker passes them.
        if (candidate + kLookAhead < candidates.size() &&
            candidates[candidate + kLookAhead] < t.Count()) {
            ahead.MoveTo(candidates[candidate + kLookAhead]);
            __builtin_prefetch(t.lines.data() + ahead.Start());
        }
        const Track track = candidates[candidate];
        // Those written since the read are looked for afresh.
        if (track >= t.Count())
            continue;
        line.MoveTo(track);
        while (run + 1 < t.runs.size() && t.runs[run + 1].start <= track)
            ++run;
        if (namesMatch[t.runs[run].first] || namesMatch[t.runs[run].second] ||
            FindIn({t.lines.data() + line.Start(), line.End() - line.Start()}, needle))
            found.push_back(track);
    }
    return found;
}

QStringList TrackIndex::Row(qint64 id) {
    if (const auto kept = rows_.constFind(id); kept != rows_.cend())
        return *kept;
    if (rows_.size() >= kKeptRows)
        rows_.clear();
    sqlite3_stmt* stmt = rowQuery_.get();
    sqlite3_reset(stmt);
    sqlite3_bind_int64(stmt, 1, id);
    QStringList row;
    const int code = sqlite3_step(stmt);
    if (code == SQLITE_ROW) {
        for (int column = 0; column < columns_.size(); ++column)
            row << ValueToText(ColumnValue(stmt, column));
    } else if (code != SQLITE_DONE) {
        db_->Fail(code);
    }
    sqlite3_reset(stmt);
    rows_.insert(id, row);
    return row;
}
