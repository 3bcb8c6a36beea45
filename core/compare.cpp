// Placeholder.
#include "core/compare.h"
int32_t CompareFiles(const std::string&, const std::string&, int64_t) { return 0; }
