#include "frmtrensoly.h"

void frmTrensoly::cmdSave_Click() {
    // Neither order chosen (no settings were read) saves descending, as any choice but 昇順 does.
    const bool ascending = opAsc->isChecked();
    if (!SaveTitleSettings({ascending ? QStringLiteral("A") : QStringLiteral("D")}))
        return;
    MdSortOrder = ascending ? QStringLiteral("ASC") : QStringLiteral("DESC");
    FillDiscLists();
    SSTab1->SetTab(0);
}

void frmTrensoly::cmdPrint1_Click() {
    PrintLabel(report::Label::Md, *Data1);
}

void frmTrensoly::cmdPrint2_Click() {
    PrintLabel(report::Label::Cassette, *Data1);
}

std::pair<QPushButton*, QPushButton*> frmTrensoly::PrintButtons(int tab) const {
    if (tab != 1)
        return {};
    return {cmdPrint1, cmdPrint2};
}
