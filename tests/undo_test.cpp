// Taking the window's own writes back by key, and what another copy changed meanwhile.
#include "caldrinwindow.h"
#include "frmtrensoly.h"

namespace {

// On a grid, where no text field takes the key for its own typing.
void PressOnGrid(CatalogueWindow& window, QKeyCombination key) {
    window.DBGrid1->setFocus();
    QTest::keyClick(window.DBGrid1, key.key(), key.keyboardModifiers());
}

class Undo : public CaldrinWindowTest {
protected:
    void Press(QKeyCombination key) { PressOnGrid(*window, key); }
    void Add(const QString& title) {
        TypeEntry("Anna", "Blue Harbor", "4", title);
        Click(window->cmdTuika);
    }
    QString StoredRow(qint64 id) {
        return ColumnTexts(*folder.Open(),
                           QStringLiteral("SELECT アーチスト名||'/'||アルバム名||'/'||曲番||'/'||"
                                          "曲名 FROM データレコード WHERE ID = %1")
                               .arg(id))
            .value(0);
    }
};

// A schema someone else wrote may tell SQLite to delete the old track that stands in a new one's
// way; neither an add, a correction nor an undo may take one away.
TEST_F(Undo, ASchemaThatReplacesOnConflictLosesNoTrack) {
    Shell(folder.File(), "CREATE TABLE データレコード (ID INTEGER PRIMARY KEY, アーチスト名, "
                         "アルバム名, 曲番, 曲名, UNIQUE (曲名) ON CONFLICT REPLACE);"
                         "INSERT INTO データレコード VALUES (1, 'Anna', 'Blue Harbor', 1, 'Rain'),"
                         "(2, 'Anna', 'Blue Harbor', 2, 'Tide')");
    Start();
    const QString both = "Anna/Blue Harbor/1/Rain Anna/Blue Harbor/2/Tide";
    const auto stored = [&] { return StoredRow(1) + " " + StoredRow(2); };
    const auto refusedOnce = [&] {
        const auto boxes = MessageBox::TakeShown();
        return boxes.size() == 1 && boxes[0].prompt.contains("制約");
    };
    Add("Rain");
    EXPECT_TRUE(refusedOnce());
    EXPECT_EQ(stored(), both);
    EXPECT_EQ(ColumnTexts(*folder.Open(), "SELECT count(*) FROM データレコード"), QStringList{"2"});

    PickOnTab(1, "cmbAlbum(1)", "Blue Harbor");
    window->DBGrid1->setCurrentIndex(window->DBGrid1->model()->index(1, 0));
    Click(window->cmdEdit1);
    Retype(*window->txtName, "Rain");
    Click(window->cmdUpdate);
    EXPECT_TRUE(refusedOnce());
    EXPECT_EQ(stored(), both);

    // Taken out here, then a track of the same title added by another copy.
    PickOnTab(1, "cmbAlbum(1)", "Blue Harbor");
    MessageBox::SetNextAnswer(vbYes);
    Click(window->cmdDel1);
    MessageBox::TakeShown();
    Shell(folder.File(), "INSERT INTO データレコード VALUES (3, 'Cy', 'Sea', 1, 'Rain')");
    Press(Qt::CTRL | Qt::Key_Z);
    EXPECT_TRUE(refusedOnce());
    EXPECT_EQ(StoredRow(3), "Cy/Sea/1/Rain");
    EXPECT_EQ(StoredRow(1), "");
}

TEST_F(Undo, EachKindOfWriteGoesBackAndComesAgain) {
    MakeCatalogue();
    Start();
    Add("Tide");
    const qint64 added =
        folder.Open()->OpenSnapshot("SELECT max(ID) FROM データレコード")->Value(0).toLongLong();
    EXPECT_EQ(window->windowTitle(), "Caldrin Ver 6.0 — Ctrl+Z で追加「Tide」を元に戻す");
    Press(Qt::CTRL | Qt::Key_Z);
    EXPECT_EQ(StoredRow(added), "");
    EXPECT_EQ(window->windowTitle(), "Caldrin Ver 6.0 — Ctrl+Shift+Z で追加「Tide」をやり直す");
    Press(Qt::CTRL | Qt::SHIFT | Qt::Key_Z);
    EXPECT_EQ(StoredRow(added), "Anna/Blue Harbor/4/Tide");

    // A correction gets its old values back, on the row the redo left current.
    Click(window->cmdEdit1);
    Retype(List("cmbAlbum(3)"), "夏の午後");
    Click(window->cmdUpdate);
    EXPECT_EQ(StoredRow(added), "Anna/夏の午後/4/Tide");
    Press(Qt::CTRL | Qt::Key_Z);
    EXPECT_EQ(StoredRow(added), "Anna/Blue Harbor/4/Tide");
    EXPECT_EQ(Text("cmbAlbum(1)"), "Blue Harbor");
    EXPECT_EQ(Titles(*window->DBGrid1), QStringList({"Rain", "Tide"}));
    EXPECT_EQ(window->DBGrid1->currentIndex().row(), 1);

    // A deleted track comes back with its key, and its album with it.
    PickOnTab(1, "cmbAlbum(1)", "夏の午後");
    Pick(List("cmbartist(1)"), "ｷﾑﾗ Trio");
    MessageBox::SetNextAnswer(vbYes);
    Click(window->cmdDel1);
    Press(Qt::CTRL | Qt::Key_Z);
    EXPECT_EQ(StoredRow(3), "ｷﾑﾗ Trio/夏の午後/1/ﾒﾛﾃﾞｨｰ");
    EXPECT_EQ(Text("cmbartist(1)"), "ｷﾑﾗ Trio");
    EXPECT_EQ(Titles(*window->DBGrid1), QStringList{"ﾒﾛﾃﾞｨｰ"});
    Press(Qt::CTRL | Qt::Key_Y);
    EXPECT_EQ(StoredRow(3), "");
    EXPECT_EQ(Prompts(), QStringList{"削除してもよろしいですか？"});
}

TEST_F(Undo, NeverTakesBackWhatAnotherCopyChangedSince) {
    MakeCatalogue();
    Start();
    Add("Tide");
    folder.Open()->Execute("UPDATE データレコード SET 曲名 = 'Ebb' WHERE 曲名 = 'Tide'");
    Press(Qt::CTRL | Qt::Key_Z);
    const auto shown = MessageBox::TakeShown();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0].title, "確認");
    EXPECT_TRUE(shown[0].prompt.startsWith("追加「Tide」は、ほかの画面で変更または削除"));
    EXPECT_EQ(StoredTitles().last(), "Ebb");
    EXPECT_EQ(window->windowTitle(), "Caldrin Ver 6.0");
}

TEST_F(Undo, GoesBackThroughAHundredWrites) {
    MakeCatalogue();
    Start();
    const QStringList before = StoredTitles();
    TypeEntry("Anna", "Many", "1", "t");
    window->chkRenzoku->setChecked(true);
    for (int track = 1; track <= 105; ++track) {
        Retype(*window->txtName, QStringLiteral("t%1").arg(track));
        Click(window->cmdTuika);
    }
    for (int step = 0; step < 105; ++step)
        Press(Qt::CTRL | Qt::Key_Z);
    EXPECT_EQ(StoredTitles(), before);
    EXPECT_FALSE(Items("cmbAlbum(1)").contains("Many"));
}

// The history keeps exactly its limit of steps, and a new write ends what could be redone.
TEST(UndoHistory, KeepsItsLimitAndForgetsRedoOnANewWrite) {
    using writehistory::Direction;
    writehistory::History history;
    for (int step = 0; step <= writehistory::History::kLimit; ++step)
        history.Record({"追加", QString::number(step), {}});
    int kept = 0;
    for (; history.Next(Direction::Undo); ++kept)
        history.Taken(Direction::Undo);
    EXPECT_EQ(kept, writehistory::History::kLimit);
    EXPECT_EQ(history.Next(Direction::Redo)->track, "1") << "the oldest step went";
    history.Record({"削除", "new", {}});
    EXPECT_EQ(history.Next(Direction::Redo), nullptr);
    EXPECT_EQ(history.Next(Direction::Undo)->track, "new");
}

using UndoDiscs = WindowTest<frmTrensoly, Program::Trensoly>;

TEST_F(UndoDiscs, ADeletedTrackComesBackOnItsDisc) {
    folder.CreateEmpty();
    folder.Open()->Execute("INSERT INTO データレコード (MD番号, 曲番, 曲名, アーチスト名) "
                           "VALUES ('7', 1, 'a', 'Ann'), ('8', 1, 'b', 'Bo')");
    Start();
    PickOnTab(1, "cmbMD(2)", "8");
    MessageBox::SetNextAnswer(vbYes);
    Click(window->cmdDel1);
    EXPECT_FALSE(Items("cmbMD(2)").contains("8"));
    PressOnGrid(*window, Qt::CTRL | Qt::Key_Z);
    EXPECT_EQ(Stored("ID||曲名"), QStringList({"1a", "2b"}));
    EXPECT_EQ(Text("cmbMD(2)"), "8");
    EXPECT_EQ(Column(*window->DBGrid1, 3), QStringList{"b"});
    EXPECT_TRUE(window->cmdPrint1->isEnabled());
}

} // namespace

// The find window follows the window's own writes, undone and done again too, as they are made:
// what it finds is what the catalogue holds, in browsing order, and nothing is read again.
TEST_F(Undo, FindFollowsEachOwnWriteWithoutReadingAgain) {
    MakeCatalogue();
    Start();
    FindWindow* find = PressFind();
    ASSERT_NE(find, nullptr);
    // Back to find and, once looked at, back to the main window, whose keys undo.
    const auto expectFoundAsBrowsed = [&](const char* after) {
        QApplication::setActiveWindow(window.get());
        QApplication::setActiveWindow(find);
        EXPECT_FALSE(find->Reading()) << after;
        find->Text()->clear();
        QStringList found;
        for (int row = 0; row < find->Results()->model()->rowCount(); ++row)
            found << find->Results()->model()->index(row, 4).data().toString();
        EXPECT_EQ(found, ColumnTexts(*folder.Open(), "SELECT 曲名 FROM データレコード ORDER BY "
                                                     "アルバム名, アーチスト名, 曲番, ID"))
            << after;
        QApplication::setActiveWindow(window.get());
    };
    Add("Tide");
    expectFoundAsBrowsed("added");
    Retype(*find->Text(), "tide");
    EXPECT_EQ(find->Results()->model()->rowCount(), 1);
    QApplication::setActiveWindow(window.get());
    Click(window->cmdEdit1);
    Retype(List("cmbAlbum(3)"), "夏の午後");
    Click(window->cmdUpdate);
    expectFoundAsBrowsed("corrected");
    Press(Qt::CTRL | Qt::Key_Z);
    expectFoundAsBrowsed("correction undone");
    PickOnTab(1, "cmbAlbum(1)", "夏の午後");
    Pick(List("cmbartist(1)"), "ｷﾑﾗ Trio");
    MessageBox::SetNextAnswer(vbYes);
    Click(window->cmdDel1);
    expectFoundAsBrowsed("deleted");
    Retype(*find->Text(), "ﾒﾛ");
    EXPECT_EQ(find->Results()->model()->rowCount(), 0);
    QApplication::setActiveWindow(window.get());
    Press(Qt::CTRL | Qt::Key_Z);
    expectFoundAsBrowsed("deletion undone");
    Retype(*find->Text(), "ﾒﾛ");
    EXPECT_EQ(find->Results()->model()->rowCount(), 1);
}
