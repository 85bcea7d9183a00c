// The floor our windows are held to beside a screen reader: the toolkit's own widgets doing, for
// each command measured, what the user sees our window do, and nothing more. An editable list of
// the same entries picks what a grid of the same rows and columns shows; a button adds a row and
// puts the focus on it. It is measured as our windows are, settled before and after each command,
// and prints its medians in the same lines.
//
//   bench_floorwindow ENTRIES ROWS COLUMNS WIDTH HEIGHT ROUNDS SETTLE_MS
//
// bench_accessibility starts it, with the shape of the window it is compared with.

#include "buswatch.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <QWidget>
#include <stdexcept>

using namespace bench;

namespace {

// Rows made up on demand, as cheap as a table can be: the floor pays for nothing a grid of ours
// would not show.
class Rows : public QAbstractTableModel {
public:
    Rows(int rows, int columns) : rows_(rows), columns_(columns) {}

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : rows_ + added_;
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : columns_;
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole)
            return {};
        return QStringLiteral("ｱﾙﾊﾞﾑ %1 の曲 %2・%3")
            .arg(pick_)
            .arg(index.row())
            .arg(index.column());
    }

    void Refill(int pick) {
        beginResetModel();
        pick_ = pick;
        added_ = 0;
        endResetModel();
    }
    int Add() {
        const int row = rows_ + added_;
        beginInsertRows({}, row, row);
        ++added_;
        endInsertRows();
        return row;
    }

private:
    int rows_, columns_, pick_ = 0, added_ = 0;
};

struct Shape {
    int entries, rows, columns, width, height, rounds, settleMs;
};

Shape ShapeFrom(const QStringList& args) {
    if (args.size() != 7)
        throw std::invalid_argument(
            "usage: bench_floorwindow ENTRIES ROWS COLUMNS WIDTH HEIGHT ROUNDS SETTLE_MS");
    std::vector<int> numbers;
    for (const QString& arg : args)
        numbers.push_back(arg.toInt());
    return {numbers[0], numbers[1], numbers[2], numbers[3], numbers[4], numbers[5], numbers[6]};
}

class FloorWindow : public QWidget {
public:
    explicit FloorWindow(const Shape& shape) : rows_(shape.rows, shape.columns) {
        list_.setEditable(true);
        for (int entry = 0; entry < shape.entries; ++entry)
            list_.addItem(QStringLiteral("夏の午後 第%1集").arg(entry + 1));
        grid_.setModel(&rows_);
        grid_.setEditTriggers(QAbstractItemView::NoEditTriggers);
        grid_.setSelectionBehavior(QAbstractItemView::SelectRows);
        grid_.setSelectionMode(QAbstractItemView::SingleSelection);
        grid_.setTabKeyNavigation(false);
        grid_.setMinimumSize(shape.width, shape.height);
        add_.setText(QStringLiteral("追加"));
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(&list_);
        layout->addWidget(&grid_);
        layout->addWidget(&add_);
        connect(&list_, &QComboBox::currentIndexChanged, this, [this](int pick) {
            rows_.Refill(pick);
            grid_.setCurrentIndex(rows_.index(0, 0));
        });
        connect(&add_, &QPushButton::clicked, this, [this] {
            grid_.setCurrentIndex(rows_.index(rows_.Add(), 0));
            grid_.setFocus();
        });
    }

    // The three commands in the order our windows give them, each from where a user gives it.
    void Round(std::vector<Measured>& measured) {
        Record(measured[0], &list_,
               [this] { list_.setCurrentIndex((list_.currentIndex() + 1) % list_.count()); });
        Record(measured[1], &grid_, [this] {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
            QApplication::sendEvent(&grid_, &press);
        });
        Record(measured[2], &add_, [this] { add_.click(); });
    }

private:
    static void Record(Measured& measured, QWidget* from, const std::function<void()>& command) {
        from->setFocus();
        QApplication::processEvents();
        const Settled settled = MeasureSettled([&] {
            command();
            QApplication::processEvents();
        });
        measured.cpuMs.push_back(settled.cpuMs);
        measured.spans.push_back(settled.span);
    }

    QComboBox list_;
    Rows rows_;
    QTableView grid_;
    QPushButton add_;
};

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    try {
        const Shape shape = ShapeFrom(app.arguments().mid(1));
        // The face our windows draw their Japanese text in, so the floor pays the same shaping.
        QFont ui = QApplication::font();
        ui.setFamilies({QStringLiteral("IPAPGothic"), ui.family()});
        QApplication::setFont(ui);
        if (!AccessibilityActive())
            throw std::runtime_error("accessibility is not active");
        SetSettleMs(shape.settleMs);
        FloorWindow window(shape);
        window.show();
        window.activateWindow();
        BusWatch watch;
        std::vector<Measured> measured = {{QStringLiteral("pick in a list"), {}, {}},
                                          {QStringLiteral("row move in the grid"), {}, {}},
                                          {QStringLiteral("add"), {}, {}}};
        for (int round = 0; round < shape.rounds; ++round)
            window.Round(measured);
        watch.Stop();
        PrintMedians(measured, watch);
    } catch (const std::exception& error) {
        qCritical("bench_floorwindow: %s", error.what());
        return 1;
    }
    return 0;
}
