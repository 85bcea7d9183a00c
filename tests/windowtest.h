#pragma once

#include "cataloguewindow.h"
#include "findwindow.h"
#include "msgbox.h"
#include "testsupport.h"

#include <QApplication>
#include <QDir>
#include <QTabBar>
#include <QTest>
#include <gtest/gtest.h>

// A program's window on a small catalogue of its own, started in the catalogue's folder and
// driven by clicks, picks and typing.
template <typename Window, Program program> class WindowTest : public testing::Test {
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

    // Builds the window and runs its load, noting every value the splash's bar shows. With
    // openAhead, the catalogue is opened and its lists read ahead, as the program starts.
    bool Load(const QString& programFolder = {}) {
        window = std::make_unique<Window>(programFolder.isEmpty() ? folder.Path() : programFolder);
        if (openAhead)
            window->TakeCatalogueAhead(
                std::make_unique<CatalogueAhead>(folder.File(), program, Window::StartUpLists()));
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

    // Ctrl+F as the user presses it in the main window, and the window "検索" once it has read
    // the tracks.
    FindWindow* PressFind() {
        QApplication::setActiveWindow(window.get());
        QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
        FindWindow* find = window->Find();
        if (find)
            WaitForTracks(*find);
        return find;
    }
    static void WaitForTracks(const FindWindow& find) {
        EXPECT_TRUE(QTest::qWaitFor([&] { return !find.Reading(); }));
    }

    ComboBox& List(const char* name) { return *window->template findChild<ComboBox*>(name); }
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
    // Types into the entry tab's fields, in the order given, as a user does.
    void TypeFields(std::initializer_list<std::pair<QWidget*, QString>> fields) {
        GoToTab(3);
        for (auto [field, text] : fields)
            Retype(*field, text);
    }

    // The values of one grid column, top to bottom.
    static QStringList Column(const DataGrid& grid, int column) {
        QStringList values;
        for (int row = 0; row < grid.RowCount(); ++row)
            values << grid.CellText(row, column);
        return values;
    }
    // The values of a column in the file, read by a connection of the test's own.
    QStringList Stored(const QString& column) {
        return ColumnTexts(*folder.Open(), "SELECT " + column + " FROM データレコード ORDER BY ID");
    }
    QStringList Prompts() {
        QStringList prompts;
        for (const auto& shown : MessageBox::TakeShown())
            prompts << shown.prompt;
        return prompts;
    }

    CatalogueFolder folder{program};
    std::unique_ptr<Window> window;
    QList<double> progress;
    bool openAhead = false;

private:
    QString previousFolder_;
};
