// What Orca itself says of the window: run beside the real reader on the accessibility bus, its
// speech off and each utterance written to its record as it would have been spoken.
#include "caldrinwindow.h"

#include <QAccessible>
#include <QFile>
#include <QMessageBox>
#include <QTimer>

namespace {

class CaldrinWithOrca : public CaldrinWindowTest {
protected:
    void SetUp() override {
        CaldrinWindowTest::SetUp();
        record_.setFileName(qEnvironmentVariable("ORCA_RECORD"));
        ASSERT_TRUE(record_.open(QIODevice::ReadOnly))
            << "run inside scripts/accessibility-session.sh --orca";
        MakeCatalogue();
        Start();
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
        for (int quiet = 0, waited = 0; quiet < 4 && waited < 60; ++waited) {
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

private:
    QFile record_;
};

TEST_F(CaldrinWithOrca, SaysTheDeleteQuestionOnceAndWhichTrackItTakes) {
    PickOnTab(1, "cmbAlbum(1)", "夏の午後");
    // The question once, and which track it is about.
    MessageBox::SetTestMode(false);
    QTimer::singleShot(2500, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->button(QMessageBox::No)->click();
    });
    window->DBGrid1->setFocus();
    window->cmdDel1->click();
    MessageBox::SetTestMode(true);
    const QStringList asked = Said();
    EXPECT_EQ(asked.count("削除してもよろしいですか？"), 1) << asked.join('\n').toStdString();
    EXPECT_TRUE(asked.contains("削除する曲: アーチスト名「森 健」 アルバム名「夏の午後」 "
                               "曲番「1」 曲名「約束」"))
        << asked.join('\n').toStdString();
}

} // namespace
