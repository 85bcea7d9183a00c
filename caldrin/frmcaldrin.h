#pragma once

#include "controls.h"
#include "database.h"
#include "datagrid.h"
#include "frmopen.h"
#include "recordset.h"
#include "reportdefinition.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

// The album catalogue's one working window. Its controls and the state its handlers share are
// open to the handlers of every concern, as on the old form.
class frmCaldrin : public QWidget {
    Q_OBJECT
public:
    // programFolder: where caldrin.mdb lies (main passes the executable's folder).
    explicit frmCaldrin(QString programFolder);
    ~frmCaldrin() override;

    // Runs the start-up sequence. False when start-up failed; the user has been told why.
    bool Form_Load();
    // The splash window while the load runs, null once it has been unloaded.
    frmOpen* Splash() const { return splash_.get(); }
    bool Ended() const { return ended_; }

    // Shared state of the handlers.
    std::unique_ptr<Database> dbTrack;
    std::shared_ptr<Recordset> rsTrack;
    QString SqlText;
    QString TitleLine1, TitleLine2, SlantFlag1, SlantFlag2;
    qint64 EditRowId = 0;
    int PrevTab = 0;
    QString SavedText1, SavedText2;

    // Controls, by tab.
    TabControl* SSTab1;
    QLabel* lblTitle1;
    QLabel* lblTitle2;
    QPushButton* cmdClose;
    std::array<ComboBox*, 4> cmbAlbum{};
    std::array<ComboBox*, 4> cmbartist{};
    DataControl* Data1;
    DataControl* Data2;
    DataGrid* DBGrid1;
    DataGrid* DBGrid2;
    QPushButton* cmdDel1;
    QPushButton* cmdEdit1;
    QPushButton* cmdDel2;
    QPushButton* cmdEdit2;
    std::array<QPushButton*, 2> cmdPrint1{};
    std::array<QPushButton*, 2> cmdPrint2{};
    QLineEdit* txtNo;
    QLineEdit* txtName;
    QCheckBox* chkRenzoku;
    QPushButton* cmdTuika;
    QPushButton* cmdUpdate;
    QPushButton* cmdClear;
    QLineEdit* txtTitle1;
    QLineEdit* txtTitle2;
    QCheckBox* chkSyasen1;
    QCheckBox* chkSyasen2;
    QPushButton* cmdSave;

    void SSTab1_Click(int PreviousTab);
    void cmbAlbum_Click(int Index);
    void cmbartist_Click(int Index);
    void cmdTuika_Click();
    void cmdUpdate_Click();
    void cmdClear_Click();
    void cmdEdit1_Click();
    void cmdEdit2_Click();
    void cmdDel1_Click();
    void cmdDel2_Click();
    void cmdSave_Click();
    void cmdPrint1_Click(int Index);
    void cmdPrint2_Click(int Index);
    void cmdClose_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Layout, one tab each.
    void BuildWindow();
    QWidget* BuildStartTab();
    QWidget* BuildAlbumTab();
    QWidget* BuildArtistTab();
    QWidget* BuildEntryTab();
    QWidget* BuildOptionTab();
    void ConnectHandlers();
    // Runs a handler so that a failure of the catalogue is undone, told to the user, and never
    // ends the program.
    void Guarded(const std::function<void()>& handler);
    template <typename Control, typename Signal>
    void Route(Control* control, Signal signal, std::function<void()> handler) {
        connect(control, signal, this, [this, handler] { Guarded(handler); });
    }

    // Browsing.
    void OpenQuery(const QString& sql);
    QStringList FillList(const QString& sql, std::initializer_list<ComboBox*> lists);
    // Every grid named shows the one result of the query.
    void BindQuery(std::initializer_list<DataControl*> grids, const QString& sql);
    void BindTracks(std::initializer_list<DataControl*> grids, const QString& album,
                    const QString& artist);
    void RefillKeepingFirst(ComboBox& list);
    void UpdatePrintButtons(int index);

    // Entry.
    bool EntryChecksPass(bool albumFirst);
    void WriteEntryFields();
    void PrepareNextTrack();
    void ShowAddedTrack();
    enum class EntryTexts { Keep, Clear };
    void RefillArtistTabFromEntry(EntryTexts entry);
    void ReturnToAlbumTab();
    void ReturnToArtistTab();

    // Grid commands.
    void LoadRowForCorrection(const DataGrid& grid);
    bool DeleteCurrentRow(const DataGrid& grid, int tab);
    void ReportVanishedRow(int tab);
    void RefreshFromAlbumTab();
    void RefreshFromArtistTab();
    static bool GridHasRow(const DataGrid& grid);

    // Title and print commands.
    bool TitlesCanBeSaved();
    void PrintLabel(report::Label label);

    // Start-up.
    void ShowProgress(double percent);
    void ShowSplashAndReadTitles();
    void ReadTitleSettings();
    void OpenCatalogueAndFillLists();
    void Form_Unload();
    void End();

    QString programFolder_;
    std::unique_ptr<frmOpen> splash_;
    bool ended_ = false;
};
