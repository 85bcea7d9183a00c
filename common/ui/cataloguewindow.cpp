#include "cataloguewindow.h"

#include "announcer.h"
#include "appsetup.h"
#include "labelpreview.h"
#include "msgbox.h"
#include "readerevents.h"

#include <QAccessibleWidget>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QIcon>
#include <QSettings>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>

namespace {

// A plain widget as a window would be told to assistive technology as a mere filler; the main
// windows are frames.
QAccessibleInterface* AccessibleWindow(const QString&, QObject* object) {
    auto* window = qobject_cast<CatalogueWindow*>(object);
    return window ? new QAccessibleWidget(window, QAccessible::Window) : nullptr;
}

// The pages of the tabs are told as a plain panel, which a reader passes over on its way to the
// focus, rather than as an unnamed layered pane said at every step into a tab.
QAccessibleInterface* AccessibleTabPages(const QString&, QObject* object) {
    auto* pages = qobject_cast<QStackedWidget*>(object);
    return pages && qobject_cast<QTabWidget*>(pages->parentWidget())
               ? new QAccessibleWidget(pages, QAccessible::Pane)
               : nullptr;
}

} // namespace

CatalogueWindow::CatalogueWindow(Program program, QString programFolder, const QString& productName,
                                 const QStringList& gridFields)
    : program_(program), programFolder_(std::move(programFolder)), gridFields_(gridFields),
      splash_(std::make_unique<frmOpen>(productName)) {
    static const bool factoriesInstalled = (QAccessible::installFactory(AccessibleWindow),
                                            QAccessible::installFactory(AccessibleViewPart),
                                            QAccessible::installFactory(AccessibleAnnouncedLine),
                                            QAccessible::installFactory(AccessibleTabPages), true);
    Q_UNUSED(factoriesInstalled);
    TellReadersOnlyWhereTheUserIs();
    CreateControls();
}

namespace {

const QString kPlacement = QStringLiteral("window/geometry");

} // namespace

CatalogueWindow::~CatalogueWindow() {
    // The controls outlive the members; none of their last signals may reach a handler.
    for (QObject* child : findChildren<QObject*>())
        disconnect(child, nullptr, this, nullptr);
    CloseCatalogue();
}

void CatalogueWindow::ConnectCommonHandlers() {
    connect(SSTab1, &TabControl::Click, this, [this](int previous) { SSTab1_Click(previous); });
    connect(cmdClose, &QPushButton::clicked, this, &CatalogueWindow::cmdClose_Click);
    connect(cmdImport, &QPushButton::clicked, this, &CatalogueWindow::OpenImport);
    const std::pair<QPushButton*, void (CatalogueWindow::*)()> commands[] = {
        {cmdTuika, &CatalogueWindow::cmdTuika_Click},
        {cmdUpdate, &CatalogueWindow::cmdUpdate_Click},
        {cmdClear, &CatalogueWindow::cmdClear_Click},
        {cmdEdit1, &CatalogueWindow::cmdEdit1_Click},
        {cmdEdit2, &CatalogueWindow::cmdEdit2_Click},
        {cmdDel1, &CatalogueWindow::cmdDel1_Click},
        {cmdDel2, &CatalogueWindow::cmdDel2_Click},
        {cmdSave, &CatalogueWindow::cmdSave_Click}};
    for (const auto& [button, handler] : commands)
        Route(button, &QPushButton::clicked, [this, handler = handler] { (this->*handler)(); });
    // After the program's own handler has brought the lists up to date.
    connect(cmdDel1, &QPushButton::clicked, this, [this] { TellDeleted(*DBGrid1); });
    connect(cmdDel2, &QPushButton::clicked, this, [this] { TellDeleted(*DBGrid2); });
    ConnectToolShortcuts();
}

void CatalogueWindow::Guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        if (dbTrack)
            dbTrack->Rollback();
        MsgBox(QString::fromUtf8(error.what()), vbOKOnly, QStringLiteral("エラー"));
    }
}

bool CatalogueWindow::Form_Load() {
    // A failure while the titles are read is passed over; the load goes on with the catalogue.
    // The first failure after that runs the catalogue steps once more; a second failure of any
    // kind ends the start-up.
    bool trapped = false;
    try {
        splash_->Show();
        splash_->Refresh();
        ShowProgress(10);
        CentreOnScreen(*this);
        // Where the user left it last time, if that is still on a screen.
        restoreGeometry(ProgramSettings(program_).value(kPlacement).toByteArray());
        ShowProgress(20);
        ReadTitleSettings();
    } catch (const std::exception&) {
        trapped = true;
    }
    for (;;) {
        try {
            OpenCatalogueAndFillLists();
            break;
        } catch (const std::exception& error) {
            if (trapped) {
                MsgBox(QString::fromUtf8(error.what()), vbOKOnly, windowTitle());
                return false;
            }
            trapped = true;
        }
    }
    // Said now, not after a whole track has been typed; browsing and printing still work.
    if (const QString problem = tracktable::WriteProblem(dbTrack->Path()); !problem.isEmpty())
        MsgBox(problem, vbOKOnly, kCheckTitle);
    return true;
}

void CatalogueWindow::ShowProgress(double percent) {
    if (splash_)
        splash_->pbOpen->SetValue(percent);
}

void CatalogueWindow::OpenCatalogue() {
    const QString path = tracktable::FilePath(programFolder_, program_);
    // Taken once: when it failed, the start-up's second try opens the catalogue itself.
    const std::unique_ptr<CatalogueAhead> ahead = std::move(ahead_);
    WindowCatalogue opened =
        ahead && ahead->Path() == path ? ahead->Take() : OpenWindowCatalogue(path, program_);
    dbTrack = std::move(opened.db);
    fullLists_ = std::move(opened.lists);
    fullLists_->SetKeeping(keepFullLists_);
}

void CatalogueWindow::KeepFullLists(bool keep) {
    keepFullLists_ = keep;
    if (fullLists_)
        fullLists_->SetKeeping(keep);
}

void CatalogueWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Looking the icon up in the theme takes longer than building the window, and nothing in the
    // window waits for it: the icon comes once the window is on the screen.
    if (!testAttribute(Qt::WA_SetWindowIcon))
        QTimer::singleShot(0, this, [this] {
            const QString name = tracktable::ProgramName(program_);
            setWindowIcon(
                QIcon::fromTheme(name, QIcon(QStringLiteral(":/icons/%1.svg").arg(name))));
        });
}

void CatalogueWindow::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void CatalogueWindow::Form_Unload() {
    CloseCatalogue();
    End();
}

void CatalogueWindow::cmdClose_Click() {
    CloseCatalogue();
    End();
}

void CatalogueWindow::CloseCatalogue() {
    // A copy cut short would only be removed by the next backup; finishing it is quicker.
    if (backup_.joinable())
        backup_.join();
    // The find window and the backup read on connections of their own; with them gone first,
    // the catalogue's own connection is the last and returns the file to its journal.
    delete find_;
    if (dbTrack)
        dbTrack->Close();
}

void CatalogueWindow::End() {
    ProgramSettings(program_).setValue(kPlacement, saveGeometry());
    ended_ = true;
    hide();
    QCoreApplication::exit(0);
}

void CatalogueWindow::OpenQuery(const QString& sql) {
    SqlText = sql;
    rsTrack = dbTrack->OpenRecordset(SqlText, dbOpenSnapshot);
}

QStringList CatalogueWindow::ListRows(const QString& sql) {
    if (const auto kept = fullLists_->Kept(sql)) {
        SqlText = sql;
        // Read through, as a list fill leaves the rows it read.
        rsTrack = std::make_shared<TextRows>(kept->column, kept->values);
        if (!rsTrack->Eof()) {
            rsTrack->MoveLast();
            rsTrack->MoveNext();
        }
        return kept->values;
    }
    OpenQuery(sql);
    QStringList values;
    for (; !rsTrack->Eof(); rsTrack->MoveNext())
        values << rsTrack->Fields(0).Text();
    return values;
}

QStringList CatalogueWindow::FillList(const QString& sql, std::initializer_list<ComboBox*> lists) {
    const QStringList values = ListRows(sql);
    for (ComboBox* list : lists)
        list->SetItems(values);
    return values;
}

void CatalogueWindow::BindQuery(std::initializer_list<DataControl*> grids, const QString& sql) {
    OpenQuery(sql);
    for (DataControl* grid : grids)
        grid->SetRecordset(rsTrack);
}

void CatalogueWindow::RefillPair(const QString& sql, ComboBox& entry, ComboBox& browsing) {
    SavedText1 = entry.Text();
    SavedText2 = browsing.Text();
    FillList(sql, {&entry, &browsing});
    entry.SetText(SavedText1);
    browsing.SetText(SavedText2);
}

void CatalogueWindow::PrintLabel(report::Label label, const DataControl& shown) {
    // The grid's own statement, not the last one the window ran: after a delete or a save that
    // is a list's, and its label would be of something else than the user sees. A grid that
    // shows nothing has nothing to print.
    const std::shared_ptr<Snapshot>& rows = shown.Rows();
    if (!rows || rows->RecordCount() == 0) {
        MsgBox(report::kNothingToPrint, vbOKOnly, kCheckTitle);
        return;
    }
    // The label reads the catalogue this window has open, wherever the program was started.
    report::PrintLabel(this, program_, label, dbTrack->Path(), rows->Sql());
}
