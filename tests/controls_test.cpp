#include "announcer.h"
#include "controls.h"
#include "datagrid.h"
#include "recordset.h"
#include "testsupport.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontInfo>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

TEST(ComboBoxTest, OnlyAUsersPickIsASelection) {
    ComboBox list;
    QSignalSpy clicks(&list, &ComboBox::Click);
    Type(list, "typed");
    list.AddItems({"Blue", "Red"});
    EXPECT_EQ(list.Text(), "typed") << "adding to an empty list must not replace the text";
    list.SetText("Red");
    QTest::keyClick(list.lineEdit(), Qt::Key_Return);
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(list.lineEdit(), &leave);
    list.Clear();
    EXPECT_EQ(list.Text(), "");
    EXPECT_EQ(list.count(), 0);
    list.AddItem("Blue");
    list.AddItem("Red");
    EXPECT_EQ(list.Text(), "");
    QWheelEvent wheel(QPointF(5, 5), list.mapToGlobal(QPointF(5, 5)), {}, QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&list, &wheel);
    EXPECT_EQ(list.Text(), "");
    EXPECT_EQ(clicks.count(), 0);

    Pick(list, "Red");
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(list.Text(), "Red");
    // Picking the entry already chosen still reports a pick and shows it again.
    list.SetText("other");
    Pick(list, "Red");
    EXPECT_EQ(clicks.count(), 2);
    EXPECT_EQ(list.Text(), "Red");
}

TEST(ComboBoxTest, TypedTextIsKeptAsTyped) {
    ComboBox list;
    list.AddItems({"Blue Harbor"});
    Type(list, "blue");
    EXPECT_EQ(list.Text(), "blue");
}

// Sized to what it held, a list would measure every entry before the window could be shown, and a
// single long album name would widen the whole window.
TEST(ComboBoxTest, ItsSizeDoesNotDependOnWhatItHolds) {
    ComboBox list;
    const QSize empty = list.sizeHint();
    const QSize emptyMinimum = list.minimumSizeHint();
    ComboBox full;
    full.AddItems({QString(400, QLatin1Char('W')), QStringLiteral("夏の午後")});
    EXPECT_EQ(full.sizeHint(), empty);
    EXPECT_EQ(full.minimumSizeHint(), emptyMinimum);
}

TEST(TabControlTest, ReportsTheTabLeftBeforeTheChangeReturns) {
    TabControl tabs;
    for (const char* caption : {"0", "1", "2", "3"})
        tabs.addTab(new QWidget, caption);
    tabs.SetTab(3);
    QList<int> seen;
    QObject::connect(&tabs, &TabControl::Click,
                     [&](int previous) { seen << previous << tabs.Tab(); });
    tabs.SetTab(0);
    EXPECT_EQ(seen, QList<int>({3, 0}));
    tabs.SetTab(0);
    EXPECT_EQ(seen.size(), 2) << "staying on a tab is no change";
}

// A reader is told of every control the focus passes; a tab change that leaves the focus on the
// tab bar on its way would be read out as a visit there, and a page refilled after the focus came
// would be read out twice.
TEST(TabControlTest, AChangeMovesTheFocusStraightToTheControlTheShownTabHadLastOnceItIsRefilled) {
    TabControl tabs;
    auto* grid = new QLineEdit;
    auto* button = new QLineEdit;
    for (QWidget* control : {grid, button}) {
        auto* page = new QWidget;
        control->setParent(page);
        tabs.addTab(page, control == grid ? "1" : "3");
    }
    tabs.show();
    tabs.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&tabs));
    grid->setFocus();
    tabs.SetTab(1);
    button->setFocus();
    QList<QWidget*> focused;
    QObject::connect(qApp, &QApplication::focusChanged, &tabs,
                     [&](QWidget*, QWidget* now) { focused << now; });
    QList<int> handled;
    QObject::connect(&tabs, &TabControl::Click, [&](int previous) {
        EXPECT_TRUE(focused.isEmpty());
        handled << previous << tabs.Tab();
    });
    tabs.SetTab(0);
    EXPECT_EQ(focused, QList<QWidget*>({grid}));
    EXPECT_EQ(handled, QList<int>({1, 0}));
    EXPECT_TRUE(grid->isVisible());
}

TEST(DataGridTest, ShowsItsOwnRowsFromTheFirstAndNumbersAsWritten) {
    CatalogueFolder folder;
    folder.CreateEmpty();
    auto db = folder.Open();
    AddAlbumTrack(*db, "森", "夏", 1.5, "b");
    AddAlbumTrack(*db, "森", "夏", "7", "a");
    DataControl data;
    DataGrid grid(data, {"ID", "曲番", "曲名", "無い列"});
    EXPECT_EQ(grid.Columns(0).Value(), "");

    auto rsTrack = db->OpenRecordset("SELECT * FROM データレコード ORDER BY 曲番", dbOpenSnapshot);
    data.SetRecordset(rsTrack);
    rsTrack = db->OpenRecordset("SELECT 曲名 FROM データレコード WHERE 0", dbOpenSnapshot);
    ASSERT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(grid.Columns(1).Value(), "1.5");
    EXPECT_EQ(grid.Columns(2).Value(), "b");
    EXPECT_EQ(grid.CellText(1, 1), "7");
    EXPECT_EQ(grid.CellText(1, 3), "");
    grid.setCurrentIndex(grid.model()->index(1, 0));
    EXPECT_EQ(grid.Columns(2).Value(), "a");

    data.SetRecordset(rsTrack);
    EXPECT_EQ(grid.RowCount(), 0);
    EXPECT_EQ(grid.Columns(0).Value(), "");
}

TEST(Fonts, WindowsFontNamesResolveToMetricCompatibleFonts) {
    EXPECT_EQ(QFontInfo(QFont("ＭＳ Ｐ明朝")).family(), "IPAPMincho");
    EXPECT_EQ(QFontInfo(QFont("Times New Roman")).family(), "Liberation Serif");
    EXPECT_EQ(QFontInfo(QApplication::font()).family(), "IPAPGothic");
}

// The status under the tabs shows one line, the newest, however many were told before it.
TEST(AnnouncerTest, ShowsTheNewestLineAloneInTheHeightOfOne) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    layout->addWidget(new QLineEdit);
    auto* status = new Announcer;
    layout->addWidget(status);
    window.resize(400, 300);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    for (const QString& text : {"「一」を追加しました。", "「二」を削除しました。"})
        status->Tell(text);
    QApplication::processEvents();
    EXPECT_EQ(status->Text(), "「二」を削除しました。");
    // The line before stays, for a reader still asking about it, but beneath the newest.
    const auto* seen = qobject_cast<QLabel*>(status->childAt(status->rect().center()));
    ASSERT_TRUE(seen);
    EXPECT_EQ(seen->text(), "「二」を削除しました。");
    EXPECT_LE(status->height(), seen->sizeHint().height() + 2);
}

} // namespace
