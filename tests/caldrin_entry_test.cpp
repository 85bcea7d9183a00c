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

} // namespace
