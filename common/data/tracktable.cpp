#include "tracktable.h"

#include "columnname.h"
#include "numbertext.h"
#include "recordset.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <span>
#include <unistd.h>

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

struct Column {
    QString name;
    QString type;
    int keyPosition;
};

QList<Column> TableColumns(Database& db) {
    const auto info =
        db.OpenRecordset(QStringLiteral("PRAGMA table_info(\"%1\")").arg(kTable), dbOpenSnapshot);
    QList<Column> columns;
    for (; !info->Eof(); info->MoveNext())
        columns << Column{info->Fields(QStringLiteral("name")).Text(),
                          info->Fields(QStringLiteral("type")).Text(),
                          info->Fields(QStringLiteral("pk")).Value().toInt()};
    return columns;
}

// Only a lone INTEGER PRIMARY KEY is the row's own number, which the database hands out to each
// new row and by which every change and delete finds its row again.
bool IsRowNumberKey(const QList<Column>& columns, const Column& id) {
    const auto keys = std::count_if(columns.begin(), columns.end(),
                                    [](const Column& column) { return column.keyPosition > 0; });
    return keys == 1 && id.keyPosition == 1 && id.type.compare("INTEGER", Qt::CaseInsensitive) == 0;
}

void CheckTrackTable(Database& db, Program program) {
    const auto fail = [&db](const QString& reason) {
        throw DbError(CannotOpen(db.Path(), reason));
    };
    const QList<Column> columns = TableColumns(db);
    if (columns.isEmpty())
        fail(QStringLiteral("テーブル「%1」がありません。").arg(kTable));
    QStringList present;
    for (const Column& column : columns)
        present << column.name;
    QStringList wanted = UserColumns(program);
    wanted.prepend(QStringLiteral("ID"));
    for (const QString& name : wanted) {
        if (FindColumn(present, name) < 0)
            fail(QStringLiteral("テーブル「%1」に列「%2」がありません。").arg(kTable, name));
    }
    if (!IsRowNumberKey(columns, columns[FindColumn(present, QStringLiteral("ID"))]))
        fail(QStringLiteral("テーブル「%1」の列「ID」が INTEGER PRIMARY KEY ではないため、"
                            "曲を追加・変更・削除できません。")
                 .arg(kTable));
}

// A path as it can be pasted into a shell: quoted when any character would mean something there.
QString ForShell(const QString& path) {
    static const QRegularExpression plain(QStringLiteral("^[^\\s'\"\\\\$`!*?\\[\\](){}<>|&;#~]+$"));
    if (plain.match(path).hasMatch())
        return path;
    return QLatin1Char('\'') + QString(path).replace("'", "'\\''") + QLatin1Char('\'');
}

// How the tracks of a catalogue kept by the programs' ancestors come over: the old file moved
// aside and kept, its table written out by mdbtools, a new catalogue made from that in its place.
QString OldCatalogueAdvice(const QString& path, Program program, AccessFormat format) {
    const QFileInfo file(path);
    const QString kept = file.dir().filePath(file.completeBaseName() + QStringLiteral("-jet") +
                                             (file.suffix().isEmpty() ? "" : "." + file.suffix()));
    // mdbtools reads Jet 3 text as Western European unless told the Japanese code page.
    const QString charset =
        format == AccessFormat::Jet3 ? QStringLiteral("MDB_JET3_CHARSET=cp932 ") : QString();
    return QStringLiteral(
               "%1 は古い形式 (%2) のデータベースで、このままでは開けません。\n"
               "曲を移すには、Debian の mdbtools パッケージ (sudo apt install mdbtools) で表を "
               "CSV に書き出し、新しいカタログに読み込んでください。古いファイルは %3 として"
               "残ります:\n"
               "  mv %4 %5\n"
               "  %6mdb-export %5 %7 > tracks.csv\n"
               "  mkcatalogue %8 %4 --import tracks.csv")
        .arg(path, format == AccessFormat::Ace ? QStringLiteral("ACE") : QStringLiteral("Jet"),
             kept, ForShell(path), ForShell(kept), charset, kTable, ProgramName(program));
}

// A trigger rewrites what the programs write: it can drop an added track without a word or
// delete every other one. Such a file is refused before anything is written, as an old one is.
void RefuseTriggers(Database& db) {
    const StatementHandle triggers = db.Prepare(QStringLiteral(
        "SELECT name FROM sqlite_schema WHERE type = 'trigger' AND tbl_name = ? COLLATE NOCASE "
        "ORDER BY name"));
    const QByteArray table = kTable.toUtf8();
    sqlite3_bind_text(triggers.get(), 1, table.constData(), int(table.size()), SQLITE_STATIC);
    QStringList names, commands;
    int rc;
    while ((rc = sqlite3_step(triggers.get())) == SQLITE_ROW) {
        const QString name = ValueToText(ColumnValue(triggers.get(), 0));
        names << QStringLiteral("「%1」").arg(name);
        commands << QStringLiteral("  sqlite3 %1 %2")
                        .arg(ForShell(db.Path()),
                             ForShell(QStringLiteral("DROP TRIGGER \"%1\";")
                                          .arg(QString(name).replace("\"", "\"\""))));
    }
    if (rc != SQLITE_DONE)
        db.Fail(rc);
    if (names.isEmpty())
        return;
    throw DbError(CannotOpen(
        db.Path(), QStringLiteral("表「%1」にトリガー%2があります。トリガーは曲の追加・変更・削除を"
                                  "書き換えるため、このカタログには書き込めません。\n"
                                  "ファイルのコピーを取ってから、次のコマンドでトリガーを削除し、"
                                  "起動し直してください:\n%3")
                       .arg(kTable, names.join(QString()), commands.join(QLatin1Char('\n')))));
}

} // namespace

QString ProgramName(Program program) {
    return program == Program::Caldrin ? QStringLiteral("caldrin") : QStringLiteral("trensoly");
}

QString FileName(Program program) {
    return ProgramName(program) + QStringLiteral(".mdb");
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
    if (const AccessFormat format = AccessFormatOf(path); format != AccessFormat::None)
        throw DbError(OldCatalogueAdvice(path, program, format));
    auto db = Database::OpenDatabase(path, access);
    CheckTrackTable(*db, program);
    if (access == Database::Access::ReadWrite)
        RefuseTriggers(*db);
    return db;
}

QString WriteProblem(const QString& path) {
    const QFileInfo file(path);
    // SQLite writes its journal beside the catalogue, so the folder must take new files too.
    const QString folder = QDir::toNativeSeparators(file.absolutePath());
    if (access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0 &&
        access(QFile::encodeName(path).constData(), W_OK) == 0)
        return {};
    return QStringLiteral("フォルダー %1 のカタログ %2 に書き込むことができません。\n"
                          "曲の一覧と印刷は使えますが、追加・変更・削除はできません。"
                          "フォルダーとファイルに書き込み権限を与えてから起動し直してください。")
        .arg(folder, file.fileName());
}

void CreateTrackTable(Database& db, Program program) {
    const std::span<const char* const> schema =
        program == Program::Caldrin ? std::span(kCaldrinSchema) : std::span(kTrensolySchema);
    for (const char* sql : schema)
        db.Execute(QString::fromUtf8(sql));
}

} // namespace tracktable
