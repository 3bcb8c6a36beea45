// Temporary trees of real folders and files, and a child process for tests that change who they are.
#include "test_tree.h"

#include "platform/file_services.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <winioctl.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace test_tree {
namespace {

#ifdef _WIN32
bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveTree(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesA(path.c_str(), attributes & ~DWORD(FILE_ATTRIBUTE_READONLY));
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileA(path.c_str());
        return;
    }
    // A folder link goes by itself, without touching what it points to.
    WIN32_FIND_DATAA found;
    HANDLE search = attributes & FILE_ATTRIBUTE_REPARSE_POINT
                        ? INVALID_HANDLE_VALUE
                        : FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (strcmp(found.cFileName, ".") && strcmp(found.cFileName, ".."))
                RemoveTree(path + "\\" + found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}
#else
bool Exists(const std::string& path) {
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

// Through descriptors, so that trees deeper than the system's path limit go as well.
void RemoveAt(int parent, const char* name) {
    struct stat info;
    if (fstatat(parent, name, &info, AT_SYMLINK_NOFOLLOW) != 0) return;
    if (S_ISDIR(info.st_mode)) {
        fchmodat(parent, name, 0700, 0);
        int fd = openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (DIR* dir = fd >= 0 ? fdopendir(fd) : nullptr) {
            std::vector<std::string> names;
            while (dirent* entry = readdir(dir))
                if (strcmp(entry->d_name, ".") && strcmp(entry->d_name, "..")) names.push_back(entry->d_name);
            for (const std::string& inner : names)
                RemoveAt(dirfd(dir), inner.c_str());
            closedir(dir);
        } else if (fd >= 0) {
            close(fd);
        }
    }
    unlinkat(parent, name, S_ISDIR(info.st_mode) ? AT_REMOVEDIR : 0);
}

void RemoveTree(const std::string& path) {
    RemoveAt(AT_FDCWD, path.c_str());
}
#endif

std::string MakeTempRoot(std::string base) {
#ifdef _WIN32
    char temp[MAX_PATH + 1];
    DWORD length = GetTempPathA(sizeof temp, temp);
    if (base.empty()) base = length > 0 && length < sizeof temp ? std::string(temp, length - 1) : ".";
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::string candidate = base + "\\zw-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                                std::to_string(GetTickCount()) + "-" + std::to_string(counter++);
        if (CreateDirectoryA(candidate.c_str(), nullptr)) return candidate;
    }
    return {};
#else
    const char* temp = std::getenv("TMPDIR");
    if (base.empty()) base = temp && *temp ? temp : "/tmp";
    base += "/zw-test-XXXXXX";
    return mkdtemp(base.data()) ? base : std::string();
#endif
}

} // namespace

TempTree::TempTree(const std::string& under) : root_(MakeTempRoot(under)) {
    if (root_.empty()) ADD_FAILURE() << "no temporary folder";
}

TempTree::~TempTree() {
    if (root_.empty()) return;
    RemoveTree(root_);
    // Something still open in the tree (a file, a search) keeps Windows from removing it.
    if (Exists(root_)) ADD_FAILURE() << "temporary tree left behind: " << root_;
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
#ifdef _WIN32
    bool made = CreateDirectoryA(path.c_str(), nullptr) != 0;
#else
    bool made = mkdir(path.c_str(), 0755) == 0;
#endif
    if (!made) ADD_FAILURE() << "cannot create folder " << path;
    return path;
}

std::string TempTree::AddFile(std::string_view relative, std::string_view bytes) const {
    std::string path = Path(relative);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    out.close();
    if (!out) ADD_FAILURE() << "cannot create file " << path;
    return path;
}

std::string TempTree::AddSparseFile(std::string_view relative, uint64_t size) const {
    std::string path = AddFile(relative);
#ifdef _WIN32
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD unused = 0;
    // Where the file system has no sparse files, the end is still set; the data is never written.
    DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &unused, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = int64_t(size);
    bool ok = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
#else
    bool ok = truncate(path.c_str(), off_t(size)) == 0;
#endif
    if (!ok) ADD_FAILURE() << "cannot make sparse file " << path;
    return path;
}

#ifndef _WIN32
void InChild(const std::function<bool()>& prepare, const std::function<void()>& check) {
    fflush(stdout);
    pid_t child = fork();
    if (child == 0) {
        // A walk that followed links could run for ever; a killed child fails the test.
        alarm(120);
        bool ready = prepare();
        if (ready) check();
        fflush(stdout);
        _exit(!ready ? 3 : ::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = -1;
    ASSERT_GT(child, 0);
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child failed: " << status;
}

bool BecomeNobody() {
    return geteuid() != 0 || (setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0);
}
#endif

} // namespace test_tree
