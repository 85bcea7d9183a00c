#include "writehistory.h"

#include "database.h"
#include "recordset.h"
#include "tracktable.h"

namespace writehistory {

void History::Record(Step step) {
    undo_.push_back(std::move(step));
    if (undo_.size() > size_t(kLimit))
        undo_.pop_front();
    redo_.clear();
}

const Step* History::Next(Direction direction) const {
    const auto& steps = direction == Direction::Undo ? undo_ : redo_;
    return steps.empty() ? nullptr : &steps.back();
}

void History::Taken(Direction direction) {
    auto& from = From(direction);
    auto& to = From(direction == Direction::Undo ? Direction::Redo : Direction::Undo);
    to.push_back(std::move(from.back()));
    from.pop_back();
}

void History::Drop(Direction direction) {
    From(direction).pop_back();
}

QList<QVariant> StoredValues(Database& db, const QStringList& columns, qint64 id) {
    const QStringList names = Identifiers(columns);
    StatementHandle stmt =
        db.Prepare(QStringLiteral("SELECT %1 FROM %2 WHERE ID = ?")
                       .arg(names.join(QLatin1Char(',')), Identifier(tracktable::kTable)));
    sqlite3_bind_int64(stmt.get(), 1, id);
    const int rc = sqlite3_step(stmt.get());
    if (rc == SQLITE_DONE)
        return {};
    if (rc != SQLITE_ROW)
        db.Fail(rc);
    QList<QVariant> values;
    for (int column = 0; column < columns.size(); ++column)
        values << ColumnValue(stmt.get(), column);
    return values;
}

namespace {

// Makes the row hold the values, or takes it out when there are none.
void Write(Database& db, const QStringList& columns, qint64 id, bool exists,
           const QList<QVariant>& values) {
    const QString table = Identifier(tracktable::kTable);
    const QStringList names = Identifiers(columns);
    QString sql;
    if (values.isEmpty())
        sql = QStringLiteral("DELETE FROM %1 WHERE ID = ?").arg(table);
    else if (exists)
        sql = QStringLiteral("UPDATE OR ABORT %1 SET %2 = ? WHERE ID = ?")
                  .arg(table, names.join(QStringLiteral(" = ?, ")));
    else
        sql = QStringLiteral("INSERT OR ABORT INTO %1 (%2, ID) VALUES (%3?)")
                  .arg(table, names.join(QLatin1Char(',')),
                       QStringLiteral("?,").repeated(columns.size()));
    StatementHandle stmt = db.Prepare(sql);
    int index = 0;
    for (const QVariant& value : values)
        Bind(stmt.get(), ++index, value);
    sqlite3_bind_int64(stmt.get(), ++index, id);
    db.WriteOneRow(stmt.get());
}

} // namespace

bool Apply(Database& db, const QStringList& columns, const Step& step, Direction direction) {
    const bool undo = direction == Direction::Undo;
    db.BeginTrans();
    try {
        for (const RowChange& row : step.rows) {
            const QList<QVariant>& left = undo ? row.after : row.before;
            if (StoredValues(db, columns, row.id) != left) {
                db.Rollback();
                return false;
            }
            Write(db, columns, row.id, !left.isEmpty(), undo ? row.before : row.after);
        }
        db.CommitTrans();
    } catch (...) {
        db.Rollback();
        throw;
    }
    return true;
}

} // namespace writehistory
