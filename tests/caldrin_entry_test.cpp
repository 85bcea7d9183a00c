#include "caldrinwindow.h"

namespace {

class CaldrinEntry : public CaldrinWindowTest {
protected:
    void SetUp() override {
        CaldrinWindowTest::SetUp();
        MakeCatalogue();
        Start();
    }
    QStringList StoredNumbers() {
        return ColumnTexts(*folder.Open(), "SELECT 曲番 FROM データレコード ORDER BY ID");
    }
};

TEST_F(CaldrinEntry, ChecksRefuseBadEntriesInOrderAndWriteNothing) {
    const QStringList before = StoredTitles();
    TypeEntry("森 健", "it's", "1", "");
    Click(window->cmdTuika);
    TypeEntry("森's", "夏の午後", "1", "x");
    Click(window->cmdTuika);
    TypeEntry("森 健", "夏の午後", "1a", "x");
    Click(window->cmdTuika);
    EXPECT_EQ(Prompts(), QStringList({"全て入力して下さい。", "ｼﾝｸﾞﾙｺｰﾃｰｼｮﾝは使用出来ません。",
                                      "曲番は数字しか使用出来ません。"}));
    EXPECT_EQ(StoredTitles(), before);
    EXPECT_EQ(window->SSTab1->Tab(), 3);
    EXPECT_EQ(window->txtNo->text(), "1a");
}

TEST_F(CaldrinEntry, AnAddShowsTheNewTrackOnTheAlbumTab) {
    TypeEntry("Nora", "New Days", "2", "Don't stop");
    Click(window->cmdTuika);
    EXPECT_TRUE(Prompts().isEmpty());
    EXPECT_EQ(StoredTitles().last(), "Don't stop");
    EXPECT_EQ(window->SSTab1->Tab(), 1);
    EXPECT_EQ(Text("cmbAlbum(1)"), "New Days");
    EXPECT_EQ(Text("cmbartist(1)"), "Nora");
    EXPECT_EQ(Text("cmbAlbum(2)"), "New Days");
    EXPECT_EQ(Text("cmbartist(2)"), "Nora");
    for (const char* field : {"cmbAlbum(3)", "cmbartist(3)"})
        EXPECT_EQ(Text(field), "") << field;
    EXPECT_EQ(window->txtNo->text(), "");
    EXPECT_EQ(Titles(*window->DBGrid1), QStringList({"Don't stop"}));
    EXPECT_EQ(Titles(*window->DBGrid2), QStringList({"Don't stop"}));
    EXPECT_TRUE(Items("cmbAlbum(1)").contains("New Days"));
    EXPECT_TRUE(Items("cmbartist(2)").contains("Nora"));
    EXPECT_TRUE(Items("cmbartist(3)").contains("Nora"));
    EXPECT_EQ(Items("cmbAlbum(3)"), QStringList({"New Days"}));
    EXPECT_EQ(window->SavedText1, "New Days") << "the album is carried last, through SavedText1";
}

TEST_F(CaldrinEntry, ContinuousAddCountsTheTrackNumberUp) {
    PickOnTab(1, "cmbAlbum(1)", "夏の午後");
    GoToTab(3);
    Click(window->chkRenzoku);
    const std::pair<const char*, const char*> steps[] = {
        {"7", "8"}, {"007", "8"}, {"2.5", "3.5"}, {"１２", "13"}, {" 3 ", "4"}};
    for (const auto& [typed, next] : steps) {
        TypeEntry("森 健", "夏の午後", typed, "t");
        Click(window->cmdTuika);
        EXPECT_EQ(window->txtNo->text(), next) << typed;
        EXPECT_EQ(window->txtName->text(), "");
        EXPECT_TRUE(window->txtName->hasFocus());
    }
    EXPECT_EQ(StoredNumbers().mid(5), QStringList({"7", "7", "2.5", "12", "3"}));
    EXPECT_EQ(window->SSTab1->Tab(), 3);
    EXPECT_EQ(Text("cmbartist(3)"), "森 健");
    EXPECT_EQ(Text("cmbAlbum(3)"), "夏の午後");
    EXPECT_EQ(Text("cmbAlbum(1)"), "");
    EXPECT_EQ(Text("cmbartist(1)"), "");
    EXPECT_EQ(Titles(*window->DBGrid1), QStringList({"約束", "花火"})) << "grids are not rebound";
}

// A NUL would cut every statement that splices the name; anything else is stored as typed and
// can be browsed again.
TEST_F(CaldrinEntry, NamesAreStoredAsTypedUnlessTheyHoldANul) {
    const QStringList before = StoredTitles();
    TypeEntry(QString("森") + QChar(0) + "健", "夏の午後", "1", "x");
    Click(window->cmdTuika);
    const auto boxes = MessageBox::TakeShown();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].title, "確認");
    EXPECT_TRUE(boxes[0].prompt.contains("NUL"));
    EXPECT_EQ(StoredTitles(), before);

    const QString artist = QString::fromUtf8("ソ表\\ \x1A😀 שלום e\u0301");
    TypeEntry(artist, "能", "1", "y");
    Click(window->cmdTuika);
    EXPECT_TRUE(Prompts().isEmpty());
    PickOnTab(2, "cmbartist(2)", artist);
    EXPECT_EQ(Titles(*window->DBGrid2), QStringList({"y"}));
    EXPECT_EQ(window->DBGrid2->Columns(1).Value(), artist);
}

// A catalogue made by hand may declare no type for the track number; it still sorts as numbers.
TEST_F(CaldrinWindowTest, TrackNumbersAreStoredAsNumbersInAnUntypedColumn) {
    Database::CreateDatabase(folder.File())
        ->Execute("CREATE TABLE データレコード (ID INTEGER PRIMARY KEY AUTOINCREMENT, "
                  "アーチスト名, アルバム名, 曲番, 曲名)");
    Start();
    for (const char* number : {"10", "007", "1.5"}) {
        TypeEntry("A", "X", number, number);
        Click(window->cmdTuika);
    }
    EXPECT_EQ(ColumnTexts(*folder.Open(), "SELECT typeof(曲番) FROM データレコード ORDER BY ID"),
              QStringList({"integer", "integer", "real"}));
    EXPECT_EQ(Titles(*window->DBGrid1), QStringList({"1.5", "007", "10"}));
}

TEST_F(CaldrinEntry, TheKeyboardFollowsTheLayoutAndASpaceNeverClears) {
    TypeEntry("森 健", "夏の午後", "3", "t");
    window->cmbartist[3]->setFocus();
    QStringList order;
    for (int step = 0; step < 7; ++step) {
        if (step > 0)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(order, QStringList({"cmbartist(3)", "cmbAlbum(3)", "txtNo", "txtName", "cmdTuika",
                                  "chkRenzoku", "cmdClear"}))
        << "変更 is passed over while it is disabled";
    ASSERT_EQ(QApplication::focusWidget(), window->cmdClear);
    QTest::keyClick(window->cmdClear, Qt::Key_Space);
    EXPECT_EQ(window->txtName->text(), "t");

    QLabel* caption = window->findChild<QLabel*>("Label5");
    QTest::mouseClick(caption, Qt::LeftButton);
    EXPECT_TRUE(window->chkRenzoku->isChecked());
    QTest::mouseClick(caption, Qt::LeftButton);
    EXPECT_FALSE(window->chkRenzoku->isChecked());
}

TEST_F(CaldrinEntry, BlanksAreFilledValuesAndAreStoredAsTyped) {
    TypeEntry(" ", "  ", "1", " ");
    Click(window->cmdTuika);
    EXPECT_TRUE(Prompts().isEmpty());
    EXPECT_EQ(ColumnTexts(*folder.Open(),
                          "SELECT アルバム名 FROM データレコード ORDER BY ID DESC LIMIT 1"),
              QStringList{"  "});
}

TEST_F(CaldrinEntry, ClearEmptiesTheFieldsAndTheAlbumList) {
    PickOnTab(3, "cmbartist(3)", "森 健");
    Type(*window->txtNo, "4");
    Click(window->cmdClear);
    EXPECT_EQ(Text("cmbartist(3)"), "");
    EXPECT_EQ(Items("cmbAlbum(3)"), QStringList());
    EXPECT_EQ(window->txtNo->text(), "");
    EXPECT_EQ(Items("cmbartist(3)").size(), 3);
}

// A catalogue moved or replaced under the running program is named as the cause, and nothing
// is written to either file.
TEST_F(CaldrinEntry, AWriteToAMovedCatalogueSaysItMoved) {
    const QString moved = folder.Path() + "/moved.mdb";
    ASSERT_TRUE(QFile::rename(folder.File(), moved));
    TypeEntry("森 健", "夏の午後", "9", "lost?");
    Click(window->cmdTuika);
    const QStringList prompts = Prompts();
    ASSERT_EQ(prompts.size(), 1);
    EXPECT_TRUE(prompts[0].contains("移動されたか別のファイルに置き換えられた"))
        << prompts[0].toStdString();
    EXPECT_FALSE(ColumnTexts(*Database::OpenDatabase(moved), "SELECT 曲名 FROM データレコード")
                     .contains("lost?"));
    EXPECT_EQ(window->txtName->text(), "lost?");
}

} // namespace
