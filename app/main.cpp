// zwillingsfeger: the desktop program's entry.
#include "ui/program.h"

int main() {
    return RunProgram();
}
