// The fast search against the plain pairwise loops, over many generated trees: copies, near copies,
// shared prefixes, empty files, entries catalogued twice, hard links, and files that vanished, became
// folders, shrank or grew after they were catalogued. Both must give the same groups, members,
// counts, flags and bar values; the pair comparison is held against its unit-by-unit form as well.
// ZW_SEARCH_SEED repeats a run, ZW_SEARCH_TREES changes the number of trees.
#include "core/compare.h"
#include "core/lists.h"
#include "core/search.h"
#include "core/search_support.h"
#include "platform/console/console_bars.h"
#include "platform/file_services.h"
#include "platform/window_services.h"
#include "reference_search.h"
#include "ui/controls.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
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

struct Outcome {
    std::vector<int32_t> counts;
    std::vector<std::vector<std::string>> members;
    std::vector<bool> flags;
    int32_t barOverall = 0;
    int32_t barFile = 0;
    bool operator==(const Outcome&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Outcome& outcome) {
    for (size_t g = 0; g < outcome.members.size(); ++g) {
        out << "\n  group of " << outcome.counts[g] << ":";
        for (const std::string& m : outcome.members[g])
            out << " " << fs::path(m).filename().string();
    }
    out << "\n  grouped flags:";
    for (bool f : outcome.flags)
        out << (f ? " 1" : " 0");
    return out << "\n  bars " << outcome.barOverall << " " << outcome.barFile;
}

// The member runs are read in MemberList order, so a group whose run is out of place shows.
Outcome Observe() {
    Outcome outcome;
    ListLink* member = MemberList.head;
    for (ListLink* g = GroupList.head; g; g = g->next) {
        auto* group = static_cast<DuplicateGroup*>(g);
        outcome.counts.push_back(group->Count);
        outcome.members.emplace_back();
        if (group->FirstMember != member) outcome.members.back().push_back("<run out of place>");
        for (int32_t i = 0; i < group->Count && member; ++i, member = member->next)
            outcome.members.back().push_back(FullPath(*static_cast<GroupMember*>(member)));
    }
    if (member) outcome.members.push_back({"<members without a group>"});
    for (ListLink* e = Catalogue.head; e; e = e->next)
        outcome.flags.push_back(static_cast<FileEntry*>(e)->Grouped);
    outcome.barOverall = ConsoleBarValue(BarOverall);
    outcome.barFile = ConsoleBarValue(BarFile);
    return outcome;
}

// Prefix and number, appended (GCC 12 at -O3 warns falsely about a literal + std::string).
std::string Numbered(const char* prefix, int64_t number) {
    std::string text(prefix);
    text += std::to_string(number);
    return text;
}

// The catalogue as it stands against the disk, to read a failure by.
std::string Described() {
    std::string text = "\n  catalogue (path, catalogued size, size now):";
    for (ListLink* e = Catalogue.head; e; e = e->next) {
        const FileEntry& entry = *static_cast<FileEntry*>(e);
        std::error_code error;
        const std::string path = FullPath(entry);
        const auto now = fs::is_regular_file(path, error)
                             ? std::to_string(fs::file_size(path, error))
                             : std::string(fs::exists(path, error) ? "folder" : "gone");
        text += "\n    ";
        text += path;
        text += Numbered(" ", entry.Size);
        text += " ";
        text += now;
    }
    return text;
}

class TreeMaker {
  public:
    TreeMaker(const fs::path& root, uint32_t seed) : root_(root), random_(seed) {}

    // Files in a few folders, catalogued (some twice), then some of them changed behind the catalogue.
    void Make() {
        for (const char* folder : {"a", "a/b", "c"})
            fs::create_directories(root_ / folder);
        const int count = Pick(2, 28);
        for (int i = 0; i < count; ++i)
            AddFile(i);
        Catalogue_();
        Disturb();
    }

    // Random pairs of catalogued entries of one size.
    std::vector<std::pair<const FileEntry*, const FileEntry*>> SameSizePairs(int count) {
        std::vector<const FileEntry*> entries;
        for (ListLink* e = Catalogue.head; e; e = e->next)
            entries.push_back(static_cast<FileEntry*>(e));
        std::vector<std::pair<const FileEntry*, const FileEntry*>> pairs;
        for (int tries = 0; tries < 40 * count && int(pairs.size()) < count && entries.size() > 1; ++tries) {
            const FileEntry* a = entries[size_t(Pick(0, int(entries.size()) - 1))];
            const FileEntry* b = entries[size_t(Pick(0, int(entries.size()) - 1))];
            if (a->Size == b->Size) pairs.emplace_back(a, b);
        }
        return pairs;
    }

    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    bool Chance(int percent) { return Pick(1, 100) <= percent; }

  private:
    std::string Content(size_t size) {
        std::string bytes(size, '\0');
        // A small alphabet makes chance equalities and long common prefixes likely.
        const int alphabet = Chance(50) ? 2 : 256;
        for (char& c : bytes)
            c = static_cast<char>(Pick(0, alphabet - 1));
        return bytes;
    }

    size_t Size() {
        static const size_t small[] = {0,  1,  2,  3,  4,  5,  6,  7,  8,   9,  12,
                                       16, 17, 31, 32, 33, 63, 64, 65, 100, 257};
        static const size_t large[] = {4095, 4096, 4097, 4100, 8191, 8192, 8193};
        if (Chance(6)) return large[size_t(Pick(0, 6))];
        return small[size_t(Pick(0, 20))];
    }

    void AddFile(int i) {
        static const char* folders[] = {"", "a", "a/b", "c"};
        fs::path path = (root_ / folders[Pick(0, 3)] / Numbered("f", i)).make_preferred();
        const int kind = Pick(1, 100);
        if (!files_.empty() && kind <= 30) { // a copy
            Write(path, contents_[size_t(Pick(0, int(files_.size()) - 1))]);
        } else if (!files_.empty() &&
                   kind <= 55) { // same size, one byte apart: first, middle, last or anywhere
            std::string bytes = contents_[size_t(Pick(0, int(files_.size()) - 1))];
            if (!bytes.empty()) {
                const size_t n = bytes.size();
                const size_t places[] = {0, n / 2, n - 1, size_t(Pick(0, int(n) - 1))};
                bytes[places[Pick(0, 3)]] ^= static_cast<char>(1 << Pick(0, 7));
            }
            Write(path, bytes);
        } else if (!files_.empty() && kind <= 63) { // a second name of an earlier file
            const size_t of = size_t(Pick(0, int(files_.size()) - 1));
            std::error_code failed;
            fs::create_hard_link(files_[of], path, failed);
            if (failed) return;
            files_.push_back(path);
            contents_.push_back(contents_[of]);
            return;
        } else {
            Write(path, Content(Size()));
        }
    }

    void Write(const fs::path& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
        files_.push_back(path);
        contents_.push_back(bytes);
    }

    void Catalogue_() {
        std::vector<size_t> order(files_.size());
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        if (Chance(50)) std::shuffle(order.begin(), order.end(), random_);
        for (size_t i : order)
            Enter(files_[i]);
        // A folder added again, or a few files catalogued once more.
        if (Chance(25))
            for (size_t i : order)
                if (files_[i].parent_path().filename() == "b" || files_[i].parent_path().filename() == "a")
                    Enter(files_[i]);
        for (int extra = Chance(25) ? Pick(1, 3) : 0; extra > 0; --extra)
            Enter(files_[size_t(Pick(0, int(files_.size()) - 1))]);
    }

    void Enter(const fs::path& path) {
        ListSetCurrent(Catalogue, static_cast<FileEntry*>(Catalogue.tail));
        FileEntry* entry = ListAdd(Catalogue);
        const std::string folder = path.parent_path().string();
        SharedText& shared = folders_[folder];
        if (!shared || Chance(30)) shared = std::make_shared<const std::string>(folder);
        entry->Folder = shared;
        entry->Name = path.filename().string();
        entry->Size = static_cast<int64_t>(fs::file_size(path));
    }

    void Disturb() {
        for (const fs::path& path : files_) {
            const int what = Pick(1, 100);
            std::error_code ignored;
            if (what <= 4) {
                fs::remove(path, ignored);
            } else if (what <= 7) {
                fs::remove(path, ignored);
                fs::create_directory(path, ignored);
            } else if (what <= 11 && fs::is_regular_file(path, ignored)) {
                const auto size = fs::file_size(path, ignored);
                if (size > 0) fs::resize_file(path, Chance(50) ? size - 1 : 0, ignored);
            } else if (what <= 14 && fs::is_regular_file(path, ignored)) {
                std::ofstream(path, std::ios::binary | std::ios::app).put('+');
            }
        }
    }

    fs::path root_;
    std::mt19937 random_;
    std::vector<fs::path> files_;
    std::vector<std::string> contents_;
    std::map<std::string, SharedText> folders_;
};

// Small blocks, little memory and few open files send tiny files down every path of the real search.
SearchTuning RandomTuning(TreeMaker& maker) {
    SearchTuning tuning;
    if (maker.Chance(25)) return tuning;
    tuning.wholeFileLimit = maker.Pick(0, 40);
    tuning.firstBlock = maker.Pick(1, 16);
    tuning.lastBlock = maker.Pick(1, 16);
    tuning.middleBlock = maker.Pick(1, 8);
    tuning.middleBlockMax = tuning.middleBlock * maker.Pick(1, 8);
    tuning.memoryBudget = maker.Pick(1, 300);
    tuning.minimumBlock = maker.Pick(1, 8);
    tuning.openFiles = maker.Pick(1, 6);
    tuning.firstSlot = maker.Pick(3, 40);
    tuning.identityAtOpen = maker.Chance(50) ? maker.Pick(0, 40) : 1 << 20;
    return tuning;
}

// While it lives, the process may open only Spare more files (where the system lets a test say so):
// the search then meets "too many open files" long before its own limit.
class FewHandles {
  public:
    explicit FewHandles(int spare) {
#ifndef _WIN32
        const int lowestFree = dup(0);
        if (lowestFree < 0 || getrlimit(RLIMIT_NOFILE, &old_) != 0) return;
        close(lowestFree);
        rlimit lowered = old_;
        lowered.rlim_cur = rlim_t(lowestFree + spare);
        active_ = setrlimit(RLIMIT_NOFILE, &lowered) == 0;
#else
        (void)spare;
#endif
    }
    ~FewHandles() {
#ifndef _WIN32
        if (active_) setrlimit(RLIMIT_NOFILE, &old_);
#endif
    }

  private:
#ifndef _WIN32
    rlimit old_{};
    bool active_ = false;
#endif
};

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
    const fs::path base = fs::temp_directory_path() / Numbered("zw-equivalence-", seed);
    int failures = 0;
    for (int t = 0; t < trees && failures < 3; ++t) {
        SCOPED_TRACE(Numbered("ZW_SEARCH_SEED=", seed) + Numbered(", tree ", t));
        const fs::path root = base / std::to_string(t);
        fs::create_directories(root);
        ListClear(Catalogue);
        TreeMaker maker(root, seed + uint32_t(t) * 7919u);
        maker.Make();
        CurrentSearchTuning() = RandomTuning(maker);

        ConsoleResetBars();
        SetControlValue(BarOverall, 61);
        SetControlValue(BarFile, 37);
        ReferenceFindDuplicates();
        const Outcome expected = Observe();

        SetControlValue(BarOverall, 61);
        SetControlValue(BarFile, 37);
        {
            const int spare = maker.Chance(30) ? maker.Pick(1, 8) : 1 << 20;
            if (spare < 100) CurrentSearchTuning().openFiles = 256;
            FewHandles limit(spare);
            FindDuplicates();
        }
        const Outcome found = Observe();
        EXPECT_EQ(found, expected) << Described();

        const SearchStats& stats = LastSearchStats();
        EXPECT_EQ(stats.groups, int64_t(found.counts.size()));
        EXPECT_LE(stats.floorBytes, stats.bytesRead);
        EXPECT_LE(stats.bytesRead, stats.candidateBytes + stats.candidateFiles);

        for (auto [a, b] : maker.SameSizePairs(6)) {
            const std::string pathA = FullPath(*a), pathB = FullPath(*b);
            SetControlValue(BarFile, 37);
            const int32_t expectedResult = ReferenceCompareFiles(pathA, pathB, a->Size);
            const int32_t expectedBar = ConsoleBarValue(BarFile);
            SetControlValue(BarFile, 37);
            EXPECT_EQ(CompareFiles(pathA, pathB, a->Size), expectedResult) << pathA << " " << pathB;
            EXPECT_EQ(ConsoleBarValue(BarFile), expectedBar) << pathA << " " << pathB;
        }
        if (::testing::Test::HasFailure()) {
            ++failures;
            continue; // the tree stays for a look
        }
        std::error_code ignored;
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
