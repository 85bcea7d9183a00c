#include "recordset.h"

#include "columnname.h"
#include "database.h"
#include "numbertext.h"

#include <cstring>

QVariant ColumnValue(sqlite3_stmt* stmt, int column) {
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(stmt, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt, column));
    case SQLITE_NULL:
        return QVariant();
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt, column)),
                          sqlite3_column_bytes(stmt, column));
    default:
        return StoredText(reinterpret_cast<const char*>(sqlite3_column_text(stmt, column)),
                          sqlite3_column_bytes(stmt, column));
    }
}

QString StoredText(const char* utf8, qsizetype size) {
    // QString::fromUtf8 takes a leading U+FEFF for the marker of a file and drops it; in a name
    // it is a character of the name, and without it the name no longer finds its tracks.
    static constexpr char kMark[] = "\xEF\xBB\xBF";
    if (size >= 3 && std::memcmp(utf8, kMark, 3) == 0)
        return QChar(0xFEFF) + StoredText(utf8 + 3, size - 3);
    return QString::fromUtf8(utf8, size);
}

void Bind(sqlite3_stmt* stmt, int index, const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
        sqlite3_bind_int64(stmt, index, value.toLongLong());
        return;
    case QMetaType::Double:
        sqlite3_bind_double(stmt, index, value.toDouble());
        return;
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        sqlite3_bind_blob(stmt, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
        return;
    }
    default:
        if (value.isNull()) {
            sqlite3_bind_null(stmt, index);
            return;
        }
        const QByteArray text = value.toString().toUtf8();
        sqlite3_bind_text(stmt, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    }
}

QString Identifier(QString name) {
    return QLatin1Char('"') + name.replace(QLatin1Char('"'), QLatin1String("\"\"")) +
           QLatin1Char('"');
}

QStringList Identifiers(const QStringList& names) {
    QStringList quoted;
    for (const QString& name : names)
        quoted << Identifier(name);
    return quoted;
}

namespace {

bool IsNumberValue(const QVariant& value) {
    const int type = value.typeId();
    return type == QMetaType::Double || type == QMetaType::Int || type == QMetaType::LongLong;
}

bool IsNumericType(const QString& declared) {
    const QString type = declared.toUpper();
    for (const char* word : {"INT", "REAL", "FLOA", "DOUB", "NUM", "DEC"}) {
        if (type.contains(QLatin1String(word)))
            return true;
    }
    return false;
}

} // namespace

QVariant Field::Value() const {
    return owner_.Value(column_);
}

QString Field::Text() const {
    return ValueToText(Value());
}

void Field::SetValue(const QVariant& value) {
    owner_.SetValue(column_, value);
}

Field Recordset::Fields(int column) {
    CheckColumn(column);
    return Field(*this, column);
}

Field Recordset::Fields(const QString& name) {
    const int column = FindColumn(columns_, name);
    if (column < 0)
        throw DbError(QStringLiteral("列「%1」がありません。").arg(name));
    return Field(*this, column);
}

void Recordset::CheckColumn(int column) const {
    if (column < 0 || column >= columns_.size())
        throw DbError(QStringLiteral("列番号 %1 はありません。").arg(column));
}

void Recordset::NoCurrentRecord() {
    throw DbError(QStringLiteral("現在のレコードがありません。"));
}

void Recordset::ReadOnly() {
    throw DbError(QStringLiteral("この結果は読み取り専用です。"));
}

void Recordset::SetValue(int, const QVariant&) {
    ReadOnly();
}
void Recordset::FindFirst(const QString&) {
    ReadOnly();
}
void Recordset::AddNew() {
    ReadOnly();
}
void Recordset::Edit() {
    ReadOnly();
}
void Recordset::Update() {
    ReadOnly();
}
void Recordset::Delete() {
    ReadOnly();
}

Snapshot::Snapshot(Database& db, const QString& sql) : sql_(sql) {
    StatementHandle stmt = db.Prepare(sql);
    const int width = sqlite3_column_count(stmt.get());
    for (int i = 0; i < width; ++i)
        columns_ << QString::fromUtf8(sqlite3_column_name(stmt.get(), i));
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
        for (int i = 0; i < width; ++i)
            cells_.push_back(ColumnValue(stmt.get(), i));
    }
    if (rc != SQLITE_DONE)
        db.Fail(rc);
}

qint64 Snapshot::RowCount() const {
    return columns_.isEmpty() ? 0 : qint64(cells_.size()) / columns_.size();
}

void Snapshot::MoveNext() {
    if (Eof())
        NoCurrentRecord();
    ++position_;
}

QVariant Snapshot::Value(int column) const {
    if (Eof())
        NoCurrentRecord();
    return ValueAt(position_, column);
}

TextRows::TextRows(const QString& column, QStringList rows) : rows_(std::move(rows)) {
    columns_ = {column};
}

void TextRows::MoveNext() {
    if (Eof())
        NoCurrentRecord();
    ++position_;
}

QVariant TextRows::Value(int column) const {
    if (Eof())
        NoCurrentRecord();
    CheckColumn(column);
    return rows_[position_];
}

QVariant Snapshot::ValueAt(qint64 row, int column) const {
    CheckColumn(column);
    return cells_[size_t(row * columns_.size() + column)];
}

Dynaset::Dynaset(Database& db, const QString& table) : db_(db), table_(table) {
    for (const Database::Column& column : db.TableColumns(table)) {
        columns_ << column.name;
        numeric_.push_back(IsNumericType(column.type));
        if (column.key)
            keyColumn_ = int(columns_.size()) - 1;
    }
    if (columns_.isEmpty())
        throw DbError(QStringLiteral("テーブル「%1」がありません。").arg(table));
    if (keyColumn_ < 0)
        throw DbError(QStringLiteral("テーブル「%1」に主キーがありません。").arg(table));
    MoveFirst();
}

std::optional<qint64> Dynaset::SelectKey(const QString& where, const QString& order) const {
    const QString key = Identifier(columns_[keyColumn_]);
    StatementHandle stmt =
        db_.Prepare(QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY %1 %4 LIMIT 1")
                        .arg(key, Identifier(table_), where, order));
    const int rc = sqlite3_step(stmt.get());
    if (rc == SQLITE_ROW)
        return sqlite3_column_int64(stmt.get(), 0);
    if (rc != SQLITE_DONE)
        db_.Fail(rc);
    return std::nullopt;
}

void Dynaset::MoveNext() {
    if (!current_)
        NoCurrentRecord();
    current_ =
        SelectKey(QStringLiteral("%1 > %2").arg(Identifier(columns_[keyColumn_])).arg(*current_),
                  QStringLiteral("ASC"));
}

void Dynaset::MoveFirst() {
    current_ = SelectKey(QStringLiteral("1"), QStringLiteral("ASC"));
}

void Dynaset::MoveLast() {
    current_ = SelectKey(QStringLiteral("1"), QStringLiteral("DESC"));
}

qint64 Dynaset::RecordCount() const {
    StatementHandle stmt =
        db_.Prepare(QStringLiteral("SELECT count(*) FROM %1").arg(Identifier(table_)));
    if (sqlite3_step(stmt.get()) != SQLITE_ROW)
        db_.Fail(sqlite3_errcode(db_.Handle()));
    return sqlite3_column_int64(stmt.get(), 0);
}

void Dynaset::FindFirst(const QString& criteria) {
    current_ = SelectKey(criteria, QStringLiteral("ASC"));
    // Without a match there is no current row, so a following Edit or Delete can never reach
    // some other row.
    noMatch_ = !current_;
}

QVariant Dynaset::Value(int column) const {
    CheckColumn(column);
    if (mode_ != Mode::Browse && buffer_[size_t(column)])
        return *buffer_[size_t(column)];
    if (mode_ == Mode::Adding)
        return QVariant();
    if (!current_)
        NoCurrentRecord();
    StatementHandle stmt = db_.Prepare(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?")
                                           .arg(Identifier(columns_[column]), Identifier(table_),
                                                Identifier(columns_[keyColumn_])));
    sqlite3_bind_int64(stmt.get(), 1, *current_);
    const int rc = sqlite3_step(stmt.get());
    if (rc == SQLITE_DONE)
        NoCurrentRecord();
    if (rc != SQLITE_ROW)
        db_.Fail(rc);
    return ColumnValue(stmt.get(), 0);
}

QVariant Dynaset::Converted(int column, const QVariant& value) const {
    if (column == keyColumn_)
        throw DbError(QStringLiteral("列「%1」は書き込めません。").arg(columns_[column]));
    if (value.isNull())
        return QVariant();
    // Whole numbers stay whole and exact, past 2^53 too.
    if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int)
        return QVariant(value.toLongLong());
    // A column declared without a numeric type keeps what it is given: numbers stay numbers.
    if (!numeric_[size_t(column)])
        return IsNumberValue(value) ? StoredNumber(value.toDouble()) : QVariant(value.toString());
    std::optional<QVariant> number;
    if (value.typeId() == QMetaType::QString)
        number = ParseStoredNumber(value.toString());
    else if (bool isNumber = false; value.toDouble(&isNumber), isNumber)
        number = StoredNumber(value.toDouble());
    if (!number)
        throw DbError(QStringLiteral("列「%1」には数値しか入れられません。").arg(columns_[column]));
    return *number;
}

void Dynaset::SetValue(int column, const QVariant& value) {
    CheckColumn(column);
    if (mode_ == Mode::Browse)
        throw DbError(QStringLiteral("AddNew または Edit の前に値を設定することはできません。"));
    buffer_[size_t(column)] = Converted(column, value);
}

void Dynaset::AddNew() {
    buffer_.assign(size_t(columns_.size()), std::nullopt);
    mode_ = Mode::Adding;
}

void Dynaset::Edit() {
    if (!current_)
        NoCurrentRecord();
    buffer_.assign(size_t(columns_.size()), std::nullopt);
    mode_ = Mode::Editing;
}

void Dynaset::Update() {
    if (mode_ == Mode::Adding)
        Insert();
    else if (mode_ == Mode::Editing)
        Rewrite();
    else
        throw DbError(QStringLiteral("AddNew または Edit を先に行ってください。"));
    mode_ = Mode::Browse;
    buffer_.clear();
}

void Dynaset::Insert() {
    QStringList names, marks;
    QVariantList values;
    for (int i = 0; i < columns_.size(); ++i) {
        if (buffer_[size_t(i)]) {
            names << Identifier(columns_[i]);
            marks << QStringLiteral("?");
            values << *buffer_[size_t(i)];
        }
    }
    const QString sql =
        names.isEmpty()
            ? QStringLiteral("INSERT OR ABORT INTO %1 DEFAULT VALUES").arg(Identifier(table_))
            : QStringLiteral("INSERT OR ABORT INTO %1 (%2) VALUES (%3)")
                  .arg(Identifier(table_), names.join(QLatin1Char(',')),
                       marks.join(QLatin1Char(',')));
    StatementHandle stmt = db_.Prepare(sql);
    for (int i = 0; i < values.size(); ++i)
        Bind(stmt.get(), i + 1, values[i]);
    db_.WriteOneRow(stmt.get());
}

void Dynaset::Rewrite() {
    QStringList sets;
    QVariantList values;
    for (int i = 0; i < columns_.size(); ++i) {
        if (buffer_[size_t(i)]) {
            sets << Identifier(columns_[i]) + QStringLiteral(" = ?");
            values << *buffer_[size_t(i)];
        }
    }
    if (sets.isEmpty())
        return;
    StatementHandle stmt = db_.Prepare(QStringLiteral("UPDATE OR ABORT %1 SET %2 WHERE %3 = ?")
                                           .arg(Identifier(table_), sets.join(QLatin1Char(',')),
                                                Identifier(columns_[keyColumn_])));
    for (int i = 0; i < values.size(); ++i)
        Bind(stmt.get(), i + 1, values[i]);
    sqlite3_bind_int64(stmt.get(), int(values.size()) + 1, *current_);
    // The row may have gone since it was found: then nothing was written, and the caller hears so.
    db_.WriteOneRow(stmt.get());
}

void Dynaset::Delete() {
    if (!current_)
        NoCurrentRecord();
    StatementHandle stmt =
        db_.Prepare(QStringLiteral("DELETE FROM %1 WHERE %2 = ?")
                        .arg(Identifier(table_), Identifier(columns_[keyColumn_])));
    sqlite3_bind_int64(stmt.get(), 1, *current_);
    current_.reset();
    db_.WriteOneRow(stmt.get());
}
