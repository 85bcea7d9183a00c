#include "database.h"

#include "recordset.h"

#include <QFile>
#include <QFileInfo>

namespace {

constexpr int kLockWaitMs = 5000;

// SQLite's Unix file layer takes full paths of at most 512 bytes, the journal's included, whose
// name is the catalogue's with "-journal" added; past that it says only that it cannot open.
constexpr qsizetype kMaxPathBytes = 512 - 8;

void CheckPathLength(const QString& path) {
    const QFileInfo file(path);
    const QString full = file.exists() ? file.canonicalFilePath() : file.absoluteFilePath();
    const qsizetype bytes = full.toUtf8().size();
    if (bytes > kMaxPathBytes)
        throw DbError(
            CannotOpen(path, QStringLiteral("パスが長すぎます (%1 バイト、%2 バイトまで)。"
                                            "もっと短いパスのフォルダーに移してください。")
                                 .arg(bytes)
                                 .arg(kMaxPathBytes)));
}

SqliteHandle OpenHandle(const QString& path, int flags, bool readOnly = false) {
    CheckPathLength(path);
    sqlite3* raw = nullptr;
    // Each connection is used by one thread at a time, so SQLite need not take a lock on every
    // call: reading a million tracks makes millions of them.
    const int rc =
        sqlite3_open_v2(path.toUtf8().constData(), &raw, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    SqliteHandle handle(raw);
    if (rc != SQLITE_OK) {
        const QString detail = raw ? QString::fromUtf8(sqlite3_errmsg(raw)) : QString();
        throw DbError(CannotOpen(path, DescribeSqliteError(rc, detail)));
    }
    sqlite3_extended_result_codes(raw, 1);
    // A catalogue someone sent may carry a schema made to do harm: it may not write into the
    // file's structure, nor run functions with side effects from its views and triggers.
    sqlite3_db_config(raw, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(raw, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    // A second copy of a program waits for the other's write to finish instead of failing.
    sqlite3_busy_timeout(raw, kLockWaitMs);
    // EXTRA also syncs the folder after the journal is deleted, so a commit survives a power
    // cut, not only a killed process.
    sqlite3_exec(raw, "PRAGMA synchronous = EXTRA", nullptr, nullptr, nullptr);
    // A read-only connection still opens the file for writing, so that it can roll back the
    // journal a killed writer left behind; the pragma keeps it from changing anything else.
    if (readOnly)
        sqlite3_exec(raw, "PRAGMA query_only = ON", nullptr, nullptr, nullptr);
    return handle;
}

} // namespace

QString DescribeSqliteError(int code, const QString& detail) {
    switch (code) {
    case SQLITE_READONLY_ROLLBACK:
        return QStringLiteral("中断された書き込みの後始末ができません。"
                              "データベースファイルとそのフォルダーに書き込める状態にしてから"
                              "開き直してください。");
    case SQLITE_READONLY_DBMOVED:
        return QStringLiteral("カタログのファイルが、開いている間に移動されたか別のファイルに"
                              "置き換えられたため、書き込みを止めました。プログラムを終了し、"
                              "カタログを元の場所に戻してから起動し直してください。");
    case SQLITE_READONLY_DIRECTORY:
    case SQLITE_CANTOPEN_ISDIR:
        return QStringLiteral("データベースのあるフォルダーに書き込むことができません。"
                              "フォルダーに書き込み権限があるか確かめてください。");
    }
    switch (code & 0xff) {
    case SQLITE_CANTOPEN:
        return QStringLiteral(
            "ファイルが見つからないか、開くことができません。"
            "ファイルの場所と、ファイルとそのフォルダーの権限を確かめてください。");
    case SQLITE_NOTADB:
        return QStringLiteral("データベースファイルではありません。"
                              "カタログのファイルを選び直すか、バックアップから戻してください。");
    case SQLITE_CORRUPT:
        return QStringLiteral(
            "データベースファイルが壊れています。バックアップから戻してください。");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("ほかのプログラムがデータベースを使用中です。"
                              "しばらくしてからもう一度操作してください。");
    case SQLITE_FULL:
        return QStringLiteral("ディスクの空き容量が足りません。"
                              "空きを作ってからもう一度操作してください。");
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return QStringLiteral("データベースファイルに書き込むことができません。"
                              "ファイルとそのフォルダーに書き込み権限があるか確かめてください。");
    case SQLITE_IOERR:
        return QStringLiteral("データベースファイルの読み書きに失敗しました。"
                              "ディスクの空き容量と状態を確かめてから、もう一度操作してください。");
    case SQLITE_INTERRUPT:
        return QStringLiteral("データベースの処理が終わらないため中断しました。カタログの表に"
                              "ビューやトリガーなどが付け加えられていないか確かめてください。");
    case SQLITE_CONSTRAINT:
        return QStringLiteral("データベースの制約により保存できません (%1)。").arg(detail);
    default:
        return QStringLiteral("データベースのエラーです: %1").arg(detail);
    }
}

QString CannotOpen(const QString& path, const QString& reason) {
    return QStringLiteral("データベース %1 を開くことができません。\n%2").arg(path, reason);
}

StoredFile::StoredFile(const QString& path) {
    sqlite3_vfs* vfs = sqlite3_vfs_find(nullptr);
    if (!vfs)
        return;
    // The file layer expects a full path followed by an empty parameter list.
    QByteArray name(vfs->mxPathname + 2, '\0');
    if (vfs->xFullPathname(vfs, QFile::encodeName(path).constData(), vfs->mxPathname + 1,
                           name.data()) != SQLITE_OK)
        return;
    auto* file = static_cast<sqlite3_file*>(sqlite3_malloc(vfs->szOsFile));
    if (!file)
        return;
    file->pMethods = nullptr;
    int flags = 0;
    // SQLite sets the methods only when the file was opened.
    if (vfs->xOpen(vfs, name.constData(), file, SQLITE_OPEN_READONLY | SQLITE_OPEN_MAIN_DB,
                   &flags) != SQLITE_OK ||
        !file->pMethods) {
        sqlite3_free(file);
        return;
    }
    file_ = file;
}

StoredFile::~StoredFile() {
    if (file_) {
        file_->pMethods->xClose(file_);
        sqlite3_free(file_);
    }
}

bool StoredFile::Read(qint64 offset, QByteArray& bytes) const {
    if (!file_)
        return false;
    // A short read has filled the rest with zeros already; any other failure leaves garbage.
    const int rc = file_->pMethods->xRead(file_, bytes.data(), int(bytes.size()), offset);
    return rc == SQLITE_OK || rc == SQLITE_IOERR_SHORT_READ;
}

QByteArray ReadFileStart(const QString& path, int bytes) {
    QByteArray start(bytes, '\0');
    if (!StoredFile(path).Read(0, start))
        start.fill('\0');
    return start;
}

AccessFormat AccessFormatOf(const QString& path) {
    const QByteArray start = ReadFileStart(path, 0x15);
    const QByteArray signature = start.mid(4, 15);
    if (signature == "Standard ACE DB")
        return AccessFormat::Ace;
    if (signature != "Standard Jet DB")
        return AccessFormat::None;
    return start[0x14] == 0 ? AccessFormat::Jet3 : AccessFormat::Jet4;
}

Database::Database(SqliteHandle handle, QString path)
    : handle_(std::move(handle)), path_(std::move(path)) {
    sqlite3_trace_v2(handle_.get(), SQLITE_TRACE_STMT | SQLITE_TRACE_ROW, &Database::Traced, this);
    sqlite3_progress_handler(handle_.get(), 10000, &Database::Progress, this);
}

int Database::Traced(unsigned, void* self, void*, void*) {
    static_cast<Database*>(self)->stepStarted_ = true;
    return 0;
}

int Database::Progress(void* self) {
    auto& db = *static_cast<Database*>(self);
    const auto now = std::chrono::steady_clock::now();
    if (db.stepStarted_) {
        db.stepStarted_ = false;
        db.runningSince_ = now;
        return 0;
    }
    return now - db.runningSince_ > db.runawayLimit_ ? 1 : 0;
}

std::unique_ptr<Database> Database::OpenDatabase(const QString& path, Access access) {
    // SQLite would happily open a folder or a missing path read-only; say what is wrong instead.
    if (!QFileInfo(path).isFile())
        throw DbError(CannotOpen(path, DescribeSqliteError(SQLITE_CANTOPEN, {})));
    // Refused before SQLite reads it, so the old file stays exactly as it was.
    if (AccessFormatOf(path) != AccessFormat::None)
        throw DbError(
            CannotOpen(path, QStringLiteral("Microsoft Access の古い形式のファイルです。"
                                            "SQLite のカタログに移してから開いてください。")));
    return std::unique_ptr<Database>(
        new Database(OpenHandle(path, SQLITE_OPEN_READWRITE, access == Access::ReadOnly), path));
}

std::unique_ptr<Database> Database::CreateDatabase(const QString& path) {
    if (QFileInfo::exists(path))
        throw DbError(QStringLiteral("ファイルがすでにあります: %1").arg(path));
    CheckPathLength(path);
    return std::unique_ptr<Database>(
        new Database(OpenHandle(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE), path));
}

sqlite3* Database::Handle() const {
    if (!handle_)
        throw DbError(QStringLiteral("データベースは閉じられています。"));
    return handle_.get();
}

void Database::Fail(int code) const {
    const QString detail = handle_ ? QString::fromUtf8(sqlite3_errmsg(handle_.get())) : QString();
    throw DbError(QStringLiteral("データベース %1 の読み書きに失敗しました。\n%2")
                      .arg(path_, DescribeSqliteError(code, detail)));
}

const QList<Database::Column>& Database::TableColumns(const QString& table) {
    if (const auto known = tableColumns_.find(table); known != tableColumns_.end())
        return known->second;
    QString quoted = table;
    StatementHandle info =
        Prepare(QStringLiteral("PRAGMA table_info(\"%1\")")
                    .arg(quoted.replace(QLatin1Char('"'), QLatin1String("\"\""))));
    QList<Column> columns;
    int rc;
    while ((rc = sqlite3_step(info.get())) == SQLITE_ROW) {
        const auto text = [&](int column) {
            return QString::fromUtf8(
                reinterpret_cast<const char*>(sqlite3_column_text(info.get(), column)));
        };
        columns.append({text(1), text(2), sqlite3_column_int(info.get(), 5) == 1});
    }
    if (rc != SQLITE_DONE)
        Fail(rc);
    // A table that is not there yet is asked about again next time.
    static const QList<Column> none;
    if (columns.isEmpty())
        return none;
    return tableColumns_[table] = columns;
}

StatementHandle Database::Prepare(const QString& sql) const {
    sqlite3_stmt* raw = nullptr;
    const QByteArray text = sql.toUtf8();
    const int rc = sqlite3_prepare_v2(Handle(), text.constData(), int(text.size()), &raw, nullptr);
    StatementHandle stmt(raw);
    if (rc != SQLITE_OK)
        Fail(rc);
    if (!stmt)
        throw DbError(QStringLiteral("SQL 文が空です。"));
    return stmt;
}

qint64 Database::DataVersion() const {
    const StatementHandle stmt = Prepare(QStringLiteral("PRAGMA data_version"));
    const int code = sqlite3_step(stmt.get());
    if (code != SQLITE_ROW)
        Fail(code);
    return sqlite3_column_int64(stmt.get(), 0);
}

void Database::Execute(const QString& sql) {
    RunToEnd(Prepare(sql).get());
}

void Database::RunToEnd(sqlite3_stmt* stmt) const {
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE)
        Fail(rc);
}

void Database::WriteRows(sqlite3_stmt* stmt, qint64 rows) const {
    const sqlite3_int64 before = sqlite3_total_changes64(Handle());
    RunToEnd(stmt);
    // The total counts what triggers changed besides the statement's own rows.
    const sqlite3_int64 changed = sqlite3_total_changes64(Handle()) - before;
    if (sqlite3_changes64(Handle()) == rows && changed == rows)
        return;
    throw DbError(QStringLiteral("データベース %1 への書き込みが、思ったとおりに行われません"
                                 "でした (%2 行が変わるはずが %3 行)。何も保存していません。")
                      .arg(path_)
                      .arg(rows)
                      .arg(changed));
}

std::shared_ptr<Recordset> Database::OpenRecordset(const QString& source, RecordsetType type) {
    if (type == dbOpenDynaset)
        return std::make_shared<Dynaset>(*this, source);
    return OpenSnapshot(source);
}

std::shared_ptr<Snapshot> Database::OpenSnapshot(const QString& sql) {
    return std::make_shared<Snapshot>(*this, sql);
}

void Database::BeginTrans() {
    // SQLite stops a write to a moved file only in the rollback journal mode; with the log, the
    // change would go to a log beside a file no longer there, lost to the moved one if the
    // program is killed before it closes.
    int moved = 0;
    if (sqlite3_file_control(Handle(), "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK &&
        moved)
        Fail(SQLITE_READONLY_DBMOVED);
    // Take the write lock now, so a busy file is reported before anything is changed.
    Execute(QStringLiteral("BEGIN IMMEDIATE"));
}

void Database::CommitTrans() {
    Execute(QStringLiteral("COMMIT"));
}

void Database::Rollback() {
    if (handle_ && !sqlite3_get_autocommit(handle_.get()))
        sqlite3_exec(handle_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
}

QString Database::PragmaText(const char* sql) const {
    const StatementHandle stmt = Prepare(QString::fromUtf8(sql));
    return sqlite3_step(stmt.get()) == SQLITE_ROW ? QString::fromUtf8(reinterpret_cast<const char*>(
                                                        sqlite3_column_text(stmt.get(), 0)))
                                                  : QString();
}

void Database::LogWritesWhileOpen() {
    const QString found = PragmaText("PRAGMA journal_mode");
    // A folder that takes no new files, or another program in the middle of a write, leaves
    // the journal as it is: slower, never less safe.
    if (found == QLatin1String("wal") || PragmaText("PRAGMA journal_mode = WAL") != "wal")
        return;
    journalToRestore_ = found.toLatin1();
}

void Database::Close() {
    Rollback();
    if (handle_ && !journalToRestore_.isEmpty()) {
        // Fails while another connection has the file open; the log stays until that one closes,
        // and SQLite takes it into the file when the last connection does.
        const QByteArray restore = "PRAGMA journal_mode = " + journalToRestore_;
        sqlite3_exec(handle_.get(), restore.constData(), nullptr, nullptr, nullptr);
    }
    handle_.reset();
}

Database::~Database() {
    Close();
}
