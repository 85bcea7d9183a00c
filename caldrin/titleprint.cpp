#include "frmcaldrin.h"

void frmCaldrin::cmdSave_Click() {
    if (SaveTitleSettings({}))
        SSTab1->SetTab(0);
}

void frmCaldrin::cmdPrint1_Click(int) {
    PrintLabel(report::Label::Md);
}

void frmCaldrin::cmdPrint2_Click(int) {
    PrintLabel(report::Label::Cassette);
}
