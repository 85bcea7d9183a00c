#include "caldrinwindow.h"
#include "statements.h"

#include <QFileInfo>

namespace {

// Every start-up both ways: the window opening the catalogue itself, and the program's own way,
// the catalogue opened and its lists read on a thread while the window is built.
class CaldrinStartup : public CaldrinWindowTest, public testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        CaldrinWindowTest::SetUp();
        openAhead = GetParam();
    }
};

INSTANTIATE_TEST_SUITE_P(, CaldrinStartup, testing::Bool(),
                         [](const auto& ahead) { return ahead.param ? "Ahead" : "InWindow"; });

TEST_P(CaldrinStartup, ShowsTheCatalogueOnTheStartTab) {
    MakeCatalogue();
    folder.WriteFile("TITLE.TXT", TitleFile({"ABC", "<big>DEF</big>", "Y", "N"}));
    window = std::make_unique<frmCaldrin>(folder.Path());
    const frmOpen& splash = *window->Splash();
    EXPECT_EQ(splash.Label2->text(), "CALDRIN");
    EXPECT_EQ(splash.Label1->text(), "Ver 6.0");
    EXPECT_EQ(splash.palette().color(QPalette::Window), QColor(128, 128, 255));
    ASSERT_TRUE(Load());
    EXPECT_EQ(progress, QList<double>({10, 20, 50, 80, 100}));
    EXPECT_EQ(window->Splash(), nullptr);
    EXPECT_TRUE(MessageBox::TakeShown().isEmpty());

    EXPECT_EQ(window->SSTab1->Tab(), 0);
    EXPECT_EQ(window->PrevTab, 3);
    EXPECT_EQ(List("cmbAlbum(1)").Items(), QStringList({"Blue Harbor", "夏の午後"}));
    const QStringList artists = {"Anna", "森 健", "ｷﾑﾗ Trio"};
    EXPECT_EQ(List("cmbartist(2)").Items(), artists);
    EXPECT_EQ(List("cmbartist(3)").Items(), artists);
    for (const char* name : {"cmbAlbum(1)", "cmbartist(2)", "cmbartist(3)"})
        EXPECT_EQ(List(name).Text(), "") << name;
    for (const char* name : {"cmbartist(1)", "cmbAlbum(2)", "cmbAlbum(3)", "cmbAlbum(0)"})
        EXPECT_EQ(List(name).count(), 0) << name;
    EXPECT_EQ(window->SqlText, statements::caldrin::AllArtistsOrdered());
    EXPECT_EQ(window->DBGrid1->RowCount(), 0);
    EXPECT_EQ(window->DBGrid2->Columns(0).Value(), "");

    for (const char* name : {"cmdPrint1(0)", "cmdPrint2(0)", "cmdPrint1(1)", "cmdPrint2(1)"})
        EXPECT_FALSE(window->findChild<QPushButton*>(name)->isEnabled()) << name;
    EXPECT_TRUE(window->cmdTuika->isEnabled());
    EXPECT_TRUE(window->cmdUpdate->isEnabled());
    EXPECT_FALSE(window->chkRenzoku->isChecked());

    EXPECT_EQ(window->lblTitle1->text(), "ABC");
    EXPECT_EQ(window->txtTitle2->text(), "<big>DEF</big>");
    for (QLabel* title : {window->lblTitle1, window->lblTitle2})
        EXPECT_EQ(title->textFormat(), Qt::PlainText)
            << "a title is shown as typed, never as markup";
    EXPECT_TRUE(window->lblTitle1->font().italic());
    EXPECT_FALSE(window->lblTitle2->font().italic());
    EXPECT_TRUE(window->lblTitle2->font().bold());
    EXPECT_TRUE(window->chkSyasen1->isChecked());
    EXPECT_FALSE(window->chkSyasen2->isChecked());
}

TEST_P(CaldrinStartup, TitleFileProblemsArePassedOverSilently) {
    MakeCatalogue();
    ASSERT_TRUE(Load());
    EXPECT_EQ(progress, QList<double>({10, 20, 50, 80, 100}));
    EXPECT_EQ(window->lblTitle1->text(), "");
    EXPECT_TRUE(window->lblTitle1->font().bold());
    EXPECT_FALSE(window->chkSyasen1->isChecked());
    EXPECT_EQ(List("cmbAlbum(1)").count(), 2);

    // A short file keeps what was read before it ran out; a lower-case flag is not "Y".
    folder.WriteFile("TITLE.TXT", TitleFile({"ABC", "DEF", "y"}));
    ASSERT_TRUE(Load());
    EXPECT_EQ(window->lblTitle2->text(), "DEF");
    EXPECT_EQ(window->SlantFlag1, "y");
    EXPECT_FALSE(window->lblTitle1->font().italic());
    EXPECT_FALSE(window->chkSyasen1->isChecked());
    EXPECT_TRUE(MessageBox::TakeShown().isEmpty());
}

TEST_P(CaldrinStartup, AMissingCatalogueIsTriedTwiceThenReportedAndNeverCreated) {
    folder.WriteFile("TITLE.TXT", TitleFile({"ABC", "DEF", "N", "N"}));
    EXPECT_FALSE(Load());
    EXPECT_EQ(progress, QList<double>({10, 20, 50, 50}));
    const auto shown = MessageBox::TakeShown();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].prompt.contains(folder.File()));
    EXPECT_TRUE(shown[0].prompt.contains("見つからない"));
    EXPECT_FALSE(QFileInfo::exists(folder.File()));
}

TEST_P(CaldrinStartup, AfterAMissingTitleFileTheFirstCatalogueFailureEndsStartUp) {
    folder.WriteFile("caldrin.mdb", "not a catalogue");
    EXPECT_FALSE(Load());
    EXPECT_EQ(progress, QList<double>({10, 20, 50}));
    const auto shown = MessageBox::TakeShown();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].prompt.contains("データベースファイルではありません"));
}

TEST_P(CaldrinStartup, ACatalogueWhoseKeyIsNoRowNumberIsRefusedUntouched) {
    Database::CreateDatabase(folder.File())
        ->Execute("CREATE TABLE データレコード (ID TEXT PRIMARY KEY, アーチスト名, アルバム名, "
                  "曲番, 曲名)");
    QFile file(folder.File());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    EXPECT_FALSE(Load());
    const auto shown = MessageBox::TakeShown();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].prompt.contains(folder.File()));
    EXPECT_TRUE(shown[0].prompt.contains("ID"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
}

// The ancestors' catalogue, in Microsoft Jet's format: SQLite must never write to it, and the
// user is told how to bring its tracks over.
TEST_P(CaldrinStartup, AnOldJetCatalogueIsRefusedUntouchedWithTheWayToMoveItsTracks) {
    QByteArray jet = QByteArray(4, '\0') + "Standard Jet DB";
    jet += QByteArray(4096 - jet.size(), '\0');
    folder.WriteFile("caldrin.mdb", jet);
    EXPECT_FALSE(Load());
    const auto shown = MessageBox::TakeShown();
    ASSERT_EQ(shown.size(), 1);
    for (const QString& part :
         {folder.File(), QString("mdb-export"), QString("cp932"), QString("mkcatalogue caldrin")})
        EXPECT_TRUE(shown[0].prompt.contains(part)) << part.toStdString();
    QFile file(folder.File());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), jet);
    EXPECT_EQ(QDir(folder.Path()).entryList(QDir::Files), QStringList{"caldrin.mdb"});
}

// Said when the program starts, not after a whole track has been typed; browsing still works.
TEST_P(CaldrinStartup, ACatalogueThatCannotBeWrittenIsReportedAtStartUp) {
    constexpr char kSharedFolder[] = "CALDRIN_TEST_READ_ONLY_FOLDER";
    if (!qEnvironmentVariableIsSet(kSharedFolder)) {
        MakeCatalogue();
        ASSERT_TRUE(Load());
        EXPECT_TRUE(MessageBox::TakeShown().isEmpty());
        window.reset();
        // Write access, once given up, stays lost, so the rest runs in a process of its own.
        EXPECT_EQ(RunTestAgainWith(kSharedFolder, folder.Path()), 0);
        return;
    }
    const QString shared = qEnvironmentVariable(kSharedFolder);
    ASSERT_TRUE(LoseWriteAccess(shared));
    ASSERT_TRUE(Load(shared));
    const auto shown = MessageBox::TakeShown();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0].title, "確認");
    EXPECT_TRUE(shown[0].prompt.contains(QDir::toNativeSeparators(shared)));
    EXPECT_EQ(List("cmbAlbum(1)").count(), 2);
}

TEST_P(CaldrinStartup, TheCatalogueIsBackedUpAfterStartUpAndAFailureIsToldOnce) {
    MakeCatalogue();
    Start();
    window->StartBackup();
    window.reset();
    EXPECT_EQ(QDir(folder.Path() + "/backup").entryList(QDir::Files).size(), 1);

    QDir(folder.Path() + "/backup").removeRecursively();
    folder.WriteFile("backup", "in the way");
    Start();
    window->StartBackup();
    window->StartBackup();
    QList<MessageBox::Shown> shown;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !(shown = MessageBox::TakeShown()).isEmpty(); }));
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0].prompt.contains(folder.Path() + "/backup"))
        << shown[0].prompt.toStdString();
    QTest::qWait(50);
    EXPECT_TRUE(MessageBox::TakeShown().isEmpty());
}

// Every start moves the catalogue into the log and every close back, rewriting its header and
// its time; the backups kept must still be of distinct states, however the window was closed.
TEST_P(CaldrinStartup, AStartAfterNoChangeAddsNoBackup) {
    MakeCatalogue();
    const auto backups = [&] { return QDir(folder.Path() + "/backup").entryList(QDir::Files); };
    const auto session = [&](bool closeBox) {
        Start();
        window->StartBackup();
        if (closeBox)
            window->close();
        else
            window->cmdClose->click();
        ASSERT_TRUE(window->Ended());
    };
    for (const char* journal : {"DELETE", "WAL"}) {
        SCOPED_TRACE(journal);
        folder.Open()->Execute(QStringLiteral("PRAGMA journal_mode = %1").arg(journal));
        for (const bool closeBox : {false, true, false})
            session(closeBox);
        EXPECT_EQ(backups().size(), 1);
    }
    // A change between two starts is backed up, whoever made it; the window's own too.
    AddAlbumTrack(*folder.Open(), "Anna", "Blue Harbor", 4, "Tide");
    session(true);
    EXPECT_EQ(backups().size(), 2);
    Start();
    TypeEntry("Anna", "Blue Harbor", "5", "Dune");
    Click(window->cmdTuika);
    window->close();
    session(false);
    QStringList held;
    for (const QString& name : backups())
        held += ColumnTexts(*Database::OpenDatabase(folder.Path() + "/backup/" + name),
                            "SELECT group_concat(曲名) FROM データレコード WHERE 曲番 > 3");
    held.sort();
    EXPECT_EQ(held, QStringList({"", "Tide", "Tide,Dune"}));
}

TEST_P(CaldrinStartup, AnEmptyCatalogueStarts) {
    folder.CreateEmpty();
    ASSERT_TRUE(Load());
    EXPECT_EQ(List("cmbAlbum(1)").count(), 0);
    EXPECT_EQ(List("cmbartist(2)").count(), 0);
    EXPECT_EQ(window->SSTab1->Tab(), 0);
}

// Bytes 18 and 19 of the header: 1 for the rollback journal, 2 for the log.
static int JournalFormat(const QString& catalogue) {
    return ReadFileStart(catalogue, 20).at(18);
}

TEST_P(CaldrinStartup, BothWaysOutReleaseTheCatalogue) {
    MakeCatalogue();
    Start();
    ASSERT_NE(PressFind(), nullptr);
    EXPECT_EQ(JournalFormat(folder.File()), 2);
    window->cmdClose->click();
    EXPECT_TRUE(window->Ended());
    EXPECT_FALSE(window->dbTrack->IsOpen());
    // Closed, the catalogue is one plain file again, in the journal it had.
    EXPECT_EQ(JournalFormat(folder.File()), 1);
    EXPECT_FALSE(QFile::exists(folder.File() + "-wal"));
    EXPECT_FALSE(QFile::exists(folder.File() + "-shm"));
    // One its maker keeps in the log stays so.
    folder.Open()->Execute("PRAGMA journal_mode = WAL");
    ASSERT_TRUE(Load());
    window->cmdClose->click();
    EXPECT_EQ(JournalFormat(folder.File()), 2);

    ASSERT_TRUE(Load());
    window->show();
    const QRect placed(40, 50, 700, 560);
    window->setGeometry(placed);
    window->close();
    EXPECT_TRUE(window->Ended());
    EXPECT_FALSE(window->dbTrack->IsOpen());

    // The next start finds the window where the user left it; once shown, it has the program's
    // own icon.
    ASSERT_TRUE(Load());
    EXPECT_EQ(window->geometry(), placed);
    window->show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->windowIcon().pixmap(32).isNull(); }));
}

TEST_P(CaldrinStartup, EveryControlCarriesItsNameCaptionAndLabel) {
    MakeCatalogue();
    ASSERT_TRUE(Load());
    QStringList captions;
    for (int tab = 0; tab < window->SSTab1->count(); ++tab)
        captions << window->SSTab1->tabText(tab);
    EXPECT_EQ(captions,
              QStringList({"開始/終了", "アルバム別", "アーチスト別", "編集", "オプション"}));
    EXPECT_EQ(window->windowTitle(), "Caldrin Ver 6.0");

    const std::pair<const char*, const char*> buttons[] = {
        {"cmdClose", "終了"},   {"cmdDel1", "削除"},      {"cmdEdit2", "修正"},
        {"cmdPrint1(1)", "MD"}, {"cmdPrint2(0)", "ｶｾｯﾄ"}, {"cmdTuika", "追加"},
        {"cmdUpdate", "変更"},  {"cmdClear", "クリア"},   {"cmdSave", "設定"}};
    for (const auto& [name, caption] : buttons) {
        auto* button = window->findChild<QPushButton*>(name);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_EQ(button->text(), caption);
    }
    const std::tuple<const char*, const char*, const char*> labels[] = {
        {"Label6", "アルバム名", "cmbAlbum(1)"},
        {"Label9", "アーチスト名", "cmbartist(1)"},
        {"Label7", "アーチスト名", "cmbartist(2)"},
        {"Label8", "アルバム名", "cmbAlbum(2)"},
        {"Label3", "ｱｰﾁｽﾄ名", "cmbartist(3)"},
        {"Label1", "アルバム名", "cmbAlbum(3)"},
        {"Label2", "曲番", "txtNo"},
        {"Label4", "曲名", "txtName"},
        {"Label5", "連続追加", "chkRenzoku"},
        {"Label11", "タイトル（１行目）", "txtTitle1"},
        {"Label10", "タイトル（２行目）", "txtTitle2"}};
    for (const auto& [name, caption, buddy] : labels) {
        auto* label = window->findChild<QLabel*>(name);
        ASSERT_NE(label, nullptr) << name;
        EXPECT_EQ(label->text(), caption);
        ASSERT_NE(label->buddy(), nullptr) << name;
        EXPECT_EQ(label->buddy()->objectName(), buddy);
    }
    for (const char* name : {"DBGrid1", "DBGrid2", "chkSyasen1", "chkSyasen2", "lblTitle2"})
        EXPECT_NE(window->findChild<QWidget*>(name), nullptr) << name;
}

// What another program writes after the lists were read ahead is in the lists the window shows,
// and a catalogue read ahead for another folder is not the window's.
using CaldrinStartAhead = CaldrinWindowTest;

TEST_F(CaldrinStartAhead, ListsReadAheadFollowWritesInBetween) {
    MakeCatalogue();
    auto ahead = std::make_unique<CatalogueAhead>(folder.File(), Program::Caldrin,
                                                  frmCaldrin::StartUpLists());
    Shell(folder.File(), "INSERT INTO データレコード (アーチスト名, アルバム名, 曲番, 曲名) "
                         "VALUES ('Zed', 'Ahead', 1, 'x')");
    window = std::make_unique<frmCaldrin>(folder.Path());
    window->TakeCatalogueAhead(std::move(ahead));
    ASSERT_TRUE(window->Form_Load());
    EXPECT_EQ(List("cmbAlbum(1)").Items(), QStringList({"Ahead", "Blue Harbor", "夏の午後"}));
    EXPECT_TRUE(List("cmbartist(2)").Items().contains("Zed"));

    CatalogueFolder elsewhere;
    elsewhere.CreateEmpty();
    window = std::make_unique<frmCaldrin>(folder.Path());
    window->TakeCatalogueAhead(std::make_unique<CatalogueAhead>(elsewhere.File(), Program::Caldrin,
                                                                frmCaldrin::StartUpLists()));
    ASSERT_TRUE(window->Form_Load());
    EXPECT_EQ(window->dbTrack->Path(), folder.File());
    EXPECT_EQ(List("cmbAlbum(1)").count(), 3);
}

// Catalogues made elsewhere: lists that keep numbers, or that an index groups downwards, are read
// ahead as the window alone reads them.
TEST_F(CaldrinStartAhead, ShellMadeCataloguesShowTheSameListsReadAhead) {
    const QString tracks =
        "INSERT INTO データレコード (アーチスト名, アルバム名, 曲番, 曲名) VALUES "
        "('anna', 'Blue', 1, 'a'), ('Anna', 'blue', 2, 'b'), (1984, 'Zoo', 1, 'c'), "
        "('ｷﾑﾗ', 7, 1, 'd');";
    for (const QString schema :
         {"CREATE TABLE データレコード (ID INTEGER PRIMARY KEY, アーチスト名, アルバム名, 曲番, "
          "曲名);",
          "CREATE TABLE データレコード (ID INTEGER PRIMARY KEY, アーチスト名 TEXT, アルバム名 "
          "TEXT, "
          "曲番, 曲名 TEXT); CREATE INDEX 下 ON データレコード (アルバム名 DESC);"}) {
        SCOPED_TRACE(schema.toStdString());
        QFile::remove(folder.File());
        Shell(folder.File(), schema + tracks);
        openAhead = false;
        ASSERT_TRUE(Load());
        const QStringList albums = List("cmbAlbum(1)").Items();
        const QStringList artists = List("cmbartist(2)").Items();
        EXPECT_EQ(albums.size(), 4);
        openAhead = true;
        ASSERT_TRUE(Load());
        EXPECT_EQ(List("cmbAlbum(1)").Items(), albums);
        EXPECT_EQ(List("cmbartist(2)").Items(), artists);
        EXPECT_EQ(List("cmbartist(3)").Items(), artists);
        window.reset();
    }
}

} // namespace
