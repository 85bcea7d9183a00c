// A disc's titles taken in through the window "取り込み", as a user does it.
#include "caldrinwindow.h"
#include "frmtrensoly.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>

namespace {

// Ctrl+I in the main window, and the window it opens.
ImportDialog* PressImport(CatalogueWindow& window) {
    QApplication::setActiveWindow(&window);
    QTest::keyClick(&window, Qt::Key_I, Qt::ControlModifier);
    return window.Import();
}

// Types into a cell of the grid as a user does: F2, the text, Enter.
void TypeInCell(QTableWidget& grid, int row, int column, const QString& text) {
    QApplication::setActiveWindow(grid.window());
    grid.setFocus();
    grid.setCurrentCell(row, column);
    QTest::keyClick(&grid, Qt::Key_F2);
    auto* editor = grid.viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    // The cell takes what was typed once the key has been handled.
    QCoreApplication::processEvents();
}

QStringList Cells(const QTableWidget& grid, int column) {
    QStringList texts;
    for (int row = 0; row < grid.rowCount(); ++row)
        texts << grid.item(row, column)->text();
    return texts;
}

using ImportAlbums = CaldrinWindowTest;
using ImportDiscs = WindowTest<frmTrensoly, Program::Trensoly>;

} // namespace

// Web MiniDisc Pro's titles: the untitled track is named in the grid before anything is added,
// and the whole disc goes in, and back out, as one step.
TEST_F(ImportAlbums, AMiniDiscsTitlesBecomeAnAlbumReadyToPrintAndGoBackInOneStep) {
    MakeCatalogue();
    folder.WriteFile(
        "disc.csv", "INDEX,GROUP RANGE,GROUP NAME,GROUP FULL WIDTH NAME,NAME,FULL WIDTH NAME,"
                    "HIMD ALBUM,HIMD ARTIST,DURATION,ENCODING,BITRATE\n0,,,,Umi,海,,,0,,\n"
                    "1,,,,Nami,波,,,1500,SP,292\n2,,,,,,,,1210,SP,292\n3,,,,Kaze,風,,,90,SP,292\n");
    Start();
    ImportDialog* import = PressImport(*window);
    ASSERT_NE(import, nullptr);
    import->ReadFile(folder.Path() + "/disc.csv");
    QTableWidget& grid = *import->Grid();
    EXPECT_EQ(Cells(grid, ImportDialog::Title), QStringList({"波", "", "風"}));
    EXPECT_EQ(Cells(grid, ImportDialog::Length), QStringList({"25:00", "20:10", "1:30"}));
    EXPECT_EQ(import->FiledUnder()->text(), "海");
    EXPECT_TRUE(import->TitleForm()->isEnabled());
    EXPECT_EQ(import->TimeLeft()->text(), "合計 46:40 ／ 74分 SP で残り 27:20");
    EXPECT_TRUE(import->Status()->text().contains("曲番 2"))
        << import->Status()->text().toStdString();

    Retype(*import->Artist(), "Anna");
    QTest::mouseClick(import->AddButton(), Qt::LeftButton);
    const QStringList refused = Prompts();
    ASSERT_EQ(refused.size(), 1);
    EXPECT_TRUE(refused[0].contains("2 行目 (曲番 2): 「曲名」が空です。"))
        << refused[0].toStdString();
    EXPECT_EQ(StoredTitles().size(), 5);

    // The half-width titles, the disc's too, keep a title typed in.
    TypeInCell(grid, 1, ImportDialog::Title, "Sora");
    import->TitleForm()->setCurrentIndex(1);
    EXPECT_EQ(Cells(grid, ImportDialog::Title), QStringList({"Nami", "Sora", "Kaze"}));
    QTest::mouseClick(import->AddButton(), Qt::LeftButton);
    EXPECT_EQ(Prompts(), QStringList());
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->Import() == nullptr; }));
    EXPECT_EQ(Stored("アーチスト名||'/'||アルバム名||'/'||曲番||'/'||曲名").mid(5),
              QStringList({"Anna/Umi/1/Nami", "Anna/Umi/2/Sora", "Anna/Umi/3/Kaze"}));
    EXPECT_EQ(window->SSTab1->Tab(), 1);
    EXPECT_EQ(Text("cmbAlbum(1)"), "Umi");
    EXPECT_EQ(Titles(*window->DBGrid1), QStringList({"Nami", "Sora", "Kaze"}));
    EXPECT_EQ(window->DBGrid1->currentIndex().row(), 0);
    EXPECT_TRUE(window->cmdPrint1[0]->isEnabled());
    EXPECT_EQ(window->windowTitle(),
              "Caldrin Ver 6.0 — Ctrl+Z で取り込み「Umi の 3 曲」を元に戻す");

    QApplication::setActiveWindow(window.get());
    window->DBGrid1->setFocus();
    QTest::keyClick(window->DBGrid1, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(StoredTitles().size(), 5);
    EXPECT_FALSE(Items("cmbAlbum(1)").contains("Umi"));
}

// Pasted text needs the disc number the user wrote on the disc; the disc is then shown.
TEST_F(ImportDiscs, APastedListGoesOnTheDiscNumberTyped) {
    folder.CreateEmpty();
    Start();
    ImportDialog* import = PressImport(*window);
    ASSERT_NE(import, nullptr);
    import->Pasted()->setPlainText("1. Dawn 3:45\n2. Noon - 4:05\n");
    EXPECT_EQ(Cells(*import->Grid(), ImportDialog::Title), QStringList({"Dawn", "Noon"}));
    EXPECT_FALSE(import->TitleForm()->isEnabled());
    Retype(*import->Artist(), "Ann");
    QTest::mouseClick(import->AddButton(), Qt::LeftButton);
    ASSERT_EQ(Prompts().size(), 1);
    EXPECT_EQ(Stored("曲名"), QStringList());

    Retype(*import->FiledUnder(), "42");
    import->Grid()->item(1, ImportDialog::Take)->setCheckState(Qt::Unchecked);
    EXPECT_EQ(import->TimeLeft()->text(), "合計 3:45 ／ 74分 SP で残り 70:15");
    QTest::mouseClick(import->AddButton(), Qt::LeftButton);
    EXPECT_EQ(Stored("MD番号||'/'||曲番||'/'||曲名||'/'||アーチスト名"),
              QStringList({"42/1/Dawn/Ann"}));
    EXPECT_EQ(window->SSTab1->Tab(), 1);
    EXPECT_EQ(Text("cmbMD(2)"), "42");
    EXPECT_EQ(Column(*window->DBGrid1, 3), QStringList{"Dawn"});

    // More than a MiniDisc holds is said, and nothing is offered to add.
    import = PressImport(*window);
    QString many;
    for (int track = 1; track <= 300; ++track)
        many += QStringLiteral("Title %1\n").arg(track);
    import->Pasted()->setPlainText(many);
    EXPECT_TRUE(
        import->Status()->text().contains("255 行目: 1 枚の MiniDisc に入るのは 254 曲まで"))
        << import->Status()->text().toStdString();
    EXPECT_EQ(import->Grid()->rowCount(), 0);
}
