#include "datagrid.h"

#include "columnname.h"
#include "dberror.h"
#include "numbertext.h"
#include "recordset.h"

#include <QAccessibleWidget>
#include <QHeaderView>
#include <QKeyEvent>

namespace {

class ViewPart : public QAccessibleWidget {
public:
    using QAccessibleWidget::QAccessibleWidget;
    bool isValid() const override { return false; }
};

// Asked while a view is still being built too, when it is no more than an item view and may
// have no parent yet.
bool InsideItemView(const QWidget* widget) {
    for (const QWidget* above = widget->parentWidget(); above; above = above->parentWidget()) {
        if (qobject_cast<const QAbstractItemView*>(above))
            return true;
        if (above->isWindow())
            return false;
    }
    return false;
}

} // namespace

QAccessibleInterface* AccessibleViewPart(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    return widget && InsideItemView(widget) ? new ViewPart(widget) : nullptr;
}

void DataControl::SetRecordset(const std::shared_ptr<Recordset>& recordset) {
    auto rows = std::dynamic_pointer_cast<Snapshot>(recordset);
    if (recordset && !rows)
        throw DbError(QStringLiteral("表には読み取り専用の結果しか表示できません。"));
    rows_ = std::move(rows);
    emit RecordsetChanged();
}

class DataGrid::Model : public QAbstractTableModel {
public:
    explicit Model(QStringList fields) : fields_(std::move(fields)) {}

    void SetRows(std::shared_ptr<Snapshot> rows) {
        beginResetModel();
        rows_ = std::move(rows);
        sourceColumns_.clear();
        for (const QString& field : fields_)
            sourceColumns_ << (rows_ ? FindColumn(rows_->FieldNames(), field) : -1);
        endResetModel();
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() || !rows_ ? 0 : int(rows_->RecordCount());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(fields_.size());
    }

    QVariant Cell(int row, int column) const {
        const int source = sourceColumns_.value(column, -1);
        return source < 0 ? QVariant() : rows_->ValueAt(row, source);
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid())
            return {};
        if (role == Qt::DisplayRole)
            return ValueToText(Cell(index.row(), index.column()));
        if (role == Qt::TextAlignmentRole) {
            const int type = Cell(index.row(), index.column()).typeId();
            const bool number = type == QMetaType::LongLong || type == QMetaType::Double;
            return int((number ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
        }
        return {};
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (role != Qt::DisplayRole)
            return {};
        if (orientation == Qt::Horizontal)
            return fields_.value(section);
        return section + 1;
    }

private:
    QStringList fields_;
    QList<int> sourceColumns_;
    std::shared_ptr<Snapshot> rows_;
};

DataGrid::DataGrid(DataControl& source, const QStringList& dataFields, QWidget* parent)
    : QTableView(parent), source_(source), model_(new Model(dataFields)) {
    model_->setParent(this);
    setModel(model_);
    // Every recordset a grid shows is a read-only copy, so a typed cell could never be stored.
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Tab goes on to the next control, as everywhere else; the arrows move between rows.
    setTabKeyNavigation(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    // The title takes the spare width wherever it stands: titles are the longest texts.
    const int title = int(dataFields.indexOf(QStringLiteral("曲名")));
    if (title >= 0)
        horizontalHeader()->setSectionResizeMode(title, QHeaderView::Stretch);
    else
        horizontalHeader()->setStretchLastSection(true);
    connect(&source_, &DataControl::RecordsetChanged, this, &DataGrid::Rebind);
}

void DataGrid::Rebind() {
    model_->SetRows(source_.Rows());
    if (model_->rowCount() > 0)
        setCurrentIndex(model_->index(0, 0));
}

void DataGrid::keyPressEvent(QKeyEvent* event) {
    const bool plain =
        event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier;
    if (plain && event->key() == Qt::Key_Delete)
        return emit DeleteKey();
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
                  event->key() == Qt::Key_F2))
        return emit EditKey();
    QTableView::keyPressEvent(event);
}

int DataGrid::RowCount() const {
    return model_->rowCount();
}

QString DataGrid::CellText(int row, int column) const {
    return model_->data(model_->index(row, column), Qt::DisplayRole).toString();
}

QString GridColumn::Value() const {
    const QModelIndex current = grid_.currentIndex();
    if (!current.isValid())
        return QString();
    return grid_.CellText(current.row(), column_);
}
