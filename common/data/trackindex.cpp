#include "trackindex.h"

#include "numbertext.h"
#include "recordset.h"
#include "searchtext.h"

#include <algorithm>
#include <array>
#include <limits>
#include <malloc.h>
#include <thread>

namespace {

// Ends each text of a track's line, so a search never matches across two of them.
constexpr char kFieldBreak = '\x1F';
// Rows read for display are kept while the user scrolls; a new search starts afresh.
constexpr qsizetype kKeptRows = 2000;
// Results are narrowed down, rather than looked for afresh, when they are at most this share of
// the tracks.
constexpr size_t kNarrowingShare = 8;
constexpr size_t kMostSearchThreads = 4;

QString BrowsingOrder(Program program) {
    return program == Program::Caldrin ? QStringLiteral("アルバム名, アーチスト名, 曲番, ID")
                                       : QStringLiteral("MD番号, 曲番, ID");
}

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
    explicit Loader(TrackIndex& index) : index_(index) {}
    quint32 Name(sqlite3_stmt* stmt, int column) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
        const QByteArray raw = QByteArray::fromRawData(text, sqlite3_column_bytes(stmt, column));
        // Tracks come grouped by their names: most rows repeat the row before.
        Last& last = last_[column];
        if (last.valid && last.raw == raw)
            return last.number;
        auto known = numbers_.constFind(raw);
        if (known == numbers_.cend()) {
            index_.nameStarts_.push_back(CheckedOffset(index_.names_.size()));
            AppendFolded(index_.names_, ColumnUtf8(stmt, column));
            known = numbers_.insert(QByteArray(raw.constData(), raw.size()),
                                    quint32(index_.nameStarts_.size() - 1));
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
    TrackIndex& index_;
    QHash<QByteArray, quint32> numbers_;
    std::array<Last, 3> last_;
};

TrackIndex::TrackIndex(const QString& catalogue, Program program)
    : program_(program),
      db_(tracktable::OpenCatalogue(catalogue, program, Database::Access::ReadOnly)),
      columns_(QStringList{QStringLiteral("ID")} + tracktable::UserColumns(program)) {
    rowQuery_ = db_->Prepare(QStringLiteral("SELECT %1 FROM %2 WHERE ID = ?")
                                 .arg(columns_.join(QStringLiteral(", ")), tracktable::kTable));
    Refresh();
}

qint64 TrackIndex::DataVersion() const {
    const StatementHandle stmt = db_->Prepare(QStringLiteral("PRAGMA data_version"));
    const int code = sqlite3_step(stmt.get());
    if (code != SQLITE_ROW)
        db_->Fail(code);
    return sqlite3_column_int64(stmt.get(), 0);
}

bool TrackIndex::Refresh() {
    const qint64 version = DataVersion();
    if (version == dataVersion_)
        return false;
    Load();
    dataVersion_ = version;
    return true;
}

void TrackIndex::Load() {
    names_.clear();
    nameStarts_.clear();
    runs_.clear();
    lines_.clear();
    lineStarts_.clear();
    ids_.clear();
    lastNeedle_.clear();
    found_.clear();
    rows_.clear();
    const StatementHandle stmt =
        db_->Prepare(QStringLiteral("SELECT ID, %1 FROM %2 ORDER BY %3")
                         .arg((NameColumns(program_) + kOwnColumns).join(QStringLiteral(", ")),
                              tracktable::kTable, BrowsingOrder(program_)));
    Loader loader(*this);
    int code;
    while ((code = sqlite3_step(stmt.get())) == SQLITE_ROW) {
        const auto track = Track(ids_.size());
        ids_.push_back(sqlite3_column_int64(stmt.get(), 0));
        const quint32 first = loader.Name(stmt.get(), 1);
        const quint32 second = loader.Name(stmt.get(), 2);
        if (runs_.empty() || runs_.back().first != first || runs_.back().second != second)
            runs_.push_back({track, first, second});
        lineStarts_.push_back(CheckedOffset(lines_.size()));
        for (int column = 3; column < 3 + int(kOwnColumns.size()); ++column) {
            AppendFolded(lines_, ColumnUtf8(stmt.get(), column));
            lines_ += kFieldBreak;
        }
    }
    if (code != SQLITE_DONE)
        db_->Fail(code);
    nameStarts_.push_back(CheckedOffset(names_.size()));
    lineStarts_.push_back(CheckedOffset(lines_.size()));
    names_.shrink_to_fit();
    lines_.shrink_to_fit();
    runs_.shrink_to_fit();
    // The names' lookup table and the old index are gone; give their pages back.
    malloc_trim(0);
}

std::vector<char> TrackIndex::NamesContaining(const QByteArray& needle) const {
    std::vector<char> match(nameStarts_.size() - 1);
    for (size_t name = 0; name < match.size(); ++name)
        match[name] =
            FindIn({names_.data() + nameStarts_[name], nameStarts_[name + 1] - nameStarts_[name]},
                   needle) != nullptr;
    return match;
}

bool TrackIndex::LineContains(Track track, const QByteArray& needle) const {
    return FindIn({lines_.data() + lineStarts_[track], lineStarts_[track + 1] - lineStarts_[track]},
                  needle) != nullptr;
}

const std::vector<TrackIndex::Track>& TrackIndex::Find(const QString& text) {
    QString folded = FoldForSearch(text);
    folded.remove(QChar(kFieldBreak));
    const QByteArray needle = folded.toUtf8();
    // Checking each earlier result costs more than one sweep through every text once they are
    // more than a few.
    const bool narrows = !lastNeedle_.isEmpty() && needle.contains(lastNeedle_) &&
                         found_.size() <= ids_.size() / kNarrowingShare;
    if (needle.isEmpty()) {
        found_.resize(ids_.size());
        for (Track track = 0; track < found_.size(); ++track)
            found_[track] = track;
    } else if (narrows) {
        FindAmong(std::move(found_), needle, NamesContaining(needle));
    } else {
        FindAll(needle, NamesContaining(needle));
    }
    lastNeedle_ = needle;
    return found_;
}

void TrackIndex::FindInRuns(size_t from, size_t to, const QByteArray& needle,
                            const std::vector<char>& namesMatch, std::vector<Track>& found) const {
    const char* const base = lines_.data();
    for (size_t run = from; run < to; ++run) {
        const Track start = runs_[run].start;
        const Track end = run + 1 < runs_.size() ? runs_[run + 1].start : Track(ids_.size());
        if (namesMatch[runs_[run].first] || namesMatch[runs_[run].second]) {
            for (Track track = start; track < end; ++track)
                found.push_back(track);
            continue;
        }
        // One search through the run's texts; after a match, on from the next track.
        Track track = start;
        while (track < end) {
            const char* hit =
                FindIn({base + lineStarts_[track], lineStarts_[end] - lineStarts_[track]}, needle);
            if (!hit)
                break;
            const auto offset = quint32(hit - base);
            while (lineStarts_[track + 1] <= offset)
                ++track;
            found.push_back(track++);
        }
    }
}

void TrackIndex::FindAll(const QByteArray& needle, const std::vector<char>& namesMatch) {
    // A sweep through a million tracks takes longer than a frame on one core; the machine's
    // cores each take a share of the runs.
    const size_t shares =
        std::clamp<size_t>(std::thread::hardware_concurrency(), 1, kMostSearchThreads);
    std::vector<std::vector<Track>> found(shares);
    std::vector<std::thread> helpers;
    for (size_t share = 1; share < shares; ++share)
        helpers.emplace_back([&, share] {
            FindInRuns(runs_.size() * share / shares, runs_.size() * (share + 1) / shares, needle,
                       namesMatch, found[share]);
        });
    FindInRuns(0, runs_.size() / shares, needle, namesMatch, found[0]);
    for (std::thread& helper : helpers)
        helper.join();
    found_ = std::move(found[0]);
    for (size_t share = 1; share < shares; ++share)
        found_.insert(found_.end(), found[share].begin(), found[share].end());
}

void TrackIndex::FindAmong(std::vector<Track> candidates, const QByteArray& needle,
                           const std::vector<char>& namesMatch) {
    found_.clear();
    size_t run = 0;
    for (const Track track : candidates) {
        while (run + 1 < runs_.size() && runs_[run + 1].start <= track)
            ++run;
        if (namesMatch[runs_[run].first] || namesMatch[runs_[run].second] ||
            LineContains(track, needle))
            found_.push_back(track);
    }
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
