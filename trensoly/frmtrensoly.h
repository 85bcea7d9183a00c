#pragma once

#include "cataloguewindow.h"

#include <QRadioButton>
#include <array>

// The disc catalogue's one working window: tracks filed under a disc number and an artist.
class frmTrensoly : public CatalogueWindow {
    Q_OBJECT
public:
    // programFolder: where trensoly.mdb lies (main passes the executable's folder).
    explicit frmTrensoly(QString programFolder);
    static constexpr Program kProgram = Program::Trensoly;
    // The lists Form_Load fills, in its order, in the direction the settings file saves.
    static QStringList StartUpLists();

    // "ASC" or "DESC", the direction of the disc lists; empty when no settings were read.
    QString MdSortOrder;

    // Index 1 is the entry tab's list, index 2 the browse tab's.
    std::array<ComboBox*, 3> cmbMD{};
    std::array<ComboBox*, 3> cmbArtist{};
    QPushButton* cmdPrint1;
    QPushButton* cmdPrint2;
    QRadioButton* opAsc;
    QRadioButton* opDesc;

    void SSTab1_Click(int PreviousTab) override;
    void cmbMD_Click(int Index);
    void cmbArtist_Click(int Index);
    void cmdTuika_Click() override;
    void cmdUpdate_Click() override;
    void cmdClear_Click() override;
    void cmdDel1_Click() override;
    void cmdDel2_Click() override;
    void cmdSave_Click() override;
    void cmdPrint1_Click();
    void cmdPrint2_Click();

private:
    void BuildWindow();
    QWidget* BuildOrderFrame();
    void ConnectHandlers();

    void BindDisc(const QString& disc);
    void BindArtist(const QString& artist);
    bool ShowFoundTrack(const QStringList& row) override;
    std::pair<QPushButton*, QPushButton*> PrintButtons(int tab) const override;
    void RefillDiscs();
    void RefillArtists();
    void FillDiscLists();

    bool EntryChecksPass();
    bool WriteEntry(bool adding);
    QStringList EntryFieldTexts() const override;
    void LoadRowForCorrection(const DataGrid& grid) override;
    void ClearPairUnlessGridHasRow(const DataGrid& grid, ComboBox& entry, ComboBox& browsing);
    void RefreshAfterUndo() override;

    void ReadTitleSettings() override;
    void OpenCatalogueAndFillLists() override;
};
