// The floor a program's start-up is judged against: a plain Qt window of the main window's
// kind, mapped with Japanese text in the face our windows use, so that fontconfig, Qt's font
// database, fallback fonts and shaping are paid here too. Only SQLite's share is left out; the
// benchmark adds the shell's.
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr int kRows = 20;
constexpr int kEntries = 40;
const QStringList kColumns = {QStringLiteral("曲名"), QStringLiteral("アーティスト"),
                              QStringLiteral("アルバム"), QStringLiteral("番号")};

QWidget* Page() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* list = new QComboBox;
    list->setEditable(true);
    for (int entry = 0; entry < kEntries; ++entry)
        list->addItem(QStringLiteral("アルバム %1 「夏の日の思い出」").arg(entry + 1));
    auto* grid = new QTableWidget(kRows, int(kColumns.size()));
    grid->setHorizontalHeaderLabels(kColumns);
    grid->horizontalHeader()->setStretchLastSection(true);
    for (int row = 0; row < kRows; ++row) {
        grid->setItem(row, 0, new QTableWidgetItem(QStringLiteral("曲名 %1 海辺の午後").arg(row)));
        grid->setItem(row, 1, new QTableWidgetItem(QStringLiteral("山田 花子")));
        grid->setItem(row, 2, new QTableWidgetItem(QStringLiteral("夏の日の思い出")));
        grid->setItem(row, 3, new QTableWidgetItem(QString::number(row + 1)));
    }
    layout->addWidget(new QLabel(QStringLiteral("アルバム名")));
    layout->addWidget(list);
    layout->addWidget(grid);
    return page;
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QFont ui = QApplication::font();
    ui.setFamilies({QStringLiteral("IPAPGothic"), ui.family()});
    QApplication::setFont(ui);
    QTabWidget window;
    window.setWindowTitle(QStringLiteral("floor"));
    window.addTab(Page(), QStringLiteral("アルバム別"));
    window.addTab(new QLabel(QStringLiteral("アーティスト別")), QStringLiteral("アーティスト別"));
    window.resize(760, 540);
    window.show();
    return app.exec();
}
