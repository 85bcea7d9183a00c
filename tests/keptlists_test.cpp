// The kept full lists against the statements run in full: two windows on two copies of one
// catalogue take the same seeded random commands, one keeping its lists, one reading every list
// again, and after every command everything they show must be the same. A second connection
// writes to both copies now and then. MDCAT_DIFFERENTIAL_STEPS sets the length (default: a
// run of seconds; 10000 or more by hand).

#include "frmcaldrin.h"
#include "frmtrensoly.h"
#include "msgbox.h"
#include "testsupport.h"

#include <QDir>
#include <gtest/gtest.h>
#include <random>

namespace {

int Steps() {
    const int steps = qEnvironmentVariableIntValue("MDCAT_DIFFERENTIAL_STEPS");
    return steps > 0 ? steps : 300;
}

// Names that the catalogue groups together (case) and apart (width), and fresh ones.
const QStringList kArtists = {"Anna", "ANNA", "anna",   "Ａｎｎａ", "Bob", "bob",
                              "森",   "ｷﾑﾗ",  "キムラ", "Zoë",      "zoë"};
const QStringList kGroups = {"Blue", "BLUE", "blue", "Ｂｌｕｅ", "夏",  "10",
                             "9",    "A-1",  "a-1",  "Ａ-1",     "ÉTÉ", "été"};

// Everything a window shows or keeps between commands, as text.
QStringList State(CatalogueWindow& window) {
    QStringList state = {window.SqlText, QString::number(window.SSTab1->Tab()),
                         QString::number(window.PrevTab), window.SavedText1, window.SavedText2};
    for (ComboBox* list : window.findChildren<ComboBox*>())
        state << list->objectName() + ": " + list->Text() + " | " + list->Items().join('|');
    for (DataGrid* grid : {window.DBGrid1, window.DBGrid2}) {
        state << grid->Columns(0).Value();
        for (int row = 0; row < grid->RowCount(); ++row)
            state << grid->CellText(row, 0) + "," + grid->CellText(row, 1);
    }
    return state;
}

class Differential {
public:
    Differential(Program program, unsigned seed) : random_(seed), program_(program) {}
    virtual ~Differential() = default;

    void Run() {
        for (CatalogueFolder* folder : {&kept_, &full_}) {
            folder->CreateEmpty();
            folder->WriteFile("TITLE.TXT", TitleFile({"T", "T", "A", "N", "N"}));
        }
        Start();
        const int steps = Steps();
        for (int step = 0; step < steps; ++step) {
            const int choice = Pick(100);
            if (choice < 4)
                WriteFromAnotherConnection();
            else
                Command(choice);
            const QStringList kept = Shown(0), full = Shown(1);
            ASSERT_EQ(kept, full) << "step " << step << " of seed's sequence, choice " << choice;
        }
    }

protected:
    virtual void Start() = 0;
    virtual void Command(int choice) = 0;
    virtual CatalogueWindow& Window(int side) = 0;

    int Pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random_); }
    QString Any(const QStringList& names) {
        // Now and then a name never seen before, so new entries appear in the lists.
        return Pick(8) == 0 ? "新" + QString::number(Pick(1000)) : names[Pick(names.size())];
    }
    QString Number() { return Pick(5) == 0 ? "1.5" : QString::number(Pick(20)); }

    // The same command on both windows, each run in its own folder.
    void OnBoth(const std::function<void(CatalogueWindow&)>& command) {
        for (int side = 0; side < 2; ++side) {
            QDir::setCurrent(Folder(side).Path());
            command(Window(side));
            for (const auto& shown : MessageBox::TakeShown())
                prompts_[side] << shown.prompt;
        }
    }
    template <typename W> void Load(std::unique_ptr<W>& window, int side) {
        QDir::setCurrent(Folder(side).Path());
        window = std::make_unique<W>(Folder(side).Path());
        window->KeepFullLists(side == 0);
        ASSERT_TRUE(window->Form_Load());
    }
    // A pick of the nth entry of a list, as the user makes it.
    static void PickNth(ComboBox& list, int nth) {
        if (!list.Items().isEmpty())
            list.Pick(list.Items()[nth % list.Items().size()]);
    }
    static void SelectRow(DataGrid& grid, int nth) {
        if (grid.RowCount() > 0)
            grid.setCurrentIndex(grid.model()->index(nth % grid.RowCount(), 0));
    }
    const CatalogueFolder& Folder(int side) const { return side == 0 ? kept_ : full_; }

    std::mt19937 random_;

private:
    QStringList Shown(int side) {
        const QStringList shown = State(Window(side)) + prompts_[side];
        prompts_[side].clear();
        return shown;
    }
    void WriteFromAnotherConnection() {
        const QString group = Any(kGroups), artist = Any(kArtists), title = Any(kArtists);
        const bool insert = Pick(3) != 0;
        const char* groupColumn = program_ == Program::Caldrin ? "アルバム名" : "MD番号";
        for (int side = 0; side < 2; ++side) {
            auto db = Folder(side).Open();
            if (insert)
                db->Execute(QString("INSERT INTO データレコード (%1, アーチスト名, 曲番, 曲名) "
                                    "VALUES ('%2', '%3', 1, '%4')")
                                .arg(groupColumn, group, artist, title));
            else
                db->Execute("DELETE FROM データレコード WHERE ID = (SELECT MIN(ID) FROM "
                            "データレコード)");
        }
    }

    Program program_;
    CatalogueFolder kept_{program_}, full_{program_};
    QStringList prompts_[2];
};

class CaldrinDifferential : public Differential {
public:
    using Differential::Differential;

private:
    void Start() override {
        Load(windows_[0], 0);
        Load(windows_[1], 1);
    }
    CatalogueWindow& Window(int side) override { return *windows_[side]; }
    frmCaldrin& W(CatalogueWindow& window) { return static_cast<frmCaldrin&>(window); }

    void Command(int choice) override {
        const int tab = 1 + Pick(2), nth = Pick(50), row = Pick(50);
        if (choice < 40) {
            const QString artist = Any(kArtists), album = Any(kGroups), number = Number(),
                          title = Any(kArtists);
            const bool renzoku = Pick(3) == 0;
            OnBoth([&](CatalogueWindow& w) {
                w.SSTab1->SetTab(3);
                W(w).cmbartist[3]->SetText(artist);
                W(w).cmbAlbum[3]->SetText(album);
                w.txtNo->setText(number);
                w.txtName->setText(title);
                w.chkRenzoku->setChecked(renzoku);
                w.cmdTuika_Click();
            });
        } else if (choice < 60) {
            OnBoth([&](CatalogueWindow& w) {
                w.SSTab1->SetTab(tab);
                PickNth(tab == 1 ? *W(w).cmbAlbum[1] : *W(w).cmbartist[2], nth);
            });
        } else if (choice < 80) {
            const QString artist = Any(kArtists), album = Any(kGroups);
            const int what = Pick(3);
            OnBoth([&](CatalogueWindow& w) {
                w.SSTab1->SetTab(tab);
                SelectRow(tab == 1 ? *w.DBGrid1 : *w.DBGrid2, row);
                tab == 1 ? w.cmdEdit1_Click() : w.cmdEdit2_Click();
                if (what != 1)
                    W(w).cmbartist[3]->SetText(artist);
                if (what != 0)
                    W(w).cmbAlbum[3]->SetText(album);
                w.cmdUpdate_Click();
            });
        } else {
            OnBoth([&](CatalogueWindow& w) {
                w.SSTab1->SetTab(tab);
                SelectRow(tab == 1 ? *w.DBGrid1 : *w.DBGrid2, row);
                MessageBox::SetNextAnswer(vbYes);
                tab == 1 ? w.cmdDel1_Click() : w.cmdDel2_Click();
            });
        }
    }

    std::unique_ptr<frmCaldrin> windows_[2];
};

class TrensolyDifferential : public Differential {
public:
    using Differential::Differential;

private:
    void Start() override {
        Load(windows_[0], 0);
        Load(windows_[1], 1);
    }
    CatalogueWindow& Window(int side) override { return *windows_[side]; }
    frmTrensoly& W(CatalogueWindow& window) { return static_cast<frmTrensoly&>(window); }

    void Command(int choice) override {
        const int tab = 1 + Pick(2), nth = Pick(50), row = Pick(50);
        if (choice < 40) {
            const QString disc = Any(kGroups), artist = Any(kArtists), number = Number(),
                          title = Any(kArtists);
            const bool renzoku = Pick(3) == 0;
            OnBoth([&](CatalogueWindow& w) {
                w.SSTab1->SetTab(3);
                W(w).cmbMD[1]->SetText(disc);
                w.txtNo->setText(number);
                W(w).cmbArtist[1]->SetText(artist);
                w.txtName->setText(title);
                w.chkRenzoku->setChecked(renzoku);
                w.cmdTuika_Click();
            });
        } else if (choice < 58) {
            const int list = Pick(3);
            OnBoth([&](CatalogueWindow& w) {
                w.SSTab1->SetTab(tab);
                PickNth(list == 0   ? *W(w).cmbMD[1]
                        : list == 1 ? *W(w).cmbMD[2]
                                    : *W(w).cmbArtist[2],
                        nth);
            });
        } else if (choice < 62) {
            const bool descending = Pick(2) == 0;
            OnBoth([&](CatalogueWindow& w) {
                w.SSTab1->SetTab(4);
                (descending ? W(w).opDesc : W(w).opAsc)->setChecked(true);
                w.cmdSave_Click();
            });
        } else if (choice < 80) {
            const QString disc = Any(kGroups), artist = Any(kArtists);
            const int what = Pick(3);
            OnBoth([&](CatalogueWindow& w) {
                w.SSTab1->SetTab(tab);
                SelectRow(tab == 1 ? *w.DBGrid1 : *w.DBGrid2, row);
                tab == 1 ? w.cmdEdit1_Click() : w.cmdEdit2_Click();
                if (what != 1)
                    W(w).cmbMD[1]->SetText(disc);
                if (what != 0)
                    W(w).cmbArtist[1]->SetText(artist);
                w.cmdUpdate_Click();
            });
        } else {
            OnBoth([&](CatalogueWindow& w) {
                w.SSTab1->SetTab(tab);
                SelectRow(tab == 1 ? *w.DBGrid1 : *w.DBGrid2, row);
                MessageBox::SetNextAnswer(vbYes);
                tab == 1 ? w.cmdDel1_Click() : w.cmdDel2_Click();
            });
        }
    }

    std::unique_ptr<frmTrensoly> windows_[2];
};

TEST(KeptLists, ShowExactlyWhatTheStatementsReturn) {
    const QString previous = QDir::currentPath();
    for (unsigned seed : {1u, 2u}) {
        SCOPED_TRACE(seed);
        CaldrinDifferential(Program::Caldrin, seed).Run();
        TrensolyDifferential(Program::Trensoly, seed).Run();
    }
    QDir::setCurrent(previous);
}

} // namespace
