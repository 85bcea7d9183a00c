#include "frmcaldrin.h"

void frmCaldrin::SSTab1_Click(int PreviousTab) {
    PrevTab = PreviousTab;
    if (SSTab1->Tab() == 3) {
        cmdTuika->setEnabled(true);
        chkRenzoku->setEnabled(true);
        cmdUpdate->setEnabled(false);
    }
}
