#pragma once

#include "frmcaldrin.h"
#include "msgbox.h"
#include "testsupport.h"

#include <QDir>
#include <QTabBar>
#include <QTest>
#include <gtest/gtest.h>

// The album window on a small catalogue of its own, started in the catalogue's folder and
// driven by clicks, picks and typing.
class CaldrinWindowTest : public testing::Test {
protected:
    void SetUp() override {
        previousFolder_ = QDir::currentPath();
        QDir::setCurrent(folder.Path());
        MessageBox::TakeShown();
    }
    void TearDown() override {
        window.reset();
        QDir::setCurrent(previousFolder_);
    }

    // Two albums, one of them shared by two artists, and an artist with two albums.
    void MakeCatalogue() {
        folder.CreateEmpty();
        auto db = folder.Open();
        AddAlbumTrack(*db, "森 健", "夏の午後", 2, "花火");
        AddAlbumTrack(*db, "森 健", "夏の午後", 1, "約束");
        AddAlbumTrack(*db, "ｷﾑﾗ Trio", "夏の午後", 1, "ﾒﾛﾃﾞｨｰ");
        AddAlbumTrack(*db, "森 健", "Blue Harbor", 1, "Sunrise");
        AddAlbumTrack(*db, "Anna", "Blue Harbor", 3, "Rain");
    }

    // Builds the window and runs its load, noting every value the splash's bar shows.
    bool Load(const QString& programFolder = {}) {
        window =
            std::make_unique<frmCaldrin>(programFolder.isEmpty() ? folder.Path() : programFolder);
        progress.clear();
        QObject::connect(window->Splash()->pbOpen, &ProgressBar::ValueSet,
                         [this](double value) { progress << value; });
        return window->Form_Load();
    }

    void Start() {
        ASSERT_TRUE(Load());
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    ComboBox& List(const char* name) { return *window->findChild<ComboBox*>(name); }
    QString Text(const char* list) { return List(list).Text(); }
    QStringList Items(const char* list) { return List(list).Items(); }

    void Click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    void GoToTab(int tab) {
        QTabBar* bar = window->SSTab1->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(tab).center());
    }
    void PickOnTab(int tab, const char* list, const QString& entry) {
        GoToTab(tab);
        Pick(List(list), entry);
    }
    // Fills the entry tab as a user types it.
    void TypeEntry(const QString& artist, const QString& album, const QString& number,
                   const QString& title) {
        GoToTab(3);
        for (auto [field, text] : {std::pair<QWidget*, QString>{&List("cmbartist(3)"), artist},
                                   {&List("cmbAlbum(3)"), album},
                                   {window->txtNo, number},
                                   {window->txtName, title}})
            Retype(*field, text);
    }

    // The titles a grid shows, top to bottom.
    static QStringList Titles(const DataGrid& grid) {
        QStringList titles;
        for (int row = 0; row < grid.RowCount(); ++row)
            titles << grid.CellText(row, 4);
        return titles;
    }
    // The titles in the file, read by a connection of the test's own.
    QStringList StoredTitles() {
        return ColumnTexts(*folder.Open(), "SELECT 曲名 FROM データレコード ORDER BY ID");
    }
    QStringList Prompts() {
        QStringList prompts;
        for (const auto& shown : MessageBox::TakeShown())
            prompts << shown.prompt;
        return prompts;
    }

    CatalogueFolder folder;
    std::unique_ptr<frmCaldrin> window;
    QList<double> progress;

private:
    QString previousFolder_;
};
