#include "test_tree.h"

#include "platform/file_services.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#include <winioctl.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>
#endif

namespace test_tree {

#ifdef _WIN32

bool MakeFolder(const std::string& path) {
    return CreateDirectoryA(path.c_str(), nullptr) != 0;
}

bool MakeFile(const std::string& path, std::string_view bytes) {
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = bytes.empty() || (WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) &&
                                written == bytes.size());
    return CloseHandle(file) && ok;
}

bool MakeSparseFile(const std::string& path, uint64_t size) {
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD unused = 0;
    // Where the file system has no sparse files, the end is still set; the data is never written.
    DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &unused, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = int64_t(size);
    bool ok = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    return CloseHandle(file) && ok;
}

void RemoveTree(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesA(path.c_str(), attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileA(path.c_str());
        return;
    }
    // A folder link goes by itself, without touching what it points to.
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                std::string name = found.cFileName;
                if (name != "." && name != "..") RemoveTree(path + "\\" + name);
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
    }
    RemoveDirectoryA(path.c_str());
}

static std::string MakeTempRoot(const std::string& under) {
    char temp[MAX_PATH + 1];
    DWORD length = GetTempPathA(sizeof temp, temp);
    std::string base = !under.empty()                       ? under
                       : length > 0 && length < sizeof temp ? std::string(temp, length)
                                                            : std::string(".\\");
    if (!base.empty() && base.back() == '\\') base.pop_back();
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::string candidate = base + "\\zw-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                                std::to_string(GetTickCount()) + "-" + std::to_string(counter++);
        if (CreateDirectoryA(candidate.c_str(), nullptr)) return candidate;
    }
    return {};
}

#else

bool MakeFolder(const std::string& path) {
    return mkdir(path.c_str(), 0755) == 0;
}

bool MakeFile(const std::string& path, std::string_view bytes) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote <= 0) break;
        done += size_t(wrote);
    }
    return close(fd) == 0 && done == bytes.size();
}

bool MakeSparseFile(const std::string& path, uint64_t size) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) return false;
    bool ok = ftruncate(fd, off_t(size)) == 0;
    return close(fd) == 0 && ok;
}

// Works through descriptors, so that trees deeper than the system's path limit go as well.
static void RemoveBelow(int folder) {
    DIR* dir = fdopendir(folder);
    if (!dir) {
        close(folder);
        return;
    }
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    for (const std::string& name : names) {
        struct stat info;
        if (fstatat(dirfd(dir), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISDIR(info.st_mode)) {
            fchmodat(dirfd(dir), name.c_str(), 0700, 0);
            int sub = openat(dirfd(dir), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub >= 0) RemoveBelow(sub);
            unlinkat(dirfd(dir), name.c_str(), AT_REMOVEDIR);
        } else {
            unlinkat(dirfd(dir), name.c_str(), 0);
        }
    }
    closedir(dir);
}

void RemoveTree(const std::string& path) {
    struct stat info;
    if (lstat(path.c_str(), &info) != 0) return;
    if (!S_ISDIR(info.st_mode)) {
        unlink(path.c_str());
        return;
    }
    chmod(path.c_str(), 0700);
    int folder = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (folder >= 0) RemoveBelow(folder);
    rmdir(path.c_str());
}

static std::string MakeTempRoot(const std::string& under) {
    const char* base = std::getenv("TMPDIR");
    std::string pattern =
        (!under.empty() ? under : std::string(base && *base ? base : "/tmp")) + "/zw-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    return mkdtemp(buffer.data()) ? std::string(buffer.data()) : std::string();
}

#endif

std::string Join(const std::string& folder, std::string_view name) {
    std::string path = folder;
    path.push_back(PATH_SEPARATOR);
    path.append(name);
    return path;
}

TempTree::TempTree(const std::string& under) : root_(MakeTempRoot(under)) {
    if (root_.empty()) ADD_FAILURE() << "no temporary folder";
}

TempTree::~TempTree() {
    if (root_.empty()) return;
    RemoveTree(root_);
    // Something still open in the tree (a file, a search) keeps Windows from removing it.
#ifdef _WIN32
    bool left = GetFileAttributesA(root_.c_str()) != INVALID_FILE_ATTRIBUTES;
#else
    struct stat info;
    bool left = lstat(root_.c_str(), &info) == 0;
#endif
    if (left) ADD_FAILURE() << "temporary tree left behind: " << root_;
}

std::string TempTree::Path(std::string_view relative) const {
    std::string path = root_;
    path.push_back(PATH_SEPARATOR);
    for (char c : relative)
        path.push_back(c == '/' ? PATH_SEPARATOR : c);
    return path;
}

std::string TempTree::AddFolder(std::string_view relative) const {
    std::string path = Path(relative);
    if (!MakeFolder(path)) ADD_FAILURE() << "cannot create folder " << path;
    return path;
}

std::string TempTree::AddFile(std::string_view relative, std::string_view bytes) const {
    std::string path = Path(relative);
    if (!MakeFile(path, bytes)) ADD_FAILURE() << "cannot create file " << path;
    return path;
}

std::string TempTree::AddSparseFile(std::string_view relative, uint64_t size) const {
    std::string path = Path(relative);
    if (!MakeSparseFile(path, size)) ADD_FAILURE() << "cannot create sparse file " << path;
    return path;
}

} // namespace test_tree
