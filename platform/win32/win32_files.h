// What the Win32 file services share between their sources: the failure of the thread's last error, the
// stamp of an open file, and a handle taken into a file slot. Internal to platform/win32.
#pragma once

#include "platform/common/failure.h"
#include "platform/file_services.h"

#include <windows.h>

namespace zw_win32 {

FileFailure Classify(DWORD error);

// Records the thread's last error as the failure; returns Result for the caller to hand on.
template <typename T> T Fail(T result) {
    const DWORD error = GetLastError();
    return zw_common::FailWithError(Classify(error), error, result);
}

// The stamp of an open file as the system tells it now; false when it cannot, or the file has no name.
bool StampOf(HANDLE file, FileStamp* stamp);

// Takes the open file into Slot and makes it the current file; the slot's earlier file is closed. 0 (and
// File closed) when there is no such slot.
FileHandle AdoptInSlot(int32_t slot, HANDLE file);

} // namespace zw_win32
