// Placeholder.
#include "ui/layout.h"
bool OpenMainWindow() { return false; }
