#include "backup.h"

#include "backupfolder.h"
#include "database.h"
#include "sqlitehandle.h"

#include <QDir>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace backup {

namespace {

using Clock = std::chrono::steady_clock;

// Pages copied under one read lock: with SQLite's 4 KiB pages a megabyte, which takes a
// millisecond or two; that long at most a write of the program waits for the copy.
constexpr int kPagesPerStep = 256;
// Steps grow when writes keep starting the copy over, up to some 40 ms under the lock.
constexpr int kMostPagesPerStep = 8192;
// Held in one state, steps of 4 MiB: each is written to the disk before the next, so the copy
// never piles up more than that for the disk to take in at once, ahead of a write's sync.
constexpr int kHeldPagesPerStep = 1024;
// Between steps the read lock is let go, so waiting writes get in.
constexpr auto kPause = std::chrono::milliseconds(2);
// How long opening waits for another connection, as the windows' own connections do.
constexpr int kLockWaitMs = 5000;
// A catalogue locked or changed without pause for this long is backed up another time.
constexpr auto kGiveUpAfter = std::chrono::minutes(2);

// Every change committed to the catalogue counts up the number at this offset of its header (in
// the rollback journal mode the programs use); SQLite trusts the page count in the header only
// while the copy of the number at the second offset equals it.
constexpr int kChangeCounter = 24;
constexpr int kVersionValidFor = 92;
constexpr int kHeaderBytes = 100;

[[noreturn]] void FailReading(const QString& catalogue, const QString& folder, int code,
                              const QString& detail = {}) {
    throw DbError(
        QStringLiteral("カタログ %1 を読めないため、バックアップを %2 に作れませんでした。\n%3")
            .arg(catalogue, QDir::toNativeSeparators(folder), DescribeSqliteError(code, detail)));
}

// What a backup keeps of the catalogue it copied, in its own header and modification time, so
// that a later run tells without reading the catalogue whether anything changed since.
struct Version {
    QByteArray counter;
    struct stat status;

    bool operator==(const Version& other) const {
        return counter == other.counter && status.st_mtim.tv_sec == other.status.st_mtim.tv_sec &&
               status.st_mtim.tv_nsec == other.status.st_mtim.tv_nsec;
    }
};

bool Later(const timespec& a, const timespec& b) {
    return a.tv_sec != b.tv_sec ? a.tv_sec > b.tv_sec : a.tv_nsec > b.tv_nsec;
}

// Read without a lock, before the copy: a change meanwhile leaves the copy newer than what it
// records, which costs one more backup next time, never a change left out of them.
std::optional<Version> VersionOf(const QString& path) {
    Version version{ReadFileStart(path, kHeaderBytes).mid(kChangeCounter, 4), {}};
    if (::stat(Encoded(path).constData(), &version.status) != 0)
        return std::nullopt;
    // In the WAL journal mode a commit goes to the log beside the catalogue and leaves the
    // catalogue's own header and time alone until a checkpoint; the log's time tells of it.
    struct stat log;
    if (::stat(Encoded(path + QStringLiteral("-wal")).constData(), &log) == 0 && log.st_size > 0 &&
        Later(log.st_mtim, version.status.st_mtim))
        version.status.st_mtim = log.st_mtim;
    return version;
}

bool SameFileState(const struct stat& a, const struct stat& b) {
    return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
           a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// Whether a file beside the catalogue holds what the catalogue itself does not show: commits in
// the log, or the pages of a write cut short in the rollback journal.
bool HasContent(const QString& path) {
    struct stat status;
    return ::stat(Encoded(path).constData(), &status) == 0 && status.st_size > 0;
}

// Header fields that every move between the rollback journal and the log rewrites, and that a
// backup sets for itself: the format bytes, the change counter and the two that go with it, and
// the schema's counter, which SQLite's copy counts up so that no reader of it keeps an old schema.
bool RewrittenByJournalMoves(qint64 offset) {
    constexpr int kSchemaCounter = 40;
    return offset == 18 || offset == 19 || (offset >= kChangeCounter && offset < 28) ||
           (offset >= kSchemaCounter && offset < kSchemaCounter + 4) ||
           (offset >= kVersionValidFor && offset < kHeaderBytes);
}

// Each start moves the catalogue into the log's journal and each close back, and each move
// rewrites the header and the file's time without changing a track: a catalogue whose pages are
// those of the newest backup, header fields of the moves aside, is in the state backed up
// already. Compared with nothing else writing: a commit meanwhile, in either journal, shows in
// the file's time or in its log, and makes the catalogue count as changed.
bool SameStateAs(const QString& catalogue, const QString& newest) {
    const QStringList beside = {catalogue + QStringLiteral("-wal"),
                                catalogue + QStringLiteral("-journal")};
    struct stat before, copied;
    if (std::any_of(beside.begin(), beside.end(), HasContent) ||
        ::stat(Encoded(catalogue).constData(), &before) != 0 ||
        ::stat(Encoded(newest).constData(), &copied) != 0 || before.st_size != copied.st_size)
        return false;
    const StoredFile source(catalogue), backup(newest);
    constexpr qint64 kChunk = 1 << 20;
    QByteArray a(kChunk, '\0'), b(kChunk, '\0');
    for (qint64 offset = 0; offset < before.st_size; offset += kChunk) {
        if (!source.Read(offset, a) || !backup.Read(offset, b))
            return false;
        if (offset == 0) {
            for (qint64 i = 0; i < kHeaderBytes; ++i) {
                if (RewrittenByJournalMoves(i))
                    a[i] = b[i];
            }
        }
        if (a != b)
            return false;
    }
    struct stat after;
    return ::stat(Encoded(catalogue).constData(), &after) == 0 && SameFileState(before, after) &&
           std::none_of(beside.begin(), beside.end(), HasContent);
}

struct BackupFinisher {
    void operator()(sqlite3_backup* copy) const { sqlite3_backup_finish(copy); }
};

// In the log's journal mode, the windows' own while they are open, a read transaction holds one
// committed state without keeping writers out: the copy is made from it, and writes meanwhile
// neither wait for it nor start it over. Returns whether the source is held so.
bool HoldOneState(sqlite3* source) {
    const auto mode = [&] {
        sqlite3_stmt* raw = nullptr;
        sqlite3_prepare_v2(source, "PRAGMA journal_mode", -1, &raw, nullptr);
        const StatementHandle stmt(raw);
        return stmt && sqlite3_step(raw) == SQLITE_ROW
                   ? QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(raw, 0)))
                   : QByteArray();
    };
    return mode() == "wal" && sqlite3_exec(source, "BEGIN; SELECT count(*) FROM sqlite_schema",
                                           nullptr, nullptr, nullptr) == SQLITE_OK;
}

// A sync of the program's own commit would otherwise wait for all of the copy written so far:
// the file system writes out what is pending before it records the commit.
void WriteOut(const Temporary& temp, const Folder& folder) {
    constexpr unsigned kWriteAndWait =
        SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;
    if (::sync_file_range(temp.Fd(), 0, 0, kWriteAndWait) != 0)
        FailInFolder(folder.Path(), errno);
}

// Copies the catalogue into the temporary file through SQLite. Unless the source is held in one
// state, SQLite starts over whenever another connection changes the catalogue in between; either
// way the copy is always of one committed state.
void CopyInto(const QString& catalogue, const Temporary& temp, const Folder& folder) {
    sqlite3* raw = nullptr;
    int rc = sqlite3_open_v2(Encoded(catalogue).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    const SqliteHandle source(raw);
    if (rc != SQLITE_OK)
        FailReading(catalogue, folder.Path(), rc, QString::fromUtf8(sqlite3_errmsg(raw)));
    sqlite3_busy_timeout(source.get(), kLockWaitMs);
    const bool held = HoldOneState(source.get());
    raw = nullptr;
    rc = sqlite3_open_v2(Encoded(temp.Path()).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    SqliteHandle target(raw);
    if (rc != SQLITE_OK)
        FailInFolder(folder.Path(), EACCES);
    // Nobody uses the copy before it is complete, and it is synced as a whole afterwards.
    sqlite3_exec(target.get(), "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF", nullptr,
                 nullptr, nullptr);
    const auto fail = [&](int code) {
        int error = 0;
        sqlite3_file_control(target.get(), "main", SQLITE_FCNTL_LAST_ERRNO, &error);
        if (error != 0 || (code & 0xff) == SQLITE_FULL)
            FailInFolder(folder.Path(), error != 0 ? error : ENOSPC);
        FailReading(catalogue, folder.Path(), code,
                    QString::fromUtf8(sqlite3_errmsg(source.get())));
    };
    std::unique_ptr<sqlite3_backup, BackupFinisher> copy(
        sqlite3_backup_init(target.get(), "main", source.get(), "main"));
    if (!copy)
        fail(sqlite3_extended_errcode(target.get()));

    int pages = held ? kHeldPagesPerStep : kPagesPerStep;
    int left = INT_MAX;
    const auto deadline = Clock::now() + kGiveUpAfter;
    while ((rc = sqlite3_backup_step(copy.get(), pages)) != SQLITE_DONE) {
        if (rc == SQLITE_OK) {
            WriteOut(temp, folder);
            // No progress means a change started the copy over. Larger steps leave fewer gaps
            // for the next change to fall in, so frequent writes still let the copy through.
            const int remaining = sqlite3_backup_remaining(copy.get());
            if (remaining >= left)
                pages = std::min(pages * 2, kMostPagesPerStep);
            left = remaining;
        } else if ((rc & 0xff) != SQLITE_BUSY && (rc & 0xff) != SQLITE_LOCKED) {
            fail(rc);
        }
        if (Clock::now() > deadline)
            FailReading(catalogue, folder.Path(), SQLITE_BUSY);
        if (!held)
            std::this_thread::sleep_for(kPause);
    }
    if ((rc = sqlite3_backup_finish(copy.release())) != SQLITE_OK)
        fail(rc);
    if ((rc = sqlite3_close(target.get())) != SQLITE_OK)
        fail(rc);
    target.release();
}

// Gives the copy the catalogue's version and permissions and makes it durable, all checked
// before it takes a backup's name.
void Finish(const Temporary& temp, const Version& version, const Folder& folder) {
    const auto check = [&](bool done) {
        if (!done)
            FailInFolder(folder.Path(), errno);
    };
    struct stat copied;
    check(::fstat(temp.Fd(), &copied) == 0);
    // A catalogue of no pages has no header to carry the counter.
    if (copied.st_size >= kHeaderBytes && version.counter.size() == 4) {
        for (const int offset : {kChangeCounter, kVersionValidFor})
            check(::pwrite(temp.Fd(), version.counter.constData(), 4, offset) == 4);
    }
    // Readable and removable by the user whatever the catalogue's own permissions.
    check(::fchmod(temp.Fd(), (version.status.st_mode & 0666) | 0600) == 0);
    const timespec times[2] = {{0, UTIME_OMIT}, version.status.st_mtim};
    check(::futimens(temp.Fd(), times) == 0);
    check(::fsync(temp.Fd()) == 0);
}

void BackUp(const QString& catalogue, const QDateTime& now) {
    const Folder folder{QFileInfo(catalogue)};
    const std::optional<Version> version = VersionOf(catalogue);
    if (!version)
        FailReading(catalogue, folder.Path(), SQLITE_CANTOPEN);
    folder.Make();
    folder.RemoveLeftovers();
    const QList<Name> before = folder.Backups();
    if (!before.isEmpty()) {
        const QString newest = folder.FilePath(before.last().file);
        if (VersionOf(newest) == version || SameStateAs(catalogue, newest))
            return;
    }

    Temporary temp(folder);
    CopyInto(catalogue, temp, folder);
    Finish(temp, *version, folder);
    const QString name = folder.FilePath(folder.NextName(before, now));
    if (::rename(Encoded(temp.Path()).constData(), Encoded(name).constData()) != 0)
        FailInFolder(folder.Path(), errno);
    temp.Placed();
    folder.Sync(folder.Path());
    folder.RemoveAllButNewest();
}

} // namespace

QString BackUpIfChanged(const QString& catalogue, const QDateTime& now) {
    // On a thread of its own, nothing may escape: every failure becomes the message.
    try {
        BackUp(catalogue, now);
    } catch (const DbError& error) {
        return error.Message();
    } catch (const std::exception& error) {
        return QStringLiteral("カタログ %1 のバックアップを作れませんでした。\n%2")
            .arg(catalogue, QString::fromLocal8Bit(error.what()));
    }
    return {};
}

} // namespace backup
