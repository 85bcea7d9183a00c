// Reading the full lists: one at a time as they are asked for, or all at once at start-up.
#include "fulllists.h"
#include "recordset.h"

#include <algorithm>
#include <thread>

namespace {

// Nothing when a value is a number, Null or bytes: it sorts apart from every text, where no text
// comparison can put it. Read straight from the statement: at a million tracks a list holds a
// hundred thousand names, and passing each through a cell of a snapshot and then a second list
// costs more than a tenth of the start-up.
std::optional<QStringList> TextsOfFirstColumn(const Database& db, const QString& sql) {
    const StatementHandle stmt = db.Prepare(sql);
    QStringList values;
    int rc;
    while ((rc = sqlite3_step(stmt.get())) == SQLITE_ROW) {
        if (sqlite3_column_type(stmt.get(), 0) != SQLITE_TEXT)
            return std::nullopt;
        values << StoredText(reinterpret_cast<const char*>(sqlite3_column_text(stmt.get(), 0)),
                             sqlite3_column_bytes(stmt.get(), 0));
    }
    if (rc != SQLITE_DONE)
        db.Fail(rc);
    return values;
}

QStringList FirstColumn(Recordset& rows) {
    QStringList values;
    for (; !rows.Eof(); rows.MoveNext())
        values << rows.Fields(0).Text();
    return values;
}

} // namespace

FullLists::List* FullLists::KeptList(const QString& sql) {
    const auto list =
        std::find_if(lists_.begin(), lists_.end(), [&](const List& l) { return l.sql == sql; });
    if (!keeping_ || list == lists_.end() || list->unmodelled ||
        CollationOf(list->column) == Collation::Unknown || !OrderModelled(*list))
        return nullptr;
    if (const qint64 version = db_.DataVersion(); version != dataVersion_) {
        for (List& each : lists_)
            each.rows.reset();
        dataVersion_ = version;
    }
    return &*list;
}

std::optional<FullLists::Rows> FullLists::Kept(const QString& sql) {
    List* list = KeptList(sql);
    if (!list)
        return std::nullopt;
    if (!list->rows)
        list->rows = SameGroupsKept(*list);
    if (!list->rows)
        list->rows = TextsOfFirstColumn(db_, sql);
    if (!list->rows) {
        list->unmodelled = true;
        return Rows{list->column, FirstColumn(*db_.OpenSnapshot(sql))};
    }
    return Rows{list->column, *list->rows};
}

void FullLists::ReadAtOnce(const QStringList& sqls) {
    std::vector<List*> wanted;
    for (const QString& sql : sqls) {
        List* list = KeptList(sql);
        if (list && !list->rows && std::none_of(wanted.begin(), wanted.end(), [&](List* w) {
                return w->column == list->column && w->descending == list->descending;
            }))
            wanted.push_back(list);
    }
    const qint64 before = db_.DataVersion();
    std::vector<std::optional<QStringList>> read(wanted.size());
    std::vector<std::thread> readers;
    for (size_t i = 0; i < wanted.size(); ++i)
        readers.emplace_back([&, i] {
            try {
                // The first on this connection, while it is idle; the others on their own.
                const auto own =
                    i == 0 ? nullptr
                           : Database::OpenDatabase(db_.Path(), Database::Access::ReadOnly);
                read[i] = TextsOfFirstColumn(own ? *own : db_, wanted[i]->sql);
            } catch (const std::exception&) {
                // Read again when it is asked for, and told then if it still fails.
            }
        });
    for (std::thread& reader : readers)
        reader.join();
    // Another program's write during the reads may have reached some of them and not others.
    if (db_.DataVersion() != before)
        return;
    for (size_t i = 0; i < wanted.size(); ++i)
        wanted[i]->rows = std::move(read[i]);
}

// Grouping a column orders its groups by the column's collation whether or not the statement
// says ORDER BY, and shows each by the same track, so a list already read in the same direction
// holds the same rows; the first write after start-up then reads no list the start-up had read
// under another statement.
std::optional<QStringList> FullLists::SameGroupsKept(const List& wanted) const {
    for (const List& list : lists_) {
        if (&list != &wanted && list.rows && list.column == wanted.column &&
            list.descending == wanted.descending)
            return list.rows;
    }
    return std::nullopt;
}
