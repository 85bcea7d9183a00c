#include "caldrinwindow.h"
#include "statements.h"

#include <QAccessible>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTableView>

namespace {

using CaldrinBrowse = CaldrinWindowTest;
namespace sql = statements::caldrin;

TEST_F(CaldrinBrowse, PickingAnAlbumShowsItsFirstArtistsTracks) {
    MakeCatalogue();
    Start();
    PickOnTab(1, "cmbAlbum(1)", "夏の午後");
    EXPECT_EQ(Items("cmbartist(1)"), QStringList({"森 健", "ｷﾑﾗ Trio"}));
    EXPECT_EQ(Text("cmbartist(1)"), "森 健");
    EXPECT_EQ(Titles(*window->DBGrid1), QStringList({"約束", "花火"}));
    EXPECT_EQ(window->DBGrid1->Columns(2).Value(), "夏の午後");
    EXPECT_TRUE(window->cmdPrint1[0]->isEnabled());
    EXPECT_TRUE(window->cmdPrint2[0]->isEnabled());
    EXPECT_FALSE(window->cmdPrint1[1]->isEnabled());
    EXPECT_EQ(window->SqlText, sql::TracksOfAlbum("夏の午後", "森 健"));

    Pick(List("cmbartist(1)"), "ｷﾑﾗ Trio");
    EXPECT_EQ(Titles(*window->DBGrid1), QStringList({"ﾒﾛﾃﾞｨｰ"}));
    EXPECT_EQ(Titles(*window->DBGrid2), QStringList());
}

TEST_F(CaldrinBrowse, PickingAnArtistShowsTheirFirstAlbumsTracks) {
    MakeCatalogue();
    Start();
    PickOnTab(2, "cmbartist(2)", "森 健");
    EXPECT_EQ(Items("cmbAlbum(2)"), QStringList({"Blue Harbor", "夏の午後"}));
    EXPECT_EQ(Text("cmbAlbum(2)"), "Blue Harbor");
    EXPECT_EQ(Titles(*window->DBGrid2), QStringList({"Sunrise"}));
    EXPECT_TRUE(window->cmdPrint1[1]->isEnabled());
    EXPECT_FALSE(window->cmdPrint1[0]->isEnabled());

    Pick(List("cmbAlbum(2)"), "夏の午後");
    EXPECT_EQ(Titles(*window->DBGrid2), QStringList({"約束", "花火"}));
    EXPECT_EQ(window->SqlText, sql::TracksOfAlbum("夏の午後", "森 健"));
}

TEST_F(CaldrinBrowse, TheEntryTabsListsOnlyRefillTheAlbums) {
    MakeCatalogue();
    Start();
    PickOnTab(1, "cmbAlbum(1)", "Blue Harbor");
    PickOnTab(3, "cmbartist(3)", "森 健");
    EXPECT_EQ(Items("cmbAlbum(3)"), QStringList({"Blue Harbor", "夏の午後"}));
    EXPECT_EQ(Text("cmbAlbum(3)"), "Blue Harbor");
    EXPECT_EQ(window->SqlText, sql::AlbumsOfArtist("森 健"));
    EXPECT_EQ(Titles(*window->DBGrid1), QStringList({"Rain"}));
    EXPECT_TRUE(window->cmdPrint1[0]->isEnabled());

    Pick(List("cmbAlbum(3)"), "夏の午後");
    EXPECT_EQ(window->SqlText, sql::AlbumsOfArtist("森 健"));
}

TEST_F(CaldrinBrowse, AnAlbumWithNoTracksLeftEmptiesTheGridAndDisablesPrinting) {
    MakeCatalogue();
    Start();
    PickOnTab(1, "cmbAlbum(1)", "夏の午後");
    folder.Open()->Execute("DELETE FROM データレコード WHERE アルバム名 = 'Blue Harbor'");
    Pick(List("cmbAlbum(1)"), "Blue Harbor");
    EXPECT_EQ(Items("cmbartist(1)"), QStringList());
    EXPECT_EQ(Text("cmbartist(1)"), "森 健") << "the text of the last refill stays";
    EXPECT_EQ(window->DBGrid1->RowCount(), 0);
    EXPECT_FALSE(window->cmdPrint1[0]->isEnabled());
    EXPECT_FALSE(window->cmdPrint2[0]->isEnabled());
}

TEST_F(CaldrinBrowse, TypingAndChangingTabsRunNoQuery) {
    MakeCatalogue();
    Start();
    PickOnTab(1, "cmbAlbum(1)", "夏の午後");
    const QString shown = window->SqlText;
    Type(List("cmbAlbum(1)"), "Blue Harbor");
    QTest::keyClick(&List("cmbAlbum(1)"), Qt::Key_Return);
    GoToTab(2);
    GoToTab(1);
    EXPECT_EQ(window->SqlText, shown);
    EXPECT_EQ(Titles(*window->DBGrid1), QStringList({"約束", "花火"}));
    EXPECT_EQ(window->PrevTab, 2);
}

TEST_F(CaldrinBrowse, TypedQuotesCannotBreakAQuery) {
    MakeCatalogue();
    Start();
    PickOnTab(1, "cmbAlbum(1)", "Blue Harbor");
    List("cmbAlbum(1)").SetText("x' OR '1'='1");
    Pick(List("cmbartist(1)"), "Anna");
    EXPECT_EQ(window->DBGrid1->RowCount(), 0);
    EXPECT_FALSE(window->cmdPrint1[0]->isEnabled());
    EXPECT_TRUE(Prompts().isEmpty());
}

// Ctrl+F, typed text in another width and case, Enter: the track as a user's picks show it.
TEST_F(CaldrinBrowse, FindShowsTheChosenTrackOnTheAlbumTab) {
    MakeCatalogue();
    Start();
    FindWindow* find = PressFind();
    ASSERT_TRUE(find && find->isVisible());
    EXPECT_EQ(find->windowTitle(), "検索");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(find->Results())->text(QAccessible::Name),
              "検索結果");
    EXPECT_EQ(find->Results()->model()->rowCount(), 5);
    EXPECT_FALSE(find->Text()->placeholderText().contains("MD番号"));
    EXPECT_FALSE(find->Results()->wordWrap());
    EXPECT_EQ(find->Results()->model()->index(0, 3).data(Qt::TextAlignmentRole).toInt() &
                  Qt::AlignRight,
              Qt::AlignRight);
    Retype(*find->Text(), "ＴＲＩＯ");
    EXPECT_EQ(find->Results()->model()->rowCount(), 1);
    Retype(*find->Text(), "メロ");
    ASSERT_EQ(find->Results()->model()->rowCount(), 1);
    QTest::keyClick(find->Text(), Qt::Key_Return);

    EXPECT_EQ(window->SSTab1->Tab(), 1);
    EXPECT_EQ(window->PrevTab, 0);
    EXPECT_EQ(Text("cmbAlbum(1)"), "夏の午後");
    EXPECT_EQ(Text("cmbartist(1)"), "ｷﾑﾗ Trio");
    EXPECT_EQ(window->SqlText, sql::TracksOfAlbum("夏の午後", "ｷﾑﾗ Trio"));
    EXPECT_EQ(window->DBGrid1->Columns(4).Value(), "ﾒﾛﾃﾞｨｰ");
    EXPECT_TRUE(window->cmdPrint1[0]->isEnabled());

    // A track another copy added is found once the user comes back to find; one the window's
    // lists do not hold yet is not shown.
    AddAlbumTrack(*folder.Open(), "Anna", "Blue Harbor", 4, "Snow");
    PressFind();
    Retype(*find->Text(), "snow");
    EXPECT_EQ(find->Results()->model()->rowCount(), 1);
    AddAlbumTrack(*folder.Open(), "Anna", "新しいアルバム", 1, "Snowfall");
    PressFind();
    Retype(*find->Text(), "snowf");
    QTest::keyClick(find->Text(), Qt::Key_Return);
    EXPECT_EQ(Text("cmbAlbum(1)"), "夏の午後");
    EXPECT_TRUE(find->findChild<QLabel*>()->text().contains("表示できません"));
    EXPECT_TRUE(Prompts().isEmpty());
}

// Names the catalogue files apart are told apart, and a text across two fields finds nothing.
TEST_F(CaldrinBrowse, FindTellsTracksApartAsTheCatalogueGroupsThem) {
    MakeCatalogue();
    {
        const auto db = folder.Open();
        AddAlbumTrack(*db, "ÉTÉ", "Album X", 1, "first");
        AddAlbumTrack(*db, "été", "Album X", 2, "second");
    }
    Start();
    FindWindow* find = PressFind();
    ASSERT_NE(find, nullptr);
    Retype(*find->Text(), "trio夏");
    EXPECT_EQ(find->Results()->model()->rowCount(), 0);
    Retype(*find->Text(), "second");
    QTest::keyClick(find->Text(), Qt::Key_Return);
    EXPECT_EQ(Text("cmbartist(1)"), "été");
    EXPECT_EQ(window->DBGrid1->Columns(4).Value(), "second");
    EXPECT_FALSE(find->findChild<QLabel*>()->text().contains("表示できません"));

    // Coming back to the window by any way, not only Ctrl+F, shows what another copy added.
    AddAlbumTrack(*folder.Open(), "Anna", "Blue Harbor", 4, "Snow");
    QApplication::setActiveWindow(window.get());
    QApplication::setActiveWindow(find);
    WaitForTracks(*find);
    Retype(*find->Text(), "snow");
    EXPECT_EQ(find->Results()->model()->rowCount(), 1);
}

// The window is there at once, while its tracks are read; what was typed meanwhile is searched
// once they are in.
TEST_F(CaldrinBrowse, FindAnswersAtOnceAndSearchesWhatWasTypedWhileReading) {
    MakeCatalogue();
    Start();
    QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
    FindWindow* find = window->Find();
    ASSERT_NE(find, nullptr);
    EXPECT_TRUE(find->isVisible());
    EXPECT_TRUE(find->Reading());
    EXPECT_EQ(find->findChild<QLabel*>()->text(), "曲を読み込んでいます…");
    find->Text()->setText("harbor");
    WaitForTracks(*find);
    EXPECT_EQ(find->Results()->model()->rowCount(), 2);
    EXPECT_EQ(find->findChild<QLabel*>()->text(), "2 曲");

    // An ID beyond four bytes, as another tool may give one, is found and shown as it is.
    ASSERT_EQ(
        QProcess::execute("sqlite3", {folder.File(), "INSERT INTO データレコード VALUES "
                                                     "(5000000000, 'Far', 'Away', 1, 'Rain')"}),
        0);
    AddAlbumTrack(*folder.Open(), "Anna", "Blue Harbor", 5, "Rainbow");
    find = PressFind();
    Retype(*find->Text(), "rain");
    ASSERT_EQ(find->Results()->model()->rowCount(), 3);
    EXPECT_EQ(find->Results()->model()->index(0, 0).data().toString(), "5000000000");
    EXPECT_EQ(find->Results()->model()->index(2, 4).data().toString(), "Rainbow");

    // A catalogue another tool replaced with something unreadable is named, and the tracks read
    // before are still searched.
    AddAlbumTrack(*folder.Open(), "Anna", "Blue Harbor", 6, "Hail");
    folder.WriteFile("broken", QByteArray(4096, 'x'));
    ASSERT_TRUE(
        QFile::rename(folder.Path() + "/broken", folder.File()) ||
        (QFile::remove(folder.File()) && QFile::rename(folder.Path() + "/broken", folder.File())));
    QApplication::setActiveWindow(window.get());
    QApplication::setActiveWindow(find);
    WaitForTracks(*find);
    const QString said = find->findChild<QLabel*>()->text();
    EXPECT_TRUE(said.contains(folder.File())) << said.toStdString();
    Retype(*find->Text(), "rainbow");
    EXPECT_EQ(find->Results()->model()->rowCount(), 1);
}

// Each key narrows the results down from the key before; what it finds is what the whole text
// finds afresh, and a text spanning two fields finds nothing even when each half did.
TEST_F(CaldrinBrowse, FindNarrowsKeyByKeyAsAFreshSearchWouldFind) {
    MakeCatalogue();
    {
        const auto db = folder.Open();
        AddAlbumTrack(*db, "アメ", "ロック", 1, "Stone");
        for (int number = 1; number <= 40; ++number)
            AddAlbumTrack(*db, "Someone", "Other", number, QString("Filler %1").arg(number));
    }
    Start();
    FindWindow* find = PressFind();
    ASSERT_NE(find, nullptr);
    find->Text()->clear();
    QList<int> counts;
    for (const QChar typed : QString("メロディ"))
        find->Text()->insert(typed), counts << find->Results()->model()->rowCount();
    EXPECT_EQ(counts, (QList<int>{2, 1, 1, 1}));
    EXPECT_EQ(find->Results()->model()->index(0, 4).data().toString(), "ﾒﾛﾃﾞｨｰ");
    find->Text()->clear();
    counts.clear();
    for (const QChar typed : QString("ロック"))
        find->Text()->insert(typed), counts << find->Results()->model()->rowCount();
    EXPECT_EQ(counts, (QList<int>{2, 1, 1})) << "found by its album name";
    find->Text()->clear();
    for (const QChar typed : QString("FILLER 4"))
        find->Text()->insert(typed);
    EXPECT_EQ(find->Results()->model()->rowCount(), 2) << "Filler 4 and Filler 40";
    // Taking a key back finds what a fresh search of the shorter text finds.
    QTest::keyClick(find->Text(), Qt::Key_Backspace);
    const int widened = find->Results()->model()->rowCount();
    find->Text()->clear();
    find->Text()->insert("FILLER ");
    EXPECT_EQ(widened, find->Results()->model()->rowCount());
    EXPECT_EQ(widened, 40);
}

// The results come a screenful at a time, yet Ctrl+End reaches the last of them.
TEST_F(CaldrinBrowse, FindReachesTheLastOfManyResultsByKeyboard) {
    MakeCatalogue();
    ASSERT_EQ(QProcess::execute("sqlite3",
                                {folder.File(),
                                 "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                                 "WHERE i < 1200) INSERT INTO データレコード (アーチスト名, "
                                 "アルバム名, 曲番, 曲名) SELECT 'Many', 'Many', i, 'Filler ' "
                                 "|| i FROM n"}),
              0);
    Start();
    FindWindow* find = PressFind();
    ASSERT_NE(find, nullptr);
    Retype(*find->Text(), "filler");
    EXPECT_EQ(find->findChild<QLabel*>()->text(), "1200 曲");
    QAbstractItemModel* results = find->Results()->model();
    for (int press = 0; press < 10 && results->rowCount() < 1200; ++press) {
        QTest::keyClick(find->Results(), Qt::Key_End, Qt::ControlModifier);
        QCoreApplication::processEvents();
    }
    ASSERT_EQ(results->rowCount(), 1200);
    QTest::keyClick(find->Results(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(find->Results()->currentIndex().siblingAtColumn(4).data().toString(), "Filler 1200");
}

// A large catalogue's first tracks are found while the rest are still being read.
TEST_F(CaldrinBrowse, FindSearchesTheFirstTracksWhileTheRestAreRead) {
    MakeCatalogue();
    ASSERT_EQ(QProcess::execute(
                  "sqlite3", {folder.File(),
                              "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                              "WHERE i < 60000) INSERT INTO データレコード (アーチスト名, "
                              "アルバム名, 曲番, 曲名) SELECT 'A', 'A', i, 'Filler ' || i FROM n"}),
              0);
    Start();
    QApplication::setActiveWindow(window.get());
    QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
    FindWindow* find = window->Find();
    ASSERT_NE(find, nullptr);
    find->Text()->setText("filler");
    QStringList said;
    QObject::connect(find->Results()->model(), &QAbstractItemModel::modelReset, find,
                     [&] { said << find->findChild<QLabel*>()->text(); });
    WaitForTracks(*find);
    EXPECT_EQ(said, QStringList({"50000 曲 (曲を読み込んでいます…)", "60000 曲"}));
}

// A name another tool stored with a NUL in it is reached like any other.
TEST_F(CaldrinBrowse, ANameHoldingANulIsBrowsedCorrectedPrintedAndDeleted) {
    MakeCatalogue();
    folder.Open()->Execute("INSERT INTO データレコード (アーチスト名, アルバム名, 曲番, 曲名) "
                           "VALUES ('Anna', 'A' || char(0) || 'B', 1, 'zero')");
    Start();
    const QString album = QString::fromUtf8("A\0B", 3);
    PickOnTab(1, "cmbAlbum(1)", album);
    EXPECT_TRUE(Prompts().isEmpty());
    ASSERT_EQ(Titles(*window->DBGrid1), QStringList{"zero"});
    Click(window->cmdPrint1[0]);
    EXPECT_TRUE(Prompts().isEmpty());
    for (QWidget* preview : QApplication::topLevelWidgets())
        if (preview->inherits("QPrintPreviewDialog"))
            preview->close();
    Click(window->cmdEdit1);
    Retype(*window->txtName, "one");
    Click(window->cmdUpdate);
    EXPECT_TRUE(Prompts().isEmpty());
    EXPECT_EQ(Titles(*window->DBGrid1), QStringList{"one"});
    MessageBox::SetNextAnswer(vbYes);
    Click(window->cmdDel1);
    EXPECT_EQ(Prompts(), QStringList{"削除してもよろしいですか？"});
    EXPECT_FALSE(StoredTitles().contains("one"));
}

} // namespace
