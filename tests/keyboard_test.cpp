// The album window driven by the keyboard alone: every command a key, the tabs from anywhere,
// Tab out of a grid.
#include "caldrinwindow.h"
#include "findwindow.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTimer>
#include <QToolBar>
#include <functional>

namespace {

class Keyboard : public CaldrinWindowTest {
protected:
    static void Press(QKeyCombination key) {
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : QApplication::activeWindow(), key.key(),
                        key.keyboardModifiers());
    }
    static void TypeText(const QString& text) {
        QTest::keyClicks(QApplication::focusWidget(), text);
    }
    // Tab until the field has the focus, as a user would; false when Tab never reaches it.
    static bool TabTo(QWidget* target) {
        for (int presses = 0; presses < 40; ++presses) {
            QWidget* focus = QApplication::focusWidget();
            if (focus == target || (focus && target->isAncestorOf(focus)))
                return true;
            Press(Qt::Key_Tab);
        }
        return false;
    }
    // Tab to the list, open it and pick the entry typed, which makes a browsing tab printable.
    static void PickByKeys(QWidget* list, const QString& entry) {
        ASSERT_TRUE(TabTo(list)) << list->objectName().toStdString();
        Press(Qt::ALT | Qt::Key_Down);
        TypeText(entry);
        Press(Qt::Key_Return);
    }
    void TabToAndType(QWidget* target, const QString& text) {
        ASSERT_TRUE(TabTo(target)) << target->objectName().toStdString();
        Press(Qt::CTRL | Qt::Key_A);
        TypeText(text);
    }
};

TEST_F(Keyboard, EveryCommandRunsFromTheKeyboard) {
    MakeCatalogue();
    Start();
    EXPECT_EQ(window->cmdDel1->toolTip(), "削除 (Alt+D)");
    EXPECT_EQ(window->cmdDel1->text(), "削除");

    for (int tab = 1; tab <= 3; ++tab)
        Press(Qt::CTRL | Qt::Key_PageDown);
    ASSERT_EQ(window->SSTab1->Tab(), 3);
    TabToAndType(&List("cmbartist(3)"), "Keys");
    TabToAndType(&List("cmbAlbum(3)"), "Board");
    TabToAndType(window->txtNo, "1");
    TabToAndType(window->txtName, "typed");
    Press(Qt::ALT | Qt::Key_A);
    ASSERT_EQ(window->SSTab1->Tab(), 1);
    EXPECT_EQ(Titles(*window->DBGrid1), QStringList{"typed"});

    // Tab leaves the grid; F2 corrects its row.
    ASSERT_TRUE(TabTo(window->DBGrid1));
    Press(Qt::Key_Tab);
    EXPECT_NE(QApplication::focusWidget(), window->DBGrid1);
    ASSERT_TRUE(TabTo(window->DBGrid1));
    Press(Qt::Key_F2);
    ASSERT_EQ(window->SSTab1->Tab(), 3);
    TabToAndType(window->txtName, "retyped");
    Press(Qt::ALT | Qt::Key_U);
    EXPECT_EQ(StoredTitles().last(), "retyped");
    // The artist tab's 修正 has the album tab's key, and takes the artist tab's row.
    Press(Qt::CTRL | Qt::Key_Tab);
    ASSERT_EQ(window->SSTab1->Tab(), 2);
    ASSERT_EQ(window->DBGrid2->Columns(4).Value(), "retyped");
    Press(Qt::ALT | Qt::Key_E);
    ASSERT_EQ(window->SSTab1->Tab(), 3);
    EXPECT_EQ(window->txtName->text(), "retyped");
    EXPECT_EQ(window->PrevTab, 2);
    Press(Qt::CTRL | Qt::Key_PageUp);
    Press(Qt::CTRL | Qt::Key_PageUp);

    ASSERT_EQ(window->SSTab1->Tab(), 1);
    PickByKeys(&List("cmbAlbum(1)"), "Board");
    Press(Qt::CTRL | Qt::Key_P);
    QPrintPreviewDialog* preview = window->findChild<QPrintPreviewDialog*>();
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->printer()->docName(), "Board MD ラベル");
    delete preview;
    // The album tab's pair, though the artist tab's has the same keys.
    Press(Qt::ALT | Qt::Key_K);
    preview = window->findChild<QPrintPreviewDialog*>();
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->printer()->docName(), "Board カセットラベル");
    delete preview;

    ASSERT_TRUE(TabTo(window->DBGrid1));
    MessageBox::SetNextAnswer(vbYes);
    Press(Qt::Key_Delete);
    EXPECT_EQ(Prompts(), QStringList{"削除してもよろしいですか？"});
    EXPECT_FALSE(StoredTitles().contains("retyped"));

    // The tabs from inside the grid, then back past the start tab to the options.
    Press(Qt::CTRL | Qt::Key_Tab);
    ASSERT_EQ(window->SSTab1->Tab(), 2);
    for (int tab = 2; tab >= 0; --tab)
        Press(Qt::CTRL | Qt::Key_PageUp);
    ASSERT_EQ(window->SSTab1->Tab(), 4);
    TabToAndType(window->txtTitle1, "Keyboard");
    Press(Qt::ALT | Qt::Key_S);
    EXPECT_EQ(window->lblTitle1->text(), "Keyboard");

    Press(Qt::CTRL | Qt::Key_F);
    ASSERT_TRUE(window->Find());
    // Activated as a window manager activates a new window.
    QApplication::setActiveWindow(window->Find());
    ASSERT_EQ(QApplication::focusWidget(), window->Find()->Text());
    WaitForTracks(*window->Find());
    TypeText("sunrise");
    Press(Qt::Key_Return);
    EXPECT_EQ(window->DBGrid1->Columns(4).Value(), "Sunrise");

    QApplication::setActiveWindow(window.get());
    const QString csv = folder.Path() + "/keys.csv";
    QTimer::singleShot(0, [&] {
        // Offered in the user's own folders, not in the program's, where it was started.
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget()))
            EXPECT_NE(dialog->directory().absolutePath(), QDir::currentPath());
        QApplication::setActiveWindow(QApplication::activeModalWidget());
        Press(Qt::CTRL | Qt::Key_A);
        TypeText(csv);
        Press(Qt::Key_Return);
        // A dialog the keys did not close would keep the test waiting for ever.
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->reject();
    });
    Press(Qt::CTRL | Qt::Key_E);
    // The workbook is offered first, but the name typed asks for CSV.
    QFile exported(csv);
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    EXPECT_TRUE(exported.readAll().startsWith("アーチスト名,"));
    EXPECT_EQ(Prompts(), QStringList{"5 曲を " + csv + " に書き出しました。"});
}

// Runs the press while a modal dialog it opens is answered: returns the dialog's class, or empty
// when none opened.
QString ModalOpenedBy(const std::function<void()>& press) {
    QString opened;
    QTimer::singleShot(0, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            opened = QString::fromLatin1(modal->metaObject()->className());
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
        }
    });
    press();
    QApplication::processEvents();
    return opened;
}

TEST_F(Keyboard, ThePreviewIsUsedByKeysAlone) {
    MakeCatalogue();
    Start();
    Press(Qt::CTRL | Qt::Key_PageDown);
    PickByKeys(&List("cmbAlbum(1)"), "Blue Harbor");
    Press(Qt::CTRL | Qt::Key_P);
    auto* preview = window->findChild<QPrintPreviewDialog*>();
    ASSERT_NE(preview, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(preview));
    QApplication::setActiveWindow(preview);
    auto* toolBar = preview->findChild<QToolBar*>();
    ASSERT_NE(toolBar, nullptr);

    // Each command with its key, told in its tip, in reach of Tab and not behind the overflow.
    const QStringList keyed = {"Ctrl+Shift+P", "Ctrl+P", "Ctrl+K", "Ctrl+M"};
    QStringList keys;
    for (QAction* action : toolBar->actions()) {
        if (action->shortcut().isEmpty())
            continue;
        const QString key = action->shortcut().toString(QKeySequence::NativeText);
        keys << key;
        EXPECT_TRUE(action->toolTip().endsWith("(" + key + ")")) << action->toolTip().toStdString();
        QWidget* button = toolBar->widgetForAction(action);
        ASSERT_NE(button, nullptr);
        EXPECT_TRUE(button->isVisible()) << key.toStdString();
        EXPECT_TRUE(TabTo(button)) << key.toStdString();
    }
    EXPECT_EQ(keys, keyed);

    auto* fit = toolBar->findChild<QAction*>("fitToMedium");
    const bool fitted = fit->isChecked();
    Press(Qt::CTRL | Qt::Key_M);
    EXPECT_NE(fit->isChecked(), fitted);
    Press(Qt::CTRL | Qt::Key_M);
    EXPECT_EQ(fit->isChecked(), fitted);
    EXPECT_FALSE(ModalOpenedBy([] { Press(Qt::CTRL | Qt::Key_P); }).isEmpty());
    // Back to the preview, as the window manager gives it back once the dialog closes.
    QApplication::setActiveWindow(preview);
    Press(Qt::CTRL | Qt::Key_K);
    QDialog* calibration = nullptr;
    for (auto* dialog : preview->findChildren<QDialog*>())
        if (dialog->isVisible())
            calibration = dialog;
    ASSERT_NE(calibration, nullptr);
    calibration->reject();

    const QPointer<QPrintPreviewDialog> open = preview;
    Press(Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !open || !open->isVisible(); }));
}

TEST_F(Keyboard, UndoFromTheEntryTabAndCommandsOnAFoundRow) {
    MakeCatalogue();
    Start();
    TypeEntry("Keys", "Board", "1", "first");
    window->chkRenzoku->setCheckState(Qt::Checked);
    Press(Qt::ALT | Qt::Key_A);
    ASSERT_EQ(QApplication::focusWidget(), window->txtName);
    ASSERT_TRUE(StoredTitles().contains("first"));
    // The field has nothing of its own to take back, so the keys are the window's.
    Press(Qt::CTRL | Qt::Key_Z);
    EXPECT_FALSE(StoredTitles().contains("first"));
    Press(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
    EXPECT_TRUE(StoredTitles().contains("first"));
    // Typing of its own is the field's to take back first.
    TypeText("second");
    Press(Qt::CTRL | Qt::Key_Z);
    EXPECT_EQ(window->txtName->text(), "");
    EXPECT_TRUE(StoredTitles().contains("first"));

    FindWindow* find = PressFind();
    ASSERT_NE(find, nullptr);
    QApplication::setActiveWindow(find);
    TypeText("rain");
    Press(Qt::Key_Return);
    // The find window makes way for the row, which holds the focus.
    EXPECT_FALSE(find->isVisible());
    QApplication::setActiveWindow(window.get());
    ASSERT_EQ(QApplication::focusWidget(), window->DBGrid1);
    EXPECT_EQ(window->DBGrid1->Columns(4).Value(), "Rain");
    Press(Qt::Key_F2);
    ASSERT_EQ(window->SSTab1->Tab(), 3);
    EXPECT_EQ(window->txtName->text(), "Rain");
    Press(Qt::CTRL | Qt::Key_F);
    EXPECT_TRUE(find->isVisible());
    EXPECT_EQ(find->Text()->text(), "rain");
}

} // namespace
