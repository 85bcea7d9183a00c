#include "searchtext.h"
#include "trackindex.h"
#include "trackindextracks.h"

#include <algorithm>
#include <numeric>

using namespace trackindex;

namespace {

// Beyond this many, each search would spend longer on them than a fresh read costs once.
constexpr size_t kMostFollowed = 256;

std::string FoldedLine(const QList<QVariant>& values) {
    std::string line;
    for (const QVariant& value : values) {
        const QByteArray utf8 = value.toString().toUtf8();
        AppendFolded(line, {utf8.constData(), size_t(utf8.size())});
        line += kFieldBreak;
    }
    return line;
}

} // namespace

bool TrackIndex::FollowedTooMany() const {
    return written_.size() > kMostFollowed;
}

void TrackIndex::Written(qint64 id, const QList<QVariant>& now) {
    if (!tracks_)
        return;
    rows_.remove(id);
    const auto same = std::find_if(written_.begin(), written_.end(),
                                   [id](const WrittenTrack& track) { return track.id == id; });
    if (same != written_.end()) {
        const auto place = Track(same - written_.begin());
        std::erase(found_, tracks_->Count() + place);
        Renumber(place + 1, -1);
        written_.erase(same);
    }
    if (const std::optional<Track> read = tracks_->Where(id)) {
        gone_.resize(tracks_->Count());
        gone_[*read] = true;
        // Each track written is kept before the first track read that is still shown after it:
        // a place among tracks gone would leave two written ones ordered by where the search
        // happened to land, not by what they hold.
        for (WrittenTrack& written : written_)
            written.before = FirstShownFrom(written.before);
    }
    if (now.isEmpty())
        return;
    WrittenTrack track{id, PlaceAmongRead(id), FoldedLine(now)};
    auto at = std::find_if(written_.begin(), written_.end(), [&](const WrittenTrack& other) {
        return other.before > track.before ||
               (other.before == track.before && ComesBefore(id, other.id));
    });
    Renumber(Track(at - written_.begin()), 1);
    written_.insert(at, std::move(track));
}

void TrackIndex::Renumber(Track from, int by) {
    // The results shown until the next search name tracks written by their place: they must
    // stay the same tracks while places are taken and given.
    const Track first = tracks_->Count() + from;
    for (Track& track : found_)
        if (track >= first)
            track = Track(qint64(track) + by);
}

TrackIndex::Track TrackIndex::FirstShownFrom(Track track) const {
    while (track < tracks_->Count() && !gone_.empty() && gone_[track])
        ++track;
    return track;
}

TrackIndex::Track TrackIndex::PlaceAmongRead(qint64 id) {
    // A halving search, stepping over the tracks that are gone: their rows hold other values now,
    // or none.
    Track low = 0;
    Track high = tracks_->Count();
    while (low < high) {
        const Track middle = low + (high - low) / 2;
        Track probe = middle;
        while (probe < high && !gone_.empty() && gone_[probe])
            ++probe;
        if (probe == high || ComesBefore(id, tracks_->Id(probe)))
            high = middle;
        else
            low = probe + 1;
    }
    return FirstShownFrom(low);
}

bool TrackIndex::ComesBefore(qint64 id, qint64 other) {
    if (!orderQuery_) {
        // Compared by SQLite itself, so each column's own collation orders them as the read did.
        const QStringList order =
            BrowsingOrder(program_).split(QStringLiteral(", "), Qt::SkipEmptyParts);
        const QString columns = order.join(QStringLiteral(", %1."));
        orderQuery_ = db_->Prepare(
            QStringLiteral(
                "SELECT (a.%1) < (b.%2) FROM %3 AS a, %3 AS b WHERE a.ID = ? AND b.ID = ?")
                .arg(QString(columns).arg(QStringLiteral("a")),
                     QString(columns).arg(QStringLiteral("b")), tracktable::kTable));
    }
    sqlite3_stmt* stmt = orderQuery_.get();
    sqlite3_bind_int64(stmt, 1, id);
    sqlite3_bind_int64(stmt, 2, other);
    const int code = sqlite3_step(stmt);
    const bool before = code == SQLITE_ROW && sqlite3_column_int(stmt, 0) != 0;
    sqlite3_reset(stmt);
    if (code != SQLITE_ROW && code != SQLITE_DONE)
        db_->Fail(code);
    return before;
}

void TrackIndex::MergeWritten(std::string_view needle) {
    const Track count = tracks_->Count();
    if (all_) {
        found_.resize(count);
        std::iota(found_.begin(), found_.end(), Track(0));
        all_ = false;
    }
    std::vector<Track> merged;
    merged.reserve(found_.size() + written_.size());
    size_t next = 0;
    const auto writtenBefore = [&](Track limit) {
        for (; next < written_.size() && written_[next].before <= limit; ++next)
            if (needle.empty() || FindIn(written_[next].line, needle))
                merged.push_back(count + Track(next));
    };
    for (const Track track : found_) {
        // Those written are looked for afresh each time.
        if (track >= count)
            continue;
        writtenBefore(track);
        if (gone_.empty() || !gone_[track])
            merged.push_back(track);
    }
    writtenBefore(count);
    found_ = std::move(merged);
}
