#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <QTableView>
#include <memory>

class QAccessibleInterface;
class Recordset;
class Snapshot;

// A grid or list tells assistive technology about its rows, cells and headers itself; the
// widgets it is built from (viewports, header views, scroll bars, the corner button) are in no
// client's tree. Left as they are, each would raise an event on every tab change that only makes
// a screen reader ask about an object it can never reach. The interface this factory gives them
// is not valid, so they raise none. Install it before the first view is built.
QAccessibleInterface* AccessibleViewPart(const QString& className, QObject* object);

// Holds the rows a grid shows. It keeps its own reference to the recordset it was given, so a
// later query in the window does not change what the grid shows.
class DataControl : public QObject {
    Q_OBJECT
public:
    explicit DataControl(QObject* parent = nullptr) : QObject(parent) {}
    // Only snapshots can be shown: they hold their rows and never change under the grid.
    void SetRecordset(const std::shared_ptr<Recordset>& recordset);
    const std::shared_ptr<Snapshot>& Rows() const { return rows_; }

signals:
    void RecordsetChanged();

private:
    std::shared_ptr<Snapshot> rows_;
};

// The cell of one column in the grid's current row.
class GridColumn {
public:
    GridColumn(const class DataGrid& grid, int column) : grid_(grid), column_(column) {}
    // The empty string when the grid has no current row.
    QString Value() const;

private:
    const DataGrid& grid_;
    int column_;
};

// A read-only grid of fixed columns, each bound to a field by name, showing the rows of its
// data control from the first row on.
class DataGrid : public QTableView {
    Q_OBJECT
public:
    DataGrid(DataControl& source, const QStringList& dataFields, QWidget* parent = nullptr);

    GridColumn Columns(int column) const { return GridColumn(*this, column); }
    int RowCount() const;
    QString CellText(int row, int column) const;

signals:
    // Delete on a row, and Enter or F2: the commands under the grid, as their buttons.
    void DeleteKey();
    void EditKey();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Rebind();

    class Model;
    DataControl& source_;
    Model* model_;
};
