#include "listentries.h"

#include <algorithm>

namespace {

// Beyond this many differing rows a reset costs a reader less than the rows one by one.
constexpr qsizetype kMostRowsChanged = 32;

// Kept lists share their unchanged entries with the list they came from, so comparing the
// entries' data first settles most of them without reading any text.
bool Same(const QString& a, const QString& b) {
    return a.constData() == b.constData() || a == b;
}

} // namespace

void ListEntries::Replace(const QStringList& items) {
    if (items_.isSharedWith(items))
        return;
    const qsizetype shorter = std::min(items_.size(), items.size());
    qsizetype head = 0;
    while (head < shorter && Same(items_[head], items[head]))
        ++head;
    qsizetype tail = 0;
    while (tail < shorter - head &&
           Same(items_[items_.size() - 1 - tail], items[items.size() - 1 - tail]))
        ++tail;
    const qsizetype oldRows = items_.size() - head - tail;
    const qsizetype newRows = items.size() - head - tail;
    if (items_.isEmpty() || std::max(oldRows, newRows) > kMostRowsChanged) {
        Reset(items);
        return;
    }
    // The rows both lists hold at the changed place are renamed; the rest come or go after them.
    const qsizetype renamed = std::min(oldRows, newRows);
    const int first = int(head + renamed);
    if (newRows > oldRows) {
        beginInsertRows({}, first, int(head + newRows - 1));
        items_ = items;
        endInsertRows();
    } else if (oldRows > newRows) {
        beginRemoveRows({}, first, int(head + oldRows - 1));
        items_ = items;
        endRemoveRows();
    } else {
        items_ = items;
    }
    if (renamed > 0)
        emit dataChanged(index(int(head)), index(first - 1));
}

void ListEntries::Reset(const QStringList& items) {
    resetting_ = true;
    beginResetModel();
    items_ = items;
    endResetModel();
    resetting_ = false;
}

int ListEntries::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(items_.size());
}

QVariant ListEntries::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= items_.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return items_[index.row()];
    return {};
}

Qt::ItemFlags ListEntries::flags(const QModelIndex& index) const {
    if (resetting_ || !index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}
