#include "frmtrensoly.h"
#include "statements.h"
#include "windowtest.h"

#include <QGroupBox>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSignalSpy>
#include <QTableView>

namespace {

class Trensoly : public WindowTest<frmTrensoly, Program::Trensoly> {
protected:
    // Discs whose numbers sort differently as text and as numbers, and an artist on two discs.
    void MakeCatalogue(const char* order = "A") {
        folder.CreateEmpty();
        folder.Open()->Execute(
            "INSERT INTO データレコード (MD番号, 曲番, 曲名, アーチスト名) VALUES "
            "('9', 2, 'b', 'Bo'), ('9', 1, 'a', 'Ann'), ('10', 1, 'c', 'Ann'), "
            "('A-12', 1, 'd', 'Cy')");
        folder.WriteFile("TITLE.TXT", TitleFile({"T1", "T2", order, "N", "Y"}));
    }
    void TypeEntry(const QString& disc, const QString& number, const QString& artist,
                   const QString& title) {
        TypeFields({{&List("cmbMD(1)"), disc},
                    {window->txtNo, number},
                    {&List("cmbArtist(1)"), artist},
                    {window->txtName, title}});
    }
    static QStringList Titles(const DataGrid& grid) { return Column(grid, 3); }
    bool Printable() { return window->cmdPrint1->isEnabled() && window->cmdPrint2->isEnabled(); }
};

TEST_F(Trensoly, StartsWithItsDiscOrderAndEmptyGrids) {
    MakeCatalogue("D");
    ASSERT_TRUE(Load());
    EXPECT_EQ(progress, QList<double>({10, 20, 30, 50, 75, 100}));
    EXPECT_EQ(window->windowTitle(), "Trensoly Ver 6.0");
    EXPECT_EQ(window->SSTab1->Tab(), 0);
    EXPECT_EQ(window->PrevTab, 1);
    EXPECT_EQ(window->MdSortOrder, "DESC");
    EXPECT_TRUE(window->opDesc->isChecked());
    EXPECT_EQ(Items("cmbMD(1)"), QStringList({"A-12", "9", "10"}));
    EXPECT_EQ(Items("cmbMD(2)"), Items("cmbMD(1)"));
    EXPECT_EQ(Items("cmbArtist(2)").size(), 3);
    EXPECT_EQ(window->SqlText, statements::trensoly::TracksOfArtist(""));
    EXPECT_EQ(window->DBGrid1->RowCount() + window->DBGrid2->RowCount(), 0);
    EXPECT_FALSE(window->cmdPrint1->isEnabled());
    EXPECT_TRUE(window->lblTitle2->font().italic());
    EXPECT_EQ(window->findChild<QLabel*>("Label1")->text(), "MD番号 ");
    EXPECT_EQ(window->findChild<QGroupBox*>("Frame1")->title(), "MD番号表示順");

    // Without a settings file: ascending by the database's default, neither order chosen.
    QFile::remove(folder.Path() + "/TITLE.TXT");
    ASSERT_TRUE(Load());
    EXPECT_EQ(window->MdSortOrder, "");
    EXPECT_FALSE(window->opAsc->isChecked() || window->opDesc->isChecked());
    EXPECT_EQ(Items("cmbMD(2)"), QStringList({"10", "9", "A-12"}));
}

// The program reads the disc list ahead in the order the settings file saves, the one the window
// then asks for, and shows what the window alone would.
TEST_F(Trensoly, ListsReadAheadAreThoseOfTheSavedOrder) {
    for (const char* order : {"D", "A", ""}) {
        SCOPED_TRACE(order);
        MakeCatalogue(order);
        if (*order == '\0')
            QFile::remove(folder.Path() + "/TITLE.TXT");
        openAhead = false;
        ASSERT_TRUE(Load());
        const QStringList discs = Items("cmbMD(2)"), artists = Items("cmbArtist(2)");
        EXPECT_EQ(frmTrensoly::StartUpLists(),
                  QStringList({statements::trensoly::AllDiscs(window->MdSortOrder),
                               statements::AllArtists()}));
        openAhead = true;
        ASSERT_TRUE(Load());
        EXPECT_EQ(Items("cmbMD(2)"), discs);
        EXPECT_EQ(Items("cmbArtist(2)"), artists);
        window.reset();
        QFile::remove(folder.File());
    }
}

TEST_F(Trensoly, APickInEitherDiscListAloneDecidesPrinting) {
    MakeCatalogue();
    Start();
    PickOnTab(3, "cmbMD(1)", "9");
    EXPECT_EQ(Titles(*window->DBGrid1), QStringList({"a", "b"}));
    EXPECT_TRUE(Printable());
    // Entering the disc tab shows its own list's disc and leaves the buttons as they were.
    GoToTab(1);
    EXPECT_EQ(window->DBGrid1->RowCount(), 0);
    EXPECT_TRUE(Printable());
    Pick(List("cmbMD(2)"), "10");
    EXPECT_EQ(Titles(*window->DBGrid1), QStringList({"c"}));
    PickOnTab(2, "cmbArtist(2)", "Ann");
    EXPECT_EQ(Titles(*window->DBGrid2), QStringList({"c", "a"})) << "disc 10 sorts before 9";
    GoToTab(1);
    Retype(List("cmbMD(2)"), "none");
    List("cmbMD(2)").AddItem("none");
    Pick(List("cmbMD(2)"), "none");
    EXPECT_FALSE(Printable());
}

TEST_F(Trensoly, AddsContinuouslyOrShowsTheDisc) {
    MakeCatalogue();
    Start();
    GoToTab(3);
    Click(window->chkRenzoku);
    TypeEntry("A-12", "007", "Dee", "e");
    Click(window->cmdTuika);
    EXPECT_EQ(window->txtNo->text(), "8");
    EXPECT_EQ(Text("cmbMD(1)"), "A-12");
    EXPECT_EQ(Text("cmbArtist(1)"), "");
    EXPECT_TRUE(window->txtName->hasFocus());
    EXPECT_EQ(window->SSTab1->Tab(), 3);
    EXPECT_TRUE(Items("cmbArtist(2)").contains("Dee"));

    Click(window->chkRenzoku);
    PickOnTab(1, "cmbMD(2)", "9");
    TypeEntry("B-1", "1.5", "Eve", "f");
    Click(window->cmdTuika);
    EXPECT_TRUE(Prompts().isEmpty());
    EXPECT_EQ(window->SSTab1->Tab(), 1);
    EXPECT_EQ(Text("cmbMD(2)"), "B-1");
    EXPECT_EQ(Titles(*window->DBGrid1), QStringList({"f"}));
    EXPECT_EQ(Items("cmbMD(1)"), QStringList({"10", "9", "A-12", "B-1"}));
    for (QString text : {Text("cmbMD(1)"), Text("cmbArtist(1)"), window->txtNo->text()})
        EXPECT_EQ(text, "");
    EXPECT_EQ(Stored("typeof(曲番)").last(), "real");

    // A new disc between two others is one row put in, not a list read anew.
    QSignalSpy inserted(List("cmbMD(2)").model(), &QAbstractItemModel::rowsInserted);
    QSignalSpy reset(List("cmbMD(2)").model(), &QAbstractItemModel::modelReset);
    TypeEntry("95", "1", "Eve", "g");
    Click(window->cmdTuika);
    EXPECT_EQ(reset.count(), 0);
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted[0].mid(1), QVariantList({2, 2}));

    // The artist is spliced into statements as the disc is.
    TypeEntry("C-1", "1", "O'Neil", "h");
    Click(window->cmdTuika);
    EXPECT_EQ(Prompts(), QStringList{"ｼﾝｸﾞﾙｺｰﾃｰｼｮﾝは使用出来ません。"});
    EXPECT_FALSE(Stored("曲名").contains("h"));
}

TEST_F(Trensoly, ChangesReturnToTheTabTheRowCameFromWithTheFieldsKept) {
    MakeCatalogue();
    Start();
    PickOnTab(1, "cmbMD(2)", "10");
    Click(window->cmdEdit1);
    EXPECT_FALSE(window->cmdTuika->isEnabled());
    EXPECT_EQ(Text("cmbArtist(1)"), "Ann");
    Retype(List("cmbMD(1)"), "11");
    Click(window->cmdUpdate);
    EXPECT_EQ(window->SSTab1->Tab(), 1);
    EXPECT_EQ(Text("cmbMD(2)"), "11");
    EXPECT_EQ(Titles(*window->DBGrid1), QStringList({"c"}));
    EXPECT_EQ(Text("cmbMD(1)"), "11");

    PickOnTab(2, "cmbArtist(2)", "Bo");
    Click(window->cmdEdit2);
    Retype(*window->txtName, "b2");
    Click(window->cmdUpdate);
    EXPECT_EQ(window->SSTab1->Tab(), 2);
    EXPECT_EQ(Titles(*window->DBGrid2), QStringList({"b2"}));

    Click(window->cmdEdit2);
    Click(window->cmdClear);
    Click(window->cmdUpdate);
    EXPECT_EQ(Prompts(), QStringList({"全て入力して下さい。"}));
}

// What the user did not touch keeps its stored value and type: a number held as text is not
// rounded through a double, nor a name stored as a number turned into text.
TEST_F(Trensoly, ACorrectionRewritesOnlyTheFieldsTheUserChanged) {
    Shell(folder.File(),
          "PRAGMA journal_mode = WAL; CREATE TABLE データレコード (ID INTEGER "
          "PRIMARY KEY, MD番号, 曲番 TEXT, 曲名, アーチスト名); INSERT INTO "
          "データレコード VALUES (1, '7', '123456789012345678901234567890', 5, 'Ann')");
    Start();
    PickOnTab(1, "cmbMD(2)", "7");
    Click(window->cmdEdit1);
    Retype(List("cmbArtist(1)"), "Bo");
    Click(window->cmdUpdate);
    EXPECT_EQ(Prompts(), QStringList());
    EXPECT_EQ(ColumnTexts(*folder.Open(), "SELECT quote(MD番号) || '/' || quote(曲番) || '/' || "
                                          "quote(曲名) || '/' || アーチスト名 FROM データレコード"),
              QStringList{"'7'/'123456789012345678901234567890'/5/Bo"});
}

TEST_F(Trensoly, DeletesRefreshTheirOwnSide) {
    MakeCatalogue();
    Start();
    PickOnTab(1, "cmbMD(2)", "9");
    MessageBox::SetNextAnswer(vbNo);
    Click(window->cmdDel1);
    EXPECT_EQ(Stored("曲名").size(), 4);
    Click(window->cmdDel1);
    EXPECT_EQ(Titles(*window->DBGrid1), QStringList({"b"}));
    EXPECT_EQ(Text("cmbMD(2)"), "9");
    Click(window->cmdDel1);
    EXPECT_EQ(window->DBGrid1->RowCount(), 0);
    EXPECT_EQ(Items("cmbMD(2)"), QStringList({"10", "A-12"}));
    EXPECT_EQ(Text("cmbMD(2)"), "");
    EXPECT_TRUE(Items("cmbArtist(2)").contains("Bo")) << "the artist lists wait for their refill";

    PickOnTab(1, "cmbMD(2)", "A-12");
    PickOnTab(2, "cmbArtist(2)", "Cy");
    Click(window->cmdDel2);
    EXPECT_EQ(window->DBGrid1->RowCount(), 0) << "the disc tab loses the track too";
    EXPECT_FALSE(Items("cmbArtist(1)").contains("Cy"));
    EXPECT_EQ(Text("cmbArtist(2)"), "");
    MessageBox::TakeShown();
    Click(window->cmdDel2);
    EXPECT_TRUE(MessageBox::TakeShown().isEmpty()) << "an empty grid deletes nothing";
}

TEST_F(Trensoly, SavingStoresTheOrderAndRefillsTheDiscLists) {
    MakeCatalogue();
    Start();
    GoToTab(4);
    Click(window->opDesc);
    Retype(*window->txtTitle1, "New");
    Click(window->cmdSave);
    EXPECT_EQ(window->SSTab1->Tab(), 0);
    EXPECT_EQ(Items("cmbMD(1)"), QStringList({"A-12", "9", "10"}));
    QFile file(folder.Path() + "/TITLE.TXT");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), TitleFile({"New", "T2", "D", "N", "Y"}));
    // Entering the disc tab now shows no disc, and a label of it has no tracks to print.
    GoToTab(1);
    window->cmdPrint1->setEnabled(true);
    Click(window->cmdPrint1);
    EXPECT_EQ(MessageBox::TakeShown().value(0).title, "確認");
}

// Rows another copy deleted, keys past 32767, and typed quotes break nothing and touch nothing.
TEST_F(Trensoly, FaultsOfTheFileAndOfTypingAreSurvived) {
    MakeCatalogue();
    auto db = folder.Open();
    db->Execute("UPDATE sqlite_sequence SET seq = 40000 WHERE name = 'データレコード'");
    db->Execute("INSERT INTO データレコード (MD番号, 曲番, 曲名, アーチスト名) VALUES "
                "('Z', 1, 'high', 'Zed')");
    Start();
    PickOnTab(1, "cmbMD(2)", "Z");
    Click(window->cmdEdit1);
    Retype(*window->txtName, "higher");
    Click(window->cmdUpdate);
    EXPECT_EQ(Stored("曲名").last(), "higher");

    PickOnTab(2, "cmbArtist(2)", "Bo");
    Click(window->cmdEdit2);
    db->Execute("DELETE FROM データレコード WHERE 曲名 = 'b'");
    Retype(*window->txtName, "lost");
    Click(window->cmdUpdate);
    EXPECT_EQ(MessageBox::TakeShown().value(0).title, "確認");
    EXPECT_EQ(window->txtName->text(), "lost");
    EXPECT_FALSE(Stored("曲名").contains("lost"));
    PickOnTab(1, "cmbMD(2)", "9");
    db->Execute("DELETE FROM データレコード WHERE 曲名 = 'a'");
    Click(window->cmdDel1);
    EXPECT_EQ(Prompts().size(), 2) << "asked, then told the row was gone";
    EXPECT_FALSE(Items("cmbMD(2)").contains("9"));

    GoToTab(1);
    Retype(List("cmbMD(2)"), "it's");
    GoToTab(0);
    GoToTab(1);
    EXPECT_EQ(window->DBGrid1->RowCount(), 0);
    EXPECT_TRUE(Prompts().isEmpty());
}

TEST_F(Trensoly, FindShowsADoubleClickedTrackOnTheDiscTab) {
    MakeCatalogue();
    Start();
    GoToTab(3);
    Retype(List("cmbMD(1)"), "99");
    GoToTab(2);
    FindWindow* find = PressFind();
    ASSERT_NE(find, nullptr);
    Retype(*find->Text(), "ａｎｎ");
    QTableView* results = find->Results();
    ASSERT_EQ(results->model()->rowCount(), 2);
    // In disc order, as text: "10" before "9".
    const QModelIndex second = results->model()->index(1, 3);
    EXPECT_EQ(second.data().toString(), "a");
    results->scrollTo(second);
    const QPoint at = results->visualRect(second).center();
    QTest::mouseClick(results->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(results->viewport(), Qt::LeftButton, {}, at);

    EXPECT_EQ(window->SSTab1->Tab(), 1);
    EXPECT_EQ(window->PrevTab, 2);
    // Picked in the disc tab's own list; the entry tab keeps what the user typed there.
    EXPECT_EQ(Text("cmbMD(2)"), "9");
    EXPECT_EQ(Text("cmbMD(1)"), "99");
    EXPECT_EQ(window->SqlText, statements::trensoly::TracksOfDisc("9"));
    EXPECT_EQ(window->DBGrid1->Columns(3).Value(), "a");
    EXPECT_TRUE(Printable());
    GoToTab(2);
    GoToTab(1);
    EXPECT_EQ(window->SqlText, statements::trensoly::TracksOfDisc("9"));
}

// After a delete the window's last statement is a list's; the label is still of the tracks the
// disc tab shows, or of none.
TEST_F(Trensoly, PrintingPrintsWhatTheDiscTabShows) {
    MakeCatalogue();
    Start();
    PickOnTab(1, "cmbMD(2)", "9");
    const auto printedDoc = [&] {
        Click(window->cmdPrint1);
        const auto previews = window->findChildren<QPrintPreviewDialog*>();
        const QString name = previews.isEmpty() ? QString() : previews[0]->printer()->docName();
        for (auto* preview : previews)
            delete preview;
        return name;
    };
    MessageBox::SetNextAnswer(vbYes);
    Click(window->cmdDel1);
    ASSERT_EQ(window->DBGrid1->RowCount(), 1);
    EXPECT_EQ(printedDoc(), "9 MD ラベル");
    MessageBox::SetNextAnswer(vbYes);
    Click(window->cmdDel1);
    Prompts();
    EXPECT_EQ(printedDoc(), "");
    EXPECT_EQ(Prompts(), QStringList{"印刷する曲がありません。"});
}

} // namespace
