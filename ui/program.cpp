// Placeholder.
#include "ui/program.h"
#include <string>
bool StartProgram() { return false; }
int32_t RunOneEvent() { return 16; }
int32_t FinishProgram() { return 0; }
int32_t RunProgram() { return 0; }
const std::string& LastAddedFolder() { static std::string s; return s; }
void ApplyEnablingRules() {}
