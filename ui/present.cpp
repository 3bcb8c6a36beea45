// Placeholder.
#include "ui/present.h"
void RefreshLists(int32_t) {}
bool HasBakExtension(const std::string&) { return false; }
