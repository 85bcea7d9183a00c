#include "trackindex.h"

#include "numbertext.h"
#include "recordset.h"
#include "searchtext.h"
#include "trackindextracks.h"

#include <algorithm>
#include <cstring>
#include <thread>
#include <utility>

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

} // namespace

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
        FindAll(needle, NamesContaining(needle));
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

// Writes out the tracks FROM to TO whose own texts hold the needle.
void TrackIndex::FindInTracks(Track from, Track to, std::string_view needle, Track*& out) const {
    const Tracks& t = *tracks_;
    LineStarts::Walker line(t.lineStarts, from);
    // The first key typed is one byte, found in most tracks: one look through each track's own
    // text then costs less than a sweep stopped at every track.
    if (needle.size() == 1) {
        for (; line.Current() < to; line.Next())
            if (memchr(t.lines.data() + line.Start(), needle.front(), line.End() - line.Start()))
                *out++ = line.Current();
        return;
    }
    const quint32 base = line.Start();
    const std::string_view span(t.lines.data() + base, t.lineStarts.Start(to) - base);
    ForEachOccurrence(span, needle, [&](size_t at) {
        while (line.End() <= base + at)
            line.Next();
        *out++ = line.Current();
        line.Next();
        return line.Current() < to ? size_t(line.Start() - base) : kNoFurther;
    });
}

void TrackIndex::FindInRuns(size_t from, size_t to, std::string_view needle,
                            const std::vector<char>& namesMatch, Track*& out) const {
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
                *out++ = track;
            ++run;
            continue;
        }
        // The runs up to the next one found by its names, in one sweep.
        size_t until = run + 1;
        while (until < to && !named(until))
            ++until;
        FindInTracks(start(run), start(until), needle, out);
        run = until;
    }
}

void TrackIndex::FindAll(std::string_view needle, const std::vector<char>& namesMatch) {
    const Tracks& t = *tracks_;
    // A sweep through a million tracks takes longer than a frame on one core; the machine's
    // cores each take a share of the runs. Each writes its results where its tracks are, so the
    // results of a key found almost everywhere take the room of one list of every track, in the
    // list kept from the key before.
    const size_t shares =
        std::clamp<size_t>(std::thread::hardware_concurrency(), 1, kMostSearchThreads);
    found_.resize(t.Count());
    struct Share {
        size_t fromRun, toRun;
        Track* begin;
        Track* end;
    };
    std::vector<Share> spans;
    for (size_t share = 0; share < shares; ++share) {
        const size_t from = t.runs.size() * share / shares;
        const size_t to = t.runs.size() * (share + 1) / shares;
        Track* begin = found_.data() + (from < t.runs.size() ? t.runs[from].start : t.Count());
        spans.push_back({from, to, begin, begin});
    }
    const auto find = [&](Share& share) {
        FindInRuns(share.fromRun, share.toRun, needle, namesMatch, share.end);
    };
    std::vector<std::thread> helpers;
    for (size_t share = 1; share < shares; ++share)
        helpers.emplace_back([&, share] { find(spans[share]); });
    find(spans[0]);
    for (std::thread& helper : helpers)
        helper.join();
    Track* end = spans[0].end;
    for (size_t share = 1; share < shares; ++share)
        end = std::copy(spans[share].begin, spans[share].end, end);
    found_.resize(size_t(end - found_.data()));
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
