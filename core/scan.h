// The folder scan: catalogues every file below a folder, depth first and pre-order.
#pragma once

#include <cstdint>
#include <string>

// Appends one FileEntry per file below Folder to the Catalogue. One trailing separator of Folder is
// dropped. Depth is the enumeration slot (0 for the top call).
void ScanFolder(const std::string& folder, const std::string& pattern, int32_t depth);
