// Placeholder.
#include "core/search.h"
void FindDuplicates() {}
const SearchStats& LastSearchStats() { static SearchStats s; return s; }
