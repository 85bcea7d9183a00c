#include "caldrinwindow.h"
#include "calibrationdialog.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QGraphicsView>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QSaveFile>
#include <QStringEncoder>

namespace {

class CaldrinTitlePrint : public CaldrinWindowTest {
protected:
    void SetUp() override {
        CaldrinWindowTest::SetUp();
        MakeCatalogue();
        Start();
    }
    QByteArray TitleBytes() {
        QFile file(folder.Path() + "/TITLE.TXT");
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    void Save(const QString& title1, const QString& title2) {
        GoToTab(4);
        Retype(*window->txtTitle1, title1);
        Retype(*window->txtTitle2, title2);
        Click(window->cmdSave);
    }
    static QList<QPrintPreviewDialog*> Previews() {
        QList<QPrintPreviewDialog*> previews;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* preview = qobject_cast<QPrintPreviewDialog*>(widget);
                preview && preview->isVisible())
                previews << preview;
        }
        return previews;
    }
};

TEST_F(CaldrinTitlePrint, SavingWritesTheFileAndShowsTheTitlesOnTheStartTab) {
    GoToTab(4);
    Click(window->chkSyasen1);
    Save("ＭＤライブラリー", "My, collection");
    QByteArray expected = "\"\x82\x6c\x82\x63\x83\x89\x83\x43\x83\x75\x83\x89\x83\x8a\x81\x5b\"\r\n"
                          "\"My, collection\"\r\n\"Y\"\r\n\"N\"\r\n";
    EXPECT_EQ(TitleBytes(), expected);
    EXPECT_EQ(window->SSTab1->Tab(), 0);
    EXPECT_EQ(window->PrevTab, 4);
    EXPECT_EQ(window->lblTitle2->text(), "My, collection");
    EXPECT_TRUE(window->lblTitle1->font().italic());
    EXPECT_TRUE(window->lblTitle1->font().bold());
    EXPECT_FALSE(window->lblTitle2->font().italic());
    EXPECT_EQ(window->SlantFlag1, "Y");

    Click(window->chkSyasen1);
    Save("", "");
    EXPECT_EQ(TitleBytes(), QByteArray("\"\"\r\n\"\"\r\n\"N\"\r\n\"N\"\r\n"));
    EXPECT_FALSE(window->lblTitle1->font().italic());
    EXPECT_TRUE(window->lblTitle1->font().bold());
}

TEST_F(CaldrinTitlePrint, TitlesThatCouldNotBeReadBackAreRefusedAndTheOldFileKept) {
    Save("Old", "Titles");
    const QByteArray saved = TitleBytes();
    Save("Say \"hi\"", "x");
    Save("x", "A\",B");
    Save("Café", "x");
    Save("x", "MD 😀");
    const QStringList prompts = Prompts();
    ASSERT_EQ(prompts.size(), 4);
    EXPECT_TRUE(prompts[3].endsWith("2 行目のタイトルの「😀」(U+1F600)"))
        << prompts[3].toStdString();
    EXPECT_EQ(TitleBytes(), saved);
    EXPECT_EQ(window->lblTitle1->text(), "Old");
    EXPECT_EQ(window->SSTab1->Tab(), 4);
    Save("A\"B", "\"Quoted\" B");
    EXPECT_EQ(TitleBytes(), "\"A\"B\"\r\n\"\"Quoted\" B\"\r\n\"N\"\r\n\"N\"\r\n");
}

TEST_F(CaldrinTitlePrint, AFailedSaveSaysSoAndChangesNothing) {
    QDir(folder.Path()).mkdir("TITLE.TXT");
    Save("New", "Titles");
    const auto boxes = MessageBox::TakeShown();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].title + ": " + boxes[0].prompt,
              "確認: TITLE.TXT を保存できませんでした。\n" + qt_error_string(EISDIR));
    EXPECT_EQ(window->lblTitle1->text(), "");
    EXPECT_EQ(window->TitleLine1 + window->TitleLine2 + window->SlantFlag1 + window->SlantFlag2,
              "");
    EXPECT_EQ(window->SSTab1->Tab(), 4);
}

TEST_F(CaldrinTitlePrint, PrintingOpensAPreviewOfTheLastQuery) {
    PickOnTab(1, "cmbAlbum(1)", "夏の午後");
    Click(window->cmdPrint1[0]);
    auto previews = Previews();
    ASSERT_EQ(previews.size(), 1);
    EXPECT_EQ(previews[0]->windowTitle(), "MD ラベル");
    // The view spans the label with its cut guides, not the whole sheet.
    QApplication::processEvents();
    auto* view = previews[0]->findChild<QPrintPreviewWidget*>()->findChild<QGraphicsView*>();
    const QRectF shown = view->mapToScene(view->viewport()->rect()).boundingRect();
    const QRectF sheet = view->scene()->itemsBoundingRect();
    EXPECT_LT(shown.width(), sheet.width() * 0.7);
    EXPECT_LT(shown.left(), sheet.left() + sheet.width() * 0.05);
    previews[0]->close();
    QApplication::processEvents();

    Click(window->cmdPrint2[0]);
    previews = Previews();
    ASSERT_EQ(previews.size(), 1);
    EXPECT_EQ(previews[0]->windowTitle(), "カセットラベル");
    previews[0]->close();
    EXPECT_TRUE(Prompts().isEmpty());
}

TEST_F(CaldrinTitlePrint, CalibratingInThePreviewRedrawsItAndIsKeptForTheUser) {
    PickOnTab(1, "cmbAlbum(1)", "夏の午後");
    Click(window->cmdPrint1[0]);
    ASSERT_EQ(Previews().size(), 1);
    QPrintPreviewDialog* preview = Previews()[0];
    EXPECT_EQ(preview->printer()->docName(), "夏の午後 MD ラベル");
    auto* calibrate = preview->findChild<QAction*>("calibrate");
    ASSERT_NE(calibrate, nullptr);
    calibrate->trigger();
    auto* dialog = preview->findChild<report::CalibrationDialog*>();
    ASSERT_NE(dialog, nullptr);
    int redraws = 0;
    QObject::connect(preview, &QPrintPreviewDialog::paintRequested, [&] { ++redraws; });
    dialog->findChild<QDoubleSpinBox*>("offsetX")->setValue(-3.4);
    dialog->findChild<QCheckBox*>("cutGuides")->setChecked(false);
    EXPECT_EQ(redraws, 2);
    dialog->accept();
    const report::Calibration saved = report::SavedCalibration();
    EXPECT_NEAR(saved.offsetX.InMillimetres(), -3.4, 1e-9);
    EXPECT_FALSE(saved.cutGuides);
    preview->close();
    EXPECT_TRUE(Prompts().isEmpty());
    report::SaveCalibration({});
}

// A label taller than its case says so; fitted, it no longer does, and the choice is kept.
TEST_F(CaldrinTitlePrint, ALabelTallerThanItsCaseIsToldAndFittedOnRequest) {
    folder.Open()->Execute(
        "WITH RECURSIVE n(i) AS (SELECT 3 UNION ALL SELECT i + 1 FROM n WHERE "
        "i < 30) INSERT INTO データレコード (アーチスト名, アルバム名, 曲番, 曲名) "
        "SELECT '森 健', '夏の午後', i, 't' || i FROM n");
    PickOnTab(1, "cmbAlbum(1)", "夏の午後");
    Pick(List("cmbartist(1)"), "森 健");
    Click(window->cmdPrint1[0]);
    ASSERT_EQ(Previews().size(), 1);
    QPrintPreviewDialog* preview = Previews()[0];
    QApplication::processEvents();
    EXPECT_EQ(preview->windowTitle(), "MD ラベル — ラベルがケースの高さ (70 mm) を超えています");
    auto* fit = preview->findChild<QAction*>("fitToMedium");
    ASSERT_NE(fit, nullptr);
    fit->trigger();
    QApplication::processEvents();
    EXPECT_EQ(preview->windowTitle(), "MD ラベル");
    EXPECT_TRUE(report::SavedFit());
    report::SaveFit(false);
    preview->close();
}

TEST_F(CaldrinTitlePrint, ExportWritesEveryTrackOrNothing) {
    const QString csv = folder.Path() + "/tracks.csv";
    ASSERT_EQ(window->ExportTracksTo(csv, trackbook::Format::CsvCp932), "");
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(bytes.count("\r\n"), 6);
    EXPECT_TRUE(bytes.contains(
        QByteArray(QStringEncoder("Shift_JIS").encode(QString("森 健,夏の午後,2,花火")))));

    const QString nowhere = folder.Path() + "/missing/tracks.csv";
    EXPECT_TRUE(window->ExportTracksTo(nowhere, trackbook::Format::CsvUtf8).contains(nowhere));
    EXPECT_FALSE(QFile::exists(nowhere));
}

TEST_F(CaldrinTitlePrint, ALabelOfNothingIsToldNotPrinted) {
    PickOnTab(1, "cmbAlbum(1)", "夏の午後");
    folder.Open()->Execute("DELETE FROM データレコード");
    Click(window->cmdPrint1[0]);
    EXPECT_TRUE(Previews().isEmpty());
    const auto boxes = MessageBox::TakeShown();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].title, "確認");
}

TEST_F(CaldrinTitlePrint, TheLabelReadsTheWindowsCatalogueWhereverTheProgramStarted) {
    PickOnTab(2, "cmbartist(2)", "Anna");
    QDir::setCurrent(QDir::tempPath());
    Click(window->cmdPrint1[1]);
    EXPECT_EQ(Previews().size(), 1);
    EXPECT_TRUE(Prompts().isEmpty());
    for (auto* preview : Previews())
        preview->close();
}

// After a delete the window's last statement is a list's; each pair prints what its grid shows.
TEST_F(CaldrinTitlePrint, EachPairPrintsWhatItsGridShows) {
    PickOnTab(2, "cmbartist(2)", "森 健");
    PickOnTab(2, "cmbAlbum(2)", "夏の午後");
    MessageBox::SetNextAnswer(vbYes);
    Click(window->cmdDel2);
    ASSERT_EQ(Titles(*window->DBGrid2), QStringList{"花火"});
    Prompts();
    Click(window->cmdPrint2[1]);
    ASSERT_EQ(Previews().size(), 1);
    EXPECT_EQ(Previews()[0]->printer()->docName(), "夏の午後 カセットラベル");
    Previews()[0]->close();
    MessageBox::SetNextAnswer(vbYes);
    Click(window->cmdDel2);
    Prompts();
    Click(window->cmdPrint1[1]);
    EXPECT_TRUE(Previews().isEmpty());
    EXPECT_EQ(Prompts(), QStringList{"印刷する曲がありません。"});
}

} // namespace
