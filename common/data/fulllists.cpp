#include "fulllists.h"

#include "numbertext.h"
#include "recordset.h"
#include "statements.h"

#include <algorithm>

namespace {

// SQLite compares text by its UTF-8 bytes; NOCASE folds the ASCII letters alone. A list sorted
// any other way than the column's own collation would put an added name elsewhere than the
// statement does, or take two groups for one.
char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

QByteArray LowerAscii(QByteArray text) {
    std::transform(text.begin(), text.end(), text.begin(), [](char c) { return LowerAscii(c); });
    return text;
}

int CompareBytes(const QByteArray& a, const QByteArray& b, bool foldAscii) {
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < common; ++i) {
        const auto x = uchar(foldAscii ? LowerAscii(a[i]) : a[i]);
        const auto y = uchar(foldAscii ? LowerAscii(b[i]) : b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

// A group is shown by the text of the first of its tracks the statement's scan of the index
// meets: the lowest track number (then key) going up, the highest going down. The lookup meets
// them in the same order, so it tells the same text.
QString LookupSql(const QString& column, bool descending) {
    if (!descending)
        return QStringLiteral("SELECT %1 FROM %2 WHERE %1 = ? GROUP BY %1")
            .arg(column, tracktable::kTable);
    return QStringLiteral("SELECT %1 FROM %2 WHERE %1 = ? ORDER BY %1 DESC, 曲番 DESC, ID DESC "
                          "LIMIT 1")
        .arg(column, tracktable::kTable);
}

} // namespace

FullLists::FullLists(Database& db, Program program) : db_(db) {
    using namespace statements;
    const QString artist = QStringLiteral("アーチスト名");
    if (program == Program::Caldrin) {
        lists_ = {{caldrin::AllAlbums(), QStringLiteral("アルバム名"), false, {}},
                  {caldrin::AllArtistsOrdered(), artist, false, {}},
                  {AllArtists(), artist, false, {}}};
    } else {
        const QString disc = QStringLiteral("MD番号");
        // Without a disc order saved, the statement has none either and goes up.
        lists_ = {{trensoly::AllDiscs(QStringLiteral("ASC")), disc, false, {}},
                  {trensoly::AllDiscs(QStringLiteral("DESC")), disc, true, {}},
                  {trensoly::AllDiscs(QString()), disc, false, {}},
                  {AllArtists(), artist, false, {}}};
    }
}

void FullLists::SetKeeping(bool keeping) {
    if (keeping == keeping_)
        return;
    keeping_ = keeping;
    for (List& list : lists_) {
        list.rows.reset();
        list.unmodelled = false;
    }
}

FullLists::Collation FullLists::CollationOf(const QString& column) {
    if (const auto known = collations_.find(column); known != collations_.end())
        return known->second;
    const char* collation = nullptr;
    const int rc = sqlite3_table_column_metadata(
        db_.Handle(), "main", tracktable::kTable.toUtf8().constData(), column.toUtf8().constData(),
        nullptr, &collation, nullptr, nullptr, nullptr);
    const QByteArray name = rc == SQLITE_OK && collation ? QByteArray(collation).toUpper() : "";
    const Collation kind = name == "BINARY"   ? Collation::Binary
                           : name == "NOCASE" ? Collation::NoCase
                                              : Collation::Unknown;
    return collations_[column] = kind;
}

// Told no order, SQLite groups a column in the order of an index it scans, and an index may run
// downwards; a list kept in the collation's order would then show its groups the other way.
bool FullLists::OrderModelled(const List& list) {
    if (list.sql.contains(QStringLiteral("ORDER BY")))
        return true;
    if (const auto known = upwardGrouping_.find(list.column); known != upwardGrouping_.end())
        return known->second;
    const StatementHandle stmt = db_.Prepare(
        QStringLiteral("SELECT 1 FROM pragma_index_list(?1) AS l, pragma_index_xinfo(l.name) AS x "
                       "WHERE x.seqno = 0 AND x.name = ?2 AND x.desc = 1"));
    const QByteArray table = tracktable::kTable.toUtf8(), column = list.column.toUtf8();
    sqlite3_bind_text(stmt.get(), 1, table.constData(), int(table.size()), SQLITE_STATIC);
    sqlite3_bind_text(stmt.get(), 2, column.constData(), int(column.size()), SQLITE_STATIC);
    const int code = sqlite3_step(stmt.get());
    if (code != SQLITE_ROW && code != SQLITE_DONE)
        db_.Fail(code);
    return upwardGrouping_[list.column] = code == SQLITE_DONE;
}

int FullLists::Compare(const QString& column, const QByteArray& a, const QByteArray& b) {
    return CompareBytes(a, b, CollationOf(column) == Collation::NoCase);
}

bool FullLists::SameGroup(const QString& column, const QString& a, const QString& b) {
    if (CollationOf(column) == Collation::Unknown)
        return a == b;
    return Compare(column, a.toUtf8(), b.toUtf8()) == 0;
}

void FullLists::Written(const QStringList& columns, const QList<QVariant>& before,
                        const QList<QVariant>& after) {
    try {
        UpdateAll(columns, before, after);
    } catch (const DbError&) {
        // The write itself is done; a list that could not follow it is read anew when next
        // needed, rather than the write being reported as failed.
        for (List& list : lists_)
            list.rows.reset();
    }
}

void FullLists::UpdateAll(const QStringList& columns, const QList<QVariant>& before,
                          const QList<QVariant>& after) {
    // Two lists of one column in one direction show the same groups: each looked up once.
    std::map<std::pair<QString, QByteArray>, std::optional<QString>> grouped;
    for (List& list : lists_) {
        const qsizetype column = columns.indexOf(list.column);
        QList<QByteArray> names;
        for (const QList<QVariant>* values : {&before, &after}) {
            if (values->isEmpty())
                continue;
            const QByteArray name = values->at(column).toString().toUtf8();
            // A change within one group needs one look at it.
            if (names.isEmpty() || Compare(list.column, names.first(), name) != 0)
                names << name;
        }
        for (const QByteArray& name : names) {
            if (!list.rows)
                break;
            // Null and empty names form groups of their own that show alike; read those anew.
            if (name.isEmpty()) {
                list.rows.reset();
                break;
            }
            const bool folded = CollationOf(list.column) == Collation::NoCase;
            const auto key = std::pair(LookupSql(list.column, list.descending),
                                       folded ? LowerAscii(name) : name);
            auto known = grouped.find(key);
            if (known == grouped.end())
                known = grouped.emplace(key, GroupedAs(list, QString::fromUtf8(name))).first;
            Update(list, name, known->second);
        }
    }
}

std::optional<QString> FullLists::GroupedAs(const List& list, const QString& name) {
    const QString sql = LookupSql(list.column, list.descending);
    auto lookup = lookups_.find(sql);
    if (lookup == lookups_.end())
        lookup = lookups_.emplace(sql, db_.Prepare(sql)).first;
    sqlite3_stmt* stmt = lookup->second.get();
    const QByteArray text = name.toUtf8();
    sqlite3_bind_text(stmt, 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    const int code = sqlite3_step(stmt);
    std::optional<QString> grouped;
    if (code == SQLITE_ROW)
        grouped = ValueToText(ColumnValue(stmt, 0));
    sqlite3_reset(stmt);
    if (code != SQLITE_ROW && code != SQLITE_DONE)
        db_.Fail(code);
    return grouped;
}

void FullLists::Update(List& list, const QByteArray& key, const std::optional<QString>& grouped) {
    // Read through the const list: a list left as it was stays shared with the lists that
    // show it, and sharing is what makes refilling them cost nothing.
    const QStringList& rows = *list.rows;
    const bool folded = CollationOf(list.column) == Collation::NoCase;
    const auto before = [&](const QString& entry, const QByteArray& wanted) {
        const int order = CompareBytes(entry.toUtf8(), wanted, folded);
        return list.descending ? order > 0 : order < 0;
    };
    const auto at = std::lower_bound(rows.cbegin(), rows.cend(), key, before);
    const bool listed = at != rows.cend() && CompareBytes(at->toUtf8(), key, folded) == 0;
    const qsizetype index = at - rows.cbegin();
    if (!grouped) {
        if (listed)
            list.rows->removeAt(index);
    } else if (!listed) {
        list.rows->insert(index, *grouped);
    } else if (rows.at(index) != *grouped) {
        (*list.rows)[index] = *grouped;
    }
}
