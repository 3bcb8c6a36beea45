// The fast search against the plain pairwise loops, over many generated trees: copies, near copies,
// shared prefixes, empty files, entries catalogued twice, hard links, and files that vanished, became
// folders, shrank or grew after they were catalogued. Both must give the same groups, members,
// counts, flags and bar values; the pair comparison is held against its unit-by-unit form as well.
// ZW_SEARCH_SEED repeats a run, ZW_SEARCH_TREES changes the number of trees.
#include "core/compare.h"
#include "core/lists.h"
#include "core/search.h"
#include "core/search_tuning.h"
#include "platform/file_services.h"
#include "platform/window_services.h"
#include "reference_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class TreeMaker {
  public:
    TreeMaker(const fs::path& root, uint32_t seed) : root_(root), random_(seed) {}

    // Files in a few folders, catalogued (some twice), then some of them changed behind the catalogue.
    void Make() {
        fs::create_directories(root_ / "a" / "b");
        fs::create_directories(root_ / "c");
        for (int i = Pick(2, 28); i > 0; --i)
            AddFile(i);
        std::vector<fs::path> order = files_;
        if (Chance(50)) std::shuffle(order.begin(), order.end(), random_);
        for (const fs::path& path : order)
            Enter(path);
        // A folder added again, or a few files catalogued once more.
        if (Chance(25))
            for (const fs::path& path : order)
                if (path.parent_path().filename() == "b" || path.parent_path().filename() == "a") Enter(path);
        for (int extra = Chance(25) ? Pick(1, 3) : 0; extra > 0; --extra)
            Enter(files_[Any()]);
        Disturb();
    }

    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    bool Chance(int percent) { return Pick(1, 100) <= percent; }

  private:
    size_t Any() { return size_t(Pick(0, int(files_.size()) - 1)); }

    std::string Content() {
        static const size_t sizes[] = {0,   1,    2,    3,    4,    5,    6,    7,   8,  9,
                                       12,  16,   17,   31,   32,   33,   63,   64,  65, 100,
                                       257, 4095, 4096, 4097, 4100, 8191, 8192, 8193};
        std::string bytes(sizes[Chance(6) ? Pick(21, 27) : Pick(0, 20)], '\0');
        // A small alphabet makes chance equalities and long common prefixes likely.
        const int alphabet = Chance(50) ? 2 : 256;
        for (char& c : bytes)
            c = static_cast<char>(Pick(0, alphabet - 1));
        return bytes;
    }

    void AddFile(int i) {
        static const char* folders[] = {"", "a", "a/b", "c"};
        const fs::path path = (root_ / folders[Pick(0, 3)] / ("f" + std::to_string(i))).make_preferred();
        const int kind = files_.empty() ? 100 : Pick(1, 100);
        std::string bytes = kind <= 63 ? contents_[Any()] : Content();
        if (kind <= 55 && kind > 30 && !bytes.empty()) { // one byte apart: first, middle, last or anywhere
            const size_t n = bytes.size(), places[] = {0, n / 2, n - 1, size_t(Pick(0, int(n) - 1))};
            bytes[places[Pick(0, 3)]] ^= static_cast<char>(1 << Pick(0, 7));
        } else if (kind > 55 && kind <= 63) { // a second name of an earlier file
            const size_t of = Any();
            std::error_code failed;
            fs::create_hard_link(files_[of], path, failed);
            if (!failed) files_.push_back(path), contents_.push_back(contents_[of]);
            return;
        }
        std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
        files_.push_back(path);
        contents_.push_back(bytes);
    }

    void Enter(const fs::path& path) {
        ListSetCurrent(Catalogue, static_cast<FileEntry*>(Catalogue.tail));
        FileEntry* entry = ListAdd(Catalogue);
        // Entries of one folder usually share its text, as the scan makes them.
        SharedText& shared = folders_[path.parent_path().string()];
        if (!shared || Chance(30)) shared = SharedText(path.parent_path().string());
        entry->Folder = shared;
        entry->Name = path.filename().string();
        entry->Size = static_cast<int64_t>(fs::file_size(path));
    }

    void Disturb() {
        for (const fs::path& path : files_) {
            const int what = Pick(1, 100);
            std::error_code ignored;
            const bool file = fs::is_regular_file(path, ignored);
            if (what <= 7) fs::remove(path, ignored);
            if (what > 4 && what <= 7) fs::create_directory(path, ignored);
            if (what > 7 && what <= 11 && file && fs::file_size(path) > 0)
                fs::resize_file(path, Chance(50) ? fs::file_size(path) - 1 : 0, ignored);
            if (what > 11 && what <= 14 && file)
                std::ofstream(path, std::ios::binary | std::ios::app).put('+');
        }
    }

    fs::path root_;
    std::mt19937 random_;
    std::vector<fs::path> files_;
    std::vector<std::string> contents_;
    std::map<std::string, SharedText> folders_;
};

// Small blocks, little memory and few open files send tiny files down every path of the real search.
SearchTuning RandomTuning(TreeMaker& m, int32_t& readers) {
    readers = 0;
    if (m.Chance(25)) return {};
    const int64_t middle = m.Pick(1, 8);
    SearchTuning tuning;
    tuning.wholeFileLimit = m.Pick(0, 40);
    tuning.firstBlock = m.Pick(1, 16);
    tuning.lastBlock = m.Pick(1, 16);
    tuning.middleBlock = middle;
    tuning.middleBlockMax = middle * m.Pick(1, 8);
    tuning.memoryBudget = m.Pick(1, 300);
    tuning.minimumBlock = m.Pick(1, 8);
    tuning.openFiles = m.Pick(1, 6);
    tuning.firstSlot = m.Pick(3, 40);
    tuning.probeMembers = m.Chance(50) ? m.Pick(1, 8) : 64;
    tuning.probeBlock = m.Pick(1, 8);
    tuning.headAbove = m.Pick(0, 40);
    tuning.headBlock = m.Pick(1, 8);
    // Sets searched on several threads, and steps read on the reader threads down to one file; now and
    // then more threads than get a whole budget each.
    readers = m.Chance(2) ? 20 : m.Pick(1, 4);
    tuning.batchFiles = m.Pick(1, 20);
    tuning.batchBytes = m.Pick(1, 200);
    // Files split by hash must still be told apart when they share it.
    if (m.Chance(50)) tuning.hashMask = uint64_t(m.Pick(0, 3));
    return tuning;
}

int EnvironmentNumber(const char* name, int otherwise) {
    const char* value = std::getenv(name);
    return value && *value ? std::atoi(value) : otherwise;
}

TEST(SearchEquivalence, GeneratedTreesGiveThePairwiseResults) {
    InitFileServices();
    const uint32_t seed =
        uint32_t(EnvironmentNumber("ZW_SEARCH_SEED", int(std::random_device()() & 0x7fffffff)));
#ifdef _WIN32
    const int trees = EnvironmentNumber("ZW_SEARCH_TREES", 25); // every unit read is a system call under Wine
#else
    const int trees = EnvironmentNumber("ZW_SEARCH_TREES", 300);
#endif
    const fs::path base = fs::temp_directory_path() / ("zw-equivalence-" + std::to_string(seed));
    int failures = 0;
    for (int t = 0; t < trees && failures < 3; ++t) {
        SCOPED_TRACE("ZW_SEARCH_SEED=" + std::to_string(seed) + ", tree " + std::to_string(t));
        const fs::path root = base / std::to_string(t);
        ListClear(Catalogue);
        TreeMaker maker(root, seed + uint32_t(t) * 7919u);
        maker.Make();
        int32_t readers = 0;
        CurrentSearchTuning() = RandomTuning(maker, readers);

        Meters meters{{61, 37}};
        ReferenceFindDuplicates(MeterSink(meters));
        const std::string expected = SearchOutcome(root.string(), meters);

        meters = Meters{{61, 37}};
        SearchResult found;
        {
            const int spare = maker.Chance(30) ? maker.Pick(1, 8) : 1 << 20;
            if (spare < 100) CurrentSearchTuning().openFiles = 256;
            FewHandles limit(spare);
            found = FindDuplicates({readers, MeterSink(meters)});
        }
        EXPECT_EQ(SearchOutcome(root.string(), meters), expected);
        const SearchStats& stats = found.stats;
        EXPECT_EQ(stats.groups, ListCount(GroupList));
        EXPECT_LE(stats.floorBytes, stats.bytesRead);
        // Sets split by hash read a stretch twice; files that share a hash by chance, more often.
        if (CurrentSearchTuning().hashMask == ~uint64_t(0)) {
            EXPECT_LE(stats.bytesRead, 2 * (stats.candidateBytes + stats.candidateFiles));
        }

        // A few pairs of one size, a file with itself now and then, through both pair comparisons.
        std::vector<const FileEntry*> entries;
        for (ListLink* e = Catalogue.head; e; e = e->next)
            entries.push_back(static_cast<FileEntry*>(e));
        for (int tries = 0, pairs = 0; tries < 240 && pairs < 6; ++tries) {
            const FileEntry* a = entries[size_t(maker.Pick(0, int(entries.size()) - 1))];
            const FileEntry* b = entries[size_t(maker.Pick(0, int(entries.size()) - 1))];
            if (a->Size != b->Size) continue;
            ++pairs;
            auto run = [&](int32_t (*compare)(const std::string&, const std::string&, int64_t,
                                              const ProgressSink&)) {
                Meters pair{{0, 37}};
                const int32_t result = compare(FullPath(*a), FullPath(*b), a->Size, MeterSink(pair));
                return std::pair(result, pair.value[METER_FILE]);
            };
            EXPECT_EQ(run(CompareFiles), run(ReferenceCompareFiles)) << FullPath(*a) << " " << FullPath(*b);
        }
        std::error_code ignored;
        if (::testing::Test::HasFailure())
            ++failures; // the tree stays for a look
        else
            fs::remove_all(root, ignored);
    }
    ListClear(Catalogue);
    ListClear(GroupList);
    ListClear(MemberList);
    CurrentSearchTuning() = SearchTuning{};
    std::error_code ignored;
    if (!failures) fs::remove_all(base, ignored);
}

} // namespace
