#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>
#include <vector>

class Database;
class Recordset;
struct sqlite3_stmt;

// The value of a column of the statement's current row: integer, real, text, Null or bytes.
QVariant ColumnValue(sqlite3_stmt* stmt, int column);
// A stored text as it is, a byte order mark at its start included.
QString StoredText(const char* utf8, qsizetype size);
// Binds a value as the type it holds: integer, real, bytes, Null, or else its text.
void Bind(sqlite3_stmt* stmt, int index, const QVariant& value);
// A name quoted for SQL, whatever characters it holds; names, each so quoted.
QString Identifier(QString name);
QStringList Identifiers(const QStringList& names);

// One column of the current row of a recordset.
class Field {
public:
    Field(Recordset& owner, int column) : owner_(owner), column_(column) {}
    QVariant Value() const;
    QString Text() const;
    void SetValue(const QVariant& value);
    Field& operator=(const QVariant& value) {
        SetValue(value);
        return *this;
    }

private:
    Recordset& owner_;
    int column_;
};

class Recordset {
public:
    virtual ~Recordset() = default;

    // Named so because EOF itself is a C library macro.
    virtual bool Eof() const = 0;
    virtual void MoveNext() = 0;
    virtual void MoveFirst() = 0;
    virtual void MoveLast() = 0;
    virtual qint64 RecordCount() const = 0;

    const QStringList& FieldNames() const { return columns_; }
    Field Fields(int column);
    // Throws DbError when no column has that name.
    Field Fields(const QString& name);

    virtual QVariant Value(int column) const = 0;
    virtual void SetValue(int column, const QVariant& value);
    virtual void FindFirst(const QString& criteria);
    virtual bool NoMatch() const { return false; }
    virtual void AddNew();
    virtual void Edit();
    virtual void Update();
    virtual void Delete();
    virtual void Close() {}

protected:
    void CheckColumn(int column) const;
    [[noreturn]] static void NoCurrentRecord();
    [[noreturn]] static void ReadOnly();

    QStringList columns_;
};

// A static copy of a query's rows, taken when it is opened: later changes to the table do not
// alter it, and it holds no lock on the file.
class Snapshot : public Recordset {
public:
    Snapshot(Database& db, const QString& sql);

    bool Eof() const override { return position_ >= RowCount(); }
    void MoveNext() override;
    void MoveFirst() override { position_ = 0; }
    void MoveLast() override { position_ = RowCount() ? RowCount() - 1 : 0; }
    qint64 RecordCount() const override { return RowCount(); }
    QVariant Value(int column) const override;
    // Any row by number, for a grid that shows them all.
    QVariant ValueAt(qint64 row, int column) const;
    // The statement the rows came from.
    const QString& Sql() const { return sql_; }

private:
    qint64 RowCount() const;

    QString sql_;
    std::vector<QVariant> cells_;
    qint64 position_ = 0;
};

// One column of texts already in memory, as a kept list is handed out where a query's rows
// would be.
class TextRows : public Recordset {
public:
    TextRows(const QString& column, QStringList rows);

    bool Eof() const override { return position_ >= rows_.size(); }
    void MoveNext() override;
    void MoveFirst() override { position_ = 0; }
    void MoveLast() override { position_ = rows_.isEmpty() ? 0 : rows_.size() - 1; }
    qint64 RecordCount() const override { return rows_.size(); }
    QVariant Value(int column) const override;

private:
    QStringList rows_;
    qsizetype position_ = 0;
};

// An updatable view of a whole table. It holds only the key of its current row, so opening it
// on a large catalogue costs nothing.
class Dynaset : public Recordset {
public:
    Dynaset(Database& db, const QString& table);

    bool Eof() const override { return !current_; }
    void MoveNext() override;
    void MoveFirst() override;
    void MoveLast() override;
    qint64 RecordCount() const override;
    QVariant Value(int column) const override;
    void SetValue(int column, const QVariant& value) override;
    void FindFirst(const QString& criteria) override;
    bool NoMatch() const override { return noMatch_; }
    void AddNew() override;
    void Edit() override;
    void Update() override;
    void Delete() override;

private:
    enum class Mode { Browse, Adding, Editing };

    std::optional<qint64> SelectKey(const QString& where, const QString& order) const;
    QVariant Converted(int column, const QVariant& value) const;
    void Insert();
    void Rewrite();

    Database& db_;
    QString table_;
    int keyColumn_ = -1;
    std::vector<bool> numeric_;
    std::optional<qint64> current_;
    bool noMatch_ = false;
    Mode mode_ = Mode::Browse;
    std::vector<std::optional<QVariant>> buffer_;
};
