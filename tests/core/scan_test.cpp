// The folder scan over real trees: every regular file once per scan, depth first and pre-order,
// with its whole size; links, special files and unreadable folders add nothing.
#include "core/lists.h"
#include "core/scan.h"
#include "platform/file_services.h"
#include "test_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#endif

using test_tree::TempTree;

namespace {

struct Row {
    std::string folder;
    std::string name;
    int64_t size;
    auto operator<=>(const Row&) const = default;
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << "{\"" << ::testing::PrintToString(row.folder) << "\", " << ::testing::PrintToString(row.name)
         << ", " << row.size << "}";
}

std::vector<Row> CatalogueRows() {
    std::vector<Row> rows;
    for (ListLink* at = Catalogue.head; at; at = at->next) {
        const FileEntry& entry = *static_cast<FileEntry*>(at);
        EXPECT_FALSE(entry.Grouped);
        rows.push_back({EntryFolder(entry), entry.Name, entry.Size});
    }
    return rows;
}

std::vector<Row> Scan(const std::string& folder) {
    ListClear(Catalogue);
    ScanFolder(folder, "*.*", 0);
    return CatalogueRows();
}

// Folders relative to Root, with '/' between their parts; "" is Root itself.
std::vector<Row> Relative(std::vector<Row> rows, const std::string& root) {
    for (Row& row : rows) {
        if (row.folder == root) {
            row.folder.clear();
        } else if (row.folder.rfind(root + PATH_SEPARATOR, 0) == 0) {
            row.folder.erase(0, root.size() + 1);
            std::replace(row.folder.begin(), row.folder.end(), PATH_SEPARATOR, '/');
        } else {
            row.folder = "outside:" + row.folder;
        }
    }
    return rows;
}

std::multiset<Row> Sorted(const std::vector<Row>& rows) {
    return {rows.begin(), rows.end()};
}

// Pre-order means that everything below one folder forms one run of the catalogue, whatever order
// the entries of a folder come in.
void ExpectPreOrder(const std::vector<Row>& rows) {
    std::set<std::string> folders;
    for (const Row& row : rows)
        for (size_t slash = 0; slash != std::string::npos;) {
            slash = row.folder.find('/', slash + 1);
            folders.insert(row.folder.substr(0, slash));
        }
    for (const std::string& folder : folders) {
        if (folder.empty()) continue;
        std::vector<size_t> below;
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i].folder == folder || rows[i].folder.rfind(folder + "/", 0) == 0) below.push_back(i);
        EXPECT_EQ(below.back() - below.front() + 1, below.size())
            << "files below " << folder << " are not together";
    }
}

// A tree of every kind of entry the scan meets; returns the rows it must give, relative to Root.
std::vector<Row> BuildMixedTree(const TempTree& tree) {
    std::vector<Row> expected;
    auto file = [&](const std::string& folder, const std::string& name, const std::string& bytes) {
        tree.AddFile(folder.empty() ? name : folder + "/" + name, bytes);
        expected.push_back({folder, name, int64_t(bytes.size())});
    };
    for (const char* folder : {"a", "a/b", "a/b/c", "empty-folder", "only-folders", "only-folders/x",
                               "only-folders/x/y", "sp ace", "-dash-folder"})
        tree.AddFolder(folder);
    file("", "plain.txt", "hello");
    file("", "with space.dat", "  ");
    file("", "-leading-dash", "-");
    file("", "empty", "");
    file("", ".hidden", "h");
    file("",
         "gr\xFC\xDF"
         "e",
         "latin");
    file("", "\xC3\xBC-utf8", "u");
    file("a", "plain.txt", "another");
    file("a", "one", "1");
    file("a/b", "two", "22");
    file("a/b/c", "deep.bin", std::string(3000, '\x7F'));
    file("sp ace", "inner file", "in");
    file("-dash-folder", "-x", "x");
#ifdef _WIN32
    SetFileAttributesA(tree.Path(".hidden").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    SetFileAttributesA(tree.Path("a/one").c_str(), FILE_ATTRIBUTE_READONLY);
#else
    file("", "new\nline", "n");
    file("", "\xFF\xFE\x80 not utf-8", "bad");
    file("", "back\\slash", "b");
    file("", "star*?[", "s");
    file("", std::string(255, 'L'), "long");
    symlink("plain.txt", tree.Path("link-to-file").c_str());
    symlink("a", tree.Path("link-to-folder").c_str());
    symlink("../..", tree.Path("a/b/loop").c_str());
    symlink("nowhere", tree.Path("dangling").c_str());
    mkfifo(tree.Path("fifo").c_str(), 0644);
    mknod(tree.Path("null-device").c_str(), S_IFCHR | 0666, makedev(1, 3));
    // Neither may be read by an ordinary user: one not at all, the other listed but not entered.
    tree.AddFolder("closed");
    tree.AddFile("closed/secret", "s");
    chmod(tree.Path("closed").c_str(), 0);
    tree.AddFolder("list-only");
    tree.AddFile("list-only/unseen", "u");
    chmod(tree.Path("list-only").c_str(), 0444);
#endif
    return expected;
}

#ifndef _WIN32
// Scans in a child process after Prepare (dropping privileges, changing the root) and hands the
// catalogue back through a pipe. False when the child failed.
bool ScanInChild(const std::function<bool()>& prepare, const std::string& folder, std::vector<Row>* rows) {
    int channel[2];
    if (pipe(channel) != 0) return false;
    pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        close(channel[0]);
        // A walk that followed links could run for ever; a killed child fails the test.
        alarm(120);
        if (!prepare()) _exit(3);
        std::string out;
        for (const Row& row : Scan(folder)) {
            out += row.folder + '\0' + row.name + '\0' + std::to_string(row.size);
            out.push_back('\0');
        }
        for (size_t done = 0; done < out.size();) {
            ssize_t wrote = write(channel[1], out.data() + done, out.size() - done);
            if (wrote <= 0) _exit(4);
            done += size_t(wrote);
        }
        _exit(0);
    }
    close(channel[1]);
    std::string in;
    char block[4096];
    for (ssize_t got; (got = read(channel[0], block, sizeof block)) > 0;)
        in.append(block, size_t(got));
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    std::vector<std::string> fields;
    for (size_t at = 0, end; (end = in.find('\0', at)) != std::string::npos; at = end + 1)
        fields.push_back(in.substr(at, end - at));
    rows->clear();
    for (size_t i = 0; i + 2 < fields.size(); i += 3)
        rows->push_back({fields[i], fields[i + 1], std::stoll(fields[i + 2])});
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool BecomeNobody() {
    return setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0;
}
#endif

class FolderScan : public ::testing::Test {
  protected:
    void SetUp() override {
        InitFileServices();
        ListClear(Catalogue);
    }
    void TearDown() override { ListClear(Catalogue); }
    TempTree tree;
};

} // namespace

TEST_F(FolderScan, CataloguesEveryRegularFileOnceInPreOrderAndNothingElse) {
    std::vector<Row> expected = BuildMixedTree(tree);
    std::vector<Row> rows;
#ifdef _WIN32
    rows = Scan(tree.Root());
#else
    if (geteuid() == 0) {
        // Root reads every folder; an ordinary user is what the closed folders are closed to.
        chmod(tree.Root().c_str(), 0755);
        ASSERT_TRUE(ScanInChild(BecomeNobody, tree.Root(), &rows));
    } else {
        rows = Scan(tree.Root());
    }
#endif
    rows = Relative(rows, tree.Root());
    EXPECT_EQ(Sorted(rows), Sorted(expected));
    ExpectPreOrder(rows);
}

TEST_F(FolderScan, EntriesOfOneFolderShareOneFolderText) {
    tree.AddFolder("sub");
    for (const char* name : {"x", "y", "sub/z", "sub/w"})
        tree.AddFile(name, "1");
    Scan(tree.Root());
    std::set<const std::string*> texts;
    for (ListLink* at = Catalogue.head; at; at = at->next)
        texts.insert(static_cast<FileEntry*>(at)->Folder.get());
    EXPECT_EQ(ListCount(Catalogue), 4);
    EXPECT_EQ(texts.size(), 2u);
}

TEST_F(FolderScan, AddingAThenBThenAAgainCataloguesAsFilesTwice) {
    tree.AddFolder("A");
    tree.AddFolder("A/inner");
    tree.AddFile("A/one", "1");
    tree.AddFile("A/inner/two", "22");
    tree.AddFolder("B");
    tree.AddFile("B/three", "333");
    std::vector<Row> a = Scan(tree.Path("A"));
    std::vector<Row> b = Scan(tree.Path("B"));
    ASSERT_EQ(a.size(), 2u);
    ASSERT_EQ(b.size(), 1u);

    ListClear(Catalogue);
    for (const char* folder : {"A", "B", "A"})
        ScanFolder(tree.Path(folder), "*.*", 0);
    std::vector<Row> expected = a;
    expected.insert(expected.end(), b.begin(), b.end());
    expected.insert(expected.end(), a.begin(), a.end());
    EXPECT_EQ(CatalogueRows(), expected);
}

TEST_F(FolderScan, AppendsAtTheEndWhereverTheCursorWas) {
    tree.AddFile("new", "n");
    for (int where : {-1, 0}) {
        ListClear(Catalogue);
        ListAdd(Catalogue)->Name = "old-1";
        ListAdd(Catalogue)->Name = "old-2";
        ListSelect(Catalogue, where);
        ScanFolder(tree.Root(), "*.*", 0);
        std::vector<Row> rows = CatalogueRows();
        ASSERT_EQ(rows.size(), 3u);
        EXPECT_EQ(rows[0].name, "old-1");
        EXPECT_EQ(rows[1].name, "old-2");
        EXPECT_EQ(rows[2].name, "new");
    }
}

TEST_F(FolderScan, OneTrailingSeparatorIsDroppedAndASecondOneStays) {
    std::string dir = tree.AddFolder("dir");
    tree.AddFolder("dir/sub");
    tree.AddFile("dir/f", "1");
    tree.AddFile("dir/sub/g", "22");
    const std::string sep(1, PATH_SEPARATOR);
    std::multiset<Row> plain = {{dir, "f", 1}, {dir + sep + "sub", "g", 2}};
    EXPECT_EQ(Sorted(Scan(dir)), plain);
    EXPECT_EQ(Sorted(Scan(dir + sep)), plain);
    std::multiset<Row> doubled = {{dir + sep, "f", 1}, {dir + sep + sep + "sub", "g", 2}};
    EXPECT_EQ(Sorted(Scan(dir + sep + sep)), doubled);
}

TEST_F(FolderScan, FoldersWithoutFilesAndMissingFoldersAddNothing) {
    tree.AddFolder("empty");
    tree.AddFolder("only-folders");
    tree.AddFolder("only-folders/x");
    tree.AddFolder("only-folders/x/y");
    tree.AddFile("plain", "not a folder");
    ListAdd(Catalogue)->Name = "kept";
    for (const char* folder : {"empty", "only-folders", "missing", "plain"}) {
        ScanFolder(tree.Path(folder), "*.*", 0);
        EXPECT_EQ(ListCount(Catalogue), 1) << folder;
    }
}

TEST_F(FolderScan, AFileOfFiveGiBKeepsItsWholeSize) {
    const int64_t size = int64_t(5) << 30;
    std::string big = tree.AddSparseFile("big", uint64_t(size));
    tree.AddFile("small", "abc");
    EXPECT_EQ(Sorted(Relative(Scan(tree.Root()), tree.Root())),
              (std::multiset<Row>{{"", "big", size}, {"", "small", 3}}));
    // Its end can be reached and read.
    ASSERT_NE(OpenForReading(1, big), 0);
    ASSERT_EQ(SeekFile(size - 4), 1);
    char tail[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    EXPECT_EQ(ReadBlock(tail, sizeof tail), 4);
    EXPECT_EQ(tail[0] | tail[1] | tail[2] | tail[3], 0);
    CloseFileSlot(1);
}

#ifndef _WIN32
TEST_F(FolderScan, TheRootGivesAnEmptyFolderText) {
    if (geteuid() != 0) GTEST_SKIP() << "changing the root needs root";
    tree.AddFile("top", "t");
    tree.AddFolder("sub");
    tree.AddFile("sub/inner", "in");
    std::multiset<Row> expected = {{"", "top", 1}, {"/sub", "inner", 2}};
    for (const std::string folder : {"/", ""}) {
        std::vector<Row> rows;
        const std::string root = tree.Root();
        ASSERT_TRUE(ScanInChild([&] { return chroot(root.c_str()) == 0 && chdir("/") == 0; }, folder, &rows));
        EXPECT_EQ(Sorted(rows), expected) << "folder \"" << folder << "\"";
    }
}

TEST_F(FolderScan, DeepTreesAreWalkedAndTheDepthIsBoundedSafely) {
    // 4200 levels: beyond the system's path limit and beyond any real tree. Made through descriptors,
    // since the system refuses such paths whole; in memory where there is a memory file system, as
    // thousands of folders are slow to make and remove on a disk.
    struct stat memory;
    TempTree deep(stat("/dev/shm", &memory) == 0 && S_ISDIR(memory.st_mode) ? "/dev/shm" : "");
    int folder = open(deep.Root().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(folder, 0);
    std::string path = deep.Root();
    std::set<std::string> reachable;
    for (int level = 1; level <= 4200; ++level) {
        ASSERT_EQ(mkdirat(folder, "d", 0755), 0);
        int next = openat(folder, "d", O_RDONLY | O_DIRECTORY);
        close(folder);
        ASSERT_GE(next, 0) << level;
        folder = next;
        path += "/d";
        if (level == 1 || level == 2000 || level == 4200) {
            int file = openat(folder, "f", O_WRONLY | O_CREAT, 0644);
            ASSERT_GE(file, 0);
            close(file);
            // The last one lies below the bound on the depth.
            if (level < 4200) reachable.insert(path);
        }
    }
    close(folder);
    std::set<std::string> found;
    for (const Row& row : Scan(deep.Root()))
        found.insert(row.folder);
    // Compared as booleans: a failure message with these paths would run to megabytes.
    EXPECT_TRUE(found == reachable) << found.size() << " folders with files found";
}
#endif
