#include "frmcaldrin.h"

void frmCaldrin::cmdSave_Click() {
    if (SaveTitleSettings({}))
        SSTab1->SetTab(0);
}

// Each tab's pair prints what that tab's grid shows.
void frmCaldrin::cmdPrint1_Click(int Index) {
    PrintLabel(report::Label::Md, Index == 0 ? *Data1 : *Data2);
}

void frmCaldrin::cmdPrint2_Click(int Index) {
    PrintLabel(report::Label::Cassette, Index == 0 ? *Data1 : *Data2);
}

std::pair<QPushButton*, QPushButton*> frmCaldrin::PrintButtons(int tab) const {
    if (tab != 1 && tab != 2)
        return {};
    return {cmdPrint1[tab - 1], cmdPrint2[tab - 1]};
}
