// Removing exactly the file that was checked, on POSIX: the folder is reached without following a link,
// the name is moved aside to a hidden name of its own, what was moved is checked and only then removed.
//
// Example: removing /d/a while an editor saves a new /d/a. The folder /d is opened with no link followed;
// /d/a is renamed to /d/.zwillingsfeger-41-7-9c1e (never replacing anything); the caller checks the file
// under the hidden name and removes it. The editor's new /d/a, saved before or after the rename, is never
// touched: only the hidden name, which nobody else knows, is ever removed.
#include "platform/file_services.h"

#include "platform/common/paths.h"
#include "platform/posix/posix_files.h"

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <random>
#include <string>

using zw_common::FailWith;
using zw_common::Succeed;
using zw_common::Usable;
using zw_posix::Fail;

namespace {

// The folder part of Path with its trailing separator ("" for a bare name), and the name after it.
void SplitPath(const std::string& path, std::string* folder, std::string* name) {
    const size_t slash = path.rfind('/');
    *folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    *name = slash == std::string::npos ? path : path.substr(slash + 1);
}

// Walks Folder one name at a time, never following a link: for kernels without openat2, and for paths
// longer than the system takes in one call.
int OpenEachFolder(const std::string& folder) {
    int at = open(!folder.empty() && folder[0] == '/' ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    size_t start = 0;
    while (at >= 0 && start < folder.size()) {
        size_t end = folder.find('/', start);
        if (end == std::string::npos) end = folder.size();
        const std::string part = folder.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".") continue;
        const int next = openat(at, part.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        const int error = errno;
        struct stat info;
        // With O_PATH a link itself can be opened: only a folder may lead on.
        const bool folderReached = next >= 0 && fstat(next, &info) == 0 && S_ISDIR(info.st_mode);
        close(at);
        if (!folderReached) {
            if (next >= 0) close(next);
            errno = next >= 0 ? ELOOP : error;
            return -1;
        }
        at = next;
    }
    return at;
}

// The folder, opened with no link followed at any step of it; -1 with errno set otherwise (ELOOP for a link).
int OpenFolderWithoutLinks(const std::string& folder) {
    const std::string path = folder.empty() ? "." : folder;
    open_how how{};
    how.flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
    how.resolve = RESOLVE_NO_SYMLINKS;
    const long fd = syscall(SYS_openat2, AT_FDCWD, path.c_str(), &how, sizeof how);
    if (fd >= 0) return static_cast<int>(fd);
    // Older kernels and some sandboxes lack the call; a very long path needs the walk anyway.
    if (errno == ENOSYS || errno == EPERM || errno == E2BIG || errno == ENAMETOOLONG)
        return OpenEachFolder(path);
    return -1;
}

// A name no other program uses: hidden, and unique to this process and this call.
std::string AsideName() {
    static std::atomic<uint64_t> count{0};
    static const uint64_t salt = std::random_device{}();
    char name[80];
    std::snprintf(name, sizeof name, ".zwillingsfeger-%ld-%llu-%llx", static_cast<long>(getpid()),
                  static_cast<unsigned long long>(count.fetch_add(1)), static_cast<unsigned long long>(salt));
    return name;
}

// Renames From to To in Folder without replacing anything at To. Where the file system lacks the
// no-replace rename, a hard link (which never replaces) and the removal of the old name do the same.
int RenameNoReplace(int folder, const char* from, const char* to) {
    if (renameat2(folder, from, folder, to, RENAME_NOREPLACE) == 0) return 0;
    if (errno != EINVAL) return -1;
    if (linkat(folder, from, folder, to, 0) != 0) return -1;
    return unlinkat(folder, from, 0);
}

std::string NameOf(const HeldFile& held) {
    std::string folder, name;
    SplitPath(held.path, &folder, &name);
    return name;
}

// The rename sets the change time, so only what it leaves alone is compared.
bool SameFileUnchanged(const FileStamp& now, const FileStamp& before) {
    return now.identity == before.identity && now.size == before.size && now.modified == before.modified;
}

void LetGo(HeldFile* held) {
    if (held->folder >= 0) close(static_cast<int>(held->folder));
    held->folder = -1;
    held->asideName.clear();
}

} // namespace

int32_t HoldFile(const std::string& path, HeldFile* held) {
    *held = HeldFile{};
    held->path = path;
    if (!Usable(path)) return FailWith(FAILURE_MISSING, "the name holds a zero byte", 0);
    std::string folderPath, name;
    SplitPath(path, &folderPath, &name);
    if (name.empty() || name == "." || name == "..") return FailWith(FAILURE_OTHER, "not a file", 0);
    zw_posix::EnterProgramFolder(path);
    const int folder = OpenFolderWithoutLinks(folderPath);
    if (folder < 0) {
        if (errno == ELOOP) return FailWith(FAILURE_CHANGED, "a link stands on the path", 0);
        return Fail(errno, 0);
    }
    held->folder = folder;
    struct stat info;
    if (fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        const int error = errno;
        LetGo(held);
        return Fail(error, 0);
    }
    if (!S_ISREG(info.st_mode)) {
        LetGo(held);
        return FailWith(FAILURE_CHANGED, "not a regular file", 0);
    }
    held->stamp = zw_posix::StampOf(info);
    held->asideName = AsideName();
    if (RenameNoReplace(folder, name.c_str(), held->asideName.c_str()) != 0) {
        const int error = errno;
        LetGo(held);
        return Fail(error, 0);
    }
    // Another file may have taken the name between the look and the move: only the file looked at is held.
    if (fstatat(folder, held->asideName.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode) ||
        !SameFileUnchanged(zw_posix::StampOf(info), held->stamp)) {
        ReleaseHeldFile(held);
        return FailWith(FAILURE_CHANGED, "replaced while it was being held", 0);
    }
    Succeed();
    return 1;
}

FileHandle OpenHeldForReading(int32_t slot, const HeldFile& held) {
    if (held.folder < 0) return FailWith<FileHandle>(FAILURE_OTHER, "no file is held", 0);
    const int fd = openat(static_cast<int>(held.folder), held.asideName.c_str(),
                          O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return Fail<FileHandle>(errno, 0);
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return FailWith<FileHandle>(FAILURE_CHANGED, "not a regular file", 0);
    }
    return zw_posix::AdoptInSlot(slot, fd, info);
}

int32_t RemoveHeldFile(HeldFile* held) {
    if (held->folder < 0) return FailWith(FAILURE_OTHER, "no file is held", 0);
    const int folder = static_cast<int>(held->folder);
    struct stat after;
    if (unlinkat(folder, held->asideName.c_str(), 0) != 0) {
        const int error = errno;
        ReleaseHeldFile(held);
        return Fail(error, 0);
    }
    // Done means gone: the same file still under the name is a removal that did not happen.
    if (fstatat(folder, held->asideName.c_str(), &after, AT_SYMLINK_NOFOLLOW) == 0 &&
        zw_posix::StampOf(after).identity == held->stamp.identity) {
        ReleaseHeldFile(held);
        return FailWith(FAILURE_OTHER, "the file is still there", 0);
    }
    LetGo(held);
    Succeed();
    return 1;
}

int32_t ReleaseHeldFile(HeldFile* held) {
    if (held->folder < 0) return 1;
    const std::string name = NameOf(*held);
    if (RenameNoReplace(static_cast<int>(held->folder), held->asideName.c_str(), name.c_str()) != 0) {
        const int error = errno;
        // The file stays under its hidden name; the folder is let go, the name kept for HeldPath.
        close(static_cast<int>(held->folder));
        held->folder = -1;
        if (error == EEXIST) return FailWith(FAILURE_OTHER, "another file took the name meanwhile", 0);
        return Fail(error, 0);
    }
    LetGo(held);
    return 1;
}

std::string HeldPath(const HeldFile& held) {
    if (held.asideName.empty()) return {};
    std::string folder, name;
    SplitPath(held.path, &folder, &name);
    return folder + held.asideName;
}
