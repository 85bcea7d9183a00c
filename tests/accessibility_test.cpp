// What assistive technology reads of the windows, with the desktop's accessibility bus active:
// roles, names, the lists after an add, the grids after an add and a delete, and the box that
// asks before a delete.

#include "caldrinwindow.h"
#include "frmtrensoly.h"

#include <QAccessible>
#include <QAccessibleTableInterface>
#include <QMessageBox>
#include <QTimer>
#include <functional>

namespace {

QAccessibleInterface* Of(QObject* object) {
    return QAccessible::queryAccessibleInterface(object);
}

// The texts a reader meets in one column of a grid, row by row.
QStringList ReadColumn(DataGrid& grid, int column) {
    QAccessibleTableInterface* table = Of(&grid)->tableInterface();
    QStringList texts;
    for (int row = 0; row < table->rowCount(); ++row)
        texts << table->cellAt(row, column)->text(QAccessible::Name);
    return texts;
}

// The entries of a drop-down list, as its accessible list offers them.
QStringList ReadList(ComboBox& list) {
    QAccessibleInterface* items = Of(list.view());
    QStringList texts;
    for (int item = 0; item < items->childCount(); ++item)
        texts << items->child(item)->text(QAccessible::Name);
    return texts;
}

// What a screen reader is told of a message box.
struct Announced {
    QAccessible::Role role = QAccessible::NoRole;
    QString name, description;
};

// Runs a command that asks before it acts, answering its real box as a user would. A reader asks
// its questions once the command has handed back to the event loop, and so does this.
Announced AnswerBox(QMessageBox::StandardButton answer, const std::function<void()>& command) {
    Announced seen;
    MessageBox::SetTestMode(false);
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen = {Of(box)->role(), Of(box)->text(QAccessible::Name),
                Of(box)->text(QAccessible::Description)};
        box->button(answer)->click();
    });
    command();
    MessageBox::SetTestMode(true);
    QApplication::processEvents();
    return seen;
}

// The box's text is read from the box; its description says which track goes.
void ExpectDeleteAskedAloud(const Announced& box, const QString& track) {
    EXPECT_EQ(box.role, QAccessible::AlertMessage);
    EXPECT_EQ(box.name, "確認");
    EXPECT_EQ(box.description, "削除する曲: " + track);
}

// After a box the focus is back on the control the user was on.
void ExpectFocusBackOn(QWidget* control) {
    EXPECT_EQ(QApplication::focusWidget(), control);
}

// The objects a tab change tells assistive technology about.
QList<QObject*> AnnouncedByTabChange(TabControl& tabs, int tab) {
    static QList<QObject*> announced;
    announced.clear();
    const auto bridge = QAccessible::installUpdateHandler([](QAccessibleEvent* event) {
        if (event->accessibleInterface())
            announced << event->object();
    });
    tabs.SetTab(tab);
    QAccessible::installUpdateHandler(bridge);
    return announced;
}

// What the windows pass on towards the desktop's bridge, once a test asks for it: installed before
// any window, so the windows' own handler hands its events on to this one.
struct Told {
    static inline bool recording = false;
    static inline QList<std::pair<QObject*, QAccessible::Event>> events;
    static void Handler(QAccessibleEvent* event) {
        if (recording)
            events.append({event->object(), event->type()});
        const auto windows = QAccessible::installUpdateHandler(nullptr);
        QAccessible::updateAccessibility(event);
        QAccessible::installUpdateHandler(windows);
    }
    static bool Contains(QObject* object, QAccessible::Event type) {
        return events.contains(std::pair{object, type});
    }
    static bool About(QObject* object) {
        return std::any_of(events.begin(), events.end(),
                           [object](const auto& event) { return event.first == object; });
    }
};
const bool toldInstalled = (QAccessible::installUpdateHandler(Told::Handler), true);

void ExpectAccessibilityActive() {
    ASSERT_TRUE(QTest::qWaitFor([] { return QAccessible::isActive(); }, 5000))
        << "run inside scripts/accessibility-session.sh";
}

class CaldrinAccessible : public CaldrinWindowTest {
protected:
    void SetUp() override {
        CaldrinWindowTest::SetUp();
        MakeCatalogue();
        Start();
    }
};

using TrensolyAccessible = WindowTest<frmTrensoly, Program::Trensoly>;

TEST_F(CaldrinAccessible, ReadsTheWindowItsGridsAndWhatAnAddAndADeleteChanged) {
    ExpectAccessibilityActive();
    EXPECT_EQ(Of(window.get())->role(), QAccessible::Window);
    EXPECT_EQ(Of(window->DBGrid1)->role(), QAccessible::Table);
    EXPECT_EQ(Of(window->DBGrid1)->text(QAccessible::Name), "アルバム別");
    EXPECT_EQ(Of(window->DBGrid2)->text(QAccessible::Name), "アーチスト別");
    // A grid speaks for its inner widgets (viewports, headers), which no reader can reach.
    const QList<QObject*> shown = AnnouncedByTabChange(*window->SSTab1, 1);
    EXPECT_TRUE(shown.contains(window->DBGrid1));
    EXPECT_TRUE(std::none_of(shown.begin(), shown.end(), [&](QObject* object) {
        return object != window->DBGrid1 &&
               window->DBGrid1->isAncestorOf(qobject_cast<QWidget*>(object));
    }));

    TypeEntry("Anna", "冬の朝", "1", "Snow");
    Click(window->cmdTuika);
    QApplication::processEvents();
    EXPECT_TRUE(ReadList(List("cmbAlbum(1)")).contains("冬の朝"));
    EXPECT_EQ(Of(&List("cmbAlbum(1)"))->text(QAccessible::Value), "冬の朝");
    EXPECT_EQ(Of(&List("cmbAlbum(3)"))->text(QAccessible::Value), "");
    EXPECT_EQ(ReadColumn(*window->DBGrid1, 4), QStringList{"Snow"});

    ExpectDeleteAskedAloud(AnswerBox(QMessageBox::Yes, [&] { Click(window->cmdDel1); }),
                           "アーチスト名「Anna」 アルバム名「冬の朝」 曲番「1」 曲名「Snow」");
    EXPECT_TRUE(ReadColumn(*window->DBGrid1, 4).isEmpty());
    ExpectFocusBackOn(window->cmdDel1);
}

// A grid makes its new current cell "focused" after every rebind; said of a grid the user is not
// on, a reader would read the grid instead of the entry just picked.
TEST_F(CaldrinAccessible, OnlyTheControlWithTheFocusIsToldAbout) {
    ExpectAccessibilityActive();
    GoToTab(1);
    List("cmbAlbum(1)").setFocus();
    Told::events.clear();
    Told::recording = true;
    Pick(List("cmbAlbum(1)"), "夏の午後");
    QApplication::processEvents();
    // The grid rebound and the artist list refilled beside the list picked from.
    EXPECT_FALSE(Told::About(window->DBGrid1));
    EXPECT_FALSE(Told::About(&List("cmbartist(1)")));
    EXPECT_TRUE(Told::Contains(&List("cmbAlbum(1)"), QAccessible::Selection));
    window->DBGrid1->setFocus();
    QTest::keyClick(window->DBGrid1, Qt::Key_Down);
    Told::recording = false;
    EXPECT_TRUE(Told::Contains(window->DBGrid1, QAccessible::Focus));
}

TEST_F(TrensolyAccessible, ReadsTheWindowItsGridsAndWhatAnAddAndADeleteChanged) {
    folder.CreateEmpty();
    folder.Open()->Execute("INSERT INTO データレコード (MD番号, 曲番, 曲名, アーチスト名) "
                           "VALUES ('9', 1, 'a', 'Ann')");
    Start();
    ExpectAccessibilityActive();
    EXPECT_EQ(Of(window.get())->role(), QAccessible::Window);
    EXPECT_EQ(Of(window->DBGrid1)->text(QAccessible::Name), "ＭＤ別");
    EXPECT_EQ(Of(window->DBGrid2)->text(QAccessible::Name), "アーチスト別");

    TypeFields({{&List("cmbMD(1)"), "10"},
                {window->txtNo, "1"},
                {&List("cmbArtist(1)"), "Bo"},
                {window->txtName, "Snow"}});
    Click(window->cmdTuika);
    QApplication::processEvents();
    EXPECT_EQ(ReadList(List("cmbMD(2)")), QStringList({"10", "9"}));
    EXPECT_EQ(ReadList(List("cmbArtist(2)")), QStringList({"Ann", "Bo"}));
    EXPECT_EQ(ReadColumn(*window->DBGrid1, 3), QStringList{"Snow"});

    ExpectDeleteAskedAloud(AnswerBox(QMessageBox::Yes, [&] { Click(window->cmdDel1); }),
                           "ＭＤ番号「10」 曲番「1」 曲名「Snow」 アーチスト名「Bo」");
    EXPECT_TRUE(ReadColumn(*window->DBGrid1, 3).isEmpty());
    EXPECT_EQ(ReadList(List("cmbMD(2)")), QStringList{"9"});
    ExpectFocusBackOn(window->cmdDel1);
}

} // namespace
