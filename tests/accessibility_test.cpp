// What assistive technology reads of the windows: roles, names, the lists after an add and the
// grids after an add and a delete.

#include "caldrinwindow.h"
#include "frmtrensoly.h"

#include <QAccessible>
#include <QAccessibleTableInterface>

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
    EXPECT_EQ(Of(window.get())->role(), QAccessible::Window);
    EXPECT_EQ(Of(window->DBGrid1)->role(), QAccessible::Table);
    EXPECT_EQ(Of(window->DBGrid1)->text(QAccessible::Name), "アルバム別");
    EXPECT_EQ(Of(window->DBGrid2)->text(QAccessible::Name), "アーチスト別");

    TypeEntry("Anna", "冬の朝", "1", "Snow");
    Click(window->cmdTuika);
    EXPECT_TRUE(ReadList(List("cmbAlbum(1)")).contains("冬の朝"));
    EXPECT_EQ(ReadColumn(*window->DBGrid1, 4), QStringList{"Snow"});

    MessageBox::SetNextAnswer(vbYes);
    Click(window->cmdDel1);
    EXPECT_TRUE(ReadColumn(*window->DBGrid1, 4).isEmpty());
}

TEST_F(TrensolyAccessible, ReadsTheWindowItsGridsAndWhatAnAddAndADeleteChanged) {
    folder.CreateEmpty();
    folder.Open()->Execute("INSERT INTO データレコード (MD番号, 曲番, 曲名, アーチスト名) "
                           "VALUES ('9', 1, 'a', 'Ann')");
    Start();
    EXPECT_EQ(Of(window.get())->role(), QAccessible::Window);
    EXPECT_EQ(Of(window->DBGrid1)->text(QAccessible::Name), "ＭＤ別");
    EXPECT_EQ(Of(window->DBGrid2)->text(QAccessible::Name), "アーチスト別");

    TypeFields({{&List("cmbMD(1)"), "10"},
                {window->txtNo, "1"},
                {&List("cmbArtist(1)"), "Bo"},
                {window->txtName, "Snow"}});
    Click(window->cmdTuika);
    EXPECT_EQ(ReadList(List("cmbMD(2)")), QStringList({"10", "9"}));
    EXPECT_EQ(ReadList(List("cmbArtist(2)")), QStringList({"Ann", "Bo"}));
    EXPECT_EQ(ReadColumn(*window->DBGrid1, 3), QStringList{"Snow"});

    MessageBox::SetNextAnswer(vbYes);
    Click(window->cmdDel1);
    EXPECT_TRUE(ReadColumn(*window->DBGrid1, 3).isEmpty());
}

} // namespace
