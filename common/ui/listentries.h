#pragma once

#include <QAbstractListModel>
#include <QStringList>

// The entries of a drop-down list. A new list replaces the old one by the rows that differ, so
// a refill that adds, removes or renames one entry tells the list's view, and a screen reader
// reading it, about that entry alone, and the field's text is left as it is. A list that has
// changed throughout is reset.
class ListEntries : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    const QStringList& Items() const { return items_; }
    void Replace(const QStringList& items);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void Reset(const QStringList& items);

    QStringList items_;
    // While the list is reset, no entry can be chosen: the combo box would otherwise make the
    // first entry current and show it in the field.
    bool resetting_ = false;
};
