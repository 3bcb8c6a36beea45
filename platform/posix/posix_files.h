// What the POSIX file services share between their sources: the failure of an errno value, the stamp of a
// stat record, and a descriptor taken into a file slot. Internal to platform/posix.
#pragma once

#include "platform/common/failure.h"
#include "platform/file_services.h"

#include <sys/stat.h>

#include <string>

namespace zw_posix {

FileFailure Classify(int error);

// Records Error (an errno value) as the last failure; returns Result for the caller to hand on.
template <typename T> T Fail(int error, T result) {
    return zw_common::FailWithError(Classify(error), uint32_t(error), result);
}

FileStamp StampOf(const struct stat& info);

// A relative path is taken from the program's own folder: it becomes the current folder.
void EnterProgramFolder(const std::string& path);

// Takes the open regular file Fd, as Info describes it, into Slot and makes it the current file; the
// slot's earlier file is closed. 0 (and Fd closed) when there is no such slot.
FileHandle AdoptInSlot(int32_t slot, int fd, const struct stat& info);

} // namespace zw_posix
