// Replacing a copy by a hard link to the file kept (CreateHardLinkA); Windows shares no storage here.
#include "platform/common/failure.h"
#include "platform/file_services.h"
#include "platform/win32/win32_files.h"

#include <string>
#include <windows.h>

using zw_common::FailWith;
using zw_common::FailWithError;
using zw_common::Succeed;

namespace {

template <typename T> T FailLast(T result) {
    return zw_win32::Fail(result);
}

// The identity of the file at Path, not following a reparse point; false when it cannot be told.
bool IdentityOf(const std::string& path, FileIdentity* identity) {
    HANDLE file =
        CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = GetFileInformationByHandle(file, &info) != 0;
    CloseHandle(file);
    if (!known || (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)))
        return false;
    identity->device = info.dwVolumeSerialNumber;
    identity->index = (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

} // namespace

int32_t ReplaceHeldByLink(HeldFile* held, const std::string& kept, const FileIdentity& keptIdentity) {
    const std::string& path = held->path;
    const size_t slash = path.rfind('\\');
    if (!held->handle || slash == std::string::npos) return FailWith(FAILURE_OTHER, "no file is held", 0);
    std::string hidden;
    for (int tries = 0;; ++tries) {
        hidden = path.substr(0, slash + 1) + ".zwillingsfeger-link-" + std::to_string(GetTickCount64()) +
                 "-" + std::to_string(tries);
        if (CreateHardLinkA(hidden.c_str(), kept.c_str(), nullptr)) break;
        if (GetLastError() != ERROR_ALREADY_EXISTS || tries == 16) {
            const int32_t failed = FailLast(0);
            ReleaseHeldFile(held);
            return failed;
        }
    }
    FileIdentity made;
    if (!IdentityOf(hidden, &made) || !(made == keptIdentity)) {
        DeleteFileA(hidden.c_str());
        ReleaseHeldFile(held);
        return FailWith(FAILURE_OTHER, "the kept file changed since the search", 0);
    }
    // The held copy goes through its own handle; its name is then free for the link, which replaces
    // nothing: a file another program put there meanwhile stays, and the link (the kept file) goes.
    if (!RemoveHeldFile(held)) {
        const DWORD error = GetLastError();
        DeleteFileA(hidden.c_str());
        SetLastError(error);
        return FailLast(0);
    }
    if (!MoveFileExA(hidden.c_str(), path.c_str(), 0)) {
        const DWORD error = GetLastError();
        DeleteFileA(hidden.c_str());
        SetLastError(error);
        return FailLast(0);
    }
    Succeed();
    return 1;
}

int64_t ShareStorage(const std::string&, const std::string&, int64_t) {
    return FailWith<int64_t>(FAILURE_OTHER, "not supported on Windows", -1);
}
