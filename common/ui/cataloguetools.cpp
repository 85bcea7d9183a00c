// What both windows offer beyond their tabs: finding a track, exporting the catalogue and
// backing it up.
#include "appsetup.h"
#include "backup.h"
#include "cataloguewindow.h"
#include "findwindow.h"
#include "msgbox.h"
#include "recordset.h"
#include "savefile.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QShortcut>
#include <algorithm>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// The calling thread gets what the machine has left over, for its processor and its disk, so
// the user's own work never waits behind it.
void RunInTheBackground() {
    const auto thread = pid_t(syscall(SYS_gettid));
    setpriority(PRIO_PROCESS, id_t(thread), 19);
    constexpr int kIdleClass = 3, kClassShift = 13, kWhoProcess = 1;
    syscall(SYS_ioprio_set, kWhoProcess, thread, kIdleClass << kClassShift);
}

// Redo's keys beside the desktop's own, as other editors take them.
const QKeySequence kRedoKeys[] = {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z),
                                  QKeySequence(Qt::CTRL | Qt::Key_Y)};

// A text field takes the undo keys for its own typing, even with nothing of its own to take back;
// then they are the window's, so that Ctrl+Z after an add does what the title says it does.
class UndoKeysToWindow : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // An editable list hands the keys to its line edit past any filter of the edit's own.
        auto* list = qobject_cast<QComboBox*>(watched);
        auto* edit = list ? list->lineEdit() : qobject_cast<QLineEdit*>(watched);
        if (!edit || event->type() != QEvent::ShortcutOverride)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        // Not accepted, the key goes on to the window's shortcut.
        return (key->matches(QKeySequence::Undo) && !edit->isUndoAvailable()) ||
               (IsRedoKey(*key) && !edit->isRedoAvailable());
    }

private:
    static bool IsRedoKey(const QKeyEvent& key) {
        const QKeySequence pressed(key.keyCombination());
        return key.matches(QKeySequence::Redo) ||
               std::find(std::begin(kRedoKeys), std::end(kRedoKeys), pressed) !=
                   std::end(kRedoKeys);
    }
};

} // namespace

void CatalogueWindow::ConnectToolShortcuts() {
    auto* undoKeys = new UndoKeysToWindow(this);
    for (QLineEdit* edit : findChildren<QLineEdit*>())
        edit->installEventFilter(undoKeys);
    for (QComboBox* list : findChildren<QComboBox*>())
        list->installEventFilter(undoKeys);
    const auto onKey = [this](const QKeySequence& key, const std::function<void()>& command) {
        connect(new QShortcut(key, this), &QShortcut::activated, this, command);
    };
    onKey(QKeySequence::Find, [this] { OpenFind(); });
    onKey(Qt::CTRL | Qt::Key_E, [this] { ExportTracks(); });
    onKey(Qt::CTRL | Qt::Key_I, [this] { OpenImport(); });
    // A text field takes these keys for its own typing first, as everywhere on the desktop.
    onKey(QKeySequence::Undo, [this] { Undo(); });
    for (const QKeySequence& key : kRedoKeys)
        onKey(key, [this] { Redo(); });
    // The MD label of what the tab shows, as its MD button prints it.
    onKey(QKeySequence::Print, [this] {
        if (QPushButton* md = PrintButtons(SSTab1->Tab()).first; md && md->isEnabled())
            md->click();
    });
    // The tabs from wherever the focus is, a grid included.
    const auto turn = [this](int by) {
        SSTab1->SetTab((SSTab1->Tab() + by + SSTab1->count()) % SSTab1->count());
    };
    for (const QKeySequence& key :
         {QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)})
        onKey(key, [turn] { turn(1); });
    for (const QKeySequence& key : {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
                                    QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
                                    QKeySequence(Qt::CTRL | Qt::Key_PageUp)})
        onKey(key, [turn] { turn(-1); });
    for (const auto& [grid, del, edit] :
         {std::tuple{DBGrid1, cmdDel1, cmdEdit1}, std::tuple{DBGrid2, cmdDel2, cmdEdit2}}) {
        connect(grid, &DataGrid::DeleteKey, del, &QPushButton::click);
        connect(grid, &DataGrid::EditKey, edit, &QPushButton::click);
    }
}

void CatalogueWindow::OpenFind() {
    if (!dbTrack)
        return;
    if (find_) {
        // The catalogue may have changed since the window was last open.
        find_->Reread();
    } else {
        try {
            find_ = new FindWindow(
                this, dbTrack->Path(), program_,
                [this](const QStringList& row) {
                    bool shown = false;
                    Guarded([&] { shown = ShowFoundTrack(row); });
                    if (shown)
                        FocusFoundRow();
                    return shown;
                },
                [this] { return dbTrack->DataVersion(); });
        } catch (const std::exception& error) {
            MsgBox(QString::fromUtf8(error.what()), vbOKOnly, kCheckTitle);
            return;
        }
    }
    find_->show();
    find_->raise();
    find_->activateWindow();
    // Ready for the next search to be typed over the last one.
    find_->Text()->setFocus();
    find_->Text()->selectAll();
}

// The find window makes way, so the row is seen and F2, Delete and Alt+M act on it at once;
// Ctrl+F brings it back as it was.
void CatalogueWindow::FocusFoundRow() {
    find_->hide();
    raise();
    activateWindow();
    (SSTab1->Tab() == 2 ? DBGrid2 : DBGrid1)->setFocus();
}

void CatalogueWindow::TellFind(qint64 id, const QList<QVariant>& now) {
    if (find_)
        find_->Written(id, now);
}

void CatalogueWindow::StartBackup() {
    if (!dbTrack || backup_.joinable())
        return;
    backup_ = std::thread([this, catalogue = dbTrack->Path()] {
        RunInTheBackground();
        const QString problem = backup::BackUpIfChanged(catalogue);
        if (problem.isEmpty())
            return;
        // Told by the window's own thread; dropped if the window is gone by then.
        QMetaObject::invokeMethod(
            this, [problem] { MsgBox(problem, vbOKOnly, kCheckTitle); }, Qt::QueuedConnection);
    });
}

bool CatalogueWindow::SelectGridRow(DataGrid& grid, const QString& id) {
    for (int row = 0; row < grid.RowCount(); ++row) {
        if (grid.CellText(row, 0) == id) {
            const QModelIndex cell = grid.model()->index(row, 0);
            grid.setCurrentIndex(cell);
            grid.scrollTo(cell);
            return true;
        }
    }
    return false;
}

void CatalogueWindow::ExportTracks() {
    if (!dbTrack)
        return;
    // The workbook first: a spreadsheet keeps its values as they are, "007" and "=1+1" included.
    const QString workbook = QStringLiteral("Excel ブック (*.xlsx)");
    const QString utf8 = QStringLiteral("CSV UTF-8 (*.csv)");
    const QString shiftJis = QStringLiteral("CSV Shift-JIS, 古い表計算ソフト向け (*.csv)");
    const QString proposed =
        QDir(UserDocumentsFolder()).filePath(tracktable::ProgramName(program_) + ".xlsx");
    QFileDialog dialog(this, QStringLiteral("曲を書き出す"), proposed,
                       QStringList{workbook, utf8, shiftJis}.join(QStringLiteral(";;")));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The name's ending follows the kind chosen.
    connect(&dialog, &QFileDialog::filterSelected, &dialog,
            [&dialog, workbook](const QString& kind) {
                dialog.setDefaultSuffix(kind == workbook ? QStringLiteral("xlsx")
                                                         : QStringLiteral("csv"));
            });
    dialog.setDefaultSuffix(QStringLiteral("xlsx"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().first();
    const QString chosen = dialog.selectedNameFilter();
    // A name the user typed with its own ending says which kind of file is wanted.
    const QString suffix = QFileInfo(path).suffix().toLower();
    trackbook::Format format = chosen == shiftJis ? trackbook::Format::CsvCp932
                               : chosen == utf8   ? trackbook::Format::CsvUtf8
                                                  : trackbook::Format::Workbook;
    if (suffix == QLatin1String("xlsx"))
        format = trackbook::Format::Workbook;
    else if (suffix == QLatin1String("csv") && format == trackbook::Format::Workbook)
        format = trackbook::Format::CsvUtf8;
    // One state of the catalogue for the count and the file alike.
    qint64 tracks = 0;
    QString problem;
    try {
        dbTrack->Execute(QStringLiteral("BEGIN"));
        tracks = dbTrack
                     ->OpenSnapshot(QStringLiteral("SELECT count(*) FROM ") +
                                    Identifier(tracktable::kTable))
                     ->Value(0)
                     .toLongLong();
        problem = ExportTracksTo(path, format);
    } catch (const std::exception& error) {
        problem = QString::fromUtf8(error.what());
    }
    dbTrack->Rollback();
    MsgBox(problem.isEmpty()
               ? QStringLiteral("%L1 曲を %2 に書き出しました。").arg(tracks).arg(path)
               : problem,
           vbOKOnly, kCheckTitle);
}

QString CatalogueWindow::ExportTracksTo(const QString& path, trackbook::Format format) {
    try {
        const QString reason = SaveWholeFile(path, trackbook::Export(*dbTrack, program_, format));
        if (!reason.isEmpty())
            return QStringLiteral("%1 に書き込めませんでした。\n%2").arg(path, reason);
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    }
    return {};
}
