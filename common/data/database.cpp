#include "database.h"

#include "recordset.h"

#include <QFileInfo>

namespace {

constexpr int kLockWaitMs = 5000;

SqliteHandle OpenHandle(const QString& path, int flags, bool readOnly = false) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &raw, flags, nullptr);
    SqliteHandle handle(raw);
    if (rc != SQLITE_OK) {
        const QString detail = raw ? QString::fromUtf8(sqlite3_errmsg(raw)) : QString();
        throw DbError(DescribeSqliteError(rc, detail));
    }
    sqlite3_extended_result_codes(raw, 1);
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
    if (code == SQLITE_READONLY_ROLLBACK)
        return QStringLiteral("中断された書き込みの後始末ができません。"
                              "データベースファイルに書き込める状態にしてから開き直してください。");
    switch (code & 0xff) {
    case SQLITE_CANTOPEN:
        return QStringLiteral("ファイルが見つからないか、開くことができません。");
    case SQLITE_NOTADB:
        return QStringLiteral("データベースファイルではありません。");
    case SQLITE_CORRUPT:
        return QStringLiteral("データベースファイルが壊れています。");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("ほかのプログラムがデータベースを使用中です。"
                              "しばらくしてからもう一度操作してください。");
    case SQLITE_FULL:
        return QStringLiteral("ディスクの空き容量が足りません。");
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return QStringLiteral("データベースファイルに書き込むことができません。");
    case SQLITE_IOERR:
        return QStringLiteral("データベースファイルの読み書きに失敗しました。");
    case SQLITE_CONSTRAINT:
        return QStringLiteral("データベースの制約により保存できません (%1)。").arg(detail);
    default:
        return QStringLiteral("データベースのエラーです: %1").arg(detail);
    }
}

Database::Database(SqliteHandle handle, QString path)
    : handle_(std::move(handle)), path_(std::move(path)) {}

std::unique_ptr<Database> Database::OpenDatabase(const QString& path, Access access) {
    // SQLite would happily open a folder or a missing path read-only; say what is wrong instead.
    if (!QFileInfo(path).isFile())
        throw DbError(DescribeSqliteError(SQLITE_CANTOPEN, {}));
    return std::unique_ptr<Database>(
        new Database(OpenHandle(path, SQLITE_OPEN_READWRITE, access == Access::ReadOnly), path));
}

std::unique_ptr<Database> Database::CreateDatabase(const QString& path) {
    if (QFileInfo::exists(path))
        throw DbError(QStringLiteral("ファイルがすでにあります: %1").arg(path));
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
    throw DbError(DescribeSqliteError(code, detail));
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

std::shared_ptr<Recordset> Database::OpenRecordset(const QString& source, RecordsetType type) {
    if (type == dbOpenDynaset)
        return std::make_shared<Dynaset>(*this, source);
    return OpenSnapshot(source);
}

std::shared_ptr<Snapshot> Database::OpenSnapshot(const QString& sql) {
    return std::make_shared<Snapshot>(*this, sql);
}

void Database::BeginTrans() {
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

void Database::Close() {
    Rollback();
    handle_.reset();
}
