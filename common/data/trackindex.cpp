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

// Bytes marked at once by a sweep for one byte.
constexpr size_t kBlock = 64;

// The lowest bits, up to a whole word.
quint64 BitsBelow(size_t bits) {
    return bits >= kBlock ? ~quint64(0) : (quint64(1) << bits) - 1;
}

// Bit i set where bytes[i] is the byte, for up to a block of bytes.
quint64 ByteMarks(const char* bytes, size_t size, char byte) {
    quint64 marks = 0;
#ifdef __SSE2__
    if (size == kBlock) {
        const __m128i wanted = _mm_set1_epi8(byte);
        for (size_t part = 0; part < kBlock / 16; ++part) {
            const __m128i sixteen =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + part * 16));
            marks |= quint64(unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(sixteen, wanted))))
                     << (part * 16);
        }
        return marks;
    }
#endif
    for (size_t at = 0; at < size; ++at)
        marks |= quint64(bytes[at] == byte) << at;
    return marks;
}

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
    if (needle.size() == 1)
        return FindByteInTracks(line, to, needle.front(), out);
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

// The first key typed is one byte, found in most tracks: a sweep stopped at each would stop a
// million times, and a look through each track's text costs a call for each. So the bytes equal
// to it are marked 64 at a time, and each track looks at the marks of its own bytes.
void TrackIndex::FindByteInTracks(LineStarts::Walker line, Track to, char byte, Track*& out) const {
    const char* const text = tracks_->lines.data();
    const size_t stop = tracks_->lineStarts.Start(to);
    // Whether the track current holds the byte in the blocks before this one.
    bool held = false;
    for (size_t block = line.Start(); line.Current() < to; block += kBlock) {
        const size_t blockEnd = std::min(block + kBlock, stop);
        const quint64 marks = ByteMarks(text + block, blockEnd - block, byte);
        for (; line.Current() < to && line.End() <= blockEnd; line.Next(), held = false) {
            const size_t from = std::max<size_t>(line.Start(), block) - block;
            if (held || (marks & BitsBelow(line.End() - block) & ~BitsBelow(from)))
                *out++ = line.Current();
        }
        if (line.Current() < to && line.Start() < blockEnd)
            held = held || (marks >> (std::max<size_t>(line.Start(), block) - block)) != 0;
    }
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
