#pragma once

#include "dberror.h"
#include "sqlitehandle.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <chrono>
#include <map>
#include <memory>

class Recordset;
class Snapshot;

enum RecordsetType { dbOpenDynaset = 2, dbOpenSnapshot = 4 };

// One open catalogue file. Reads come back as snapshots; changes go through a dynaset on a
// table inside BeginTrans/CommitTrans.
class Database {
public:
    enum class Access { ReadWrite, ReadOnly };

    // Opens an existing file only: a missing file is an error, never a new empty catalogue.
    static std::unique_ptr<Database> OpenDatabase(const QString& path,
                                                  Access access = Access::ReadWrite);
    // Makes a new file; for the catalogue tool, never for the programs.
    static std::unique_ptr<Database> CreateDatabase(const QString& path);

    std::shared_ptr<Recordset> OpenRecordset(const QString& source, RecordsetType type);
    std::shared_ptr<Snapshot> OpenSnapshot(const QString& sql);
    void BeginTrans();
    void CommitTrans();
    // Undoes the open transaction, if any; safe to call on every error path.
    void Rollback();
    void Execute(const QString& sql);
    // Commits go to a log beside the file while it is open: one sync each instead of four, and
    // readers, the backup among them, read on from one committed state while a write is made.
    // Closing returns the file to the journal it had, so a closed catalogue is one plain file
    // as before. While another connection has the file open it keeps the log's mode; SQLite
    // still takes the log into the file when the last connection closes.
    void LogWritesWhileOpen();
    void Close();
    ~Database();

    bool IsOpen() const { return handle_ != nullptr; }
    const QString& Path() const { return path_; }
    sqlite3* Handle() const;
    StatementHandle Prepare(const QString& sql) const;
    // Changes each time another connection, in this process or another, commits; this
    // connection's own commits leave it as it is.
    qint64 DataVersion() const;
    // Steps a prepared statement to its end, its rows unread.
    void RunToEnd(sqlite3_stmt* stmt) const;
    // Runs a write meant to change exactly one row, and throws unless it did, and nothing else
    // changed with it: a write that did not happen is never taken for done.
    void WriteOneRow(sqlite3_stmt* stmt) const { WriteRows(stmt, 1); }
    void WriteRows(sqlite3_stmt* stmt, qint64 rows) const;
    // Nothing the programs send runs for more than a moment without giving a row; longer than
    // this, and the statement is interrupted with a message instead of hanging the window.
    void SetRunawayLimit(std::chrono::milliseconds limit) { runawayLimit_ = limit; }
    [[noreturn]] void Fail(int code) const;

    struct Column {
        QString name;
        QString type;
        bool key;
    };
    // The columns of a table as declared, read once: nothing the programs do changes them, and
    // every write opens the table anew.
    const QList<Column>& TableColumns(const QString& table);

private:
    Database(SqliteHandle handle, QString path);
    static int Traced(unsigned event, void* self, void*, void*);
    static int Progress(void* self);

    QString PragmaText(const char* sql) const;

    SqliteHandle handle_;
    QString path_;
    // The journal mode to return to on closing; empty when the file is left as it was found.
    QByteArray journalToRestore_;
    std::map<QString, QList<Column>> tableColumns_;
    std::chrono::milliseconds runawayLimit_ = std::chrono::seconds(10);
    // Set when a statement starts or gives a row; the clock then starts at the engine's next
    // report of progress, so the time the caller spends between two rows is never counted.
    bool stepStarted_ = true;
    std::chrono::steady_clock::time_point runningSince_;
};

// The user-facing text for a SQLite result code: what is wrong and what the user can do.
QString DescribeSqliteError(int code, const QString& detail);
// The message for a catalogue that cannot be opened, naming the file.
QString CannotOpen(const QString& path, const QString& reason);

// A file read through SQLite's own file layer: closing a descriptor of our own would drop every
// lock this process holds on the file, those of a connection working on it in another thread
// included.
class StoredFile {
public:
    explicit StoredFile(const QString& path);
    ~StoredFile();
    StoredFile(const StoredFile&) = delete;
    StoredFile& operator=(const StoredFile&) = delete;

    bool IsOpen() const { return file_ != nullptr; }
    // The bytes at the offset, zeros past the file's end; false when they cannot be read.
    bool Read(qint64 offset, QByteArray& bytes) const;

private:
    struct sqlite3_file* file_ = nullptr;
};

// The first bytes of a file, zeros past its end or when it cannot be read.
QByteArray ReadFileStart(const QString& path, int bytes);

// The Microsoft Access formats the catalogues of the programs' ancestors were kept in, which
// SQLite cannot read. Jet 3 keeps text in the Windows code page, later ones in Unicode.
enum class AccessFormat { None, Jet3, Jet4, Ace };
AccessFormat AccessFormatOf(const QString& path);
