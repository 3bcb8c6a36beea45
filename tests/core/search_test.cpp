// The pair comparison and the duplicate search over real files: what the generated trees of the
// equivalence test rarely or never hold (files of several GiB, many files of one size, too few handles,
// a search run twice) and the cases around the large-file threshold.
#include "core/compare.h"
#include "core/lists.h"
#include "core/search.h"
#include "core/search_tuning.h"
#include "platform/file_services.h"
#include "reference_search.h"
#include "test_tree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

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
        InitFileServices();
        TearDown();
    }
    void TearDown() override {
        ListClear(Catalogue);
        ListClear(GroupList);
        ListClear(MemberList);
        meters = Meters{};
        CurrentSearchTuning() = SearchTuning{};
    }

    // Catalogues Path as the folder scan does; Size defaults to the file's size now.
    std::string Catalogued(const std::string& path, int64_t size = -1) {
        ListSetCurrent(Catalogue, static_cast<FileEntry*>(Catalogue.tail));
        FileEntry* entry = ListAdd(Catalogue);
        entry->Folder = SharedText(path.substr(0, path.rfind(PATH_SEPARATOR)));
        entry->Name = path.substr(path.rfind(PATH_SEPARATOR) + 1);
        entry->Size = size >= 0 ? size : static_cast<int64_t>(fs::file_size(path));
        return path;
    }
    std::string Add(const std::string& name, const std::string& bytes, int64_t size = -1) {
        return Catalogued(tree.AddFile(name, bytes), size);
    }
    std::string Outcome() const { return SearchOutcome(tree.Root(), meters); }
    SearchResult Search(int32_t readers = 0) { return last = FindDuplicates({readers, MeterSink(meters)}); }

    test_tree::TempTree tree;
    Meters meters;
    SearchResult last;
};

TEST_F(SearchTest, PairsAroundTheLargeFileThresholdAndWhereTheirBarEnds) {
    // An equal large pair ends where a walk in 4-byte units would: at the start of its last unit.
    const struct {
        size_t size;
        int64_t differAt;
        int32_t result, bar; // bar -1: never painted
    } cases[] = {{4095, -1, 1, -1},  {4095, 4094, 0, -1},  {4096, -1, 1, 99},
                 {4097, -1, 1, 100}, {4097, 4096, 0, 100}, {1 << 20, -1, 1, 99}};
    for (const auto& c : cases) {
        std::string a = Bytes(c.size, uint32_t(c.size)), b = a;
        if (c.differAt >= 0) b[size_t(c.differAt)] ^= 1;
        meters = Meters{};
        EXPECT_EQ(
            CompareFiles(tree.AddFile("a", a), tree.AddFile("b", b), int64_t(c.size), MeterSink(meters)),
            c.result)
            << c.size;
        EXPECT_EQ(c.bar < 0 ? meters.calls[METER_FILE] : meters.value[METER_FILE], c.bar < 0 ? 0 : c.bar);
    }
    // One file by one name or two, or a file shorter than asked: never a pair.
    const std::string a = tree.AddFile("a", Bytes(5000, 5)), b = tree.AddFile("b", Bytes(5000, 5));
    EXPECT_EQ(CompareFiles(a, a, 5000), 0);
    std::error_code failed;
    fs::create_hard_link(a, tree.Path("link"), failed);
    EXPECT_TRUE(failed || !CompareFiles(a, tree.Path("link"), 5000));
    EXPECT_EQ(CompareFiles(a, b, 5001), 0);
    EXPECT_EQ(CompareFiles(a, b, 5000), 1);
}

TEST_F(SearchTest, GroupsFollowTheirReferenceFilesAndMembersTheCatalogueSearchAfterSearch) {
    meters.value[METER_OVERALL] = 57;
    Search();
    EXPECT_EQ(Outcome(), "flags  bars 0 0");
    EXPECT_EQ(meters.calls[METER_FILE], 0);

    std::string x = Bytes(300, 1), y = x, z = Bytes(5000, 3);
    y[0] ^= 1;
    for (const char* name : {"1", "A", "B", "2", "C", "3", "e1", "e2", "D"})
        Add(name, *name == 'e' ? "" : *name == 'B' ? y : *name < 'A' ? z : x);
    Add("u", Bytes(301, 4));
    static_cast<FileEntry*>(Catalogue.head)->Grouped = true; // a flag left from elsewhere goes too
    for (int round = 0; round < 2; ++round) {
        meters.value[METER_FILE] = 33;
        Search();
        EXPECT_EQ(Outcome(), "[1 2 3] [A C D] flags 0000000000 bars 0 0");
        EXPECT_EQ(Catalogue.Current(), static_cast<FileEntry*>(Catalogue.tail));
    }
    const SearchStats& stats = last.stats;
    EXPECT_EQ(stats.candidateBytes, 4 * 300 + 3 * 5000);
    EXPECT_EQ(stats.floorBytes, 3 * 300 + 3 * 5000 + 1); // B is unique after its first byte
    EXPECT_EQ(stats.bytesRead, 4 * 300 + 3 * 5000);
}

TEST_F(SearchTest, OneFileUnderTwoEntriesOrNamesAndFilesChangedSinceTheScanNeverPair) {
    // Ends in zeros, as a block read short might still hold from a fresh allocation or another file.
    const std::string x = Bytes(5998, 11) + std::string(2, '\0');
    tree.AddFolder("sub");
    Catalogued(Add("sub/R", x)); // the same folder catalogued again
    std::error_code failed;
    fs::create_hard_link(tree.Path("sub/R"), tree.Path("E"), failed);
    if (!failed) Catalogued(tree.Path("E"));
    for (const char* name : {"X", "shrunk", "grown", "gone", "folder", "Y"})
        Add(name, x);
    fs::resize_file(tree.Path("shrunk"), 5999);
    std::ofstream(tree.Path("grown"), std::ios::binary | std::ios::app).put('x');
    fs::remove(tree.Path("gone"));
    fs::remove(tree.Path("folder"));
    fs::create_directory(tree.Path("folder"));
    Search();
    EXPECT_EQ(Outcome(),
              failed ? "[sub/R X Y] flags 00000000 bars 0 0" : "[sub/R X Y] flags 000000000 bars 0 0");

    // A shrunk file whose remaining bytes all agree with the others still stays out.
    ListClear(Catalogue);
    Add("p", x);
    Add("q", x.substr(0, 5998), 6000);
    Search();
    EXPECT_EQ(Outcome(), "flags 00 bars 0 0");
}

TEST_F(SearchTest, ManyFilesOfOneSizeWithFewSlotsOrFewHandles) {
    // Small classes (fewer files than slots), some apart only in the middle, so that a file read through
    // another file's handle or from a stale place would show.
    std::string expected;
    for (int i = 0; i < 200; ++i) {
        std::string bytes = Bytes(200, uint32_t(i % 23));
        bytes[120] ^= char(i % 46 / 23);
        Add("n" + std::to_string(1000 + i), bytes);
    }
    for (int kind = 0; kind < 46; ++kind)
        for (int i = kind; i < 200; i += 46)
            expected += (i == kind ? "[n" : " n") + std::to_string(1000 + i) + (i + 46 < 200 ? "" : "] ");
    expected += "flags " + std::string(200, '0') + " bars 0 0";
    // Several stretches per file, so that files stay open from one to the next: first with fewer
    // slots than files, then with the program's own limits and far fewer handles than it would hold.
    for (int round = 0; round < 2; ++round) {
        CurrentSearchTuning() = SearchTuning{};
        CurrentSearchTuning().firstBlock = CurrentSearchTuning().lastBlock = 16;
        CurrentSearchTuning().middleBlock = CurrentSearchTuning().middleBlockMax = 32;
        CurrentSearchTuning().wholeFileLimit = 16;
        if (round == 0) CurrentSearchTuning().openFiles = 5;
        {
            FewHandles limit(round ? 4 : 1 << 20);
            Search();
        }
        EXPECT_EQ(Outcome(), expected) << round;
        EXPECT_LE(last.stats.bytesRead, 200 * 201);
    }
}

TEST_F(SearchTest, FilesBeyondFourGibibytesAreComparedOverTheirWholeLength) {
    // Sparse files: only the stretches that differ are ever read.
    const int64_t size = (int64_t(1) << 32) + 10;
    std::vector<std::string> paths;
    for (int i = 0; i < 4; ++i) {
        paths.push_back(Catalogued(tree.AddSparseFile("big" + std::to_string(i), uint64_t(size))));
        std::fstream file(paths.back(), std::ios::binary | std::ios::in | std::ios::out);
        if (i == 1) file.seekp(size - 1).put('x'); // differs in its last byte
        if (i == 2) file.seekp(3 << 20).put('y');  // differs in the middle
        if (i == 3) file.seekp(5 << 20).put('z');
        ASSERT_TRUE(file.good());
    }
    EXPECT_EQ(CompareFiles(paths[0], paths[1], size, MeterSink(meters)), 0);
    EXPECT_EQ(meters.value[METER_FILE], 100);
    Search();
    EXPECT_EQ(Outcome(), "flags 0000 bars 0 0");
    EXPECT_LT(last.stats.bytesRead, int64_t(64) << 20);
    EXPECT_EQ(last.stats.candidateBytes, 4 * size);
}

// Paths the generated trees take only by chance: a set split by hashes first, where every file shares
// the hash (so bytes alone decide), and a large file under two names beside a copy of it.
TEST_F(SearchTest, AHashSplitSetAndTwoNamesOfALargeFile) {
    const std::string a = Bytes(64, 1), b = Bytes(64, 2);
    for (const char* name : {"a1", "b1", "c", "a2", "b2", "a3"})
        Add(name, name[0] == 'a' ? a : name[0] == 'b' ? b : Bytes(64, 3));
    SearchTuning& tuning = CurrentSearchTuning();
    tuning.memoryBudget = 60; // ten bytes a file, below the smallest block: split by hash
    tuning.minimumBlock = 16;
    for (uint64_t mask : {~uint64_t(0), uint64_t(0)}) {
        tuning.hashMask = mask;
        Search();
        EXPECT_EQ(Outcome(), "[a1 a2 a3] [b1 b2] flags 000000 bars 0 0") << mask;
        // Told apart by their hashes, files are read at most twice.
        EXPECT_TRUE(!mask || last.stats.bytesRead <= 2 * 6 * 64) << last.stats.bytesRead;
    }

    TearDown();
    const std::string big = Bytes(100 * 1024, 4);
    Add("x", big);
    std::error_code failed;
    fs::create_hard_link(tree.Path("x"), tree.Path("x-link"), failed);
    if (failed) GTEST_SKIP() << "no hard links here";
    Catalogued(tree.Path("x-link"));
    Add("y", big);
    Search();
    EXPECT_EQ(Outcome(), "[x y] flags 000 bars 0 0");
}

// Changes File as another program would: removes it, cuts it short, rewrites it in place or replaces it
// by a rename, always with bytes of Other. False when the system refused.
bool ChangeFile(const test_tree::TempTree& tree, const std::string& file, int change,
                const std::string& other) {
    std::error_code failed;
    if (change == 0) fs::remove(file, failed);
    if (change == 1) fs::resize_file(file, other.size() / 2, failed);
    if (change == 2) {
        std::fstream stream(file, std::ios::binary | std::ios::in | std::ios::out);
        if (!stream.write(other.data(), std::streamsize(other.size())) || (stream.close(), stream.fail()))
            return false;
        // As a rewrite one tick of the file system's clock later leaves it.
        fs::last_write_time(file, fs::last_write_time(file) + std::chrono::seconds(1), failed);
    }
    if (change == 3) {
        fs::rename(tree.AddFile("new", other), file, failed);
        if (failed) fs::remove(tree.Path("new"));
    }
    return !failed;
}

// A file changed while the search reads it, before its second, fifth or last read, held open or opened
// anew for every read, read on the searching thread or on a reader: it takes no part and is reported; every
// other file groups as before. Where the system refuses the change (Windows, while the file is open), the
// file groups as before.
TEST_F(SearchTest, AFileChangedWhileTheSearchReadsItTakesNoPart) {
    // The new bytes differ from the old only in the first stretch, which is read first: read partly
    // before and partly after the change, the file would look the same as its old self.
    const std::string a = Bytes(64, 1), b = Bytes(64, 2), other = char(a[0] ^ 1) + a.substr(1);
    const std::string near = a.substr(0, 63) + char(a.back() ^ 1);
    for (int run = 0; run < 4 * 2 * 3 * 2 * 2; ++run) {
        const int change = run % 4, read = std::vector{1, 4, 7}[run / 8 % 3], open = run / 24 % 2 ? 2 : 256;
        const std::string target = run / 4 % 2 ? "a2" : "a1", path = tree.Path(target);
        TearDown();
        for (const char* name : {"a1", "a2", "a3", "b1", "b2", "b3", "c"})
            Add(name, name[0] == 'a' ? a : name[0] == 'b' ? b : near);
        SearchTuning& tuning = CurrentSearchTuning();
        tuning.wholeFileLimit = 0;
        tuning.firstBlock = tuning.lastBlock = tuning.middleBlock = tuning.middleBlockMax = 8;
        tuning.openFiles = open;
        // Read one file after another, or every step on the reader threads.
        tuning.batchFiles = 1;
        int reads = 0;
        bool changed = false;
        tuning.beforeRead = [&](const std::string& reading) {
            if (reading == path && reads++ == read) changed = ChangeFile(tree, path, change, other);
        };
        Search(run / 48 ? 4 : 1);
        const std::string groupA = !changed ? "[a1 a2 a3] " : target == "a1" ? "[a2 a3] " : "[a1 a3] ";
        EXPECT_EQ(Outcome(), groupA + "[b1 b2 b3] flags 0000000 bars 0 0") << run;
        EXPECT_EQ(last.omissions.size(), changed ? 1u : 0u) << run;
        EXPECT_TRUE(!changed || last.omissions.at(0).path == path) << run;
    }
}

} // namespace
