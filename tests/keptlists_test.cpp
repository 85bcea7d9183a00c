// The kept full lists against the statements run in full: two windows on two copies of one
// catalogue take the same seeded random commands, one keeping its lists, one reading every list
// again, and after every command everything they show must be the same; what the first one's find
// window finds must be the catalogue in browsing order. A second connection
// writes to both copies now and then. MDCAT_DIFFERENTIAL_STEPS sets the length (default: a run
// of seconds; 10000 or more by hand).

#include "findwindow.h"
#include "frmcaldrin.h"
#include "frmtrensoly.h"
#include "msgbox.h"
#include "testsupport.h"

#include <QAbstractItemModel>
#include <QDir>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>
#include <random>

namespace {

// Names the catalogue groups together (case) and apart (width).
const QStringList kNames = {"Anna",     "ANNA", "anna", "Ａｎｎａ", "Blue", "BLUE",
                            "Ｂｌｕｅ", "森",   "ｷﾑﾗ",  "キムラ",   "10",   "9",
                            "A-1",      "a-1",  "ÉTÉ",  "été"};

// What differs between the programs: the window, the entry tab's group and artist lists, the
// lists a user browses with, and the disc order of trensoly's settings.
struct ProgramUnderTest {
    Program program;
    std::function<std::unique_ptr<CatalogueWindow>(const QString&)> make;
    std::function<std::array<ComboBox*, 2>(CatalogueWindow&)> names;
    std::function<QList<ComboBox*>(CatalogueWindow&)> browsing;
    std::function<void(CatalogueWindow&, bool descending)> chooseOrder;
};

template <typename W> std::unique_ptr<CatalogueWindow> Make(const QString& folder) {
    return std::make_unique<W>(folder);
}

const ProgramUnderTest kPrograms[] = {
    {Program::Caldrin, Make<frmCaldrin>,
     [](CatalogueWindow& w) {
         auto& c = static_cast<frmCaldrin&>(w);
         return std::array{c.cmbAlbum[3], c.cmbartist[3]};
     },
     [](CatalogueWindow& w) {
         auto& c = static_cast<frmCaldrin&>(w);
         return QList<ComboBox*>{c.cmbAlbum[1], c.cmbartist[2]};
     }},
    {Program::Trensoly, Make<frmTrensoly>,
     [](CatalogueWindow& w) {
         auto& t = static_cast<frmTrensoly&>(w);
         return std::array{t.cmbMD[1], t.cmbArtist[1]};
     },
     [](CatalogueWindow& w) {
         auto& t = static_cast<frmTrensoly&>(w);
         return QList<ComboBox*>{t.cmbMD[1], t.cmbMD[2], t.cmbArtist[2]};
     },
     [](CatalogueWindow& w, bool descending) {
         auto& t = static_cast<frmTrensoly&>(w);
         (descending ? t.opDesc : t.opAsc)->setChecked(true);
     }}};

// Everything a window shows or keeps between commands, as text.
QStringList State(CatalogueWindow& w) {
    QStringList state = {w.SqlText, QString::number(w.SSTab1->Tab()), QString::number(w.PrevTab),
                         w.SavedText1, w.SavedText2};
    for (ComboBox* list : w.findChildren<ComboBox*>())
        state << list->objectName() + ": " + list->Text() + " | " + list->Items().join('|');
    for (DataGrid* grid : {w.DBGrid1, w.DBGrid2}) {
        state << grid->Columns(0).Value();
        for (int row = 0; row < grid->RowCount(); ++row)
            state << grid->CellText(row, 0) + "," + grid->CellText(row, 1);
    }
    return state;
}

// The catalogue as mkcatalogue makes it (NOCASE), or as the sqlite3 shell does: text columns
// that compare by their bytes, or columns of no type at all, which keep numbers as numbers; or
// with indexes that run downwards, by which SQLite groups a column downwards unless told the
// order.
enum class Schema { Made, Binary, Untyped, DescendingIndexes };

void Create(const CatalogueFolder& folder, Program program, Schema schema) {
    if (schema == Schema::Made)
        return folder.CreateEmpty();
    const QString type = schema == Schema::Untyped ? "" : " TEXT";
    QStringList columns = {"ID INTEGER PRIMARY KEY AUTOINCREMENT"};
    for (const QString& column : tracktable::UserColumns(program))
        columns << column + (column == "曲番" ? (type.isEmpty() ? "" : " INTEGER") : type);
    const auto db = Database::CreateDatabase(folder.File());
    db->Execute("CREATE TABLE データレコード (" + columns.join(", ") + ")");
    if (schema != Schema::DescendingIndexes)
        return;
    const char* group = program == Program::Caldrin ? "アルバム名" : "MD番号";
    db->Execute(QString("CREATE INDEX 群 ON データレコード (%1 DESC)").arg(group));
    db->Execute("CREATE INDEX 歌手 ON データレコード (アーチスト名 DESC, 曲番)");
}

class Differential {
public:
    Differential(const ProgramUnderTest& program, unsigned sequence, Schema schema)
        : p_(program), random_(sequence), schema_(schema) {}

    void Run(int steps) {
        for (int side = 0; side < 2; ++side) {
            Create(folders_[side], p_.program, schema_);
            // Every new install starts without settings, and so without a disc order.
            if (schema_ != Schema::Binary)
                folders_[side].WriteFile("TITLE.TXT", TitleFile({"T", "T", "A", "N", "N"}));
            QDir::setCurrent(folders_[side].Path());
            windows_[side] = p_.make(folders_[side].Path());
            windows_[side]->KeepFullLists(side == 0);
            ASSERT_TRUE(windows_[side]->Form_Load());
        }
        windows_[0]->OpenFind();
        for (int step = 0; step < steps; ++step) {
            Step();
            ASSERT_EQ(State(*windows_[0]) + shown_[0], State(*windows_[1]) + shown_[1])
                << "step " << step;
            ASSERT_EQ(Found(), Browsed()) << "step " << step;
            shown_[0].clear();
            shown_[1].clear();
        }
    }

private:
    // Every track the find window finds for nothing typed, by ID, once it has caught up: the
    // window's own writes followed, another connection's read anew.
    QStringList Found() {
        QDir::setCurrent(folders_[0].Path());
        FindWindow* find = windows_[0]->Find();
        find->Reread();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !find->Reading(); }));
        find->Text()->clear();
        QStringList ids;
        for (int row = 0; row < find->Results()->model()->rowCount(); ++row)
            ids << find->Results()->model()->index(row, 0).data().toString();
        return ids;
    }
    // The catalogue in the order the windows browse it.
    QStringList Browsed() {
        const char* order = p_.program == Program::Caldrin ? "アルバム名, アーチスト名, 曲番, ID"
                                                           : "MD番号, 曲番, ID";
        return ColumnTexts(*folders_[0].Open(),
                           QString("SELECT ID FROM データレコード ORDER BY %1").arg(order));
    }

    int Pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random_); }
    // Now and then a name never seen before, so new entries come into the lists.
    QString Name() { return Pick(8) == 0 ? "新" + QString::number(Pick(999)) : kNames[Pick(16)]; }

    void Step() {
        const int choice = Pick(100), tab = 1 + Pick(2), nth = Pick(50), what = Pick(3);
        const QString group = Name(), artist = Name(), title = Name();
        const QString number = Pick(5) == 0 ? "1.5" : QString::number(Pick(20));
        if (choice < 4)
            return WriteFromAnotherConnection(group, artist, Pick(3) != 0);
        OnBoth([&](CatalogueWindow& w) {
            const auto names = p_.names(w);
            if (choice < 40) {
                w.SSTab1->SetTab(3);
                names[0]->SetText(group);
                names[1]->SetText(artist);
                w.txtNo->setText(number);
                w.txtName->setText(title);
                w.chkRenzoku->setChecked(what == 0);
                return w.cmdTuika_Click();
            }
            if (choice < 62 && p_.chooseOrder) {
                w.SSTab1->SetTab(4);
                p_.chooseOrder(w, what == 0);
                return w.cmdSave_Click();
            }
            w.SSTab1->SetTab(tab);
            if (choice < 62) {
                const QList<ComboBox*> lists = p_.browsing(w);
                ComboBox& list = *lists[nth % lists.size()];
                if (!list.Items().isEmpty())
                    list.Pick(list.Items()[nth % list.Items().size()]);
                return;
            }
            DataGrid& grid = tab == 1 ? *w.DBGrid1 : *w.DBGrid2;
            if (grid.RowCount() > 0)
                grid.setCurrentIndex(grid.model()->index(nth % grid.RowCount(), 0));
            if (choice < 80) {
                tab == 1 ? w.cmdEdit1_Click() : w.cmdEdit2_Click();
                if (what != 1)
                    names[0]->SetText(group);
                if (what != 0)
                    names[1]->SetText(artist);
                return w.cmdUpdate_Click();
            }
            MessageBox::SetNextAnswer(vbYes);
            tab == 1 ? w.cmdDel1_Click() : w.cmdDel2_Click();
        });
    }

    // The same command on both windows, each in its own folder, the boxes it showed noted.
    void OnBoth(const std::function<void(CatalogueWindow&)>& command) {
        for (int side = 0; side < 2; ++side) {
            QDir::setCurrent(folders_[side].Path());
            command(*windows_[side]);
            for (const auto& box : MessageBox::TakeShown())
                shown_[side] << box.prompt;
        }
    }

    void WriteFromAnotherConnection(const QString& group, const QString& artist, bool insert) {
        const char* column = p_.program == Program::Caldrin ? "アルバム名" : "MD番号";
        // Another tool may write a disc number as a number, which sorts before every text, or
        // leave a group out, as Null, or empty: the lists hold each apart from the others.
        bool number = false;
        group.toInt(&number);
        const int kind = Pick(6);
        const QString value = kind == 0                              ? QString("NULL")
                              : kind == 1                            ? QString("''")
                              : number && schema_ == Schema::Untyped ? group
                                                                     : "'" + group + "'";
        for (const CatalogueFolder& folder : folders_)
            folder.Open()->Execute(
                insert
                    ? QString("INSERT INTO データレコード (%1, アーチスト名, 曲番, 曲名) "
                              "VALUES (%2, '%3', 1, 'x')")
                          .arg(column, value, artist)
                    : "DELETE FROM データレコード WHERE ID = (SELECT MIN(ID) FROM データレコード)");
    }

    const ProgramUnderTest& p_;
    std::mt19937 random_;
    Schema schema_;
    CatalogueFolder folders_[2] = {CatalogueFolder(p_.program), CatalogueFolder(p_.program)};
    std::unique_ptr<CatalogueWindow> windows_[2];
    QStringList shown_[2];
};

TEST(KeptLists, ShowExactlyWhatTheStatementsReturn) {
    const int steps = qEnvironmentVariableIntValue("MDCAT_DIFFERENTIAL_STEPS");
    const QString previous = QDir::currentPath();
    for (const ProgramUnderTest& program : kPrograms) {
        for (const Schema schema :
             {Schema::Made, Schema::Binary, Schema::Untyped, Schema::DescendingIndexes}) {
            for (unsigned sequence : {1u, 2u}) {
                SCOPED_TRACE(QString("%1, schema %2, sequence %3")
                                 .arg(tracktable::ProgramName(program.program))
                                 .arg(int(schema))
                                 .arg(sequence)
                                 .toStdString());
                Differential(program, sequence, schema).Run(steps > 0 ? steps : 200);
            }
        }
    }
    QDir::setCurrent(previous);
}

} // namespace
