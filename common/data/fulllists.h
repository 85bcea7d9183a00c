#pragma once

#include "database.h"
#include "tracktable.h"

#include <QList>
#include <QStringList>
#include <QVariant>
#include <map>
#include <optional>

// The lists of every album, every artist or every disc, which the windows fill again after each
// change. Reading one means grouping the whole catalogue, yet a change of one track can alter
// each such list by the names it touched at most. So each list is read once and then kept: after
// the program's own write, an indexed lookup per touched name tells whether the name still has
// tracks and under which text the catalogue groups it, and that one entry is put in, replaced or
// taken out at its place. Once another connection has written, the lists are read anew.
class FullLists {
public:
    FullLists(Database& db, Program program);

    // Off, every statement is run in full: the reference the kept lists must match.
    void SetKeeping(bool keeping);

    struct Rows {
        QString column;
        QStringList values;
    };
    // The first column of every row of sql, when it is one of the full lists; else nothing.
    std::optional<Rows> Kept(const QString& sql);
    // Reads the full lists of these statements that are not kept yet, each on a connection of its
    // own and all at once: a large catalogue's lists take each a full scan of an index. Kept
    // then has them, unless another program wrote to the catalogue meanwhile.
    void ReadAtOnce(const QStringList& sqls);

    // After a committed write of the program's own: the values of the columns before and after
    // (an empty list for a track added or deleted).
    void Written(const QStringList& columns, const QList<QVariant>& before,
                 const QList<QVariant>& after);

    // Whether the catalogue files a and b under one group of the column, by the collation the
    // column really has.
    bool SameGroup(const QString& column, const QString& a, const QString& b);

    // How a column's collation orders names, where it can be told outside SQLite.
    enum class Collation { Binary, NoCase, Unknown };

private:
    struct List {
        QString sql;
        QString column;
        bool descending;
        std::optional<QStringList> rows;
        // Read in full every time: the column's values do not sort as names we can model.
        bool unmodelled = false;
    };

    void UpdateAll(const QStringList& columns, const QList<QVariant>& before,
                   const QList<QVariant>& after);
    // Puts the group of key in the list, as the catalogue now shows it (grouped), or takes it
    // out when it has no tracks left.
    void Update(List& list, const QByteArray& key, const std::optional<QString>& grouped);
    std::optional<QStringList> SameGroupsKept(const List& wanted) const;
    // The list of sql, when it is kept, once lists read before another program's write are
    // forgotten.
    List* KeptList(const QString& sql);
    std::optional<QString> GroupedAs(const List& list, const QString& name);
    Collation CollationOf(const QString& column);
    bool OrderModelled(const List& list);
    int Compare(const QString& column, const QByteArray& a, const QByteArray& b);

    Database& db_;
    QList<List> lists_;
    // One lookup per column and direction, prepared once: a write looks up to two names in
    // each list.
    std::map<QString, StatementHandle> lookups_;
    std::map<QString, Collation> collations_;
    // Whether a column's groups come upwards from a statement that gives no order.
    std::map<QString, bool> upwardGrouping_;
    bool keeping_ = true;
    qint64 dataVersion_ = -1;
};
