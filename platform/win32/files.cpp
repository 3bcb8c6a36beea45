// File and folder services on Windows (kernel32, ANSI calls): find handles for the enumeration
// slots, file handles for the file slots, tables on the process heap.
#include "platform/file_services.h"

#include <windows.h>

#include <cstring>

const char PATH_SEPARATOR = '\\';

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
HANDLE CurrentFile = 0;
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

// A path with a zero byte would silently name a different (shorter) path.
bool Usable(const std::string& path) {
    return path.find('\0') == std::string::npos;
}

// Links and junctions are never handed out: followed they can loop, and a link grouped with its
// target would offer the only copy for deletion.
bool IsLink() {
    return (EntryRecord.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Moves the search on to the next entry that may be handed out; false at the end or on failure.
bool FindNextUsable(HANDLE search) {
    do {
        if (!FindNextFileA(search, &EntryRecord)) return false;
    } while (IsLink());
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

int32_t StartEnumeration(int32_t slot, const std::string& folder, const std::string& pattern) {
    if (slot < 0 || !EnsureEnumerationSlot(slot)) {
        CurrentEnumeration = -1;
        return 0;
    }
    SetCurrentDirectoryA(ProgramFolder().c_str());

    const std::string wildcard = pattern.empty() ? std::string("*.*") : pattern;
    bool separator = !folder.empty() && folder.back() != '\\';
    size_t length = folder.size() + (separator ? 1 : 0) + wildcard.size();
    bool fits = length < kQueryBuffer && Usable(folder) && Usable(wildcard);
    char query[kQueryBuffer];
    if (fits) {
        std::memcpy(query, folder.data(), folder.size());
        size_t at = folder.size();
        if (separator) query[at++] = '\\';
        std::memcpy(query + at, wildcard.data(), wildcard.size());
        query[length] = '\0';
    }

    CurrentEnumeration = slot;
    EnumerationSlot& current = EnumerationSlots[slot];
    if (current.search) FindClose(current.search);
    current.search = 0;
    current.Started = FALSE;
    // A query that does not fit the buffer is an enumeration that cannot start.
    if (!fits) return 0;

    HANDLE search = FindFirstFileA(query, &EntryRecord);
    if (search == INVALID_HANDLE_VALUE) return 0;
    if (IsLink() && !FindNextUsable(search)) {
        FindClose(search);
        return 0;
    }
    current.search = search;
    return 1;
}

EntryKind NextEntry() {
    if (CurrentEnumeration < 0 || CurrentEnumeration >= EnumerationCapacity) return ENTRY_END;
    EnumerationSlot& slot = EnumerationSlots[CurrentEnumeration];
    if (!slot.search) return ENTRY_END;
    bool found = slot.Started ? FindNextUsable(slot.search) : true;
    slot.Started = TRUE;
    if (found) return (EntryRecord.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? ENTRY_FOLDER : ENTRY_FILE;
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
    if (file == INVALID_HANDLE_VALUE) file = 0;
    held = file;
    CurrentFile = file;
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
    if (!Usable(path)) return 0;
    // A relative path names the file the scan and the search found, in the program's folder.
    SetCurrentDirectoryA(ProgramFolder().c_str());
    return DeleteFileA(path.c_str()) ? 1 : 0;
}

int64_t ReadBlock(void* buffer, int64_t count) {
    if (!CurrentFile || count < 0) return -1;
    int64_t done = 0;
    while (done < count) {
        DWORD chunk = DWORD(count - done < (int64_t(1) << 30) ? count - done : (int64_t(1) << 30));
        DWORD got = 0;
        if (!ReadFile(CurrentFile, static_cast<char*>(buffer) + done, chunk, &got, nullptr)) return -1;
        if (got == 0) break;
        done += got;
    }
    return done;
}

int32_t SeekFile(int64_t offset) {
    if (!CurrentFile || offset < 0) return 0;
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    return SetFilePointerEx(CurrentFile, distance, nullptr, FILE_BEGIN) ? 1 : 0;
}

int32_t CurrentFileIdentity(FileIdentity* identity) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!CurrentFile || !identity || !GetFileInformationByHandle(CurrentFile, &info)) return 0;
    identity->device = info.dwVolumeSerialNumber;
    identity->index = (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return 1;
}
