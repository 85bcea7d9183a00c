// Reading every track of a catalogue into the form a search looks through.

#include "handoff.h"
#include "searchtext.h"
#include "trackindex.h"
#include "trackindextracks.h"

#include <QHash>
#include <array>
#include <cstring>
#include <exception>
#include <limits>
#include <malloc.h>
#include <thread>
#include <utility>

using namespace trackindex;

namespace {

// Searched while the rest is read: about a tenth of a second's reading.
constexpr TrackIndex::Track kFirstPart = 50000;
constexpr TrackIndex::Track kEveryTrack = std::numeric_limits<TrackIndex::Track>::max();

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

// Folds the tracks' own texts on a thread of its own while the next tracks are read: folding a
// million titles takes about as long as reading them.
class TrackIndex::Folder {
public:
    explicit Folder(Tracks& tracks) : tracks_(tracks), thread_([this] { Run(); }) {}
    // Without Finish, as when the read is cancelled: what is not yet folded is left.
    ~Folder() {
        handoff_.Stop();
        Join();
    }
    // The texts of the track just read, from the statement's row; false once folding failed.
    bool Add(sqlite3_stmt* stmt) {
        for (int column = kFirstOwnColumn; column < kFirstOwnColumn + kOwnColumns.size();
             ++column) {
            const std::string_view text = ColumnUtf8(stmt, column);
            const quint32 size = CheckedOffset(qsizetype(text.size()));
            const auto* sizeBytes = reinterpret_cast<const char*>(&size);
            batch_.insert(batch_.end(), sizeBytes, sizeBytes + sizeof size);
            batch_.insert(batch_.end(), text.begin(), text.end());
        }
        return ++batched_ < kTracksPerBatch || Give();
    }
    // Waits until every text given is folded; throws what folding threw.
    void Finish() {
        Give();
        Join();
        if (failure_)
            std::rethrow_exception(failure_);
    }

private:
    // After the ID and the two names.
    static constexpr int kFirstOwnColumn = 3;
    static constexpr size_t kTracksPerBatch = 4096;

    bool Give() {
        batched_ = 0;
        if (batch_.empty())
            return true;
        std::vector<char> next;
        next.reserve(batch_.size());
        return handoff_.Give(std::exchange(batch_, std::move(next)));
    }
    void Join() {
        handoff_.Finish();
        if (thread_.joinable())
            thread_.join();
    }
    void Run() {
        std::vector<char> batch;
        try {
            while (!handoff_.Stopped() && handoff_.Take(batch))
                Fold(batch);
        } catch (...) {
            failure_ = std::current_exception();
            handoff_.Stop();
        }
    }
    void Fold(const std::vector<char>& batch) {
        std::string& lines = tracks_.lines;
        for (size_t at = 0; at < batch.size();) {
            const size_t start = lines.size();
            for (qsizetype text = 0; text < kOwnColumns.size(); ++text) {
                quint32 size;
                memcpy(&size, batch.data() + at, sizeof size);
                at += sizeof size;
                AppendFolded(lines, {batch.data() + at, size});
                at += size;
                lines += kFieldBreak;
            }
            CheckedOffset(qsizetype(lines.size()));
            tracks_.lineStarts.Add(quint32(lines.size() - start));
        }
    }

    Tracks& tracks_;
    std::vector<char> batch_;
    size_t batched_ = 0;
    Handoff<char> handoff_;
    std::exception_ptr failure_;
    std::thread thread_;
};

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
        int code = SQLITE_ROW;
        // The first part is searched while the rest is read: its texts are all folded first.
        for (const Track until : {firstPart ? kFirstPart : kEveryTrack, kEveryTrack}) {
            Folder folder(t);
            while (t.Count() < until && (code = sqlite3_step(stmt.get())) == SQLITE_ROW) {
                if (cancelled.load(std::memory_order_relaxed))
                    return nullptr;
                const Track track = t.Count();
                t.AddId(sqlite3_column_int64(stmt.get(), 0));
                const quint32 first = loader.Name(stmt.get(), 1);
                const quint32 second = loader.Name(stmt.get(), 2);
                if (t.runs.empty() || t.runs.back().first != first ||
                    t.runs.back().second != second)
                    t.runs.push_back({track, first, second});
                if (!folder.Add(stmt.get()))
                    break;
            }
            folder.Finish();
            if (code != SQLITE_ROW)
                break;
            // A copy of what is read so far: a few megabytes, while the whole takes a second.
            if (until == kFirstPart) {
                auto part = std::make_shared<Tracks>(t);
                part->nameStarts.push_back(CheckedOffset(part->names.size()));
                firstPart(std::move(part));
            }
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
