// The folder scan over real trees: every regular file once per scan, in pre-order, with its whole
// size; links, special files and unreadable folders add nothing.
#include "core/lists.h"
#include "core/name_glob.h"
#include "core/omissions.h"
#include "core/scan.h"
#include "core/search.h"
#include "platform/file_services.h"
#include "test_tree.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

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
    *out << ::testing::PrintToString(row.folder) << " " << ::testing::PrintToString(row.name) << " "
         << row.size;
}

// What the last Scan left out.
std::vector<Omission> scanOmissions;

// Scans Folder after the catalogue's entries and returns the whole catalogue.
std::vector<Row> Scan(const std::string& folder) {
    auto rows = [] {
        std::vector<Row> rows;
        for (ListLink* at = Catalogue.head; at; at = at->next) {
            const FileEntry& entry = *static_cast<FileEntry*>(at);
            rows.push_back({EntryFolder(entry), entry.Name.Text(), entry.Size});
        }
        return rows;
    };
    // Alone, and with reader threads listing ahead: the same entries and omissions in the same order.
    const size_t entries = rows().size();
    std::vector<Row> walked[2];
    std::vector<std::string> omitted[2];
    for (int readers : {4, 1}) {
        ListSetCurrent(Catalogue, static_cast<FileEntry*>(Catalogue.tail));
        while (rows().size() > entries)
            ListDelete(Catalogue);
        scanOmissions = ScanFolder(folder, "*.*", 0, ScanRequest{readers, 0, INT64_MAX, {}}).omissions;
        walked[readers == 1] = rows();
        for (const Omission& omission : scanOmissions)
            omitted[readers == 1].push_back(omission.path + ": " + omission.reason);
    }
    EXPECT_TRUE(walked[0] == walked[1])
        << walked[0].size() << " entries with readers, " << walked[1].size() << " alone";
    EXPECT_EQ(omitted[0], omitted[1]);
    return walked[1];
}

std::multiset<Row> Fresh(const std::string& folder) {
    ListClear(Catalogue);
    std::vector<Row> rows = Scan(folder);
    return {rows.begin(), rows.end()};
}

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
    for (const char* folder : {"a", "a/b", "a/b/c", "empty", "only", "only/x", "only/x/y", "sp ace", "-dash"})
        tree.AddFolder(folder);
    std::vector<std::pair<std::string, std::string>> files = {{"plain.txt", "hello"},
                                                              {"-leading-dash", "-"},
                                                              {"empty-file", ""},
                                                              {".hidden", "h"},
                                                              {"gr\xFC\xDF"
                                                               "e",
                                                               "latin"},
                                                              {"\xC3\xBC-utf8", "u"},
                                                              {"a/plain.txt", "another"},
                                                              {"a/one", "1"},
                                                              {"a/b/two", "22"},
                                                              {"a/b/c/deep.bin", std::string(3000, '\x7F')},
                                                              {"sp ace/in file", "in"},
                                                              {"-dash/-x", "x"}};
#ifndef _WIN32
    for (const std::string name : {"new\nline", "\xFF\xFE\x80 not utf-8", "back\\slash", "star*?["})
        files.emplace_back(name, name);
    files.emplace_back(std::string(255, 'L'), "long");
#endif
    std::multiset<Row> expected;
    for (const auto& [path, bytes] : files) {
        tree.AddFile(path, bytes);
        size_t slash = path.rfind('/');
        std::string folder = slash == std::string::npos ? "" : PATH_SEPARATOR + path.substr(0, slash);
        for (char& c : folder)
            if (c == '/') c = PATH_SEPARATOR;
        expected.insert({tree.Root() + folder, path.substr(slash + 1), int64_t(bytes.size())});
    }
    // What an ordinary user cannot read is reported: a folder not to be opened, a file not examined.
    std::set<std::string> unreadable;
#ifndef _WIN32
    unreadable = {tree.Path("closed"), tree.Path("list-only/unseen")};
#endif
    auto check = [&] {
        ListClear(Catalogue);
        const std::vector<Row> rows = Scan(tree.Root());
        EXPECT_EQ(std::multiset<Row>(rows.begin(), rows.end()), expected);
        std::set<std::string> omitted;
        for (const Omission& omission : scanOmissions) {
            omitted.insert(omission.path);
            EXPECT_EQ(omission.reason, "Permission denied");
        }
        EXPECT_EQ(omitted, unreadable);
        // Pre-order: once the walk has left a folder, no file below it follows.
        auto within = [](const std::string& folder, const std::string& outer) {
            return folder.rfind(outer, 0) == 0 &&
                   (folder.size() == outer.size() || folder[outer.size()] == PATH_SEPARATOR);
        };
        std::set<std::string> left;
        for (size_t i = 1; i < rows.size(); ++i) {
            for (std::string f = rows[i - 1].folder; f.size() > tree.Root().size();
                 f.erase(f.rfind(PATH_SEPARATOR)))
                if (!within(rows[i].folder, f)) left.insert(f);
            for (const std::string& f : left)
                EXPECT_FALSE(within(rows[i].folder, f)) << rows[i].folder << " after leaving " << f;
        }
    };
#ifdef _WIN32
    SetFileAttributesA(tree.Path(".hidden").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    SetFileAttributesA(tree.Path("a/one").c_str(), FILE_ATTRIBUTE_READONLY);
    // Where the system makes links (Wine 8 does not), they must not be followed.
    CreateSymbolicLinkA(tree.Path("link-to-file").c_str(), tree.Path("plain.txt").c_str(), 0);
    CreateSymbolicLinkA(tree.Path("link-to-folder").c_str(), tree.Path("a").c_str(),
                        SYMBOLIC_LINK_FLAG_DIRECTORY);
    check();
#else
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
    // Root reads every folder; an ordinary user is what the closed folders are closed to.
    chmod(tree.Root().c_str(), 0755);
    test_tree::InChild(test_tree::BecomeNobody, check);
#endif
}

TEST_F(FolderScan, EachScanAppendsItsFilesAtTheEndWhereverTheCursorWas) {
    for (const char* folder : {"A", "A/inner", "B"})
        tree.AddFolder(folder);
    tree.AddFile("A/one", "1");
    tree.AddFile("A/inner/two", "22");
    tree.AddFile("B/three", "333");
    tree.AddFile("B/four", "4444");
    tree.AddFile("plain", "not a folder");
    ListAdd(Catalogue)->Name = "old";
    std::vector<Row> rows;
    int64_t cursor = 0;
    for (const char* folder : {"A", "B", "missing", "plain", "A"}) {
        ListSelect(Catalogue, cursor++ % 2 - 1);
        rows = Scan(tree.Path(folder));
    }
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[0], (Row{"", "old", 0}));
    EXPECT_EQ(std::multiset<Row>(rows.begin() + 1, rows.begin() + 3),
              (std::multiset<Row>{{tree.Path("A"), "one", 1}, {tree.Path("A/inner"), "two", 2}}));
    EXPECT_EQ(std::multiset<Row>(rows.begin() + 3, rows.begin() + 5),
              (std::multiset<Row>{{tree.Path("B"), "three", 3}, {tree.Path("B"), "four", 4}}));
    EXPECT_EQ(std::vector<Row>(rows.begin() + 5, rows.end()),
              std::vector<Row>(rows.begin() + 1, rows.begin() + 3));
    // The entries of one folder share one folder text.
    ListSelect(Catalogue, 3);
    EXPECT_TRUE(Catalogue.Current()->Folder.SameAs(static_cast<FileEntry*>(Catalogue.current->next)->Folder));
}

TEST_F(FolderScan, OneTrailingSeparatorIsDroppedAndASecondOneStays) {
    const std::string dir = tree.AddFolder("dir"), sep(1, PATH_SEPARATOR);
    tree.AddFolder("dir/sub");
    tree.AddFile("dir/f", "1");
    tree.AddFile("dir/sub/g", "22");
    const std::multiset<Row> plain = {{dir, "f", 1}, {dir + sep + "sub", "g", 2}};
    EXPECT_EQ(Fresh(dir), plain);
    EXPECT_EQ(Fresh(dir + sep), plain);
    EXPECT_EQ(Fresh(dir + sep + sep),
              (std::multiset<Row>{{dir + sep, "f", 1}, {dir + sep + sep + "sub", "g", 2}}));
}

TEST_F(FolderScan, AFileOfFiveGiBKeepsItsWholeSizeAndItsEndCanBeRead) {
    const int64_t size = int64_t(5) << 30;
    const std::string big = tree.AddSparseFile("big", uint64_t(size));
    EXPECT_EQ(Fresh(tree.Root()), (std::multiset<Row>{{tree.Root(), "big", size}}));
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
    const std::string root = tree.Root();
    test_tree::InChild(
        [&] { return chroot(root.c_str()) == 0 && chdir("/") == 0; },
        [] {
            for (const char* folder : {"/", ""})
                EXPECT_EQ(Fresh(folder), (std::multiset<Row>{{"", "top", 1}, {"/sub", "inner", 2}}))
                    << folder;
        });
}

// Paths beyond the system's limit are walked, read and removed; folders deeper than the walk's own
// limit are left out and reported.
TEST_F(FolderScan, TreesBeyondThePathLimitAreWalkedReadAndRemoved) {
    // Made through descriptors, since the system refuses such paths whole.
    int folder = open(tree.Root().c_str(), O_RDONLY | O_DIRECTORY);
    std::string path = tree.Root(), longFolder;
    std::set<std::string> withFiles;
    for (int level = 1; level <= 4097; ++level) {
        ASSERT_EQ(mkdirat(folder, "d", 0755), 0);
        int next = openat(folder, "d", O_RDONLY | O_DIRECTORY);
        close(folder);
        ASSERT_GE(folder = next, 0) << level;
        path += "/d";
        if (level == 2100) longFolder = path;
        if (level == 1 || level == 2100 || level >= 4096) {
            int file = openat(folder, "f", O_WRONLY | O_CREAT, 0644);
            ASSERT_EQ(write(file, "deep", 4), 4);
            close(file);
            if (level < 4097) withFiles.insert(path);
        }
    }
    close(folder);
    std::set<std::string> found;
    for (const Row& row : Fresh(tree.Root()))
        found.insert(row.folder);
    // Compared as booleans: a failure message with these paths would run to many pages.
    EXPECT_TRUE(found == withFiles) << found.size() << " folders with files found";
    ASSERT_EQ(scanOmissions.size(), 1u);
    EXPECT_TRUE(scanOmissions[0].path == path);
    EXPECT_EQ(scanOmissions[0].reason, "deeper than 4096 folders");
    EXPECT_EQ(CheckFolder(longFolder), 1);
    path = longFolder;
    ASSERT_NE(OpenForReading(1, path + "/f"), 0);
    char block[8];
    EXPECT_EQ(ReadBlock(block, sizeof block), 4);
    CloseFileSlot(1);
    EXPECT_EQ(RemoveFile(path + "/f"), 1);
    EXPECT_EQ(OpenForReading(1, path + "/f"), 0);
    EXPECT_EQ(LastFailure(), FAILURE_MISSING);
    // A name longer than any the system allows is refused, not cut.
    EXPECT_EQ(StartEnumeration(0, tree.Root() + "/" + std::string(PATH_MAX + 10, 'x'), "*.*"), 0);
    EXPECT_EQ(LastFailure(), FAILURE_TOO_LONG);
}
#endif

TEST(NameGlob, StarsQuestionMarksAndSetsMatchWholeNamesByteForByte) {
    const struct {
        const char* pattern;
        const char* name;
        bool matches;
    } cases[] = {{"*.tmp", "a.tmp", true}, {"*.tmp", "a.tmp.x", false}, {"*.tmp", ".tmp", true},
                 {"a?c", "abc", true},     {"a?c", "ac", false},        {"*", "", true},
                 {"[a-c]x", "bx", true},   {"[!a-c]x", "bx", false},    {"[!a-c]x", "dx", true},
                 {"[x", "[x", true},       {"*a*b", "xaxxb", true},     {"*a*b", "xaxxbx", false},
                 {".git", ".git", true},   {".git", ".GIT", false},     {"a**b", "ab", true}};
    for (const auto& c : cases)
        EXPECT_EQ(NameMatches(c.pattern, c.name), c.matches) << c.pattern << " " << c.name;
}

// Sizes and names left out are counted and never catalogued; an excluded folder is not walked into.
TEST_F(FolderScan, FiltersLeaveOutSizesAndNamesAndCountThem) {
    for (const char* folder : {"skip", "deep", "deep/skip"})
        tree.AddFolder(folder);
    for (const char* name : {"keep", "small", "big", "x.tmp", "skip/inner", "deep/skip/inner", "deep/also"})
        tree.AddFile(name, std::string(name == std::string("small") ? 1
                                       : name == std::string("big") ? 90
                                                                    : 10,
                                       'b'));
    for (int32_t readers : {4, 1}) {
        ListClear(Catalogue);
        const ScanResult result =
            ScanFolder(tree.Root(), "*.*", 0, ScanRequest{readers, 2, 50, {"*.tmp", "skip"}});
        std::multiset<std::string> names;
        for (ListLink* at = Catalogue.head; at; at = at->next)
            names.insert(static_cast<FileEntry*>(at)->Name.Text());
        EXPECT_EQ(names, (std::multiset<std::string>{"keep", "also"})) << readers;
        EXPECT_EQ(result.filesBySize, 2);
        EXPECT_EQ(result.filesByName, 1);
        EXPECT_EQ(result.foldersByName, 2);
    }
}

// A scan and a search asked to stop (the window closed meanwhile) end early, with what they found so far,
// and say so; alone and with reader threads.
TEST_F(FolderScan, AScanAndASearchStopWhenAsked) {
    for (const char* folder : {"d0", "d1", "d2"})
        tree.AddFolder(folder);
    for (int i = 0; i < 600; ++i)
        tree.AddFile("d" + std::to_string(i % 3) + "/f" + std::to_string(i), std::string(1 + i % 5, 'x'));
    const StopCheck stop{nullptr, [](void*) { return true; }};
    for (int readers : {1, 4}) {
        ListClear(Catalogue);
        ScanRequest request;
        request.readers = readers;
        request.stop = stop;
        EXPECT_TRUE(ScanFolder(tree.Root(), "*.*", 0, request).stopped) << readers;
        EXPECT_LT(ListCount(Catalogue), 600) << readers;
        ListClear(Catalogue);
        request.stop = {};
        ScanFolder(tree.Root(), "*.*", 0, request);
        EXPECT_TRUE(FindDuplicates({readers, {}, stop}).stopped) << readers;
        // Reader threads may have begun sets of their own; searching alone, none was begun.
        if (readers == 1) {
            EXPECT_EQ(ListCount(GroupList), 0);
        }
    }
}

#ifndef _WIN32
// With one file system only, a folder that another file system is mounted on is left out and counted.
TEST_F(FolderScan, OneFileSystemLeavesOutMountedFolders) {
    tree.AddFile("here", "h");
    tree.AddFolder("mounted");
    if (mount("tmpfs", tree.Path("mounted").c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "no tmpfs mount here (it needs root)";
    tree.AddFile("mounted/there", "t");
    for (int32_t readers : {4, 1}) {
        ScanRequest request;
        request.readers = readers;
        for (bool one : {false, true}) {
            ListClear(Catalogue);
            request.oneFileSystem = one;
            const ScanResult result = ScanFolder(tree.Root(), "*.*", 0, request);
            EXPECT_EQ(ListCount(Catalogue), one ? 1 : 2) << readers;
            EXPECT_EQ(result.foldersByDevice, one ? 1 : 0) << readers;
        }
    }
    EXPECT_EQ(umount(tree.Path("mounted").c_str()), 0);
}
#endif
