// The pair comparison and the duplicate search over real files: results, bars, odd files and what the
// search reads.
#include "core/compare.h"
#include "core/lists.h"
#include "core/search.h"
#include "core/search_support.h"
#include "platform/console/console_bars.h"
#include "platform/file_services.h"
#include "platform/window_services.h"
#include "ui/controls.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using GroupPaths = std::vector<std::vector<std::string>>;

// Prefix and number, appended (GCC 12 at -O3 warns falsely about a literal + std::string).
std::string Numbered(const char* prefix, int64_t number) {
    std::string text(prefix);
    text += std::to_string(number);
    return text;
}

std::string Bytes(size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

class SearchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        static bool initialised = false;
        if (!initialised) InitFileServices();
        initialised = true;
        static int serial = 0;
        root_ = fs::temp_directory_path() /
                (Numbered("zw-search-", std::random_device()()) + Numbered("-", ++serial));
        fs::create_directories(root_);
        Clear();
    }
    void TearDown() override {
        Clear();
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    void Clear() {
        ListClear(Catalogue);
        ListClear(GroupList);
        ListClear(MemberList);
        ConsoleResetBars();
        CurrentSearchTuning() = SearchTuning{};
    }

    std::string Path(const std::string& name) const { return (root_ / name).make_preferred().string(); }

    std::string Write(const std::string& name, const std::string& bytes) {
        fs::path path = (root_ / name).make_preferred();
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
        return path.string();
    }

    // Appends a catalogue entry as the folder scan does; Size defaults to the file's size now.
    FileEntry* Catalogued(const std::string& path, int64_t size = -1) {
        ListSetCurrent(Catalogue, static_cast<FileEntry*>(Catalogue.tail));
        FileEntry* entry = ListAdd(Catalogue);
        fs::path p(path);
        entry->Folder = std::make_shared<const std::string>(p.parent_path().string());
        entry->Name = p.filename().string();
        entry->Size = size >= 0 ? size : static_cast<int64_t>(fs::file_size(p));
        return entry;
    }
    FileEntry* Catalogued(const std::string& name, const std::string& bytes) {
        return Catalogued(Write(name, bytes));
    }

    // The groups as lists of full paths; checks that the members form consecutive runs.
    static GroupPaths Groups() {
        GroupPaths groups;
        ListLink* expected = MemberList.head;
        for (ListLink* g = GroupList.head; g; g = g->next) {
            auto* group = static_cast<DuplicateGroup*>(g);
            EXPECT_EQ(group->FirstMember, expected);
            std::vector<std::string> members;
            ListLink* m = group->FirstMember;
            for (int32_t i = 0; i < group->Count && m; ++i, m = m->next)
                members.push_back(FullPath(*static_cast<GroupMember*>(m)));
            expected = m;
            groups.push_back(members);
        }
        EXPECT_EQ(expected, nullptr);
        return groups;
    }

    static bool AnyGrouped() {
        for (ListLink* e = Catalogue.head; e; e = e->next)
            if (static_cast<FileEntry*>(e)->Grouped) return true;
        return false;
    }

    fs::path root_;
};

// --- the pair ------------------------------------------------------------------------------------

TEST_F(SearchTest, SmallPairsLeaveTheBarAloneLargePairsEndWhereTheLastUnitStarts) {
    std::string small = Bytes(4095, 1), large = Bytes(4096, 2), odd = Bytes(4097, 3);
    EXPECT_EQ(CompareFiles(Write("a", small), Write("b", small), 4095), 1);
    EXPECT_EQ(ConsoleBarWrites(BarFile), 0);

    EXPECT_EQ(CompareFiles(Write("c", large), Write("d", large), 4096), 1);
    EXPECT_EQ(ConsoleBarValue(BarFile), 99);

    // 4097 bytes: the last unit starts at the last byte, so an equal pair ends at 100 as well.
    EXPECT_EQ(CompareFiles(Write("e", odd), Write("f", odd), 4097), 1);
    EXPECT_EQ(ConsoleBarValue(BarFile), 100);
    SetControlValue(BarFile, 0);
    std::string lastDiffers = odd;
    lastDiffers.back() ^= 1;
    EXPECT_EQ(CompareFiles(Path("e"), Write("g", lastDiffers), 4097), 0);
    EXPECT_EQ(ConsoleBarValue(BarFile), 100);

    std::string megabyte = Bytes(1 << 20, 4);
    ConsoleResetBars();
    EXPECT_EQ(CompareFiles(Write("h", megabyte), Write("i", megabyte), 1 << 20), 1);
    EXPECT_EQ(ConsoleBarValue(BarFile), 99);
    EXPECT_LE(ConsoleBarWrites(BarFile), 100); // painted only when the value changes
}

TEST_F(SearchTest, APairDiffersWhereverOneByteDiffersWhateverTheBlocks) {
    for (int tiny = 0; tiny < 2; ++tiny) {
        if (tiny) CurrentSearchTuning() = SearchTuning{7, 3, 5, 2, 16, 64, 1, 4, 16};
        for (size_t size : {1u, 2u, 9u, 100u, 4095u, 4096u, 4097u, 200000u}) {
            std::string bytes = Bytes(size, uint32_t(size));
            std::string a = Write("a", bytes);
            EXPECT_EQ(CompareFiles(a, Write("b", bytes), int64_t(size)), 1) << size;
            for (size_t at : {size_t(0), size / 2, size - 1}) {
                std::string other = bytes;
                other[at] ^= 0x40;
                ConsoleResetBars();
                EXPECT_EQ(CompareFiles(a, Write("b", other), int64_t(size)), 0) << size << " at " << at;
                EXPECT_EQ(ConsoleBarValue(BarFile), size >= 4096 ? 100 : 0);
            }
        }
    }
}

TEST_F(SearchTest, OneFileTwiceAMissingFileOrAChangedLengthNeverMatch) {
    std::string bytes = Bytes(5000, 5);
    std::string a = Write("a", bytes), b = Write("b", bytes);
    EXPECT_EQ(CompareFiles(a, a, 5000), 0);
    std::error_code linked;
    fs::create_hard_link(a, Path("link"), linked);
    if (!linked) {
        EXPECT_EQ(CompareFiles(a, Path("link"), 5000), 0);
    }

    ConsoleResetBars();
    EXPECT_EQ(CompareFiles(a, Path("missing"), 5000), 0);
    EXPECT_EQ(CompareFiles(Path("missing"), a, 5000), 0);
    EXPECT_EQ(ConsoleBarWrites(BarFile), 0);
    // The slots are free again: the next comparison works.
    EXPECT_EQ(CompareFiles(a, b, 5000), 1);

    // Asked for more than the files hold, or for less: never equal, though all bytes read agree.
    EXPECT_EQ(CompareFiles(a, b, 5001), 0);
    EXPECT_EQ(CompareFiles(a, b, 4999), 0);
    EXPECT_EQ(ConsoleBarValue(BarFile), 100);
    Write("c", "");
    Write("d", "");
    EXPECT_EQ(CompareFiles(Path("c"), Path("d"), 0), 1);
    EXPECT_EQ(CompareFiles(a, Path("d"), 0), 0);
}

// --- the search ----------------------------------------------------------------------------------

TEST_F(SearchTest, AnEmptyCatalogueGivesNoGroupsAndResetsTheOverallBar) {
    SetControlValue(BarOverall, 57);
    FindDuplicates();
    EXPECT_EQ(GroupList.head, nullptr);
    EXPECT_EQ(ConsoleBarValue(BarOverall), 0);
    EXPECT_EQ(ConsoleBarWrites(BarFile), 0);
}

TEST_F(SearchTest, GroupsFollowTheirReferenceFilesAndMembersTheCatalogue) {
    std::string x = Bytes(300, 1), y = x, z = Bytes(5000, 3);
    y[0] ^= 1;
    Catalogued("1", z);
    Catalogued("A", x);
    Catalogued("B", y); // same size as A, other content
    Catalogued("2", z);
    Catalogued("C", x);
    Catalogued("3", z);
    Catalogued("e1", "");
    Catalogued("e2", ""); // empty files never group
    Catalogued("u", Bytes(301, 4));
    Catalogued("D", x);
    FileEntry* stale = static_cast<FileEntry*>(Catalogue.head);
    stale->Grouped = true; // a flag left over from elsewhere is cleared too

    const GroupPaths expected = {{Path("1"), Path("2"), Path("3")}, {Path("A"), Path("C"), Path("D")}};
    for (int round = 0; round < 2; ++round) {
        SetControlValue(BarFile, 33);
        FindDuplicates();
        EXPECT_EQ(Groups(), expected);
        EXPECT_EQ(static_cast<DuplicateGroup*>(GroupList.head)->Count, 3);
        EXPECT_FALSE(AnyGrouped());
        EXPECT_EQ(ConsoleBarValue(BarOverall), 0);
        EXPECT_EQ(ConsoleBarValue(BarFile), 0);
        EXPECT_EQ(Catalogue.Current(), static_cast<FileEntry*>(Catalogue.tail));
    }
    const SearchStats& stats = LastSearchStats();
    EXPECT_EQ(stats.filesCatalogued, 10);
    EXPECT_EQ(stats.candidateFiles, 7);
    EXPECT_EQ(stats.candidateBytes, 4 * 300 + 3 * 5000);
    EXPECT_EQ(stats.groups, 2);
    EXPECT_EQ(stats.groupedFiles, 6);
    EXPECT_EQ(stats.floorBytes, 3 * 300 + 3 * 5000 + 1); // B is unique after its first byte
    EXPECT_EQ(stats.bytesRead, 4 * 300 + 3 * 5000);
}

TEST_F(SearchTest, OneFileUnderTwoEntriesOrTwoNamesIsNoDuplicate) {
    std::string x = Bytes(700, 9);
    std::string r = Write("sub/R", x);
    Catalogued(r);
    Catalogued(r); // the same folder catalogued again
    FindDuplicates();
    EXPECT_EQ(Groups(), GroupPaths{});

    std::string copy = Write("X", x);
    Catalogued(copy);
    std::error_code failed;
    fs::create_hard_link(r, Path("E"), failed);
    if (!failed) Catalogued(Path("E"));
    FindDuplicates();
    EXPECT_EQ(Groups(), (GroupPaths{{r, copy}}));

    // The earlier name of the file leads; the later names take no part.
    ListClear(Catalogue);
    Catalogued(copy);
    if (!failed) Catalogued(Path("E"));
    Catalogued(r);
    Catalogued(r);
    FindDuplicates();
    EXPECT_EQ(Groups(), (GroupPaths{{copy, failed ? r : Path("E")}}));
}

TEST_F(SearchTest, FilesThatChangedSinceTheScanOrVanishedNeverGroup) {
    std::string x = Bytes(6000, 11);
    for (const char* name : {"a", "b", "shrunk", "grown", "gone", "folder", "c"})
        Catalogued(name, x);
    fs::resize_file(Path("shrunk"), 5999);
    std::ofstream(Path("grown"), std::ios::binary | std::ios::app).put('x');
    fs::remove(Path("gone"));
    fs::remove(Path("folder"));
    fs::create_directory(Path("folder"));
    FindDuplicates();
    EXPECT_EQ(Groups(), (GroupPaths{{Path("a"), Path("b"), Path("c")}}));

    // A shrunk file whose remaining bytes all agree with the others still stays out.
    ListClear(Catalogue);
    Catalogued("p", x);
    Catalogued(Write("q", x.substr(0, 5998)), 6000);
    FindDuplicates();
    EXPECT_EQ(Groups(), GroupPaths{});
}

TEST_F(SearchTest, SetsLargerThanTheOpenFilesSplitCorrectly) {
    // More files of one size than may be open: they are closed and reopened where they stood.
    CurrentSearchTuning().openFiles = 5;
    CurrentSearchTuning().firstBlock = CurrentSearchTuning().lastBlock = 16;
    CurrentSearchTuning().middleBlock = CurrentSearchTuning().middleBlockMax = 32;
    CurrentSearchTuning().wholeFileLimit = 16;
    std::string base = Bytes(200, 21);
    GroupPaths expected(4);
    for (int i = 0; i < 40; ++i) {
        std::string bytes = base;
        int kind = i % 5;
        if (kind < 4)
            bytes[size_t(kind) * 60] ^= 1; // four classes that part in different blocks
        else
            bytes = Bytes(200, uint32_t(100 + i));
        std::string path = Write(Numbered("f", 100 + i), bytes);
        Catalogued(path);
        if (kind < 4) expected[size_t(kind)].push_back(path);
    }
    FindDuplicates();
    EXPECT_EQ(Groups(), expected);
    EXPECT_LE(LastSearchStats().bytesRead, 40 * 201);

    // With the program's own limits, more files than may be open at once.
    CurrentSearchTuning() = SearchTuning{};
    ListClear(Catalogue);
    GroupPaths many(3);
    for (int i = 0; i < 600; ++i) {
        std::string path =
            Write(Numbered("m", 1000 + i), i % 2 ? Bytes(64, uint32_t(i % 3)) : Bytes(64, 99 + i));
        Catalogued(path);
        if (i % 2) many[size_t(i % 3)].push_back(path);
    }
    std::swap(many[0], many[1]); // i = 1 (i % 3 == 1) comes first, then i = 3, then i = 5
    FindDuplicates();
    EXPECT_EQ(Groups(), many);
}

#ifndef _WIN32
TEST_F(SearchTest, RunningOutOfHandlesCostsTimeButNoGroup) {
    // Several stretches per file, so that files stay open from one to the next.
    CurrentSearchTuning().firstBlock = CurrentSearchTuning().lastBlock = 16;
    CurrentSearchTuning().middleBlock = CurrentSearchTuning().middleBlockMax = 32;
    CurrentSearchTuning().wholeFileLimit = 16;
    // Many small classes, so that a file read through another file's handle would show.
    GroupPaths expected;
    std::map<int, size_t> classes;
    for (int i = 0; i < 60; ++i) {
        const int kind = i % 5 ? i % 23 : -1;
        std::string path = Write(Numbered("n", 1000 + i), Bytes(200, uint32_t(kind >= 0 ? kind : 500 + i)));
        Catalogued(path);
        if (kind < 0) continue;
        auto [at, added] = classes.emplace(kind, expected.size());
        if (added) expected.emplace_back();
        expected[at->second].push_back(path);
    }
    std::erase_if(expected, [](const std::vector<std::string>& group) { return group.size() < 2; });
    // Far fewer handles than the search would hold open: opens fail until it closes some.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old), 0);
    const int lowestFree = dup(0);
    ASSERT_GE(lowestFree, 0);
    close(lowestFree);
    rlimit lowered = old;
    lowered.rlim_cur = rlim_t(lowestFree + 4);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &lowered), 0);
    FindDuplicates();
    setrlimit(RLIMIT_NOFILE, &old);
    EXPECT_EQ(Groups(), expected);
}
#endif

TEST_F(SearchTest, SameSizeFilesThatDifferAtTheEndAreReadAtTheirEndsOnly) {
    std::string base = Bytes(4 << 20, 31);
    base.back() = 'Z';
    for (int i = 0; i < 4; ++i) {
        std::string bytes = base;
        bytes.back() = char(i);
        Catalogued(Numbered("f", i), bytes);
    }
    Catalogued("g", base);
    Catalogued("h", base);
    FindDuplicates();
    EXPECT_EQ(Groups(), (GroupPaths{{Path("g"), Path("h")}}));
    const SearchStats& stats = LastSearchStats();
    EXPECT_EQ(stats.candidateBytes, 6 * int64_t(base.size()));
    // The four that part at their last byte cost their first and last blocks only.
    EXPECT_EQ(stats.bytesRead, 2 * int64_t(base.size()) + 4 * 2 * 65536);
    EXPECT_EQ(stats.floorBytes, stats.bytesRead);
}

TEST_F(SearchTest, BarsMoveOnlyOnChangeAndEndAtZero) {
    std::string x = Bytes(300000, 41);
    for (int i = 0; i < 30; ++i)
        Catalogued(Numbered("f", i), i % 3 ? x : Bytes(300000, uint32_t(i)));
    FindDuplicates();
    EXPECT_EQ(Groups().size(), 1u);
    EXPECT_EQ(ConsoleBarValue(BarOverall), 0);
    EXPECT_EQ(ConsoleBarValue(BarFile), 0);
    EXPECT_LE(ConsoleBarWrites(BarOverall), 102);
    EXPECT_LE(ConsoleBarWrites(BarFile), 102);
    EXPECT_GE(ConsoleBarWrites(BarOverall), 10);
}

TEST_F(SearchTest, FilesOfTwoAndFourGibibytesAreComparedOverTheirWholeLength) {
    // Sparse files: only the stretches that differ are ever read.
    const int64_t sizes[] = {(int64_t(1) << 31) + 4097, (int64_t(1) << 32) + 10};
    for (int64_t size : sizes) {
        ListClear(Catalogue);
        std::vector<std::string> paths;
        for (int i = 0; i < 4; ++i) {
            std::string path = Path(Numbered("big", i));
            { std::ofstream(path, std::ios::binary); }
            fs::resize_file(path, uintmax_t(size));
            std::fstream file(path, std::ios::binary | std::ios::in | std::ios::out);
            if (i == 1) file.seekp(size - 1).put('x'); // differs in its last byte
            if (i == 2) file.seekp(3 << 20).put('y');  // differs in the middle
            if (i == 3) file.seekp(5 << 20).put('z');
            ASSERT_TRUE(file.good());
            file.close();
            Catalogued(path, size);
            paths.push_back(path);
        }
        ConsoleResetBars();
        EXPECT_EQ(CompareFiles(paths[0], paths[1], size), 0);
        EXPECT_EQ(ConsoleBarValue(BarFile), 100);
        FindDuplicates();
        EXPECT_EQ(Groups(), GroupPaths{});
        EXPECT_LT(LastSearchStats().bytesRead, int64_t(64) << 20);
        EXPECT_EQ(LastSearchStats().candidateBytes, 4 * size);
    }
}

} // namespace
