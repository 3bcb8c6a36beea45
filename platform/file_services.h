// File and folder services: numbered enumeration slots, numbered file slots and file removal.
// One backend per platform implements this header (platform/posix, platform/win32).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Path separator of the platform, and the same as a string for concatenation.
extern const char PATH_SEPARATOR;
// True when Path ends with the separator as a character of its own, false otherwise (also for ""). In a
// double-byte code page the separator's byte can be the second half of a letter (表 is 95 5C in 932).
bool EndsWithSeparator(const std::string& path);

// ENTRY_UNREADABLE: an entry that was listed but could not be examined (it vanished meanwhile, or the
// system refused to tell what it is) or cannot be joined to its folder (on Windows, a name holding "\",
// "/" or ":"); EntryName gives its name and LastFailure the reason.
enum EntryKind : int32_t { ENTRY_END = 0, ENTRY_FILE = 1, ENTRY_FOLDER = 2, ENTRY_UNREADABLE = 3 };

// Why the last call of this layer that can fail did fail; FAILURE_NONE after one that succeeded, and
// after an enumeration that ended because it had no more entries. The calls that set it are those that
// state a failure value below.
enum FileFailure : int32_t {
    FAILURE_NONE = 0,
    FAILURE_MISSING = 1,    // no such file or folder (it may have vanished)
    FAILURE_NOT_FOLDER = 2, // a part of the path is not a folder
    FAILURE_DENIED = 3,     // no permission
    FAILURE_TOO_LONG = 4,   // longer than the system or this layer can take
    FAILURE_OTHER = 5,      // anything else: an I/O error, a link loop, ...
    FAILURE_NO_HANDLES = 6, // the process holds as many files as the system lets it
    FAILURE_CHANGED = 7,    // not the file it was: replaced, no regular file, or a link on its path
};
FileFailure LastFailure();
// The system's own words for the last failure, such as "Input/output error"; "" after a success.
std::string LastFailureText();

// Determines ProgramFolder and creates both slot tables (10 slots each). Call once at start-up.
void InitFileServices();
// The folder of the running executable, ending with the separator ("" when it cannot be determined).
const std::string& ProgramFolder();

// 1 when Folder is a folder whose entries can be listed and examined (a link to a folder counts); 0
// otherwise, with LastFailure telling why.
int32_t CheckFolder(const std::string& folder);
// The file system Folder lies on (its device, or on Windows its volume serial), not following a link at
// its end. 0 when it cannot be told (LastFailure tells why).
int32_t FolderDevice(const std::string& folder, uint64_t* device);
// Folder as an absolute path ending with one separator; a relative one is taken from the current folder.
// "" when there is no current folder to take it from (it was removed, or on Windows the code page cannot
// name it), with LastFailure telling why.
std::string AbsoluteFolder(const std::string& folder);

// Opens an enumeration of Folder in Slot and makes it current. 1 when there is at least one entry;
// 0 when there is none (LastFailure FAILURE_NONE) or the folder cannot be listed.
// Links (and on Linux anything but regular files and folders) are never handed out; "." and ".."
// are handed out as folders like any other entry, in the platform's order.
int32_t StartEnumeration(int32_t slot, const std::string& folder, const std::string& pattern);
// Next entry of the current enumeration slot; ENTRY_END for ever once the enumeration has ended. An
// enumeration that ends because the system failed to list further ends with LastFailure set.
EntryKind NextEntry();
// Name and whole size of the entry handed out last by any slot.
std::string EntryName();
int64_t EntrySize();
// Makes a slot that StartEnumeration used before current again.
void SelectEnumeration(int32_t slot);

// A file opened for reading. The handle is non-zero on success and is only tested for 0.
using FileHandle = intptr_t;
// 0 on failure (LastFailure tells why): only regular files open, never through a link at the end.
FileHandle OpenForReading(int32_t slot, const std::string& path);
void SelectFile(int32_t slot);
// 4 bytes (little-endian) / 1 byte (sign-extended) from the current file into the shared 4-byte
// buffer; bytes that do not arrive keep what the previous read left in the buffer.
int32_t ReadInt32();
int32_t ReadInt8();
void CloseFileSlot(int32_t slot);
// Deletes the file at a full path; non-zero on success, 0 on any failure (LastFailure tells why). A
// removal the system reports as done while the file is still there under its name is a failure.
int32_t RemoveFile(const std::string& path);

// --- Additions for the fast search -------------------------------------------------------------
// Reads up to Count bytes from the current file at its position into Buffer. Returns the bytes that
// arrived: fewer than Count only at end of file; -1 on a read error (LastFailure tells it) or when no
// file is current.
int64_t ReadBlock(void* buffer, int64_t count);
// Moves the current file's position to Offset bytes from its start. 1 on success, 0 otherwise.
int32_t SeekFile(int64_t offset);

// What tells two open files apart on disk: device and inode, or volume serial and file index.
struct FileIdentity {
    uint64_t device = 0;
    uint64_t index = 0;
    bool operator==(const FileIdentity&) const = default;
};
// What a file was when it was looked at: which file on disk, its length and its times in the platform's
// units. A file replaced, written to or changed in length since gets another stamp (a rewrite within one
// tick of the file system's clock may not).
struct FileStamp {
    FileIdentity identity;
    int64_t size = -1;
    int64_t modified = 0; // last write of the data
    int64_t changed = 0;  // last change of data or attributes where the platform keeps one, else 0
    bool operator==(const FileStamp&) const = default;
};
// The current file as its open found it; no system call where the open asked already. 0 when no file
// is current or the system cannot tell.
int32_t OpenedFileStamp(FileStamp* stamp);
// The current file as the system sees it now, asked through its handle. 0 when no file is current, the
// system cannot tell, or the file has no name any more (removed or replaced since it was opened).
int32_t CurrentFileStamp(FileStamp* stamp);

// --- Reading on several threads at once ------------------------------------------------------------
// These leave the current file as it is, and may run on any thread at the same time as each other for
// slots that no other thread uses meanwhile. Every thread has its own current file and LastFailure.

// Makes file slots 0 ... Count - 1 usable by the calls below; call it before the threads start. 0 when
// there is not the memory for it.
int32_t ReserveFileSlots(int32_t count);
// Opens Path for reading in Slot as OpenForReading does, without making it the current file; Stamp (if
// given) gets what the open found. 0 on failure (LastFailure tells why), also for a slot not reserved.
FileHandle OpenInSlot(int32_t slot, const std::string& path, FileStamp* stamp);
// Reads up to Count bytes at Offset of the file open in Slot, without moving its position. The bytes that
// arrived (fewer only at the end of the file); -1 on a read error (LastFailure tells it) or for a slot
// holding no file.
int64_t ReadInSlot(int32_t slot, void* buffer, int64_t count, int64_t offset);

// Room for the search's large blocks, straight from the system: the allocator would keep what a set of
// large files freed for the small files that follow, and a cold search's many threads each kept some.
// Null when the system has not the memory. GiveBackReadRoom takes the size given to TakeReadRoom.
void* TakeReadRoom(size_t bytes);
void GiveBackReadRoom(void* room, size_t bytes);

// One entry of a folder listed at once. A scan lists folders ahead of its walk and holds their listings
// until it gets there, so a listing is packed: its names in one text rather than a string an entry (on
// /usr/share that held 10 MiB of listings at once, against 4 MiB packed).
struct ListedEntry {
    int64_t size = 0;
    uint32_t nameAt = 0;            // where the entry's name starts in its listing's texts
    EntryKind kind = ENTRY_FILE;    // ENTRY_FILE, ENTRY_FOLDER or ENTRY_UNREADABLE
    int32_t failure = FAILURE_NONE; // why an ENTRY_UNREADABLE could not be examined
};
struct FolderListing {
    std::vector<ListedEntry> entries;
    // Each entry's name, then for an unreadable entry why, each ended by a 0 byte (which no name holds).
    std::string texts;
};
inline void AddListed(FolderListing& listing, std::string_view name, EntryKind kind, int64_t size,
                      int32_t failure = FAILURE_NONE, std::string_view failureText = {}) {
    listing.entries.push_back({size, uint32_t(listing.texts.size()), kind, failure});
    listing.texts.append(name).push_back('\0');
    if (kind == ENTRY_UNREADABLE) listing.texts.append(failureText).push_back('\0');
}
inline std::string_view ListedName(const FolderListing& listing, const ListedEntry& entry) {
    return listing.texts.c_str() + entry.nameAt;
}
inline std::string_view ListedFailureText(const FolderListing& listing, const ListedEntry& entry) {
    return listing.texts.c_str() + entry.nameAt + ListedName(listing, entry).size() + 1;
}
// Lists Folder at once, on any thread: Listing gets what StartEnumeration in slot Depth with the pattern
// "*.*" and NextEntry would hand out, in the same order, without "." and "..". 0 when the folder cannot
// be listed (LastFailure tells why; a folder without any entry at all is no failure); 1 otherwise, with
// LastFailure set when the listing broke off after the entries given.
int32_t ListFolder(const std::string& folder, int32_t depth, FolderListing* listing);

// --- Removing exactly the file that was checked ------------------------------------------------------
// A file held for removal: reached without following a link at any step of its path, and held so that its
// name can no longer lead to another file while it is checked. On Linux the name is moved aside to a fresh
// hidden name in the same folder; on Windows the file is held open with delete access and shared with
// nobody who could write to it, rename it or delete it.
struct HeldFile {
    std::string path;      // as given to HoldFile
    std::string asideName; // Linux: the hidden name it stands under while held
    intptr_t folder = -1;  // Linux: the folder, opened without following a link
    intptr_t handle = 0;   // Windows: the file, open with delete access
    FileStamp stamp;       // the held file as it was found under its name, before anything was changed
};
// Holds the regular file at Path. 0 when a link stands anywhere on the path, it is no regular file or was
// replaced while it was being held (FAILURE_CHANGED), or the system refuses (LastFailure tells why);
// nothing has changed then. Moving a file aside sets its change time on Linux: Stamp is what was found
// before, and the file held is checked to be that file, of that size and modification time.
int32_t HoldFile(const std::string& path, HeldFile* held);
// Opens the held file for reading in Slot and makes it the current file, as OpenForReading does.
FileHandle OpenHeldForReading(int32_t slot, const HeldFile& held);
// Removes the held file and lets go of it. Done only when it is gone; on failure (0) it is put back as
// ReleaseHeldFile does, and LastFailure tells why.
int32_t RemoveHeldFile(HeldFile* held);
// Puts the held file back under its name, replacing nothing, and lets go of it. 0 when another file took
// the name meanwhile (or the system refused): the file then stays under its hidden name.
int32_t ReleaseHeldFile(HeldFile* held);
// Where the held file stands while held, and where it was left when it could not be put back: its hidden
// name's full path on Linux, its path on Windows. "" once it is back under its name or gone.
std::string HeldPath(const HeldFile& held);

// --- Replacing a copy by the file it copies ---------------------------------------------------------
// Replaces the held file (HoldFile) by a hard link to the file at Kept, and lets go of the held file: the
// link is made under a fresh hidden name in its folder, checked to be the file Kept (of that identity),
// and only then put under the held file's name, replacing nothing; the held file is removed last. 0 on
// failure (LastFailure tells why; Kept on another device is the system's own failure): no link stays
// behind, and the held file is put back as ReleaseHeldFile does (HeldPath says where it stands when its
// name was taken meanwhile).
int32_t ReplaceHeldByLink(HeldFile* held, const std::string& kept, const FileIdentity& keptIdentity);
// Lets the file at Path share the storage of the file at Source (both Size bytes) where their bytes are
// equal; the system compares them itself and shares nothing that differs. The bytes it shared; -1 when
// the system or its file system cannot (LastFailure tells why).
int64_t ShareStorage(const std::string& source, const std::string& path, int64_t size);
