// File and folder services: numbered enumeration slots, numbered file slots and file removal.
// One backend per platform implements this header (platform/posix, platform/win32).
#pragma once

#include <cstdint>
#include <string>

// Path separator of the platform, and the same as a string for concatenation.
extern const char PATH_SEPARATOR;

enum EntryKind : int32_t { ENTRY_END = 0, ENTRY_FILE = 1, ENTRY_FOLDER = 2 };

// Determines ProgramFolder and creates both slot tables (10 slots each). Call once at start-up.
void InitFileServices();
// The folder of the running executable, ending with the separator ("" when it cannot be determined).
const std::string& ProgramFolder();

// Opens an enumeration of Folder in Slot and makes it current. 1 when there is at least one entry.
// Links (and on Linux anything but regular files and folders) are never handed out; "." and ".."
// are handed out as folders like any other entry, in the platform's order.
int32_t StartEnumeration(int32_t slot, const std::string& folder, const std::string& pattern);
// Next entry of the current enumeration slot; ENTRY_END for ever once the enumeration has ended.
EntryKind NextEntry();
// Name and whole size of the entry handed out last by any slot.
std::string EntryName();
int64_t EntrySize();
// Makes a slot that StartEnumeration used before current again.
void SelectEnumeration(int32_t slot);

// A file opened for reading. The handle is non-zero on success and is only tested for 0.
using FileHandle = intptr_t;
FileHandle OpenForReading(int32_t slot, const std::string& path);
void SelectFile(int32_t slot);
// 4 bytes (little-endian) / 1 byte (sign-extended) from the current file into the shared 4-byte
// buffer; bytes that do not arrive keep what the previous read left in the buffer.
int32_t ReadInt32();
int32_t ReadInt8();
void CloseFileSlot(int32_t slot);
// Deletes the file at a full path; non-zero on success, 0 on any failure.
int32_t RemoveFile(const std::string& path);

// --- Additions for the fast search -------------------------------------------------------------
// Reads up to Count bytes from the current file at its position into Buffer. Returns the bytes that
// arrived: fewer than Count only at end of file; -1 on a read error or when no file is current.
int64_t ReadBlock(void* buffer, int64_t count);
// Moves the current file's position to Offset bytes from its start. 1 on success, 0 otherwise.
int32_t SeekFile(int64_t offset);

// What tells two open files apart on disk: device and inode, or volume serial and file index.
struct FileIdentity {
    uint64_t device = 0;
    uint64_t index = 0;
    bool operator==(const FileIdentity&) const = default;
};
// Identity of the file open in the current slot; 0 when no file is current or it cannot be told.
int32_t CurrentFileIdentity(FileIdentity* identity);
