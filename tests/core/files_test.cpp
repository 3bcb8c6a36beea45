// The file and folder services over real files: enumeration slots, the shared entry record, file
// slots with the shared read buffer, block reads, file identity and removal.
#include "platform/file_services.h"
#include "test_tree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <set>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#endif

using test_tree::TempTree;

namespace {

struct Seen {
    std::string name;
    EntryKind kind;
    int64_t size;
    bool operator<(const Seen& other) const { return name < other.name; }
    bool operator==(const Seen& other) const {
        return name == other.name && kind == other.kind && (kind != ENTRY_FILE || size == other.size);
    }
};

// Every entry the current slot still hands out, in order.
std::vector<Seen> Drain() {
    std::vector<Seen> seen;
    for (EntryKind kind; (kind = NextEntry()) != ENTRY_END;)
        seen.push_back({EntryName(), kind, EntrySize()});
    return seen;
}

std::multiset<Seen> Sorted(const std::vector<Seen>& seen) {
    return {seen.begin(), seen.end()};
}

std::multiset<Seen> WithDots(std::initializer_list<Seen> entries) {
    std::multiset<Seen> all(entries);
    all.insert({".", ENTRY_FOLDER, 0});
    all.insert({"..", ENTRY_FOLDER, 0});
    return all;
}

// The whole rest of the current file.
std::string ReadRest() {
    std::string bytes;
    char block[4096];
    for (int64_t got; (got = ReadBlock(block, sizeof block)) > 0;)
        bytes.append(block, size_t(got));
    return bytes;
}

// Prefix and number, built by appending (GCC's -O3 warns falsely about "literal" + std::string).
std::string Numbered(const char* prefix, int32_t number) {
    std::string text = prefix;
    text += std::to_string(number);
    return text;
}

bool Exists(const std::string& path) {
    bool found = OpenForReading(9, path) != 0;
    CloseFileSlot(9);
    return found;
}

class FileServices : public ::testing::Test {
  protected:
    void SetUp() override { InitFileServices(); }
    TempTree tree;
};

} // namespace

TEST_F(FileServices, ProgramFolderIsTheExecutablesOwnFolderAndRelativePathsStartThere) {
#ifdef _WIN32
    const std::string self = "zw_core_tests.exe";
#else
    const std::string self = "zw_core_tests";
#endif
    ASSERT_FALSE(ProgramFolder().empty());
    EXPECT_EQ(ProgramFolder().back(), PATH_SEPARATOR);
    EXPECT_NE(OpenForReading(1, ProgramFolder() + self), 0);
    CloseFileSlot(1);
    EXPECT_NE(OpenForReading(1, self), 0);
    CloseFileSlot(1);
    // Even after something else has moved the current directory.
    const std::filesystem::path saved = std::filesystem::current_path();
    std::filesystem::current_path(tree.Root());
    EXPECT_NE(OpenForReading(1, self), 0);
    CloseFileSlot(1);
    std::filesystem::current_path(saved);
    ASSERT_NE(StartEnumeration(0, "", "*.*"), 0);
    std::vector<Seen> listed = Drain();
    auto has = [&](const std::string& name, EntryKind kind) {
        return std::any_of(listed.begin(), listed.end(),
                           [&](const Seen& seen) { return seen.name == name && seen.kind == kind; });
    };
#ifdef _WIN32
    // An empty folder is the program's own folder.
    EXPECT_TRUE(has(self, ENTRY_FILE));
#else
    // An empty folder is the root of the file system, which the chosen root "/" leaves behind.
    EXPECT_TRUE(has("etc", ENTRY_FOLDER));
#endif
}

TEST_F(FileServices, EnumerationHandsOutTheFirstEntryAndEndsForEver) {
    tree.AddFile("only", "12345");
    tree.AddFolder("sub");
    tree.AddFile("sub/inner");
    for (const std::string pattern : {"*.*", ""}) {
        ASSERT_EQ(StartEnumeration(0, tree.Root(), pattern), 1);
        EXPECT_EQ(Sorted(Drain()), WithDots({{"only", ENTRY_FILE, 5}, {"sub", ENTRY_FOLDER, 0}})) << pattern;
        for (int again = 0; again < 3; ++again)
            EXPECT_EQ(NextEntry(), ENTRY_END);
    }
    // A trailing separator changes nothing.
    ASSERT_EQ(StartEnumeration(0, tree.Root() + PATH_SEPARATOR, "*.*"), 1);
    EXPECT_EQ(Drain().size(), 4u);
}

TEST_F(FileServices, FoldersThatCannotBeListedEndAtOnce) {
    std::string file = tree.AddFile("plain", "x");
    for (const std::string& folder : {tree.Path("missing"), file, tree.Root() + std::string(1, '\0') + "x"}) {
        EXPECT_EQ(StartEnumeration(0, folder, "*.*"), 0);
        EXPECT_EQ(NextEntry(), ENTRY_END);
        EXPECT_EQ(NextEntry(), ENTRY_END);
    }
    // A folder in which nothing matches lists no entry at all.
    EXPECT_EQ(StartEnumeration(0, tree.Root(), "no-such-*"), 0);
    EXPECT_EQ(NextEntry(), ENTRY_END);
    // A slot never started, or a negative one, hands out nothing.
    SelectEnumeration(-1);
    EXPECT_EQ(NextEntry(), ENTRY_END);
    EXPECT_EQ(StartEnumeration(-3, tree.Root(), "*.*"), 0);
    EXPECT_EQ(NextEntry(), ENTRY_END);
}

TEST_F(FileServices, SlotsBeyondTheTableKeepTheEarlierSearchesOpen) {
    // Each slot lists a folder of its own; its first entry is taken at once, since the entry record
    // is shared, and the rest after every other slot has been started.
    std::vector<int32_t> slots;
    for (int32_t slot = 0; slot < 13; ++slot)
        slots.push_back(slot);
    slots.push_back(40);
    std::vector<std::vector<Seen>> seen(slots.size());
    for (size_t i = 0; i < slots.size(); ++i) {
        std::string folder = tree.AddFolder(Numbered("s", slots[i]));
        test_tree::MakeFile(test_tree::Join(folder, Numbered("f", slots[i])), std::string(i, 'x'));
        ASSERT_EQ(StartEnumeration(slots[i], folder, "*.*"), 1);
        EntryKind kind = NextEntry();
        ASSERT_NE(kind, ENTRY_END);
        seen[i].push_back({EntryName(), kind, EntrySize()});
    }
    for (size_t i = slots.size(); i-- > 0;) {
        SelectEnumeration(slots[i]);
        std::vector<Seen> rest = Drain();
        seen[i].insert(seen[i].end(), rest.begin(), rest.end());
        EXPECT_EQ(Sorted(seen[i]), WithDots({{Numbered("f", slots[i]), ENTRY_FILE, int64_t(i)}}))
            << "slot " << slots[i];
        EXPECT_EQ(NextEntry(), ENTRY_END);
    }
}

TEST_F(FileServices, StartingAnOpenSlotAgainStartsAfresh) {
    tree.AddFolder("a");
    tree.AddFile("a/one");
    tree.AddFile("a/two");
    tree.AddFolder("b");
    tree.AddFile("b/three", "333");
    ASSERT_EQ(StartEnumeration(3, tree.Path("a"), "*.*"), 1);
    ASSERT_NE(NextEntry(), ENTRY_END);
    ASSERT_EQ(StartEnumeration(3, tree.Path("b"), "*.*"), 1);
    EXPECT_EQ(Sorted(Drain()), WithDots({{"three", ENTRY_FILE, 3}}));
}

TEST_F(FileServices, LinksAndSpecialFilesAreNeverHandedOut) {
    tree.AddFile("real", "abc");
    tree.AddFolder("folder");
    bool madeAny = false;
#ifdef _WIN32
    // Some systems report success and make nothing (Wine 8 does): count only links that exist.
    auto made = [&](const char* name, const char* target, DWORD flags) {
        CreateSymbolicLinkA(tree.Path(name).c_str(), tree.Path(target).c_str(), flags);
        return GetFileAttributesA(tree.Path(name).c_str()) != INVALID_FILE_ATTRIBUTES;
    };
    madeAny |= made("file-link", "real", 0);
    madeAny |= made("folder-link", "folder", SYMBOLIC_LINK_FLAG_DIRECTORY);
#else
    madeAny |= symlink("real", tree.Path("file-link").c_str()) == 0;
    madeAny |= symlink("folder", tree.Path("folder-link").c_str()) == 0;
    madeAny |= symlink("nowhere", tree.Path("dangling").c_str()) == 0;
    madeAny |= symlink(".", tree.Path("loop").c_str()) == 0;
    madeAny |= mkfifo(tree.Path("fifo").c_str(), 0644) == 0;
    int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::string socketPath = tree.Path("sock");
    if (sock >= 0 && socketPath.size() < sizeof address.sun_path) {
        std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
        madeAny |= bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    if (sock >= 0) close(sock);
    // Only root may make a device node; the rest of the case stands without it.
    mknod(tree.Path("null-device").c_str(), S_IFCHR | 0666, makedev(1, 3));
#endif
    if (!madeAny) GTEST_SKIP() << "this system makes no links";
    ASSERT_EQ(StartEnumeration(0, tree.Root(), "*.*"), 1);
    EXPECT_EQ(Sorted(Drain()), WithDots({{"real", ENTRY_FILE, 3}, {"folder", ENTRY_FOLDER, 0}}));
    // A folder whose only entries are links still has its dots.
    ASSERT_EQ(StartEnumeration(0, tree.Path("folder"), "*.*"), 1);
    EXPECT_EQ(Drain().size(), 2u);
}

#ifdef _WIN32
TEST_F(FileServices, ADriveWithOrWithoutItsSeparatorIsItsRoot) {
    ASSERT_EQ(StartEnumeration(0, "C:", "*.*"), 1);
    std::multiset<Seen> bare = Sorted(Drain());
    ASSERT_EQ(StartEnumeration(0, "C:\\", "*.*"), 1);
    EXPECT_EQ(Sorted(Drain()), bare);
    EXPECT_GT(bare.size(), 0u);
}

TEST_F(FileServices, SearchSpecificationsLongerThanTheBufferDoNotStart) {
    // "\\." segments lengthen a folder without leaving it. A folder of 250 characters gives with the
    // separator and "*.*" the longest specification that fits (254); one of 251 does not fit.
    auto padded = [&](size_t length) {
        std::string folder = tree.Path(tree.Root().size() % 2 == length % 2 ? "e" : "ev");
        if (test_tree::MakeFolder(folder)) test_tree::MakeFile(test_tree::Join(folder, "inside"), "1");
        while (folder.size() < length)
            folder += "\\.";
        return folder;
    };
    std::string fits = padded(250);
    ASSERT_EQ(fits.size(), 250u);
    ASSERT_EQ(StartEnumeration(0, fits, "*.*"), 1);
    EXPECT_EQ(Sorted(Drain()), WithDots({{"inside", ENTRY_FILE, 1}}));
    std::string tooLong = padded(251);
    ASSERT_EQ(tooLong.size(), 251u);
    EXPECT_EQ(StartEnumeration(0, tooLong, "*.*"), 0);
    EXPECT_EQ(NextEntry(), ENTRY_END);
    EXPECT_EQ(StartEnumeration(0, fits + std::string(600, 'x'), "*.*"), 0);
    EXPECT_EQ(NextEntry(), ENTRY_END);
}
#endif

TEST_F(FileServices, Int32ReadsAreLittleEndianAndShortReadsKeepTheRestOfTheBuffer) {
    std::string a = tree.AddFile("a", std::string("\x01\x02\x03\x04xyz", 7));
    std::string b = tree.AddFile("b", std::string("\x05\x06\x07\x08xyz", 7));
    std::string c = tree.AddFile("c", std::string("\x05\x06\x07\x08xyw", 7));
    ASSERT_NE(OpenForReading(1, a), 0);
    ASSERT_NE(OpenForReading(2, b), 0);
    SelectFile(1);
    EXPECT_EQ(ReadInt32(), 0x04030201);
    SelectFile(2);
    EXPECT_EQ(ReadInt32(), 0x08070605);
    // Three bytes arrive; the fourth is the one the last read of the other file left behind.
    SelectFile(1);
    int32_t tailA = ReadInt32();
    EXPECT_EQ(tailA, int32_t(0x08000000 | 'z' << 16 | 'y' << 8 | 'x'));
    SelectFile(2);
    EXPECT_EQ(ReadInt32(), tailA);
    // At the end nothing arrives and the buffer comes back whole.
    SelectFile(1);
    EXPECT_EQ(ReadInt32(), tailA);

    // Equal lengths, different tails: the last pair differs.
    ASSERT_NE(OpenForReading(1, a), 0);
    ASSERT_NE(OpenForReading(2, c), 0);
    int32_t last1 = 0, last2 = 0;
    for (int unit = 0; unit < 2; ++unit) {
        SelectFile(1);
        last1 = ReadInt32();
        SelectFile(2);
        last2 = ReadInt32();
    }
    EXPECT_NE(last1, last2);
    CloseFileSlot(2);
    CloseFileSlot(1);
}

TEST_F(FileServices, Int8ReadsSignExtendAndRepeatThePreviousByteAtTheEnd) {
    ASSERT_NE(OpenForReading(1, tree.AddFile("q", "Q")), 0);
    ASSERT_NE(OpenForReading(2, tree.AddFile("ff", "\xFF")), 0);
    SelectFile(1);
    EXPECT_EQ(ReadInt8(), 'Q');
    EXPECT_EQ(ReadInt8(), 'Q');
    SelectFile(2);
    EXPECT_EQ(ReadInt8(), -1);
    // Slot 1 is at its end: the byte comes from slot 2's read.
    SelectFile(1);
    EXPECT_EQ(ReadInt8(), -1);
    CloseFileSlot(2);
    CloseFileSlot(1);
}

TEST_F(FileServices, TheSameFileOpensInBothSlotsWithPositionsOfTheirOwn) {
    std::string path = tree.AddFile("same", "0123456789");
    ASSERT_NE(OpenForReading(1, path), 0);
    ASSERT_NE(OpenForReading(2, path), 0);
    char block[8];
    SelectFile(1);
    ASSERT_EQ(ReadBlock(block, 4), 4);
    EXPECT_EQ(std::string(block, 4), "0123");
    SelectFile(2);
    ASSERT_EQ(ReadBlock(block, 2), 2);
    EXPECT_EQ(std::string(block, 2), "01");
    SelectFile(1);
    EXPECT_EQ(ReadRest(), "456789");
    SelectFile(2);
    EXPECT_EQ(ReadRest(), "23456789");
    CloseFileSlot(2);
    CloseFileSlot(1);
}

TEST_F(FileServices, BlockReadsReportWhatArrivedAndSeekAnywhere) {
    ASSERT_NE(OpenForReading(1, tree.AddFile("ten", "0123456789")), 0);
    char block[16];
    EXPECT_EQ(ReadBlock(block, sizeof block), 10);
    EXPECT_EQ(ReadBlock(block, sizeof block), 0);
    EXPECT_EQ(SeekFile(6), 1);
    ASSERT_EQ(ReadBlock(block, sizeof block), 4);
    EXPECT_EQ(std::string(block, 4), "6789");
    EXPECT_EQ(SeekFile(0), 1);
    EXPECT_EQ(ReadBlock(block, 0), 0);
    EXPECT_EQ(ReadBlock(block, 3), 3);
    EXPECT_EQ(SeekFile(100), 1);
    EXPECT_EQ(ReadBlock(block, sizeof block), 0);
    EXPECT_EQ(SeekFile(-1), 0);
    CloseFileSlot(1);
}

TEST_F(FileServices, WhatCannotBeOpenedLeavesNoCurrentFile) {
    std::string present = tree.AddFile("present", "abcd");
    ASSERT_NE(OpenForReading(1, present), 0);
    EXPECT_EQ(ReadInt32(), 0x64636261);
    std::vector<std::string> refused = {tree.Path("missing"), tree.AddFolder("folder"),
                                        present + std::string(1, '\0') + "x"};
    for (const std::string& path : refused) {
        EXPECT_EQ(OpenForReading(2, path), 0) << path;
        // The current file is none: reads deliver nothing and the buffer stays.
        EXPECT_EQ(ReadInt32(), 0x64636261);
        char block[4];
        EXPECT_EQ(ReadBlock(block, 4), -1);
        EXPECT_EQ(SeekFile(0), 0);
        FileIdentity identity;
        EXPECT_EQ(CurrentFileIdentity(&identity), 0);
    }
    EXPECT_EQ(OpenForReading(-1, present), 0);
    EXPECT_EQ(ReadBlock(nullptr, 1), -1);
    CloseFileSlot(1);
}

TEST_F(FileServices, AClosedSlotIsNoLongerReadAndSlotsBeyondTheTableWork) {
    std::string path = tree.AddFile("file", "abcdef");
    ASSERT_NE(OpenForReading(1, path), 0);
    CloseFileSlot(1);
    char block[8];
    EXPECT_EQ(ReadBlock(block, 8), -1);
    SelectFile(1);
    EXPECT_EQ(ReadBlock(block, 8), -1);
    CloseFileSlot(1);
    CloseFileSlot(-5);
    CloseFileSlot(100000);

    ASSERT_NE(OpenForReading(1, path), 0);
    ASSERT_NE(OpenForReading(33, path), 0);
    SelectFile(1);
    ASSERT_EQ(ReadBlock(block, 2), 2);
    SelectFile(33);
    EXPECT_EQ(ReadRest(), "abcdef");
    SelectFile(1);
    EXPECT_EQ(ReadRest(), "cdef");
    CloseFileSlot(33);
    CloseFileSlot(1);
}

#ifndef _WIN32
TEST_F(FileServices, EntriesThatVanishAfterListingArePassedOver) {
    for (const char* name : {"a", "b", "c", "d"})
        tree.AddFile(name, name);
    ASSERT_EQ(StartEnumeration(0, tree.Root(), "*.*"), 1);
    std::vector<Seen> seen;
    while (seen.empty() || seen.back().kind != ENTRY_FILE) {
        EntryKind kind = NextEntry();
        ASSERT_NE(kind, ENTRY_END);
        seen.push_back({EntryName(), kind, EntrySize()});
    }
    // The listing has been read by now; what is deleted from here on must not be handed out.
    const std::string kept = seen.back().name;
    for (const char* name : {"a", "b", "c", "d"})
        if (kept != name) unlink(tree.Path(name).c_str());
    std::vector<Seen> rest = Drain();
    seen.insert(seen.end(), rest.begin(), rest.end());
    EXPECT_EQ(Sorted(seen), WithDots({{kept, ENTRY_FILE, 1}}));
}

TEST_F(FileServices, OpeningASlotAgainReleasesTheFileItHeld) {
    auto openDescriptors = [] {
        int count = 0;
        DIR* dir = opendir("/proc/self/fd");
        while (dir && readdir(dir))
            ++count;
        if (dir) closedir(dir);
        return count;
    };
    std::string path = tree.AddFile("file", "x");
    ASSERT_NE(OpenForReading(1, path), 0);
    int before = openDescriptors();
    for (int i = 0; i < 50; ++i)
        ASSERT_NE(OpenForReading(1, path), 0);
    EXPECT_EQ(openDescriptors(), before);
    CloseFileSlot(1);
}

TEST_F(FileServices, LinksFifosAndDevicesAreNotOpened) {
    tree.AddFile("real", "data");
    ASSERT_EQ(symlink("real", tree.Path("link").c_str()), 0);
    ASSERT_EQ(mkfifo(tree.Path("fifo").c_str(), 0644), 0);
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(OpenForReading(1, tree.Path("fifo")), 0);
    EXPECT_EQ(OpenForReading(1, tree.Path("link")), 0);
    EXPECT_EQ(OpenForReading(1, "/dev/zero"), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    // A link in the leading folders is followed like any other path.
    ASSERT_EQ(symlink(tree.Root().c_str(), tree.Path("root-link").c_str()), 0);
    ASSERT_NE(OpenForReading(1, tree.Path("root-link/real")), 0);
    EXPECT_EQ(ReadRest(), "data");
    CloseFileSlot(1);
}

TEST_F(FileServices, PathsBeyondTheSystemLimitAreWalkedInPieces) {
    // Made through descriptors: the system refuses the whole path at once.
    int folder = open(tree.Root().c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(folder, 0);
    std::string name(200, 'n');
    std::string deep = tree.Root();
    while (deep.size() < 2 * PATH_MAX) {
        ASSERT_EQ(mkdirat(folder, name.c_str(), 0755), 0);
        int next = openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY);
        close(folder);
        ASSERT_GE(next, 0);
        folder = next;
        deep += "/" + name;
    }
    int file = openat(folder, "bottom", O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(file, 0);
    ASSERT_EQ(write(file, "deep", 4), 4);
    close(file);
    close(folder);

    ASSERT_EQ(StartEnumeration(0, deep, "*.*"), 1);
    EXPECT_EQ(Sorted(Drain()), WithDots({{"bottom", ENTRY_FILE, 4}}));
    ASSERT_NE(OpenForReading(1, deep + "/bottom"), 0);
    EXPECT_EQ(ReadRest(), "deep");
    CloseFileSlot(1);
    EXPECT_EQ(RemoveFile(deep + "/bottom"), 1);
    EXPECT_EQ(OpenForReading(1, deep + "/bottom"), 0);
    // A name longer than any the system allows is refused, not cut.
    EXPECT_EQ(StartEnumeration(0, tree.Root() + "/" + std::string(PATH_MAX + 10, 'x'), "*.*"), 0);
    EXPECT_EQ(NextEntry(), ENTRY_END);
}
#endif

TEST_F(FileServices, IdentityIsTheFileOnDiskNotItsPath) {
    std::string original = tree.AddFile("original", "same bytes");
    std::string copy = tree.AddFile("copy", "same bytes");
    std::string hardLink = tree.Path("hard-link");
#ifdef _WIN32
    ASSERT_TRUE(CreateHardLinkA(hardLink.c_str(), original.c_str(), nullptr));
#else
    ASSERT_EQ(link(original.c_str(), hardLink.c_str()), 0);
#endif
    auto identityOf = [](int32_t slot, const std::string& path) {
        FileIdentity identity;
        EXPECT_NE(OpenForReading(slot, path), 0) << path;
        EXPECT_EQ(CurrentFileIdentity(&identity), 1) << path;
        return identity;
    };
    FileIdentity first = identityOf(1, original);
    EXPECT_EQ(identityOf(2, original), first);
    EXPECT_EQ(identityOf(2, hardLink), first);
    EXPECT_NE(identityOf(2, copy), first);
    // Selecting a slot gives the identity of that slot's file.
    SelectFile(1);
    FileIdentity again;
    ASSERT_EQ(CurrentFileIdentity(&again), 1);
    EXPECT_EQ(again, first);
    CloseFileSlot(2);
    CloseFileSlot(1);
}

TEST_F(FileServices, RemoveFileDeletesFilesOnlyAndReportsFailure) {
    std::string doomed = tree.AddFile("doomed", "x");
    EXPECT_NE(RemoveFile(doomed), 0);
    EXPECT_FALSE(Exists(doomed));
    EXPECT_EQ(RemoveFile(doomed), 0);
    EXPECT_EQ(RemoveFile(tree.Path("never-was")), 0);
    std::string folder = tree.AddFolder("folder");
    EXPECT_EQ(RemoveFile(folder), 0);
    // Still there; the listing is drained, as an open search would keep Windows from removing it.
    EXPECT_EQ(StartEnumeration(0, folder, "*.*"), 1);
    Drain();
    // A zero byte must not cut the path short to some other file.
    std::string kept = tree.AddFile("kept", "y");
    EXPECT_EQ(RemoveFile(kept + std::string(1, '\0') + "tail"), 0);
    EXPECT_TRUE(Exists(kept));
#ifdef _WIN32
    std::string locked = tree.AddFile("read-only", "z");
    ASSERT_TRUE(SetFileAttributesA(locked.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(RemoveFile(locked), 0);
    EXPECT_TRUE(Exists(locked));
#else
    // The folder link goes, what it points to stays.
    tree.AddFile("folder/inside", "i");
    ASSERT_EQ(symlink("folder", tree.Path("folder-link").c_str()), 0);
    EXPECT_NE(RemoveFile(tree.Path("folder-link")), 0);
    EXPECT_TRUE(Exists(tree.Path("folder/inside")));
#endif
}
