// The folder scan: catalogues every file below a folder, depth first and pre-order.
#pragma once

#include "core/omissions.h"
#include "core/progress.h"

#include <cstdint>
#include <string>
#include <vector>

struct ScanRequest {
    int32_t readers = 0; // listing threads: 0 chosen by itself, 1 lists on the calling thread alone
    // Files outside [minSize, maxSize] are left out, and files and folders whose name matches a pattern
    // of Exclude (NameMatches); the top folder itself is always walked.
    int64_t minSize = 0;
    int64_t maxSize = INT64_MAX;
    std::vector<std::string> exclude;
    bool oneFileSystem = false; // folders on another file system than the top folder's are not walked
    StopCheck stop = {}; // when it says stop, the walk ends where it is: the catalogue holds what it found
};

struct ScanResult {
    std::vector<Omission> omissions; // files and folders that could not be listed, in the walk's order
    // What the request's filters left out.
    int64_t filesBySize = 0;
    int64_t filesByName = 0;
    int64_t foldersByName = 0;
    int64_t foldersByDevice = 0; // left out for lying on another file system
    bool stopped = false;        // ended early on request
};

// Appends one FileEntry per file below Folder to the Catalogue. One trailing separator of Folder is
// dropped. Depth is the enumeration slot (0 for the top call).
ScanResult ScanFolder(const std::string& folder, const std::string& pattern, int32_t depth,
                      const ScanRequest& request = {});
