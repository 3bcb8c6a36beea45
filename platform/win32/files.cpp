// File and folder services on Windows (kernel32, ANSI calls): find handles for the enumeration
// slots, file handles for the file slots, tables on the process heap.
#include "platform/file_services.h"

#include "platform/common/failure.h"
#include "platform/common/paths.h"
#include "platform/win32/ansi.h"
#include "platform/win32/win32_files.h"

#include <windows.h>

#include <cctype>
#include <cstring>

const char PATH_SEPARATOR = '\\';

bool EndsWithSeparator(const std::string& path) {
    if (path.empty() || path.back() != '\\') return false;
    // Only a walk from the start tells a lead byte from a trail byte.
    size_t last = 0;
    for (size_t at = 0; at < path.size(); at += IsDBCSLeadByte(BYTE(path[at])) ? 2 : 1)
        last = at;
    return last == path.size() - 1;
}

using zw_common::Failure;
using zw_common::FailWith;
using zw_common::FailWithError;
using zw_common::Succeed;
using zw_common::Usable;

namespace zw_win32 {

FileFailure Classify(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
        return FAILURE_MISSING;
    case ERROR_DIRECTORY:
        return FAILURE_NOT_FOLDER;
    case ERROR_ACCESS_DENIED:
        return FAILURE_DENIED;
    case ERROR_FILENAME_EXCED_RANGE:
        return FAILURE_TOO_LONG;
    case ERROR_TOO_MANY_OPEN_FILES:
        return FAILURE_NO_HANDLES;
    default:
        return FAILURE_OTHER;
    }
}

bool StampOf(HANDLE file, FileStamp* stamp) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!file || !stamp || !GetFileInformationByHandle(file, &info) || info.nNumberOfLinks == 0) return false;
    stamp->identity.device = info.dwVolumeSerialNumber;
    stamp->identity.index = (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    stamp->size = int64_t((uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
    stamp->modified =
        int64_t((uint64_t(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime);
    FILE_BASIC_INFO basic;
    stamp->changed = GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic)
                         ? int64_t(basic.ChangeTime.QuadPart)
                         : 0;
    return true;
}

} // namespace zw_win32

using zw_win32::Fail;
using zw_win32::StampOf;

namespace {

struct EnumerationSlot {
    HANDLE search; // 0 when the slot holds no search
    BOOL Started;
};

// The search query buffer: Folder, separator and pattern must fit with their terminator.
constexpr size_t kQueryBuffer = 255;
constexpr int32_t kInitialSlots = 10;

EnumerationSlot* EnumerationSlots = nullptr;
int32_t EnumerationCapacity = 0;
int32_t CurrentEnumeration = -1;
// One find-data record for every slot: each find call of any slot writes here.
WIN32_FIND_DATAA EntryRecord;

HANDLE* FileSlots = nullptr;
uint32_t FileCapacity = 0;
// Each thread has its own current file; the threads that read at once use slots of their own.
thread_local HANDLE CurrentFile = 0;
unsigned char ReadBuffer[4] = {0, 0, 0, 0};

std::string DetermineProgramFolder() {
    char buffer[500];
    DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    // A cut-off path would name some other folder.
    if (length == 0 || length >= sizeof buffer) return {};
    std::string path(buffer, length);
    size_t slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Grows a zero-filled heap table to Wanted elements; the existing elements keep their values.
template <typename T> bool GrowTable(T*& table, size_t wanted) {
    void* grown = table ? HeapReAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, table, wanted * sizeof(T))
                        : HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, wanted * sizeof(T));
    if (!grown) return false;
    table = static_cast<T*>(grown);
    return true;
}

// Makes Slot (not negative) an index of Table: the table starts with kInitialSlots and grows to Slot + 10.
// False when there is not the memory for it.
template <typename T, typename Count> bool EnsureSlot(T*& table, Count& capacity, uint32_t slot) {
    if (!table && GrowTable(table, kInitialSlots)) capacity = Count(kInitialSlots);
    if (slot < uint32_t(capacity)) return true;
    uint64_t wanted = uint64_t(slot) + 10;
    if (wanted > INT32_MAX || !GrowTable(table, size_t(wanted))) return false;
    capacity = Count(wanted);
    return true;
}

bool EnsureEnumerationSlot(int32_t slot) {
    return EnsureSlot(EnumerationSlots, EnumerationCapacity, uint32_t(slot));
}

bool EnsureFileSlot(uint32_t slot) {
    return EnsureSlot(FileSlots, FileCapacity, slot);
}

// A name holding "\", "/" or ":" would, joined to its folder, name something else: "..\x" a file beside
// the folder, "a:b" a stream of the file a. Wine lists Linux names so, and best fit makes such names of
// letters the code page lacks (＼ becomes \). Checked by character: a letter may end in the byte of "\".
bool HoldsSeparator(const char* name) {
    if (!std::strpbrk(name, "\\/:")) return false;
    for (const char* at = name; *at; at = CharNextA(at))
        if (*at == '\\' || *at == '/' || *at == ':') return true;
    return false;
}

// Drive and UNC paths do not depend on the current folder ("C:x" and "\\x" do).
bool IsAbsolute(const std::string& path) {
    const bool drive = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) &&
                       path[1] == ':' && path[2] == '\\';
    return drive || path.rfind("\\\\", 0) == 0;
}

// Links and junctions are never handed out: followed they can loop, and a link grouped with its
// target would offer the only copy for deletion.
bool IsLink() {
    return (EntryRecord.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Moves the search on to the next entry that may be handed out; false at the end, with the failure
// recorded when the system could not list on.
bool FindNextUsable(HANDLE search) {
    do {
        if (!FindNextFileA(search, &EntryRecord)) {
            if (GetLastError() == ERROR_NO_MORE_FILES) {
                Succeed();
                return false;
            }
            return Fail(false);
        }
    } while (IsLink());
    return true;
}

// Search specification for Folder: Folder, a separator unless it ends with one, and the pattern.
// False when it does not fit the buffer of kQueryBuffer bytes.
bool BuildQuery(const std::string& folder, const std::string& pattern, char (&query)[kQueryBuffer]) {
    const std::string wildcard = pattern.empty() ? std::string("*.*") : pattern;
    const bool separator = !folder.empty() && !EndsWithSeparator(folder);
    const size_t length = folder.size() + (separator ? 1 : 0) + wildcard.size();
    if (length >= kQueryBuffer || !Usable(folder) || !Usable(wildcard)) return false;
    std::memcpy(query, folder.data(), folder.size());
    size_t at = folder.size();
    if (separator) query[at++] = '\\';
    std::memcpy(query + at, wildcard.data(), wildcard.size());
    query[length] = '\0';
    return true;
}

} // namespace

void InitFileServices() {
    if (EnumerationSlots) return;
    ProgramFolder();
    EnsureFileSlot(0);
    EnsureEnumerationSlot(0);
}

const std::string& ProgramFolder() {
    static const std::string folder = DetermineProgramFolder();
    return folder;
}

std::string LastFailureText() {
    if (Failure.code == FAILURE_NONE) return {};
    if (Failure.own) return Failure.own;
    char text[512];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                  Failure.error, 0, text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == ' ' ||
                          text[length - 1] == '.'))
        --length;
    if (length == 0) return "error " + std::to_string(Failure.error);
    return std::string(text, length);
}

int32_t CheckFolder(const std::string& folder) {
    if (folder.empty() || !Usable(folder)) return FailWith(FAILURE_MISSING, "no folder given", 0);
    // The command line checks each folder before it makes the next one absolute: the current folder
    // stays the user's until a relative folder needs the program's.
    if (!IsAbsolute(folder)) SetCurrentDirectoryA(ProgramFolder().c_str());
    char query[kQueryBuffer];
    if (!BuildQuery(folder, "*.*", query)) return FailWith(FAILURE_TOO_LONG, "path too long", 0);
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return Fail(0);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return FailWith(FAILURE_NOT_FOLDER, "not a folder", 0);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(query, &found);
    if (search == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_NOT_FOUND) return Fail(0);
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    Succeed();
    return 1;
}

int32_t FolderDevice(const std::string& folder, uint64_t* device) {
    if (!Usable(folder)) return FailWith(FAILURE_MISSING, "the name holds a zero byte", 0);
    if (!IsAbsolute(folder)) SetCurrentDirectoryA(ProgramFolder().c_str());
    HANDLE handle = CreateFileA(
        folder.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return Fail(0);
    BY_HANDLE_FILE_INFORMATION info;
    const BOOL known = GetFileInformationByHandle(handle, &info);
    CloseHandle(handle);
    if (!known) return Fail(0);
    *device = info.dwVolumeSerialNumber;
    Succeed();
    return 1;
}

std::string AbsoluteFolder(const std::string& folder) {
    std::wstring wide;
    if (!Usable(folder) || !zw_win32::WideOf(folder, &wide))
        return FailWith(FAILURE_OTHER, "the name is no text of the system's code page", std::string());
    // The wide call: the ANSI one takes no path past MAX_PATH, which is for CheckFolder to call too long,
    // and would put the current folder in as a best-fit lookalike where the code page cannot name it.
    const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    std::wstring full(needed, L'\0');
    const DWORD length = needed ? GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr) : 0;
    if (length == 0 || length >= needed) return Fail(std::string());
    full.resize(length);
    std::string path;
    if (!zw_win32::ExactAnsi(full, &path))
        return FailWith(FAILURE_OTHER, "the system's code page cannot name the current folder",
                        std::string());
    if (!EndsWithSeparator(path)) path.push_back('\\');
    Succeed();
    return path;
}

int32_t StartEnumeration(int32_t slot, const std::string& folder, const std::string& pattern) {
    if (slot < 0 || !EnsureEnumerationSlot(slot)) {
        CurrentEnumeration = -1;
        return FailWith(FAILURE_OTHER, "out of memory", 0);
    }
    SetCurrentDirectoryA(ProgramFolder().c_str());
    char query[kQueryBuffer];
    const bool fits = BuildQuery(folder, pattern, query);

    CurrentEnumeration = slot;
    EnumerationSlot& current = EnumerationSlots[slot];
    if (current.search) FindClose(current.search);
    current.search = 0;
    current.Started = FALSE;
    // A query that does not fit the buffer is an enumeration that cannot start.
    if (!fits) return FailWith(FAILURE_TOO_LONG, "path too long", 0);

    HANDLE search = FindFirstFileA(query, &EntryRecord);
    if (search == INVALID_HANDLE_VALUE) {
        // A folder without any entry (an empty drive root) is no failure.
        if (GetLastError() == ERROR_FILE_NOT_FOUND) {
            Succeed();
            return 0;
        }
        return Fail(0);
    }
    if (IsLink() && !FindNextUsable(search)) {
        FindClose(search);
        return 0;
    }
    Succeed();
    current.search = search;
    return 1;
}

EntryKind NextEntry() {
    Succeed();
    if (CurrentEnumeration < 0 || CurrentEnumeration >= EnumerationCapacity) return ENTRY_END;
    EnumerationSlot& slot = EnumerationSlots[CurrentEnumeration];
    if (!slot.search) return ENTRY_END;
    bool found = slot.Started ? FindNextUsable(slot.search) : true;
    slot.Started = TRUE;
    if (found) {
        if (HoldsSeparator(EntryRecord.cFileName))
            return FailWith(FAILURE_OTHER, "the name holds a separator (\\, / or :)", ENTRY_UNREADABLE);
        return (EntryRecord.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? ENTRY_FOLDER : ENTRY_FILE;
    }
    FindClose(slot.search);
    slot.search = 0;
    return ENTRY_END;
}

std::string EntryName() {
    return std::string(EntryRecord.cFileName, strnlen(EntryRecord.cFileName, MAX_PATH));
}

int64_t EntrySize() {
    return int64_t((uint64_t(EntryRecord.nFileSizeHigh) << 32) | uint64_t(EntryRecord.nFileSizeLow));
}

void SelectEnumeration(int32_t slot) {
    CurrentEnumeration = slot >= 0 && slot < EnumerationCapacity ? slot : -1;
}

FileHandle OpenForReading(int32_t slot, const std::string& path) {
    // A negative slot, taken as unsigned, would ask for a table of some four thousand million slots.
    if (slot < 0 || !EnsureFileSlot(uint32_t(slot))) {
        CurrentFile = 0;
        return 0;
    }
    SetCurrentDirectoryA(ProgramFolder().c_str());
    HANDLE& held = FileSlots[slot];
    // A file still held by the slot would otherwise stay open until the program ends.
    if (held) CloseHandle(held);
    held = 0;
    HANDLE file = INVALID_HANDLE_VALUE;
    if (Usable(path))
        file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        if (Usable(path))
            Fail(0);
        else
            FailWith(FAILURE_MISSING, "the name holds a zero byte", 0);
        file = 0;
    } else {
        Succeed();
    }
    held = file;
    CurrentFile = file;
    return reinterpret_cast<FileHandle>(file);
}

FileHandle zw_win32::AdoptInSlot(int32_t slot, HANDLE file) {
    CurrentFile = 0;
    if (slot < 0 || !EnsureFileSlot(uint32_t(slot))) {
        CloseHandle(file);
        return FailWith<FileHandle>(FAILURE_OTHER, "out of memory", 0);
    }
    HANDLE& held = FileSlots[slot];
    if (held) CloseHandle(held);
    held = file;
    CurrentFile = file;
    Succeed();
    return reinterpret_cast<FileHandle>(file);
}

void SelectFile(int32_t slot) {
    CurrentFile = slot >= 0 && uint32_t(slot) < FileCapacity ? FileSlots[slot] : 0;
}

int32_t ReadInt32() {
    DWORD got = 0;
    if (CurrentFile) ReadFile(CurrentFile, ReadBuffer, 4, &got, nullptr);
    return int32_t(uint32_t(ReadBuffer[0]) | uint32_t(ReadBuffer[1]) << 8 | uint32_t(ReadBuffer[2]) << 16 |
                   uint32_t(ReadBuffer[3]) << 24);
}

int32_t ReadInt8() {
    DWORD got = 0;
    if (CurrentFile) ReadFile(CurrentFile, ReadBuffer, 1, &got, nullptr);
    return int8_t(ReadBuffer[0]);
}

void CloseFileSlot(int32_t slot) {
    if (slot < 0 || uint32_t(slot) >= FileCapacity) return;
    HANDLE& held = FileSlots[slot];
    if (!held) return;
    // Handle values are reused by the system: neither the slot nor the current file may keep a
    // closed one, or a later read or close would reach some other object.
    CloseHandle(held);
    if (CurrentFile == held) CurrentFile = 0;
    held = 0;
}

int32_t RemoveFile(const std::string& path) {
    if (!Usable(path)) return FailWith(FAILURE_MISSING, "the name holds a zero byte", 0);
    // A relative path names the file the scan and the search found, in the program's folder.
    SetCurrentDirectoryA(ProgramFolder().c_str());
    if (!DeleteFileA(path.c_str())) return Fail(0);
    // Done means gone. Wine reports success for a file that it then fails to remove, and Windows keeps
    // the name of a file that another program holds open until that program lets go.
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        return FailWith(FAILURE_OTHER, "the file is still there", 0);
    Succeed();
    return 1;
}

int64_t ReadBlock(void* buffer, int64_t count) {
    if (!CurrentFile || count < 0) return FailWith<int64_t>(FAILURE_OTHER, "no file is open", -1);
    int64_t done = 0;
    while (done < count) {
        DWORD chunk = DWORD(count - done < (int64_t(1) << 30) ? count - done : (int64_t(1) << 30));
        DWORD got = 0;
        if (!ReadFile(CurrentFile, static_cast<char*>(buffer) + done, chunk, &got, nullptr))
            return Fail<int64_t>(-1);
        if (got == 0) break;
        done += got;
    }
    Succeed();
    return done;
}

int32_t SeekFile(int64_t offset) {
    if (!CurrentFile || offset < 0) return FailWith(FAILURE_OTHER, "no file is open", 0);
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    if (!SetFilePointerEx(CurrentFile, distance, nullptr, FILE_BEGIN)) return Fail(0);
    Succeed();
    return 1;
}

// Nobody can write to a file while it is open here (it is shared for reading only), so what the
// system tells now is what the open found.
int32_t OpenedFileStamp(FileStamp* stamp) {
    return StampOf(CurrentFile, stamp) ? 1 : 0;
}

int32_t CurrentFileStamp(FileStamp* stamp) {
    return StampOf(CurrentFile, stamp) ? 1 : 0;
}

int32_t ReserveFileSlots(int32_t count) {
    return count <= 0 || EnsureFileSlot(uint32_t(count - 1)) ? 1 : 0;
}

FileHandle OpenInSlot(int32_t slot, const std::string& path, FileStamp* stamp) {
    if (slot < 0 || uint32_t(slot) >= FileCapacity)
        return FailWith<FileHandle>(FAILURE_OTHER, "no such file slot", 0);
    SetCurrentDirectoryA(ProgramFolder().c_str());
    HANDLE& held = FileSlots[slot];
    // A file still held by the slot would otherwise stay open until the program ends.
    if (held) CloseHandle(held);
    held = 0;
    if (!Usable(path)) return FailWith<FileHandle>(FAILURE_MISSING, "the name holds a zero byte", 0);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Fail<FileHandle>(0);
    if (stamp && !StampOf(file, stamp)) {
        CloseHandle(file);
        return FailWith<FileHandle>(FAILURE_OTHER, "the file cannot be examined", 0);
    }
    held = file;
    Succeed();
    return reinterpret_cast<FileHandle>(file);
}

int64_t ReadInSlot(int32_t slot, void* buffer, int64_t count, int64_t offset) {
    HANDLE file = slot >= 0 && uint32_t(slot) < FileCapacity ? FileSlots[slot] : 0;
    if (!file || count < 0 || offset < 0) return FailWith<int64_t>(FAILURE_OTHER, "no file is open", -1);
    int64_t done = 0;
    while (done < count) {
        // A position given with each read leaves the file's own position, and other threads, alone.
        OVERLAPPED at = {};
        at.Offset = DWORD(uint64_t(offset + done));
        at.OffsetHigh = DWORD(uint64_t(offset + done) >> 32);
        DWORD chunk = DWORD(count - done < (int64_t(1) << 30) ? count - done : (int64_t(1) << 30));
        DWORD got = 0;
        if (!ReadFile(file, static_cast<char*>(buffer) + done, chunk, &got, &at)) {
            if (GetLastError() == ERROR_HANDLE_EOF) break;
            return Fail<int64_t>(-1);
        }
        if (got == 0) break;
        done += got;
    }
    Succeed();
    return done;
}

int32_t ListFolder(const std::string& folder, int32_t, FolderListing* listing) {
    listing->entries.clear();
    listing->texts.clear();
    SetCurrentDirectoryA(ProgramFolder().c_str());
    char query[kQueryBuffer];
    // A query that does not fit the buffer is a folder that cannot be listed.
    if (!BuildQuery(folder, "*.*", query)) return FailWith(FAILURE_TOO_LONG, "path too long", 0);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(query, &found);
    if (search == INVALID_HANDLE_VALUE) {
        // A folder without any entry (an empty drive root) is no failure.
        if (GetLastError() != ERROR_FILE_NOT_FOUND) return Fail(0);
        Succeed();
        return 1;
    }
    for (;;) {
        const std::string_view name(found.cFileName, strnlen(found.cFileName, MAX_PATH));
        // Links and junctions are never handed out, nor "." and "..".
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && name != "." && name != "..") {
            if (HoldsSeparator(found.cFileName))
                AddListed(*listing, name, ENTRY_UNREADABLE, 0, FAILURE_OTHER,
                          "the name holds a separator (\\, / or :)");
            else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                AddListed(*listing, name, ENTRY_FOLDER, 0);
            else
                AddListed(*listing, name, ENTRY_FILE,
                          int64_t((uint64_t(found.nFileSizeHigh) << 32) | uint64_t(found.nFileSizeLow)));
        }
        if (!FindNextFileA(search, &found)) {
            const DWORD error = GetLastError();
            FindClose(search);
            listing->entries.shrink_to_fit();
            listing->texts.shrink_to_fit();
            if (error == ERROR_NO_MORE_FILES) {
                Succeed();
                return 1;
            }
            SetLastError(error);
            return Fail(1);
        }
    }
}
