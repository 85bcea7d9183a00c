#include "caldrinwindow.h"

namespace {

class CaldrinGridCommands : public CaldrinWindowTest {
protected:
    void SetUp() override {
        CaldrinWindowTest::SetUp();
        MakeCatalogue();
        Start();
    }
    void AnswerNextQuestion(int answer) { MessageBox::SetNextAnswer(answer); }
    QList<MessageBox::Shown> Boxes() { return MessageBox::TakeShown(); }
};

TEST_F(CaldrinGridCommands, CorrectionLoadsTheRowInCorrectionMode) {
    PickOnTab(1, "cmbAlbum(1)", "夏の午後");
    Click(window->cmdEdit1);
    EXPECT_EQ(window->SSTab1->Tab(), 3);
    EXPECT_EQ(window->PrevTab, 1);
    EXPECT_EQ(Text("cmbartist(3)"), "森 健");
    EXPECT_EQ(Text("cmbAlbum(3)"), "夏の午後");
    EXPECT_EQ(window->txtNo->text(), "1");
    EXPECT_EQ(window->txtName->text(), "約束");
    EXPECT_EQ(Items("cmbAlbum(3)"), QStringList({"Blue Harbor", "夏の午後"}));
    EXPECT_EQ(Items("cmbartist(3)").size(), 3);
    EXPECT_FALSE(window->cmdTuika->isEnabled());
    EXPECT_FALSE(window->chkRenzoku->isEnabled());
    EXPECT_TRUE(window->cmdUpdate->isEnabled());

    GoToTab(0);
    GoToTab(3);
    EXPECT_TRUE(window->cmdTuika->isEnabled());
    EXPECT_FALSE(window->cmdUpdate->isEnabled());
    EXPECT_EQ(window->txtName->text(), "約束");
}

TEST_F(CaldrinGridCommands, AChangeReturnsToTheTabTheRowCameFrom) {
    PickOnTab(1, "cmbAlbum(1)", "夏の午後");
    Click(window->cmdEdit1);
    Retype(*window->txtName, "約束の日");
    Click(window->cmdUpdate);
    EXPECT_EQ(window->SSTab1->Tab(), 1);
    EXPECT_EQ(Titles(*window->DBGrid1), QStringList({"約束の日", "花火"}));
    EXPECT_EQ(Titles(*window->DBGrid2), QStringList({"約束の日", "花火"}));
    EXPECT_EQ(Text("cmbAlbum(2)"), "夏の午後");
    EXPECT_EQ(Text("cmbartist(2)"), "森 健");
    EXPECT_EQ(window->txtName->text(), "");
    EXPECT_EQ(Text("cmbAlbum(3)"), "");

    PickOnTab(2, "cmbartist(2)", "Anna");
    Click(window->cmdEdit2);
    Retype(List("cmbartist(3)"), "Anna Lee");
    Click(window->cmdUpdate);
    EXPECT_EQ(window->SSTab1->Tab(), 2);
    EXPECT_EQ(Text("cmbartist(1)"), "Anna Lee");
    EXPECT_EQ(Text("cmbAlbum(1)"), "Blue Harbor");
    EXPECT_EQ(Titles(*window->DBGrid1), QStringList({"Rain"}));
    EXPECT_TRUE(Items("cmbartist(2)").contains("Anna Lee"));
    EXPECT_FALSE(Items("cmbartist(2)").contains("Anna")) << "a name no row uses drops out";
    EXPECT_TRUE(Prompts().isEmpty());
}

TEST_F(CaldrinGridCommands, ClearInCorrectionModeThenChangeAsksForEveryField) {
    PickOnTab(1, "cmbAlbum(1)", "夏の午後");
    Click(window->cmdEdit1);
    Click(window->cmdClear);
    Click(window->cmdUpdate);
    EXPECT_EQ(Prompts(), QStringList({"全て入力して下さい。"}));
    EXPECT_EQ(window->SSTab1->Tab(), 3);
}

TEST_F(CaldrinGridCommands, DeletingOneOfSeveralTracksKeepsTheSelection) {
    PickOnTab(1, "cmbAlbum(1)", "夏の午後");
    AnswerNextQuestion(vbYes);
    Click(window->cmdDel1);
    const auto boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].prompt, "削除してもよろしいですか？");
    EXPECT_EQ(boxes[0].style, vbYesNo);
    EXPECT_EQ(boxes[0].title, "確認");
    EXPECT_FALSE(StoredTitles().contains("約束"));
    EXPECT_EQ(Titles(*window->DBGrid1), QStringList({"花火"}));
    EXPECT_EQ(Titles(*window->DBGrid2), QStringList({"花火"}));
    EXPECT_EQ(Text("cmbAlbum(1)"), "夏の午後");
    EXPECT_EQ(Text("cmbartist(1)"), "森 健");
    EXPECT_EQ(Text("cmbAlbum(2)"), "夏の午後");
    EXPECT_EQ(Text("cmbartist(2)"), "森 健");
    EXPECT_EQ(Text("cmbartist(3)"), "");
    EXPECT_EQ(Items("cmbartist(3)").size(), 3);
    EXPECT_EQ(Items("cmbAlbum(3)"), QStringList());
}

TEST_F(CaldrinGridCommands, DeletingTheLastTrackEmptiesBothTabs) {
    PickOnTab(1, "cmbAlbum(1)", "夏の午後");
    Pick(List("cmbartist(1)"), "ｷﾑﾗ Trio");
    Click(window->cmdDel1);
    EXPECT_EQ(window->DBGrid1->RowCount(), 0);
    EXPECT_EQ(window->DBGrid2->RowCount(), 0);
    for (const char* list : {"cmbAlbum(1)", "cmbartist(1)", "cmbAlbum(2)", "cmbartist(2)"})
        EXPECT_EQ(Text(list), "") << list;
    EXPECT_FALSE(Items("cmbartist(2)").contains("ｷﾑﾗ Trio"));

    PickOnTab(2, "cmbartist(2)", "Anna");
    Click(window->cmdDel2);
    EXPECT_EQ(window->DBGrid2->RowCount(), 0);
    EXPECT_EQ(Items("cmbartist(2)"), QStringList({"森 健"}));
    EXPECT_EQ(Items("cmbartist(3)"), QStringList({"森 健"}));
    EXPECT_EQ(Text("cmbAlbum(1)"), "");
}

TEST_F(CaldrinGridCommands, NothingHappensWithoutARowOrWithoutAYes) {
    GoToTab(1);
    Click(window->cmdDel1);
    Click(window->cmdEdit1);
    EXPECT_TRUE(Boxes().isEmpty());
    EXPECT_EQ(window->SSTab1->Tab(), 1);

    PickOnTab(2, "cmbartist(2)", "Anna");
    AnswerNextQuestion(vbNo);
    Click(window->cmdDel2);
    EXPECT_EQ(Boxes().size(), 1);
    EXPECT_EQ(StoredTitles().size(), 5);
    EXPECT_EQ(Titles(*window->DBGrid2), QStringList({"Rain"}));
}

TEST_F(CaldrinGridCommands, ARowDeletedByAnotherCopyIsNeitherChangedNorDeleted) {
    PickOnTab(1, "cmbAlbum(1)", "夏の午後");
    folder.Open()->Execute("DELETE FROM データレコード WHERE 曲名 = '約束'");
    Click(window->cmdDel1);
    auto boxes = Boxes();
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_EQ(boxes[1].title, "確認");
    EXPECT_EQ(StoredTitles().size(), 4);
    EXPECT_EQ(Titles(*window->DBGrid1), QStringList({"花火"}));

    Click(window->cmdEdit1);
    folder.Open()->Execute("DELETE FROM データレコード WHERE 曲名 = '花火'");
    Retype(*window->txtName, "lost");
    Click(window->cmdUpdate);
    boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].title, "確認");
    EXPECT_EQ(StoredTitles(), QStringList({"ﾒﾛﾃﾞｨｰ", "Sunrise", "Rain"}));
    // What the user typed is kept, to be stored again with 追加 if they wish.
    EXPECT_EQ(window->SSTab1->Tab(), 3);
    EXPECT_EQ(window->txtName->text(), "lost");
    EXPECT_EQ(Text("cmbartist(3)"), "森 健");
    EXPECT_EQ(Text("cmbAlbum(3)"), "夏の午後");
    EXPECT_EQ(Items("cmbAlbum(3)"), QStringList({"Blue Harbor", "夏の午後"}));
}

// Another copy corrected the same track after this one loaded it: saving would write over that
// change unseen.
TEST_F(CaldrinGridCommands, ACorrectionNeverWritesOverAnotherCopysChange) {
    PickOnTab(1, "cmbAlbum(1)", "夏の午後");
    Click(window->cmdEdit1);
    folder.Open()->Execute("UPDATE データレコード SET 曲名 = 'theirs' WHERE 曲名 = '約束'");
    Retype(*window->txtName, "mine");
    Click(window->cmdUpdate);
    const auto boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].title, "確認");
    EXPECT_TRUE(boxes[0].prompt.contains("ほかの画面で変更されています"))
        << boxes[0].prompt.toStdString();
    EXPECT_EQ(StoredTitles(), QStringList({"花火", "theirs", "ﾒﾛﾃﾞｨｰ", "Sunrise", "Rain"}));
    EXPECT_EQ(window->SSTab1->Tab(), 3);
    EXPECT_EQ(window->txtName->text(), "mine");
    EXPECT_TRUE(sqlite3_get_autocommit(window->dbTrack->Handle())) << "transaction left open";
}

TEST_F(CaldrinGridCommands, RowsWithLargeKeysAreCorrectedLikeAnyOther) {
    auto db = folder.Open();
    db->Execute("UPDATE sqlite_sequence SET seq = 40000 WHERE name = 'データレコード'");
    AddAlbumTrack(*db, "Zed", "Far", 1, "high");
    PickOnTab(2, "cmbartist(2)", "Anna");
    GoToTab(2);
    window->cmbartist[2]->AddItem("Zed");
    Pick(List("cmbartist(2)"), "Zed");
    EXPECT_EQ(window->DBGrid2->Columns(0).Value(), "40001");
    Click(window->cmdEdit2);
    Retype(*window->txtName, "higher");
    Click(window->cmdUpdate);
    EXPECT_EQ(StoredTitles().last(), "higher");
    EXPECT_EQ(StoredTitles().size(), 6);
}

TEST_F(CaldrinGridCommands, AFailingWriteIsUndoneReportedAndSurvived) {
    folder.Open()->Execute("CREATE TRIGGER full BEFORE UPDATE ON データレコード "
                           "BEGIN SELECT RAISE(ABORT, 'disk full'); END");
    PickOnTab(1, "cmbAlbum(1)", "夏の午後");
    Click(window->cmdEdit1);
    Retype(*window->txtName, "never");
    Click(window->cmdUpdate);
    const auto boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(boxes[0].prompt.contains("disk full"));
    EXPECT_FALSE(StoredTitles().contains("never"));
    EXPECT_TRUE(sqlite3_get_autocommit(window->dbTrack->Handle())) << "transaction left open";

    GoToTab(0);
    TypeEntry("森 健", "夏の午後", "3", "after");
    Click(window->cmdTuika);
    EXPECT_TRUE(StoredTitles().contains("after"));
}

} // namespace
