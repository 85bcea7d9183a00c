// The album window driven by the keyboard alone: every command a key, the tabs from anywhere,
// Tab out of a grid.
#include "caldrinwindow.h"
#include "findwindow.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QTimer>

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

    // Picked from the opened list, which makes the tab printable.
    ASSERT_EQ(window->SSTab1->Tab(), 1);
    ASSERT_TRUE(TabTo(&List("cmbAlbum(1)")));
    Press(Qt::ALT | Qt::Key_Down);
    TypeText("Board");
    Press(Qt::Key_Return);
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
}

} // namespace
