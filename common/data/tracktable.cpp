#include "tracktable.h"

#include "columnname.h"
#include "recordset.h"

#include <span>

namespace tracktable {

namespace {

// Text columns compare and group Latin letters without regard to case; track numbers are
// numbers, whole or not, never text.
const char* const kCaldrinSchema[] = {
    "CREATE TABLE データレコード ("
    " ID INTEGER PRIMARY KEY AUTOINCREMENT,"
    " アーチスト名 TEXT COLLATE NOCASE,"
    " アルバム名 TEXT COLLATE NOCASE,"
    " 曲番 NUMERIC CHECK (曲番 IS NULL OR typeof(曲番) IN ('integer', 'real')),"
    " 曲名 TEXT COLLATE NOCASE)",
    "CREATE INDEX アルバム索引 ON データレコード (アルバム名, アーチスト名, 曲番)",
    "CREATE INDEX アーチスト索引 ON データレコード (アーチスト名, アルバム名, 曲番)",
};

const char* const kTrensolySchema[] = {
    "CREATE TABLE データレコード ("
    " ID INTEGER PRIMARY KEY AUTOINCREMENT,"
    " MD番号 TEXT COLLATE NOCASE,"
    " 曲番 NUMERIC CHECK (曲番 IS NULL OR typeof(曲番) IN ('integer', 'real')),"
    " 曲名 TEXT COLLATE NOCASE,"
    " アーチスト名 TEXT COLLATE NOCASE)",
    "CREATE INDEX MD番号索引 ON データレコード (MD番号, 曲番)",
    "CREATE INDEX アーチスト索引 ON データレコード (アーチスト名, MD番号, 曲番)",
};

QStringList TableColumns(Database& db) {
    const auto info =
        db.OpenRecordset(QStringLiteral("PRAGMA table_info(\"%1\")").arg(kTable), dbOpenSnapshot);
    QStringList names;
    for (; !info->Eof(); info->MoveNext())
        names << info->Fields(QStringLiteral("name")).Text();
    return names;
}

void CheckTrackTable(Database& db, Program program) {
    const QStringList present = TableColumns(db);
    if (present.isEmpty())
        throw DbError(QStringLiteral("テーブル「%1」がありません。").arg(kTable));
    QStringList wanted = UserColumns(program);
    wanted.prepend(QStringLiteral("ID"));
    for (const QString& column : wanted) {
        if (FindColumn(present, column) < 0)
            throw DbError(
                QStringLiteral("テーブル「%1」に列「%2」がありません。").arg(kTable, column));
    }
}

} // namespace

QString FileName(Program program) {
    return program == Program::Caldrin ? QStringLiteral("caldrin.mdb")
                                       : QStringLiteral("trensoly.mdb");
}

QString FilePath(const QString& programFolder, Program program) {
    return programFolder + QLatin1Char('/') + FileName(program);
}

QStringList UserColumns(Program program) {
    if (program == Program::Caldrin)
        return {QStringLiteral("アーチスト名"), QStringLiteral("アルバム名"),
                QStringLiteral("曲番"), QStringLiteral("曲名")};
    return {QStringLiteral("MD番号"), QStringLiteral("曲番"), QStringLiteral("曲名"),
            QStringLiteral("アーチスト名")};
}

std::unique_ptr<Database> OpenCatalogue(const QString& path, Program program,
                                        Database::Access access) {
    try {
        auto db = Database::OpenDatabase(path, access);
        CheckTrackTable(*db, program);
        return db;
    } catch (const DbError& e) {
        throw DbError(
            QStringLiteral("データベース %1 を開くことができません。\n%2").arg(path, e.Message()));
    }
}

void CreateTrackTable(Database& db, Program program) {
    const std::span<const char* const> schema =
        program == Program::Caldrin ? std::span(kCaldrinSchema) : std::span(kTrensolySchema);
    for (const char* sql : schema)
        db.Execute(QString::fromUtf8(sql));
}

} // namespace tracktable
