// Placeholder.
#include "core/scan.h"
void ScanFolder(const std::string&, const std::string&, int32_t) {}
