#include "frmcaldrin.h"
#include "labelpreview.h"
#include "msgbox.h"
#include "titlefile.h"
#include "titlestyle.h"

namespace {

QString Flag(const QCheckBox& box) {
    return box.isChecked() ? QStringLiteral("Y") : QStringLiteral("N");
}

} // namespace

bool frmCaldrin::TitlesCanBeSaved() {
    for (const QLineEdit* title : {txtTitle1, txtTitle2}) {
        // The file stores a title between double quotes; a quote inside it that looks like the
        // closing one would cut the title short when it is read back.
        if (!titlefile::ReadsBackWhole(title->text())) {
            MsgBox(QStringLiteral(
                       "タイトルの最後とカンマの前には、ダブルコーテーションは使用出来ません。"),
                   vbOKOnly, QStringLiteral("確認"));
            return false;
        }
        if (!titlefile::CanEncode(title->text())) {
            MsgBox(QStringLiteral("タイトルにシフトJISで保存できない文字が含まれています。"),
                   vbOKOnly, QStringLiteral("確認"));
            return false;
        }
    }
    return true;
}

void frmCaldrin::cmdSave_Click() {
    if (!TitlesCanBeSaved())
        return;
    const QString flag1 = Flag(*chkSyasen1);
    const QString flag2 = Flag(*chkSyasen2);
    // The old settings stay whole until the new file is complete on the disk; until then the
    // window keeps showing them too, so what it shows is what the next start will read.
    try {
        titlefile::OutputFile file(QStringLiteral("TITLE.TXT"));
        file.Write(txtTitle1->text());
        file.Write(txtTitle2->text());
        file.Write(flag1);
        file.Write(flag2);
        file.Close();
    } catch (const titlefile::FileError& error) {
        MsgBox(QString::fromUtf8(error.what()), vbOKOnly, QStringLiteral("確認"));
        return;
    }

    lblTitle1->setText(txtTitle1->text());
    TitleLine1 = txtTitle1->text();
    lblTitle2->setText(txtTitle2->text());
    TitleLine2 = txtTitle2->text();
    SlantFlag1 = flag1;
    ApplyTitleStyle(*lblTitle1, SlantFlag1);
    SlantFlag2 = flag2;
    ApplyTitleStyle(*lblTitle2, SlantFlag2);
    SSTab1->SetTab(0);
}

void frmCaldrin::cmdPrint1_Click(int) {
    PrintLabel(report::Label::Md);
}

void frmCaldrin::cmdPrint2_Click(int) {
    PrintLabel(report::Label::Cassette);
}

void frmCaldrin::PrintLabel(report::Label label) {
    // The label reads the catalogue this window has open, wherever the program was started.
    report::PrintLabel(this, Program::Caldrin, label, dbTrack->Path(), SqlText);
}
