#pragma once

#include "announcer.h"
#include "catalogueahead.h"
#include "controls.h"
#include "database.h"
#include "datagrid.h"
#include "findwindow.h"
#include "frmopen.h"
#include "fulllists.h"
#include "importdialog.h"
#include "recordset.h"
#include "reportdefinition.h"
#include "trackbook.h"
#include "tracktable.h"
#include "writehistory.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <memory>
#include <thread>

namespace titlefile {
class InputFile;
}

// What the album and the disc window have in common: the shared state of their handlers, the
// controls both carry, the start tab, the entry and option tabs' common parts, start-up and
// ending, the title settings, the grid commands' delete, and printing. Each program's window
// adds its own lists and what its handlers do with them.
class CatalogueWindow : public QWidget {
    Q_OBJECT
public:
    ~CatalogueWindow() override;

    // Runs the start-up sequence. False when start-up failed; the user has been told why.
    bool Form_Load();
    // Form_Load takes the catalogue opened ahead when it is the window's own; else it opens the
    // catalogue itself.
    void TakeCatalogueAhead(std::unique_ptr<CatalogueAhead> ahead) { ahead_ = std::move(ahead); }
    // The splash window while the load runs, null once it has been unloaded.
    frmOpen* Splash() const { return splash_.get(); }
    bool Ended() const { return ended_; }

    // Shared state of the handlers.
    std::unique_ptr<Database> dbTrack;
    std::shared_ptr<Recordset> rsTrack;
    QString SqlText;
    QString TitleLine1, TitleLine2, SlantFlag1, SlantFlag2;
    // The whole key: rows far beyond the first 32767 can be corrected too.
    qint64 EditRowId = 0;
    int PrevTab = 0;
    QString SavedText1, SavedText2;

    TabControl* SSTab1;
    QLabel* lblTitle1;
    QLabel* lblTitle2;
    QPushButton* cmdClose;
    DataControl* Data1;
    DataControl* Data2;
    DataGrid* DBGrid1;
    DataGrid* DBGrid2;
    QPushButton* cmdDel1;
    QPushButton* cmdEdit1;
    QPushButton* cmdDel2;
    QPushButton* cmdEdit2;
    QLineEdit* txtNo;
    QLineEdit* txtName;
    QCheckBox* chkRenzoku;
    QPushButton* cmdTuika;
    QPushButton* cmdUpdate;
    QPushButton* cmdClear;
    QPushButton* cmdImport;
    QLineEdit* txtTitle1;
    QLineEdit* txtTitle2;
    QCheckBox* chkSyasen1;
    QCheckBox* chkSyasen2;
    QPushButton* cmdSave;

    void cmdClose_Click();
    // On by default: the lists of every album, artist or disc are kept between commands and
    // brought up to date by what the window itself wrote. Off, every list statement runs in
    // full, which is what the kept lists must always equal.
    void KeepFullLists(bool keep);
    // Backs the catalogue up on a thread of its own when it changed since its last backup; a
    // backup that fails is told once and stops nothing. For after the window is shown.
    void StartBackup();
    // Ctrl+F: the window "検索", which shows a chosen track on the program's browsing tab.
    void OpenFind();
    FindWindow* Find() const { return find_; }
    // Ctrl+I: the window "取り込み", which adds a disc's tracks from the titles other tools
    // write, as one step to take back.
    void OpenImport();
    ImportDialog* Import() const { return import_; }
    // Ctrl+Z takes the window's last write of this run back; Ctrl+Shift+Z or Ctrl+Y does it
    // again. Neither touches a track another copy has changed since; the window's title tells
    // what each would do.
    void Undo();
    void Redo();
    // Ctrl+E: every track to a workbook or CSV file the user names.
    void ExportTracks();
    // Writes the file whole or not at all; returns what went wrong, for the user, or nothing.
    QString ExportTracksTo(const QString& path, trackbook::Format format);
    // The handlers both windows have, each program's own way.
    virtual void SSTab1_Click(int PreviousTab) = 0;
    virtual void cmdTuika_Click() = 0;
    virtual void cmdUpdate_Click() = 0;
    virtual void cmdClear_Click() = 0;
    void cmdEdit1_Click();
    void cmdEdit2_Click();
    virtual void cmdDel1_Click() = 0;
    virtual void cmdDel2_Click() = 0;
    virtual void cmdSave_Click() = 0;

protected:
    // programFolder: where the catalogue lies (main passes the executable's folder).
    CatalogueWindow(Program program, QString programFolder, const QString& productName,
                    const QStringList& gridFields);

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

    // The program's own start-up steps: the settings file, then the catalogue and the lists.
    virtual void ReadTitleSettings() = 0;
    virtual void OpenCatalogueAndFillLists() = 0;
    void ShowProgress(double percent);
    void OpenCatalogue();
    void UnloadSplash() { splash_.reset(); }

    // Runs a handler so that a failure of the catalogue is undone, told to the user, and never
    // ends the program.
    void Guarded(const std::function<void()>& handler);
    template <typename Control, typename Signal>
    void Route(Control* control, Signal signal, std::function<void()> handler) {
        connect(control, signal, this, [this, handler] { Guarded(handler); });
    }
    // Connects the handlers above; the program connects its lists and print buttons itself.
    void ConnectCommonHandlers();

    // Queries: every one sets SqlText and replaces rsTrack.
    void OpenQuery(const QString& sql);
    // The first column of every row, the full lists from memory when they are kept.
    QStringList ListRows(const QString& sql);
    QStringList FillList(const QString& sql, std::initializer_list<ComboBox*> lists);
    // Every grid named shows the one result of the query.
    void BindQuery(std::initializer_list<DataControl*> grids, const QString& sql);
    // Refills an entry list and a browsing list from one query; each keeps the text it showed.
    void RefillPair(const QString& sql, ComboBox& entry, ComboBox& browsing);

    // The keys of the print buttons, the same on every tab that has them.
    static constexpr QKeyCombination kMdKey = Qt::ALT | Qt::Key_M;
    static constexpr QKeyCombination kCassetteKey = Qt::ALT | Qt::Key_K;

    // Layout pieces both windows share.
    QWidget* BuildStartTab(std::initializer_list<ComboBox*> hiddenLists);
    QWidget* BrowsePage(QLayout* lists, DataGrid* grid,
                        std::initializer_list<QPushButton*> buttons);
    struct EntryField {
        QString caption;
        QString labelName;
        QWidget* control;
    };
    // Lists side by side, each under its caption.
    static QLayout* CaptionedLists(const QList<EntryField>& lists);
    // The fields one under another, クリア beside the first, the commands below.
    QWidget* BuildEntryTab(const QList<EntryField>& fields);
    // The title lines with their slant boxes and captions, under what the program puts above.
    QWidget* BuildOptionTab(QWidget* above, const QString& label1, const QString& label2);
    static ComboBox* List(const QString& name, int index);
    // Once the tabs are there: each grid is named after the tab that shows it.
    void NameGridsByTheirTabs();
    // The tabs over the line that tells what the last command did.
    void LayOutWindow();
    // A command button; with a key, that key presses it too (see GiveShortcut).
    static QPushButton* Button(const QString& caption, const QString& name,
                               const QKeySequence& key = {});
    // The print button pair of the tab shown, where it has one: MD, ｶｾｯﾄ.
    virtual std::pair<QPushButton*, QPushButton*> PrintButtons(int tab) const = 0;

    // Title settings: the two lines come first in the file, the two flags last.
    void ReadTitleLines(titlefile::InputFile& file);
    void ReadSlantFlags(titlefile::InputFile& file);
    // Writes the settings file with the program's own values between the lines and the flags,
    // then shows the titles. False, with the user told why, when nothing was saved.
    bool SaveTitleSettings(const QStringList& middle);

    // A found track, its texts by column with ID first, on the browsing tab with its list
    // picked and its grid row current, through the handlers of a user's pick. False when the
    // lists do not hold it (another copy changed the catalogue).
    virtual bool ShowFoundTrack(const QStringList& row) = 0;
    static bool SelectGridRow(DataGrid& grid, const QString& id);
    // Whether the catalogue files the two names under one group of the column.
    bool SameGroup(const QString& column, const QString& a, const QString& b) const {
        return fullLists_->SameGroup(column, a, b);
    }
    // Picks the list's entry for the group the catalogue files name under in the column.
    bool PickGroup(ComboBox& list, const QString& column, const QString& name) const {
        return list.Pick(name,
                         [&](const QString& entry) { return SameGroup(column, entry, name); });
    }

    // Grid commands.
    static bool GridHasRow(const DataGrid& grid);
    // Copies the grid's current row into the entry fields, the program's way.
    virtual void LoadRowForCorrection(const DataGrid& grid) = 0;
    // Deletes the grid's current row once the user agrees. Deleted, or Vanished when another
    // copy of the program deleted it first (the user has been told), or Kept.
    enum class DeleteOutcome { Deleted, Vanished, Kept };
    DeleteOutcome DeleteCurrentRow(const DataGrid& grid);
    // The grid's current row as a reader hears it: each column's name and value.
    QString DescribeRow(const DataGrid& grid) const;
    // Once the lists are brought up to date after a delete: what went, and which row is current.
    void TellDeleted(const DataGrid& grid);

    // Entry: the checks both programs make, the names that reach statements in the order given.
    bool EntryChecksPass(const QStringList& filled, const QStringList& spliced);
    // The entry fields' texts, in the table's column order.
    virtual QStringList EntryFieldTexts() const = 0;
    // Adds a row of the entry fields, or rewrites the row being corrected with the fields the
    // user changed. False, with the user told, when the row is gone or another copy changed it
    // since it was loaded.
    bool WriteRow(bool adding);
    // Continuous add: the number one higher, the title empty and ready to be typed.
    void PrepareNextTrack();
    void SetAddMode();

    // After a committed write of the window's own, for undo.
    // Lets the find window follow a committed write of the window's own.
    void TellFind(qint64 id, const QList<QVariant>& now);
    // A track as ShowFoundTrack takes it: the ID, then its values.
    static QStringList FoundRow(qint64 id, const QList<QVariant>& values);
    void RecordWrite(const QString& command, writehistory::RowChange row);
    // Every list and the browsing tab brought up to date, as after a delete there.
    virtual void RefreshAfterUndo() = 0;

    // The label of the tracks the grid of the data control shows, read anew from the catalogue.
    void PrintLabel(report::Label label, const DataControl& shown);

private:
    // The window closed from its title bar: the catalogue is released and the program ends.
    void Form_Unload();
    void CloseCatalogue();
    void CorrectCurrentRow(const DataGrid& grid);
    void FocusFoundRow();
    void TellAdded();
    bool CorrectedRowStillAsLoaded();
    void CreateControls();
    void ConnectToolShortcuts();
    void TakeStep(writehistory::Direction direction);
    bool AddImported(const QList<trackadd::NewTrack>& tracks, const QString& filedUnder);
    void ShowUndoState();
    void End();

    Program program_;
    QString programFolder_;
    QStringList gridFields_;
    std::unique_ptr<frmOpen> splash_;
    bool ended_ = false;
    std::unique_ptr<CatalogueAhead> ahead_;
    std::unique_ptr<FullLists> fullLists_;
    bool keepFullLists_ = true;
    QPointer<FindWindow> find_;
    QPointer<ImportDialog> import_;
    std::thread backup_;
    writehistory::History history_;
    // The row loaded for correction, as stored and as the entry fields showed it.
    struct LoadedRow {
        QList<QVariant> stored;
        QStringList shown;
    } loaded_;
    QString programTitle_;
    Announcer* status_ = nullptr;
    // The title of the track just deleted, until the lists are up to date and it is told.
    QString deleted_;
};
