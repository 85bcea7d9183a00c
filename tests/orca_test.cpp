// What Orca itself says of the window: run beside the real reader on the accessibility bus, its
// speech off and each utterance written to its record as it would have been spoken.
#include "caldrinwindow.h"
#include "frmtrensoly.h"

#include <QAccessible>
#include <QFile>
#include <QMessageBox>
#include <QTimer>

namespace {

template <typename Base> class WithOrca : public Base {
protected:
    void SetUp() override {
        Base::SetUp();
        record_.setFileName(qEnvironmentVariable("ORCA_RECORD"));
        ASSERT_TRUE(record_.open(QIODevice::ReadOnly))
            << "run inside scripts/accessibility-session.sh --orca";
        this->MakeCatalogue();
        this->Start();
        ASSERT_TRUE(QTest::qWaitFor([] { return QAccessible::isActive(); }, 5000));
        // Orca presents a window once it has seen it activated; before that it says nothing.
        QStringList said;
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return (said += Said()).join('\n').contains("frame"); }, 20000));
    }
    // What Orca said since it was last asked, once it has fallen silent: it works through the
    // events in order, a while after they were sent.
    QStringList Said() {
        QByteArray bytes;
        for (int quiet = 0, waited = 0; quiet < 6 && waited < 80; ++waited) {
            QTest::qWait(250);
            const QByteArray more = record_.readAll();
            quiet = more.isEmpty() ? quiet + 1 : 0;
            bytes += more;
        }
        QStringList lines;
        for (const QString& line : QString::fromUtf8(bytes).split('\n'))
            if (line.startsWith("SPEECH OUTPUT: '"))
                lines << line.mid(16).chopped(1);
        return lines;
    }

    // The entry tab filled in; keys typed would go through the reader first, which is not what
    // is measured here.
    void Fill(std::initializer_list<std::pair<const char*, QString>> lists, const QString& number) {
        this->GoToTab(3);
        for (const auto& [list, text] : lists)
            this->List(list).SetText(text);
        this->window->txtNo->setText(number);
        this->window->txtName->setText("first");
    }
    // What Orca said up to an utterance holding the text, or all it said in 20 s without one.
    QStringList SaidUpTo(const QString& text) {
        QStringList said;
        // A test that waited in vain sees in what is returned that the text never came.
        (void)QTest::qWaitFor([&] { return (said += Said()).join('\n').contains(text); }, 20000);
        return said;
    }
    // Adds a track from its title field, once as a continuous add and once not, and deletes the
    // current row of the first browsing tab's grid; each time Orca tells the next of told. A list
    // the continuous add empties is filled again.
    QString AddTwiceAndDelete(const QStringList& told, const char* emptied = nullptr) {
        auto& window = this->window;
        // Into the entry tab's page from its tab.
        window->txtName->setFocus();
        QStringList said = SaidUpTo("曲名");
        window->chkRenzoku->setCheckState(Qt::Checked);
        window->cmdTuika->click();
        said += SaidUpTo(told[0]);
        window->chkRenzoku->setCheckState(Qt::Unchecked);
        window->txtName->setText("second");
        if (emptied)
            this->List(emptied).SetText("Cy");
        window->cmdTuika->click();
        said += SaidUpTo(told[1]);
        window->DBGrid1->setFocus();
        MessageBox::SetNextAnswer(vbYes);
        window->cmdDel1->click();
        return (said + SaidUpTo(told[2])).join('\n');
    }

    // Picks an entry in the first browsing tab's list, moves to the grid's second row, which
    // holds that title, and asks to delete it, answering No once the question is up.
    QString PickMoveAndAskToDelete(const char* list, const QString& entry, const QString& title) {
        auto& window = this->window;
        this->PickOnTab(1, list, entry);
        QStringList said = SaidUpTo(entry);
        window->DBGrid1->setFocus();
        said += Said();
        window->DBGrid1->setCurrentIndex(window->DBGrid1->model()->index(1, 0));
        said += SaidUpTo(title);
        MessageBox::SetTestMode(false);
        QTimer::singleShot(2500, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->button(QMessageBox::No)->click();
        });
        window->cmdDel1->click();
        MessageBox::SetTestMode(true);
        return (said + Said()).join('\n');
    }

private:
    QFile record_;
};

using CaldrinWithOrca = WithOrca<CaldrinWindowTest>;

class TrensolyWindowTest : public WindowTest<frmTrensoly, Program::Trensoly> {
protected:
    void MakeCatalogue() {
        folder.CreateEmpty();
        folder.Open()->Execute("INSERT INTO データレコード (MD番号, 曲番, 曲名, アーチスト名) "
                               "VALUES ('9', 1, 'a', 'Ann'), ('9', 2, 'b', 'Bo')");
    }
};
using TrensolyWithOrca = WithOrca<TrensolyWindowTest>;

// A pick says the entry picked, a row moved to is read, and the delete question is said once
// with the track it takes.
TEST_F(CaldrinWithOrca, SaysAPickARowAndTheDeleteQuestionOnceWithTheTrackItTakes) {
    const QString said = PickMoveAndAskToDelete("cmbAlbum(1)", "夏の午後", "花火");
    EXPECT_TRUE(said.contains("夏の午後")) << said.toStdString();
    EXPECT_EQ(said.count("削除してもよろしいですか？"), 1) << said.toStdString();
    EXPECT_TRUE(said.contains("削除する曲: アーチスト名「森 健」 アルバム名「夏の午後」 "
                              "曲番「2」 曲名「花火」"))
        << said.toStdString();
}

// What was added and what the entry tab waits for; after a delete, the row now current; and no
// unnamed layer on the way into a tab.
TEST_F(CaldrinWithOrca, AnAddAndADeleteAreToldWithWhatComesNext) {
    Fill({{"cmbartist(3)", "Keys"}, {"cmbAlbum(3)", "Board"}}, "1");
    const QStringList told = {
        "「first」を追加しました。次は曲番 2 の曲名です。",
        "「second」を追加しました。アルバム別のタブに表示しています。",
        "「first」を削除しました。今の行: アーチスト名「Keys」 アルバム名「Board」 "
        "曲番「2」 曲名「second」"};
    const QString all = AddTwiceAndDelete(told);
    for (const QString& message : told)
        EXPECT_TRUE(all.contains(message)) << all.toStdString();
    EXPECT_FALSE(all.contains("layered pane")) << all.toStdString();
}

// A field entered by Tab is read once, by its name and then its text.
TEST_F(CaldrinWithOrca, TabIntoAFieldReadsItsTextOnce) {
    Fill({{"cmbartist(3)", "Keys"}, {"cmbAlbum(3)", "Board"}}, "1");
    window->txtNo->setFocus(Qt::TabFocusReason);
    Said();
    window->cmbartist[3]->setFocus(Qt::TabFocusReason);
    const QStringList said = SaidUpTo("ｱｰﾁｽﾄ名") + Said();
    EXPECT_EQ(said.filter("Keys").size(), 1) << said.join('\n').toStdString();
}

TEST_F(TrensolyWithOrca, AnAddAndADeleteAreToldAsInTheAlbumWindow) {
    Fill({{"cmbMD(1)", "9"}, {"cmbArtist(1)", "Cy"}}, "3");
    const QStringList told = {"「first」を追加しました。次は曲番 4 の曲名です。",
                              "「second」を追加しました。" + window->SSTab1->tabText(1) +
                                  "のタブに表示しています。",
                              "を削除しました。今の行: "};
    // The next track of a disc may well be by another artist.
    const QString all = AddTwiceAndDelete(told, "cmbArtist(1)");
    for (const QString& message : told)
        EXPECT_TRUE(all.contains(message)) << all.toStdString();
    EXPECT_FALSE(all.contains("layered pane")) << all.toStdString();
}

// The disc window's list, grid and delete question are told as the album window's are.
TEST_F(TrensolyWithOrca, SaysAPickARowAndTheDeleteQuestionAsTheAlbumWindowDoes) {
    const QString said = PickMoveAndAskToDelete("cmbMD(2)", "9", "b");
    EXPECT_EQ(said.count("削除してもよろしいですか？"), 1) << said.toStdString();
    EXPECT_TRUE(said.contains("削除する曲: ＭＤ番号「9」 曲番「2」 曲名「b」 アーチスト名「Bo」"))
        << said.toStdString();
}

} // namespace
