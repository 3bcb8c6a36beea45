// File and folder services on POSIX (Linux): directory streams for the enumeration slots, file
// descriptors for the file slots. Names are the raw bytes the file system gives; nothing is re-encoded.
#include "platform/file_services.h"

#include "platform/common/failure.h"
#include "platform/common/paths.h"
#include "platform/posix/posix_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <exception>
#include <string_view>
#include <vector>

const char PATH_SEPARATOR = '/';

bool EndsWithSeparator(const std::string& path) {
    return !path.empty() && path.back() == '/';
}

using zw_common::Failure;
using zw_common::FailWith;
using zw_common::FailWithError;
using zw_common::Succeed;
using zw_common::Usable;

namespace zw_posix {

FileFailure Classify(int error) {
    switch (error) {
    case ENOENT:
        return FAILURE_MISSING;
    case ENOTDIR:
        return FAILURE_NOT_FOLDER;
    case EACCES:
    case EPERM:
        return FAILURE_DENIED;
    case ENAMETOOLONG:
        return FAILURE_TOO_LONG;
    case EMFILE:
    case ENFILE:
        return FAILURE_NO_HANDLES;
    default:
        return FAILURE_OTHER;
    }
}

namespace {
int64_t Nanoseconds(const timespec& time) {
    return int64_t(time.tv_sec) * 1000000000 + time.tv_nsec;
}
} // namespace

FileStamp StampOf(const struct stat& info) {
    FileStamp stamp;
    stamp.identity = {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
    stamp.size = static_cast<int64_t>(info.st_size);
    stamp.modified = Nanoseconds(info.st_mtim);
    stamp.changed = Nanoseconds(info.st_ctim);
    return stamp;
}

// Relative folders and paths are taken relative to the program's own folder, which is made the current
// directory before each enumeration and open of one. Through a descriptor held open that costs one call
// and no path lookup, and stays right when something else has moved the current directory meanwhile.
// Absolute paths, which the search opens by the ten thousand, need no call at all.
void EnterProgramFolder(const std::string& path) {
    if (!path.empty() && path[0] == '/') return;
    static const int folder =
        ProgramFolder().empty() ? -1 : open(ProgramFolder().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) (void)!fchdir(folder);
}

} // namespace zw_posix

using zw_posix::Classify;
using zw_posix::EnterProgramFolder;
using zw_posix::Fail;
using zw_posix::StampOf;

namespace {

struct EnumerationSlot {
    DIR* search = nullptr;
    bool Started = false;
    bool everything = true; // the pattern matches every name
    std::string pattern;
};

// What the last handed-out entry was, whichever slot it came from.
struct EntryRecordData {
    std::string name;
    int64_t size = 0;
    EntryKind kind = ENTRY_END;
    int error = 0; // why an ENTRY_UNREADABLE could not be examined
};

constexpr size_t kInitialSlots = 10;

std::vector<EnumerationSlot> EnumerationSlots(kInitialSlots);
int32_t CurrentEnumeration = -1;
EntryRecordData EntryRecord;

// An open file and what its open told about it, so that neither the identity nor the end of the file
// costs another system call.
struct OpenFile {
    int fd = -1;
    FileStamp stamp; // as the open found it
    off_t sizeAtOpen = 0;
    off_t offset = 0; // where the next read starts, as far as this program moved it
};

std::vector<OpenFile> FileSlots(kInitialSlots);
// The slot of the current file, -1 for none. Each thread has its own current file; the threads that read
// at once use slots of their own.
thread_local int CurrentSlot = -1;

OpenFile* CurrentOpenFile() {
    if (CurrentSlot < 0) return nullptr;
    OpenFile& file = FileSlots[static_cast<size_t>(CurrentSlot)];
    return file.fd >= 0 ? &file : nullptr;
}
unsigned char ReadBuffer[4] = {0, 0, 0, 0};

std::string DetermineProgramFolder() {
    std::vector<char> buffer(512);
    for (;;) {
        ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return {};
        if (static_cast<size_t>(length) < buffer.size()) {
            std::string path(buffer.data(), static_cast<size_t>(length));
            size_t slash = path.rfind('/');
            return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
        }
        buffer.resize(buffer.size() * 2);
    }
}

// A deep scan keeps one directory open per level; let it use every descriptor the system allows.
void RaiseDescriptorLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return;
    rlim_t wanted = limit.rlim_max == RLIM_INFINITY ? rlim_t(1) << 20 : limit.rlim_max;
    if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < wanted) {
        limit.rlim_cur = wanted;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

// Makes Slot a valid index: the table grows to Slot + 10, the new slots empty. False when there is
// not the memory for it.
template <typename T> bool Grow(std::vector<T>& table, int32_t slot, const T& empty) {
    if (static_cast<size_t>(slot) < table.size()) return true;
    try {
        table.resize(static_cast<size_t>(slot) + 10, empty);
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

// The system refuses paths of PATH_MAX bytes and more. Such a path is walked through its leading
// folders in pieces: an Anchor holds a folder open (or AT_FDCWD) and the rest of the path, short
// enough to be used relative to it; ok() is false when a leading folder cannot be opened.
class Anchor {
  public:
    explicit Anchor(const std::string& path) {
        size_t start = 0;
        while (path.size() - start >= PATH_MAX) {
            // The piece includes its closing '/', so a leading "/" alone is a piece too.
            size_t cut = path.rfind('/', start + PATH_MAX - 2);
            if (cut == std::string::npos || cut < start) {
                errno = ENAMETOOLONG; // a single name longer than any the system takes
                return;
            }
            std::string piece = path.substr(start, cut - start + 1);
            int next = openat(folder_, piece.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
            if (next < 0) return;
            if (folder_ != AT_FDCWD) close(folder_);
            folder_ = next;
            start = cut + 1;
            while (start < path.size() && path[start] == '/')
                ++start;
        }
        rest_ = start < path.size() || start == 0 ? path.c_str() + start : ".";
        ok_ = true;
    }
    ~Anchor() {
        if (folder_ != AT_FDCWD) close(folder_);
    }
    // The rest points into the path: a temporary would be gone before the anchor is used.
    explicit Anchor(std::string&&) = delete;
    Anchor(const Anchor&) = delete;
    Anchor& operator=(const Anchor&) = delete;

    bool ok() const { return ok_; }
    int folder() const { return folder_; }
    const char* rest() const { return rest_; }

  private:
    int folder_ = AT_FDCWD;
    const char* rest_ = "";
    bool ok_ = false;
};

// Opens a folder for listing; nullptr with the failure recorded. Flags may add O_NOFOLLOW.
DIR* OpenFolder(const std::string& folder, int flags = 0) {
    if (!Usable(folder)) return FailWith<DIR*>(FAILURE_MISSING, "the name holds a zero byte", nullptr);
    static const std::string root = "/";
    Anchor anchor(folder.empty() ? root : folder);
    if (!anchor.ok()) return Fail<DIR*>(errno, nullptr);
    int fd = openat(anchor.folder(), anchor.rest(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK | flags);
    if (fd < 0) return Fail<DIR*>(errno, nullptr);
    DIR* dir = fdopendir(fd);
    if (!dir) {
        const int error = errno;
        close(fd);
        return Fail<DIR*>(error, nullptr);
    }
    Succeed();
    return dir;
}

bool Matches(const EnumerationSlot& slot, const char* name) {
    return slot.everything || fnmatch(slot.pattern.c_str(), name, 0) == 0;
}

// What the entry Name of the open folder Folder is: a folder, a regular file with its size, or an entry
// that cannot be examined (Error tells why). False for anything else: links, devices, FIFOs, sockets.
// Type is the listing's own word (d_type): folders and the kinds never catalogued need no stat, which
// on /usr/share is one call in eight of the scan; a folder that cannot be listed is reported when the
// walk lists it.
bool Examine(int folder, const char* name, unsigned char type, EntryKind* kind, int64_t* size, int* error) {
    struct stat info;
    *size = 0;
    if (type == DT_DIR) {
        *kind = ENTRY_FOLDER;
        return true;
    }
    if (type != DT_REG && type != DT_UNKNOWN) return false;
    if (fstatat(folder, name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
        *error = errno;
        *kind = ENTRY_UNREADABLE;
        return true;
    }
    if (S_ISDIR(info.st_mode)) {
        *kind = ENTRY_FOLDER;
        return true;
    }
    if (!S_ISREG(info.st_mode)) return false;
    *kind = ENTRY_FILE;
    *size = static_cast<int64_t>(info.st_size);
    return true;
}

// Reads the slot's next entry that may be handed out into EntryRecord. Only folders and regular files
// count, links are not followed; an entry that cannot be examined is handed out as unreadable. False at
// the end of the listing, with the failure recorded when the system could not list on.
bool FetchEntry(EnumerationSlot& slot) {
    for (;;) {
        errno = 0;
        dirent* entry = readdir(slot.search);
        if (!entry) {
            if (errno != 0) return Fail(errno, false);
            Succeed();
            return false;
        }
        const char* name = entry->d_name;
        if (!Matches(slot, name)) continue;
        EntryRecord.error = 0;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) {
            EntryRecord.name = name;
            EntryRecord.size = 0;
            EntryRecord.kind = ENTRY_FOLDER;
            return true;
        }
        if (!Examine(dirfd(slot.search), name, entry->d_type, &EntryRecord.kind, &EntryRecord.size,
                     &EntryRecord.error))
            continue;
        EntryRecord.name = name;
        return true;
    }
}

void CloseSearch(EnumerationSlot& slot) {
    if (slot.search) closedir(slot.search);
    slot.search = nullptr;
}

EnumerationSlot* CurrentEnumerationSlot() {
    if (CurrentEnumeration < 0 || static_cast<size_t>(CurrentEnumeration) >= EnumerationSlots.size())
        return nullptr;
    return &EnumerationSlots[static_cast<size_t>(CurrentEnumeration)];
}

// Reads until Count bytes have arrived or the file ends; retries reads interrupted by a signal. A short
// read that reaches the length the file had when it was opened is its end: asking again would only
// confirm it, and for small files that second call is a fifth of all the calls of a search. A short read
// before that length (some network and user-space file systems give them) is followed by more reads.
ssize_t ReadFully(OpenFile& file, void* buffer, size_t count) {
    size_t done = 0;
    while (done < count) {
        ssize_t got = read(file.fd, static_cast<char*>(buffer) + done, count - done);
        if (got < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (got == 0) break;
        done += static_cast<size_t>(got);
        file.offset += got;
        if (file.offset >= file.sizeAtOpen) break;
    }
    return static_cast<ssize_t>(done);
}

// One read into the front of the shared buffer; whatever does not arrive keeps its old value.
void ReadIntoBuffer(size_t count) {
    OpenFile* file = CurrentOpenFile();
    if (!file) return;
    ssize_t got;
    do {
        got = read(file->fd, ReadBuffer, count);
    } while (got < 0 && errno == EINTR);
    if (got > 0) file->offset += got;
}

// Joins a relative Folder to Current; "." segments and doubled separators go, ".." stays (a link may
// stand before it). The result ends with one separator.
std::string JoinFolder(const std::string& folder, const std::string& current) {
    std::string joined = !folder.empty() && folder[0] == '/' ? folder : current + "/" + folder;
    std::string path;
    size_t at = 0;
    while (at < joined.size()) {
        size_t end = joined.find('/', at);
        if (end == std::string::npos) end = joined.size();
        std::string_view segment(joined.data() + at, end - at);
        if (!segment.empty() && segment != ".") path.append("/").append(segment);
        at = end + 1;
    }
    path.push_back('/');
    return path;
}

} // namespace

void InitFileServices() {
    static bool initialised = false;
    if (initialised) return;
    initialised = true;
    ProgramFolder();
    RaiseDescriptorLimit();
    // The search reads on many threads at once: a heap for each processor keeps them from waiting for
    // each other, and holds less memory than a heap for each thread.
    mallopt(M_ARENA_MAX, static_cast<int>(std::max(1L, sysconf(_SC_NPROCESSORS_ONLN))));
}

const std::string& ProgramFolder() {
    static const std::string folder = DetermineProgramFolder();
    return folder;
}

std::string LastFailureText() {
    if (Failure.code == FAILURE_NONE) return {};
    return Failure.own ? Failure.own : std::strerror(int(Failure.error));
}

int32_t CheckFolder(const std::string& folder) {
    if (folder.empty()) return FailWith(FAILURE_MISSING, "no folder given", 0);
    EnterProgramFolder(folder);
    DIR* dir = OpenFolder(folder);
    if (!dir) return 0;
    // Without search permission the names can be listed but not one entry examined.
    const int searchable = faccessat(dirfd(dir), ".", X_OK, 0) == 0 ? 1 : Fail(errno, 0);
    closedir(dir);
    if (searchable) Succeed();
    return searchable;
}

int32_t FolderDevice(const std::string& folder, uint64_t* device) {
    if (!Usable(folder)) return FailWith(FAILURE_MISSING, "the name holds a zero byte", 0);
    EnterProgramFolder(folder);
    static const std::string root = "/";
    Anchor anchor(folder.empty() ? root : folder);
    struct stat info;
    if (!anchor.ok() || fstatat(anchor.folder(), anchor.rest(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return Fail(errno, 0);
    *device = static_cast<uint64_t>(info.st_dev);
    Succeed();
    return 1;
}

std::string AbsoluteFolder(const std::string& folder) {
    if (!folder.empty() && folder[0] == '/') {
        Succeed();
        return JoinFolder(folder, {});
    }
    std::vector<char> buffer(PATH_MAX);
    for (;;) {
        if (getcwd(buffer.data(), buffer.size())) break;
        // A removed current folder must not turn "." into "/".
        if (errno != ERANGE) return Fail(errno, std::string());
        buffer.resize(buffer.size() * 2);
    }
    Succeed();
    return JoinFolder(folder, buffer.data());
}

int32_t StartEnumeration(int32_t slot, const std::string& folder, const std::string& pattern) {
    if (slot < 0 || !Grow(EnumerationSlots, slot, EnumerationSlot{})) {
        CurrentEnumeration = -1;
        return FailWith(FAILURE_OTHER, "out of memory", 0);
    }
    EnterProgramFolder(folder);
    CurrentEnumeration = slot;
    EnumerationSlot& current = EnumerationSlots[static_cast<size_t>(slot)];
    CloseSearch(current);
    current.Started = false;
    current.everything = pattern.empty() || pattern == "*" || pattern == "*.*";
    current.pattern = pattern;
    // Below the chosen folder (slot 0) a folder that became a link since it was listed is not entered.
    current.search = OpenFolder(folder, slot > 0 ? O_NOFOLLOW : 0);
    // Like the platform's first-entry call, the start already fetches the first entry.
    if (current.search && !FetchEntry(current)) CloseSearch(current);
    return current.search ? 1 : 0;
}

EntryKind NextEntry() {
    EnumerationSlot* slot = CurrentEnumerationSlot();
    if (!slot || !slot->search) {
        Succeed();
        return ENTRY_END;
    }
    bool found = slot->Started ? FetchEntry(*slot) : true;
    slot->Started = true;
    if (found) {
        if (EntryRecord.kind == ENTRY_UNREADABLE)
            Fail(EntryRecord.error, 0);
        else
            Succeed();
        return EntryRecord.kind;
    }
    CloseSearch(*slot);
    return ENTRY_END;
}

int32_t ListFolder(const std::string& folder, int32_t depth, FolderListing* listing) {
    listing->entries.clear();
    listing->texts.clear();
    EnterProgramFolder(folder);
    DIR* dir = OpenFolder(folder, depth > 0 ? O_NOFOLLOW : 0);
    if (!dir) return 0;
    for (;;) {
        errno = 0;
        dirent* entry = readdir(dir);
        if (!entry) {
            const int error = errno;
            closedir(dir);
            // Held until the walk gets here: without the room that growing left.
            listing->entries.shrink_to_fit();
            listing->texts.shrink_to_fit();
            if (error != 0) return Fail(error, 1);
            Succeed();
            return 1;
        }
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        EntryKind kind = ENTRY_FILE;
        int64_t size = 0;
        int error = 0;
        if (!Examine(dirfd(dir), name, entry->d_type, &kind, &size, &error)) continue;
        if (kind == ENTRY_UNREADABLE)
            AddListed(*listing, name, kind, 0, Classify(error), std::strerror(error));
        else
            AddListed(*listing, name, kind, size);
    }
}

std::string EntryName() {
    return EntryRecord.name;
}

int64_t EntrySize() {
    return EntryRecord.size;
}

void SelectEnumeration(int32_t slot) {
    CurrentEnumeration = slot >= 0 && static_cast<size_t>(slot) < EnumerationSlots.size() ? slot : -1;
}

FileHandle OpenForReading(int32_t slot, const std::string& path) {
    if (slot < 0 || !Grow(FileSlots, slot, OpenFile{})) {
        CurrentSlot = -1;
        return FailWith<FileHandle>(FAILURE_OTHER, "out of memory", 0);
    }
    CurrentSlot = slot;
    return OpenInSlot(slot, path, nullptr);
}

FileHandle zw_posix::AdoptInSlot(int32_t slot, int fd, const struct stat& info) {
    CurrentSlot = -1;
    if (slot < 0 || !Grow(FileSlots, slot, OpenFile{})) {
        close(fd);
        return FailWith<FileHandle>(FAILURE_OTHER, "out of memory", 0);
    }
    OpenFile& held = FileSlots[static_cast<size_t>(slot)];
    if (held.fd >= 0) close(held.fd);
    held = OpenFile{fd, StampOf(info), info.st_size, 0};
    CurrentSlot = slot;
    Succeed();
    return static_cast<FileHandle>(fd) + 1;
}

int32_t ReserveFileSlots(int32_t count) {
    if (count <= 0) return 1;
    if (!Grow(FileSlots, count - 1, OpenFile{})) return 0;
    // The system's table of descriptors grows by doubling, and while threads share it every growth waits
    // for all processors to pass a quiet point, milliseconds each: grown here at once, before they start.
    // Room for the slots and as many descriptors again for folders and the rest.
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return 1;
    const rlim_t wanted = std::min<rlim_t>(rlim_t(count) * 2 + 64, limit.rlim_cur - 1);
    const int probe = open("/", O_PATH | O_CLOEXEC);
    if (probe < 0) return 1;
    const int top = fcntl(probe, F_DUPFD_CLOEXEC, int(std::min<rlim_t>(wanted, INT_MAX)));
    if (top >= 0) close(top);
    close(probe);
    return 1;
}

FileHandle OpenInSlot(int32_t slot, const std::string& path, FileStamp* stamp) {
    if (slot < 0 || static_cast<size_t>(slot) >= FileSlots.size())
        return FailWith<FileHandle>(FAILURE_OTHER, "no such file slot", 0);
    EnterProgramFolder(path);
    OpenFile& held = FileSlots[static_cast<size_t>(slot)];
    // A file still held by the slot would otherwise stay open until the program ends.
    if (held.fd >= 0) close(held.fd);
    held = OpenFile{};
    if (!Usable(path)) return FailWith<FileHandle>(FAILURE_MISSING, "the name holds a zero byte", 0);

    Anchor anchor(path);
    if (!anchor.ok()) return Fail<FileHandle>(errno, 0);
    // Non-blocking and no link at the end: a file replaced by a FIFO or a link since the scan must
    // neither hang the search nor lead it elsewhere. Only regular files are read.
    int fd = openat(anchor.folder(), anchor.rest(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ELOOP) return FailWith<FileHandle>(FAILURE_OTHER, "replaced by a link", 0);
        return Fail<FileHandle>(errno, 0);
    }
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = errno;
        close(fd);
        if (S_ISREG(info.st_mode)) return Fail<FileHandle>(error, 0);
        return FailWith<FileHandle>(FAILURE_OTHER, "no longer a regular file", 0);
    }
    held = OpenFile{fd, StampOf(info), info.st_size, 0};
    if (stamp) *stamp = held.stamp;
    Succeed();
    return static_cast<FileHandle>(fd) + 1;
}

int64_t ReadInSlot(int32_t slot, void* buffer, int64_t count, int64_t offset) {
    if (slot < 0 || static_cast<size_t>(slot) >= FileSlots.size() || FileSlots[size_t(slot)].fd < 0 ||
        count < 0 || offset < 0)
        return FailWith<int64_t>(FAILURE_OTHER, "no file is open", -1);
    const OpenFile& file = FileSlots[static_cast<size_t>(slot)];
    int64_t done = 0;
    while (done < count) {
        const ssize_t got =
            pread(file.fd, static_cast<char*>(buffer) + done, size_t(count - done), off_t(offset + done));
        if (got < 0) {
            if (errno == EINTR) continue;
            return Fail<int64_t>(errno, -1);
        }
        if (got == 0) break;
        done += got;
        // Reaching the length the file had when it was opened is its end, as in ReadFully.
        if (offset + done >= file.sizeAtOpen) break;
    }
    Succeed();
    return done;
}

void SelectFile(int32_t slot) {
    CurrentSlot = slot >= 0 && static_cast<size_t>(slot) < FileSlots.size() ? slot : -1;
}

int32_t ReadInt32() {
    ReadIntoBuffer(4);
    return static_cast<int32_t>(
        static_cast<uint32_t>(ReadBuffer[0]) | static_cast<uint32_t>(ReadBuffer[1]) << 8 |
        static_cast<uint32_t>(ReadBuffer[2]) << 16 | static_cast<uint32_t>(ReadBuffer[3]) << 24);
}

int32_t ReadInt8() {
    ReadIntoBuffer(1);
    return static_cast<int8_t>(ReadBuffer[0]);
}

void CloseFileSlot(int32_t slot) {
    if (slot < 0 || static_cast<size_t>(slot) >= FileSlots.size()) return;
    OpenFile& held = FileSlots[static_cast<size_t>(slot)];
    if (held.fd < 0) return;
    // The descriptor number is soon reused by the system: the slot may not keep it, or a later read or
    // close would reach some other file.
    close(held.fd);
    held = OpenFile{};
}

int32_t RemoveFile(const std::string& path) {
    if (!Usable(path)) return FailWith(FAILURE_MISSING, "the name holds a zero byte", 0);
    // The same file the scan and the search found under this path, relative or not.
    EnterProgramFolder(path);
    Anchor anchor(path);
    if (!anchor.ok()) return Fail(errno, 0);
    struct stat before, after;
    if (fstatat(anchor.folder(), anchor.rest(), &before, AT_SYMLINK_NOFOLLOW) != 0) return Fail(errno, 0);
    if (unlinkat(anchor.folder(), anchor.rest(), 0) != 0) return Fail(errno, 0);
    // Done means gone: the same file still under the name is a removal that did not happen.
    if (fstatat(anchor.folder(), anchor.rest(), &after, AT_SYMLINK_NOFOLLOW) == 0 &&
        after.st_dev == before.st_dev && after.st_ino == before.st_ino)
        return FailWith(FAILURE_OTHER, "the file is still there", 0);
    Succeed();
    return 1;
}

int64_t ReadBlock(void* buffer, int64_t count) {
    OpenFile* file = CurrentOpenFile();
    if (!file || count < 0) return FailWith<int64_t>(FAILURE_OTHER, "no file is open", -1);
    const ssize_t got = ReadFully(*file, buffer, static_cast<size_t>(count));
    if (got < 0) return Fail<int64_t>(errno, -1);
    Succeed();
    return got;
}

int32_t SeekFile(int64_t offset) {
    OpenFile* file = CurrentOpenFile();
    if (!file || offset < 0) return FailWith(FAILURE_OTHER, "no file is open", 0);
    if (lseek(file->fd, static_cast<off_t>(offset), SEEK_SET) != static_cast<off_t>(offset))
        return Fail(errno, 0);
    file->offset = static_cast<off_t>(offset);
    Succeed();
    return 1;
}

int32_t OpenedFileStamp(FileStamp* stamp) {
    const OpenFile* file = CurrentOpenFile();
    if (!file || !stamp) return 0;
    *stamp = file->stamp;
    return 1;
}

int32_t CurrentFileStamp(FileStamp* stamp) {
    const OpenFile* file = CurrentOpenFile();
    struct stat info;
    if (!file || !stamp || fstat(file->fd, &info) != 0 || info.st_nlink == 0) return 0;
    *stamp = StampOf(info);
    return 1;
}
