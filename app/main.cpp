#include "ui/program.h"

int main() {
    return RunProgram();
}
