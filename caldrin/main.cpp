#include "frmcaldrin.h"
#include "runprogram.h"

int main(int argc, char* argv[]) {
    return RunProgram<frmCaldrin>(argc, argv);
}
