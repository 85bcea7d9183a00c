#include "frmtrensoly.h"
#include "runprogram.h"

int main(int argc, char* argv[]) {
    return RunProgram<frmTrensoly>(argc, argv);
}
