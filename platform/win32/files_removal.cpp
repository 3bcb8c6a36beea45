// Removing exactly the file that was checked, on Windows: the file is opened with delete access, without
// following a reparse point and shared with nobody who could write, rename or delete it; what the handle
// shows is checked, and the file is deleted through that very handle.
//
// Example: removing C:\d\a while a sync tool wants to put a new C:\d\a there. Once held, the tool's rename
// onto the name fails (the name's file is not shared for deletion), so the handle, the check and the
// deletion all concern one file; letting go without deleting leaves it exactly as it was.
#include "platform/file_services.h"

#include "platform/common/paths.h"
#include "platform/win32/win32_files.h"

#include <windows.h>

#include <string>

using zw_common::FailWith;
using zw_common::Succeed;
using zw_common::Usable;
using zw_win32::Fail;

namespace {

// The path the system reached through the handle, in the form the program uses ("C:\d\a", "\\srv\s\a").
bool FinalPath(HANDLE file, std::string* path) {
    char buffer[1024];
    const DWORD length = GetFinalPathNameByHandleA(file, buffer, sizeof buffer, FILE_NAME_NORMALIZED);
    if (length == 0 || length >= sizeof buffer) return false;
    std::string final(buffer, length);
    if (final.rfind("\\\\?\\UNC\\", 0) == 0)
        final = "\\\\" + final.substr(8);
    else if (final.rfind("\\\\?\\", 0) == 0)
        final = final.substr(4);
    *path = final;
    return true;
}

// Path, made absolute from the program's folder, names what the handle reached with no junction or link
// on the way: a path through a link would lead the system somewhere else.
bool ReachedDirectly(HANDLE file, const std::string& path) {
    char full[1024];
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    std::string final;
    if (length == 0 || length >= sizeof full || !FinalPath(file, &final)) return false;
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, full, int(length), final.data(),
                          int(final.size())) == CSTR_EQUAL;
}

void LetGo(HeldFile* held) {
    if (held->handle) CloseHandle(reinterpret_cast<HANDLE>(held->handle));
    held->handle = 0;
}

} // namespace

int32_t HoldFile(const std::string& path, HeldFile* held) {
    *held = HeldFile{};
    held->path = path;
    if (!Usable(path)) return FailWith(FAILURE_MISSING, "the name holds a zero byte", 0);
    SetCurrentDirectoryA(ProgramFolder().c_str());
    // Folders open too, so that a file replaced by a folder is told apart from a file the system refuses.
    HANDLE file =
        CreateFileA(path.c_str(), DELETE | GENERIC_READ | FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Fail(0);
    held->handle = reinterpret_cast<intptr_t>(file);
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
        LetGo(held);
        return FailWith(FAILURE_CHANGED, "not a regular file", 0);
    }
    if (!ReachedDirectly(file, path)) {
        LetGo(held);
        return FailWith(FAILURE_CHANGED, "a link stands on the path", 0);
    }
    if (!zw_win32::StampOf(file, &held->stamp)) {
        LetGo(held);
        return FailWith(FAILURE_OTHER, "the file cannot be examined", 0);
    }
    Succeed();
    return 1;
}

FileHandle OpenHeldForReading(int32_t slot, const HeldFile& held) {
    HANDLE copy = nullptr;
    if (!held.handle) return FailWith<FileHandle>(FAILURE_OTHER, "no file is held", 0);
    if (!DuplicateHandle(GetCurrentProcess(), reinterpret_cast<HANDLE>(held.handle), GetCurrentProcess(),
                         &copy, GENERIC_READ, FALSE, 0))
        return Fail<FileHandle>(0);
    // A duplicate shares the position of the held handle: reads start at the beginning.
    LARGE_INTEGER start{};
    SetFilePointerEx(copy, start, nullptr, FILE_BEGIN);
    return zw_win32::AdoptInSlot(slot, copy);
}

int32_t RemoveHeldFile(HeldFile* held) {
    if (!held->handle) return FailWith(FAILURE_OTHER, "no file is held", 0);
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    if (!SetFileInformationByHandle(reinterpret_cast<HANDLE>(held->handle), FileDispositionInfo, &disposition,
                                    sizeof disposition)) {
        const int32_t result = Fail(0);
        LetGo(held);
        return result;
    }
    LetGo(held);
    // Done means gone. Wine reports success for a file that it then fails to remove, and Windows keeps
    // the name of a file that another program holds open until that program lets go.
    if (GetFileAttributesA(held->path.c_str()) != INVALID_FILE_ATTRIBUTES)
        return FailWith(FAILURE_OTHER, "the file is still there", 0);
    Succeed();
    return 1;
}

int32_t ReleaseHeldFile(HeldFile* held) {
    LetGo(held);
    return 1;
}

std::string HeldPath(const HeldFile& held) {
    return held.handle ? held.path : std::string();
}
