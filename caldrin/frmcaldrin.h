#pragma once

#include "cataloguewindow.h"

#include <array>

// The album catalogue's one working window: tracks filed under an album and an artist.
class frmCaldrin : public CatalogueWindow {
    Q_OBJECT
public:
    // programFolder: where caldrin.mdb lies (main passes the executable's folder).
    explicit frmCaldrin(QString programFolder);
    static constexpr Program kProgram = Program::Caldrin;
    // The lists Form_Load fills, in its order.
    static QStringList StartUpLists();

    std::array<ComboBox*, 4> cmbAlbum{};
    std::array<ComboBox*, 4> cmbartist{};
    std::array<QPushButton*, 2> cmdPrint1{};
    std::array<QPushButton*, 2> cmdPrint2{};

    void SSTab1_Click(int PreviousTab) override;
    void cmbAlbum_Click(int Index);
    void cmbartist_Click(int Index);
    void cmdTuika_Click() override;
    void cmdUpdate_Click() override;
    void cmdClear_Click() override;
    void cmdDel1_Click() override;
    void cmdDel2_Click() override;
    void cmdSave_Click() override;
    void cmdPrint1_Click(int Index);
    void cmdPrint2_Click(int Index);

private:
    void BuildWindow();
    QWidget* BuildAlbumTab();
    QWidget* BuildArtistTab();
    void ConnectHandlers();

    // Browsing.
    void BindTracks(std::initializer_list<DataControl*> grids, const QString& album,
                    const QString& artist);
    void RefillKeepingFirst(ComboBox& list);
    void UpdatePrintButtons(int index);
    bool ShowFoundTrack(const QStringList& row) override;
    std::pair<QPushButton*, QPushButton*> PrintButtons(int tab) const override;

    // Entry.
    bool EntryChecksPass(bool albumFirst);
    QStringList EntryFieldTexts() const override;
    void ShowAddedTrack();
    enum class EntryTexts { Keep, Clear };
    void RefillArtistTabFromEntry(EntryTexts entry);
    void ReturnToAlbumTab();
    void ReturnToArtistTab();

    // Grid commands.
    void LoadRowForCorrection(const DataGrid& grid) override;
    void RefreshFromAlbumTab();
    void RefreshFromArtistTab();
    void RefreshAfterUndo() override;

    // Start-up.
    void ReadTitleSettings() override;
    void OpenCatalogueAndFillLists() override;
};
