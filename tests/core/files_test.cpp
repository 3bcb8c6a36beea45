// The file and folder services over real files: enumeration and file slots, the shared entry record
// and read buffer, block reads, file identity and removal.
#include "platform/file_services.h"
#include "test_tree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

struct Seen {
    std::string name;
    EntryKind kind;
    int64_t size;
    auto operator<=>(const Seen&) const = default;
};

// Every entry the current slot still hands out.
std::multiset<Seen> Drain() {
    std::multiset<Seen> seen;
    for (EntryKind kind; (kind = NextEntry()) != ENTRY_END;)
        seen.insert({EntryName(), kind, EntrySize()});
    return seen;
}

std::multiset<Seen> WithDots(std::multiset<Seen> entries) {
    entries.insert({{".", ENTRY_FOLDER, 0}, {"..", ENTRY_FOLDER, 0}});
    return entries;
}

class FileServices : public ::testing::Test {
  protected:
    void SetUp() override { InitFileServices(); }
    test_tree::TempTree tree;
};

} // namespace

TEST_F(FileServices, RelativePathsStartInTheProgramFolderWhereverTheCurrentDirectoryIs) {
#ifdef _WIN32
    const std::string self = "zw_core_tests.exe", inEmpty = self;
#else
    const std::string self = "zw_core_tests", inEmpty = "etc";
#endif
    ASSERT_FALSE(ProgramFolder().empty());
    EXPECT_EQ(ProgramFolder().back(), PATH_SEPARATOR);
    const std::filesystem::path saved = std::filesystem::current_path();
    std::filesystem::current_path(tree.Root());
    EXPECT_NE(OpenForReading(1, self), 0);
    EXPECT_NE(OpenForReading(2, ProgramFolder() + self), 0);
    CloseFileSlot(1);
    CloseFileSlot(2);
    // Deleting by a relative path hits the file that was opened by it, not a namesake here.
    const std::string doomed = "zw-relative-removal.tmp";
    tree.AddFile(doomed, "here");
    std::ofstream(ProgramFolder() + doomed) << "there";
    std::filesystem::current_path(tree.Root());
    EXPECT_EQ(RemoveFile(doomed), 1);
    EXPECT_FALSE(std::filesystem::exists(ProgramFolder() + doomed));
    EXPECT_TRUE(std::filesystem::exists(tree.Path(doomed)));
    std::filesystem::current_path(saved);
    // An empty folder is the program's own folder on Windows, the file system's root elsewhere.
    ASSERT_NE(StartEnumeration(0, "", "*.*"), 0);
    int found = 0;
    for (const Seen& seen : Drain())
        found += seen.name == inEmpty;
    EXPECT_EQ(found, 1);
}

TEST_F(FileServices, EnumerationHandsOutEachEntryOnceThenEndsForEver) {
    tree.AddFile("only", "12345");
    tree.AddFolder("sub");
    tree.AddFile("sub/inner");
    const auto all = WithDots({{"only", ENTRY_FILE, 5}, {"sub", ENTRY_FOLDER, 0}});
    for (const std::string& folder : {tree.Root(), tree.Root() + PATH_SEPARATOR})
        for (const std::string pattern : {"*.*", ""}) {
            ASSERT_EQ(StartEnumeration(0, folder, pattern), 1);
            EXPECT_EQ(Drain(), all) << folder << " " << pattern;
            EXPECT_EQ(NextEntry(), ENTRY_END);
        }
    // Starting an open slot again starts afresh.
    ASSERT_EQ(StartEnumeration(3, tree.Path("sub"), "*.*"), 1);
    ASSERT_NE(NextEntry(), ENTRY_END);
    ASSERT_EQ(StartEnumeration(3, tree.Root(), "*.*"), 1);
    EXPECT_EQ(Drain(), all);
    // What cannot be listed or lists nothing ends at once, and so does a slot that cannot be.
    for (const std::string& folder : {tree.Path("missing"), tree.Path("only"), tree.Root() + '\0' + "x"}) {
        EXPECT_EQ(StartEnumeration(0, folder, "*.*"), 0);
        EXPECT_EQ(NextEntry(), ENTRY_END);
    }
    EXPECT_EQ(StartEnumeration(0, tree.Root(), "no-such-*"), 0);
    EXPECT_EQ(NextEntry(), ENTRY_END);
    EXPECT_EQ(StartEnumeration(-3, tree.Root(), "*.*"), 0);
    EXPECT_EQ(NextEntry(), ENTRY_END);
}

TEST_F(FileServices, SlotsBeyondTheTableKeepTheEarlierSearchesOpen) {
    // The entry record is shared: each slot's first entry is taken at once, the rest only after
    // every other slot has started.
    const std::vector<int32_t> slots = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 40};
    std::vector<std::multiset<Seen>> seen(slots.size());
    for (size_t i = 0; i < slots.size(); ++i) {
        const std::string name = std::to_string(slots[i]);
        tree.AddFolder(name);
        tree.AddFile(name + "/" + name, std::string(i, 'x'));
        ASSERT_EQ(StartEnumeration(slots[i], tree.Path(name), "*.*"), 1);
        EntryKind kind = NextEntry();
        seen[i].insert({EntryName(), kind, EntrySize()});
    }
    for (size_t i = slots.size(); i-- > 0;) {
        SelectEnumeration(slots[i]);
        seen[i].merge(Drain());
        EXPECT_EQ(seen[i], WithDots({{std::to_string(slots[i]), ENTRY_FILE, int64_t(i)}})) << slots[i];
    }
}

#ifdef _WIN32
TEST_F(FileServices, DriveRootsAndTheLongestSearchSpecification) {
    ASSERT_EQ(StartEnumeration(0, "C:", "*.*"), 1);
    const std::multiset<Seen> bare = Drain();
    ASSERT_EQ(StartEnumeration(0, "C:\\", "*.*"), 1);
    EXPECT_EQ(Drain(), bare);
    EXPECT_FALSE(bare.empty());
    // "\\." segments lengthen a folder without leaving it. A folder of 250 characters gives with the
    // separator and "*.*" the longest query that fits (254); one of 251 does not fit.
    for (const std::string name : {"e", "ev"}) {
        tree.AddFolder(name);
        tree.AddFile(name + "/inside", "1");
    }
    for (size_t length : {250u, 251u}) {
        std::string folder = tree.Path(tree.Root().size() % 2 == length % 2 ? "e" : "ev");
        while (folder.size() < length)
            folder += "\\.";
        ASSERT_EQ(folder.size(), length);
        EXPECT_EQ(StartEnumeration(0, folder, "*.*"), length == 250 ? 1 : 0);
        EXPECT_EQ(Drain(), length == 250 ? WithDots({{"inside", ENTRY_FILE, 1}}) : std::multiset<Seen>{});
    }
}
#endif

TEST_F(FileServices, ShortReadsKeepWhatTheSharedBufferHeld) {
    ASSERT_NE(OpenForReading(1, tree.AddFile("a", "\x01\x02\x03\x04xyz")), 0);
    ASSERT_NE(OpenForReading(2, tree.AddFile("b", "\x05\x06\x07\x08\xFF")), 0);
    SelectFile(1);
    EXPECT_EQ(ReadInt32(), 0x04030201);
    SelectFile(2);
    EXPECT_EQ(ReadInt32(), 0x08070605);
    // Three bytes arrive; the fourth is what the last read of the other file left behind. At the end
    // nothing arrives and the buffer comes back whole.
    SelectFile(1);
    EXPECT_EQ(ReadInt32(), 0x087A7978);
    EXPECT_EQ(ReadInt32(), 0x087A7978);
    SelectFile(2);
    EXPECT_EQ(ReadInt8(), -1);
    EXPECT_EQ(ReadInt8(), -1);
    SelectFile(1);
    EXPECT_EQ(ReadInt8(), -1);
    EXPECT_EQ(ReadInt32(), 0x087A79FF);
    CloseFileSlot(2);
    CloseFileSlot(1);
}

TEST_F(FileServices, BlockReadsReportWhatArrivedWithAPositionPerSlot) {
    const std::string path = tree.AddFile("ten", "0123456789");
    char block[16];
    ASSERT_NE(OpenForReading(1, path), 0);
    ASSERT_NE(OpenForReading(33, path), 0);
    SelectFile(1);
    ASSERT_EQ(ReadBlock(block, 4), 4);
    SelectFile(33);
    ASSERT_EQ(ReadBlock(block, 2), 2);
    EXPECT_EQ(std::string(block, 2), "01");
    SelectFile(1);
    ASSERT_EQ(ReadBlock(block, sizeof block), 6);
    EXPECT_EQ(std::string(block, 6), "456789");
    EXPECT_EQ(ReadBlock(block, sizeof block), 0);
    EXPECT_EQ(SeekFile(8), 1);
    EXPECT_EQ(ReadBlock(block, sizeof block), 2);
    EXPECT_EQ(SeekFile(-1), 0);
    // A closed slot is no longer read, not even when selected again.
    CloseFileSlot(1);
    EXPECT_EQ(ReadBlock(block, 1), -1);
    SelectFile(1);
    EXPECT_EQ(ReadBlock(block, 1), -1);
    SelectFile(33);
    EXPECT_EQ(ReadBlock(block, sizeof block), 8);
    // What cannot be opened leaves no current file.
    for (const std::string& refused : {tree.Path("missing"), tree.Root(), path + '\0' + "x"}) {
        EXPECT_EQ(OpenForReading(2, refused), 0) << refused;
        EXPECT_EQ(ReadBlock(block, 1), -1);
        EXPECT_EQ(SeekFile(0), 0);
        FileStamp stamp;
        EXPECT_EQ(OpenedFileStamp(&stamp), 0);
        EXPECT_NE(LastFailure(), FAILURE_NONE);
    }
    CloseFileSlot(33);
}

TEST_F(FileServices, IdentityTellsAHardLinkFromACopyAndRemovalReportsFailure) {
    const std::string original = tree.AddFile("original", "same"), copy = tree.AddFile("copy", "same");
    const std::string hardLink = tree.Path("hard-link");
#ifdef _WIN32
    ASSERT_TRUE(CreateHardLinkA(hardLink.c_str(), original.c_str(), nullptr));
#else
    ASSERT_EQ(link(original.c_str(), hardLink.c_str()), 0);
#endif
    FileStamp stamps[4];
    const std::string paths[3] = {original, hardLink, copy};
    for (int i = 0; i < 3; ++i) {
        ASSERT_NE(OpenForReading(i + 1, paths[i]), 0);
        EXPECT_EQ(OpenedFileStamp(&stamps[i]), 1);
        EXPECT_EQ(stamps[i].size, 4);
    }
    SelectFile(1);
    EXPECT_EQ(CurrentFileStamp(&stamps[3]), 1);
    EXPECT_EQ(stamps[3].identity, stamps[0].identity);
    EXPECT_EQ(stamps[1].identity, stamps[0].identity);
    EXPECT_NE(stamps[2].identity, stamps[0].identity);
    for (int32_t slot : {1, 2, 3})
        CloseFileSlot(slot);

    EXPECT_EQ(RemoveFile(copy), 1);
    EXPECT_EQ(OpenForReading(1, copy), 0);
    // A zero byte must not cut the path short to some other file.
    for (const std::string& refused : {copy, tree.AddFolder("folder"), original + '\0' + "x"})
        EXPECT_EQ(RemoveFile(refused), 0) << refused;
    EXPECT_NE(OpenForReading(1, original), 0);
    CloseFileSlot(1);
#ifdef _WIN32
    ASSERT_TRUE(SetFileAttributesA(original.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(RemoveFile(original), 0);
#else
    // A folder link goes, what it points to stays.
    tree.AddFile("folder/inside", "i");
    ASSERT_EQ(symlink("folder", tree.Path("folder-link").c_str()), 0);
    EXPECT_EQ(RemoveFile(tree.Path("folder-link")), 1);
    EXPECT_EQ(RemoveFile(tree.Path("folder/inside")), 1);
#endif
}

#ifndef _WIN32
TEST_F(FileServices, OnlyRegularFilesOpenAndReopeningASlotReleasesItsFile) {
    const std::string real = tree.AddFile("real", "data");
    ASSERT_EQ(symlink("real", tree.Path("link").c_str()), 0);
    ASSERT_EQ(mkfifo(tree.Path("fifo").c_str(), 0644), 0);
    ASSERT_EQ(symlink(tree.Root().c_str(), tree.Path("root-link").c_str()), 0);
    for (const std::string& path : {tree.Path("fifo"), tree.Path("link"), std::string("/dev/zero")})
        EXPECT_EQ(OpenForReading(1, path), 0) << path;
    // A link among the leading folders is followed like any other path.
    ASSERT_NE(OpenForReading(1, tree.Path("root-link/real")), 0);
    char block[8];
    EXPECT_EQ(ReadBlock(block, sizeof block), 4);

    // Opening the slot again releases the file it held.
    auto descriptors = [] { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); };
    const auto before = descriptors();
    for (int i = 0; i < 20; ++i)
        ASSERT_NE(OpenForReading(1, real), 0);
    EXPECT_EQ(descriptors(), before);
    CloseFileSlot(1);
}
#endif
