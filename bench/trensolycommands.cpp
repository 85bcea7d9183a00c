// The disc window's commands, and the statements each of them runs.

#include "frmtrensoly.h"
#include "programcommands.h"
#include "statements.h"
#include "titlefile.h"

#include <QFile>
#include <array>
#include <stdexcept>

using namespace statements;

namespace bench {

namespace {

enum Command {
    PickMd1,
    PickMd2,
    GridMove,
    PickArtist1,
    PickArtist2,
    EnterTab1,
    EnterTab2,
    Add,
    AddContinuous,
    Change1,
    Change2,
    Delete1,
    Delete2,
    FirstAdd,
    UndoAdd,
    Save
};
// In the order of the commands above.
const QStringList kCommandNames =
    QStringLiteral(
        "pick MD(1)|pick MD(2)|grid move|pick artist(1)|pick artist(2)|enter tab1|enter tab2|"
        "add|add renzoku|change tab1|change tab2|delete tab1|delete tab2|first add|undo add|save")
        .split(QLatin1Char('|'));

constexpr int kEntryTab = 3;
constexpr int kOptionTab = 4;

// Each round saves the settings with 昇順 first, so every command after it lists discs so; or,
// as on every new install, nothing is saved and the disc list has no order of its own.
QString DiscOrder(bool saveOrder) {
    return saveOrder ? QStringLiteral("ASC") : QString();
}

QStringList CommandNames(bool saveOrder) {
    if (saveOrder)
        return kCommandNames;
    QStringList names = kCommandNames.mid(0, Save);
    for (QString& name : names)
        name += QStringLiteral(", no order");
    return names;
}
// The settings the window saves: its titles, still empty, 昇順, and no slanted titles.
const QStringList kSettings = {
    {}, {}, QStringLiteral("A"), QStringLiteral("N"), QStringLiteral("N")};

qint64 FirstKey(sqlite3* db, const QString& sql) {
    return FirstColumn(db, sql).value(0).toLongLong();
}

// What the commands work on, as a user would meet it: a disc and an artist from the middle of
// their lists, and the first track each shows, which a correction writes back with a new title.
struct Subjects {
    Subjects(sqlite3* db, const QString& order)
        : disc(Middle(FirstColumn(db, trensoly::AllDiscs(order)))),
          artist(Middle(FirstColumn(db, AllArtists()))),
          picked{disc, Middle(FirstColumn(db, trensoly::AllDiscs(order)), 1)},
          discRowId(FirstKey(db, trensoly::TracksOfDisc(disc))),
          artistRowId(FirstKey(db, trensoly::TracksOfArtist(artist))),
          discRow(StoredRow(db, Program::Trensoly, discRowId)),
          artistRow(StoredRow(db, Program::Trensoly, artistRowId)),
          addedDisc(artistRow.value(0).toString()), added{addedDisc, 0, addedTitle, artist} {}

    QString disc, artist;
    // A pick on the disc tab shows another disc each round, as a user's pick does: this one and
    // the next in the list.
    std::array<QString, 2> picked;
    qint64 discRowId, artistRowId;
    Row discRow, artistRow;
    // On the artist's first disc (the first column of the artist's first track) with number 0 the
    // added track sorts first on both browse tabs, so it is the grid's current row there and a
    // delete takes it away again.
    QString addedDisc;
    QString addedTitle = QStringLiteral("ﾍﾞﾝﾁ 追加曲");
    Row added;
    std::array<QString, 2> changedTitles = {QStringLiteral("修正した曲名"),
                                            QStringLiteral("ｼｭｳｾｲ 2")};
};

class TrensolyCommands : public CommandBench {
public:
    TrensolyCommands(const Catalogue& catalogue, bool saveOrder)
        : CommandBench(catalogue.Path(), Program::Trensoly, CommandNames(saveOrder)),
          saveOrder_(saveOrder), order_(DiscOrder(saveOrder)), window_(catalogue.Folder()),
          driver_(window_), s_(bare_.db(), order_) {}

    std::pair<const ComboBox*, const DataGrid*> FirstBrowseTab() const override {
        return {window_.cmbMD[2], window_.DBGrid1};
    }

private:
    // A browse tab with its list, grid and commands.
    struct BrowseTab {
        ComboBox& list;
        DataGrid& grid;
        std::function<void()> click, edit, del;
    };

    BrowseTab Browse(int tab) {
        if (tab == 1)
            return {*window_.cmbMD[2], *window_.DBGrid1, [this] { window_.cmbMD_Click(2); },
                    [this] { window_.cmdEdit1_Click(); }, [this] { window_.cmdDel1_Click(); }};
        return {*window_.cmbArtist[2], *window_.DBGrid2, [this] { window_.cmbArtist_Click(2); },
                [this] { window_.cmdEdit2_Click(); }, [this] { window_.cmdDel2_Click(); }};
    }

    void WindowRound(int round) override {
        const auto record = [&](Command command, double ms) { RecordWindow(command, driver_, ms); };
        // The first write after start-up finds no list kept yet but those start-up read.
        record(round == 0 ? FirstAdd : AddContinuous, AddTrack(true));
        record(UndoAdd, driver_.Timed(
                            0, [&] { window_.Undo(); }, window_.txtName));
        if (saveOrder_)
            record(Save, SaveSettings());
        record(PickMd1, driver_.Pick(kEntryTab, *window_.cmbMD[1], s_.disc,
                                     [&] { window_.cmbMD_Click(1); }));
        record(PickArtist1, driver_.Pick(kEntryTab, *window_.cmbArtist[1], s_.artist,
                                         [&] { window_.cmbArtist_Click(1); }));
        record(PickMd2, PickOnTab(1, s_.picked[round % 2]));
        record(GridMove, driver_.MoveInGrid(*window_.DBGrid1));
        record(PickArtist2, PickOnTab(2, s_.artist));
        record(EnterTab1, EnterTab(1));
        record(EnterTab2, EnterTab(2));
        record(Add, AddTrack(false));
        record(Delete1, DeleteAdded(1));
        record(AddContinuous, AddTrack(true));
        record(Delete2, DeleteAdded(2));
        record(Change1, ChangeFrom(1, s_.disc, s_.discRowId, s_.changedTitles[round % 2]));
        record(Change2, ChangeFrom(2, s_.artist, s_.artistRowId, s_.changedTitles[round % 2]));
    }

    void BareRound(int round) override {
        const auto read = [&](Command command, const QString& sql) {
            TimeRead(command, [&] { bare_.Read(sql); });
        };
        qint64 id = 0;
        TimeWrite(round == 0 ? FirstAdd : AddContinuous, [&] {
            id = bare_.Add(s_.added);
            ReadListsAfterEntry();
        });
        // An undo shows the disc tab again, and the artist tab's tracks.
        TimeWrite(UndoAdd, [&] {
            bare_.Delete(id);
            ReadListsAfterEntry();
            bare_.Read(trensoly::TracksOfArtist(s_.artist));
            bare_.Read(trensoly::TracksOfDisc(s_.addedDisc));
        });
        if (saveOrder_)
            TimeWrite(Save, [&] {
                bare_.Write([] {
                    titlefile::OutputFile file(QStringLiteral("BARE.TXT"));
                    for (const QString& value : kSettings)
                        file.Write(value);
                    file.Close();
                });
                bare_.Read(trensoly::AllDiscs(order_));
            });
        // The grid holds its rows already; only the window has work to do.
        TimeRead(GridMove, [] {});
        read(PickMd1, trensoly::TracksOfDisc(s_.disc));
        // The disc tab shows the disc last picked there.
        for (Command command : {PickMd2, EnterTab1})
            read(command, trensoly::TracksOfDisc(s_.picked[round % 2]));
        for (Command command : {PickArtist1, PickArtist2, EnterTab2})
            read(command, trensoly::TracksOfArtist(s_.artist));
        TimeWrite(Add, [&] {
            id = bare_.Add(s_.added);
            ReadListsAfterEntry();
            bare_.Read(trensoly::TracksOfDisc(s_.addedDisc));
        });
        TimeWrite(Delete1, [&] {
            bare_.Delete(id);
            bare_.Read(trensoly::TracksOfDisc(s_.addedDisc));
            bare_.Read(trensoly::AllDiscs(order_));
        });
        TimeWrite(AddContinuous, [&] {
            id = bare_.Add(s_.added);
            ReadListsAfterEntry();
        });
        TimeWrite(Delete2, [&] {
            bare_.Delete(id);
            bare_.Read(trensoly::TracksOfDisc(s_.addedDisc));
            bare_.Read(trensoly::TracksOfArtist(s_.artist));
            bare_.Read(AllArtists());
        });
        const QString title = s_.changedTitles[round % 2];
        // A correction shows its track again on the tab it came from, once when it rebinds the
        // grid and once when the tab is entered.
        TimeWrite(Change1, [&] {
            bare_.Change(s_.discRowId, WithTitle(Program::Trensoly, s_.discRow, title));
            ReadListsAfterEntry();
            for (int times = 0; times < 2; ++times)
                bare_.Read(trensoly::TracksOfDisc(s_.disc));
        });
        TimeWrite(Change2, [&] {
            bare_.Change(s_.artistRowId, WithTitle(Program::Trensoly, s_.artistRow, title));
            ReadListsAfterEntry();
            for (int times = 0; times < 2; ++times)
                bare_.Read(trensoly::TracksOfArtist(s_.artist));
        });
    }

    // An entry or a correction refills both lists whole, whichever name it changed.
    void ReadListsAfterEntry() const {
        bare_.Read(trensoly::AllDiscs(order_));
        bare_.Read(AllArtists());
    }

    double SaveSettings() {
        driver_.GoToTab(kOptionTab);
        window_.opAsc->setChecked(true);
        return driver_.Timed(
            0, [&] { window_.cmdSave_Click(); }, window_.cmdSave);
    }

    double PickOnTab(int tab, const QString& text) {
        const BrowseTab browse = Browse(tab);
        return driver_.Pick(tab, browse.list, text, browse.click);
    }

    // Entered from the start tab, as a user coming back to browse would.
    double EnterTab(int tab) {
        driver_.GoToTab(0);
        return driver_.Timed(
            0, [&] { window_.SSTab1->SetTab(tab); }, window_.SSTab1->tabBar());
    }

    double AddTrack(bool continuous) {
        driver_.GoToTab(kEntryTab);
        window_.cmbMD[1]->SetText(s_.addedDisc);
        window_.txtNo->setText(QStringLiteral("0"));
        window_.cmbArtist[1]->SetText(s_.artist);
        window_.txtName->setText(s_.addedTitle);
        window_.chkRenzoku->setChecked(continuous);
        return driver_.Timed(
            0, [&] { window_.cmdTuika_Click(); }, window_.cmdTuika);
    }

    double DeleteAdded(int tab) {
        const BrowseTab browse = Browse(tab);
        PickOnTab(tab, tab == 1 ? s_.addedDisc : s_.artist);
        // Either delete shows the disc tab's list again, which SQLite alone reads for that disc.
        if (browse.grid.Columns(3).Value() != s_.addedTitle ||
            window_.cmbMD[2]->Text() != s_.addedDisc)
            throw std::runtime_error("the track to delete is not the grid's current row");
        return driver_.Timed(1, browse.del, &browse.grid);
    }

    double ChangeFrom(int tab, const QString& text, qint64 id, const QString& title) {
        const BrowseTab browse = Browse(tab);
        PickOnTab(tab, text);
        driver_.Timed(0, browse.edit, &browse.grid);
        // Otherwise the correction would return to some other tab than the one measured.
        if (window_.PrevTab != tab || window_.EditRowId != id)
            throw std::runtime_error("a correction did not start from the tab's first track");
        window_.txtName->setText(title);
        return driver_.Timed(
            0, [&] { window_.cmdUpdate_Click(); }, window_.cmdUpdate);
    }

    const bool saveOrder_;
    const QString order_;
    frmTrensoly window_;
    WindowDriver driver_;
    const Subjects s_;
};

} // namespace

std::unique_ptr<CommandBench> MakeTrensolyCommands(const Catalogue& catalogue, bool saveOrder) {
    // A settings file an earlier run saved in the working folder would bring its order back.
    if (!saveOrder)
        QFile::remove(QStringLiteral("TITLE.TXT"));
    return std::make_unique<TrensolyCommands>(catalogue, saveOrder);
}

} // namespace bench
