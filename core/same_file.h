// Whether two entries are one file on disk, from what was seen of them: never a pair of duplicates, and
// never one the other's copy.
#pragma once

#include "platform/file_services.h"

#include <cstddef>
#include <functional>

// The same device and index; or the same index, size and both times to the nanosecond on two devices. An
// overlay mount shows a file of its lower folder under the overlay's own device with the lower file's
// inode number, size and times: searched through both, it is one file, and deleting one name loses both.
inline bool SameFileOnDisk(const FileStamp& a, const FileStamp& b) {
    if (a.identity.index != b.identity.index) return false;
    return a.identity.device == b.identity.device ||
           (a.size == b.size && a.modified == b.modified && a.changed == b.changed);
}

// For sets of stamps that hold each file once: stamps of one file on two devices hash alike.
struct SameFileHash {
    size_t operator()(const FileStamp& stamp) const { return std::hash<uint64_t>()(stamp.identity.index); }
};
struct SameFileEqual {
    bool operator()(const FileStamp& a, const FileStamp& b) const { return SameFileOnDisk(a, b); }
};
