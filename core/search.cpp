// The duplicate search: the catalogue indexed by size, each set of files of one size searched on its
// own, and the groups found turned into the group and member lists in the order of their reference files.
//
// A set's files are read in lock step, one stretch of every file at a time in the order of its ReadPlan
// (first block, last block, then the middle), and the set is split wherever the stretches differ. An
// example with four files of 300 KiB, where A and C are copies, B differs from them at byte 200,000 and
// D in its first kilobyte:
//
//   step 1, [0, 64K):      A B C D are read; D's block differs: D is unique and dropped, {A B C} go on
//   step 2, [236K, 300K):  A B C are read; their last blocks agree, {A B C} go on
//   step 3, [64K, 236K):   A B C are read; B differs: B is dropped; {A C} have no byte left unread
//   decided:               A and C are checked to be still the files their first open found; group [A C]
//
// Every file is read once, and stops being read as soon as no other file can equal it. Sets too large to
// hold a block of each split by a hash first (size_set.cpp); nothing is grouped before its every byte was
// compared with memcmp.
#include "core/search.h"

#include "core/large_reads.h"
#include "core/lists.h"
#include "core/omissions.h"
#include "core/readers.h"
#include "core/search_tuning.h"
#include "core/size_set.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <iterator>
#include <utility>

namespace {

// The places of the files that are not empty, sorted by size and then by place: a radix sort over the
// sizes, 11 bits a pass from the lowest, each pass stable. With 4-bit digits, sizes 300 5 300 260 at
// places 0 1 2 3 (300 = 0x12C, 5 = 0x005, 260 = 0x104):
//   by the digit 0xF:    3 (4)  1 (5)  0 (C)  2 (C)
//   by the digit 0xF0:   3 (0)  1 (0)  0 (2)  2 (2)
//   by the digit 0xF00:  1 (0)  3 (1)  0 (1)  2 (1)   = sizes 5 260 300 300
// A comparison sort would fetch two sizes at random for each of its n log n comparisons.
std::vector<uint32_t> IndexBySize(const std::vector<int64_t>& sizes) {
    constexpr int BITS = 11;
    constexpr size_t BUCKETS = size_t(1) << BITS;
    size_t nonEmpty = 0;
    int64_t largest = 0;
    for (int64_t size : sizes) {
        nonEmpty += size > 0 ? 1 : 0;
        largest = std::max(largest, size);
    }
    std::vector<uint32_t> order, other(nonEmpty);
    order.reserve(nonEmpty); // at its exact size: a million files are a million places
    for (uint32_t i = 0; i < sizes.size(); ++i)
        if (sizes[i] > 0) order.push_back(i);
    std::vector<size_t> start(BUCKETS);
    for (int shift = 0; shift < 63 && (largest >> shift) != 0; shift += BITS) {
        std::fill(start.begin(), start.end(), 0);
        for (uint32_t i : order)
            ++start[size_t(sizes[i] >> shift) & (BUCKETS - 1)];
        size_t at = 0;
        for (size_t& bucket : start)
            at += std::exchange(bucket, at);
        for (uint32_t i : order)
            other[start[size_t(sizes[i] >> shift) & (BUCKETS - 1)]++] = i;
        order.swap(other);
    }
    return order;
}

// Turns the groups found, sorted by their reference files, into the group and member lists.
void MakeLists(std::vector<Group>& groups, SearchStats& stats) {
    std::sort(groups.begin(), groups.end(),
              [](const Group& a, const Group& b) { return a.position < b.position; });
    for (Group& found : groups) {
        DuplicateGroup* group = ListAdd(GroupList);
        group->Count = static_cast<int32_t>(found.members.size());
        for (const Seen& seen : found.members) {
            GroupMember* member = ListAdd(MemberList);
            member->Folder = seen.entry->Folder;
            member->Name = seen.entry->Name.Text();
            member->Seen = seen.stamp;
            if (!group->FirstMember) group->FirstMember = member;
        }
        // Released as the members are made, so that the two are never held whole at once.
        std::vector<Seen>().swap(found.members);
        ++stats.groups;
        stats.groupedFiles += group->Count;
    }
}

// What one thread's sets found, gathered when every set is done: the groups are put in order by their
// reference files, the omissions by their sets' order. One result a set cost a hundred bytes for each of
// the thousands of sets that found nothing.
struct ThreadResult {
    std::vector<Group> groups;
    std::vector<std::pair<size_t, Omission>> omissions; // with the set's place in the order
    SearchStats stats;
};

// The block room of a set about to be searched: one budget for all sets in flight, shared by the threads
// searching now, but never so thin that files too large to be read in one piece are read in slivers (sets
// started before the pool grew keep the larger share they were given). Large files are read in turns, not by
// every thread added for a cold disk at once: their sets share it by processor, so that each read is long,
// and a spinning disk seeks once for it.
int64_t SetBudget(int64_t size) {
    constexpr int64_t LEAST_SHARE = 128 * 1024;
    const SearchTuning& tuning = CurrentSearchTuning();
    const int64_t budget = tuning.memoryBudget;
    int32_t sharing = ReaderThreads() + 1;
    if (size >= LARGE_READ_FILE) sharing = std::min({sharing, Processors(), LargeReadLimit()});
    if (size <= tuning.wholeFileLimit) return budget / sharing;
    return std::max(budget / sharing, std::min(budget, LEAST_SHARE));
}

// The block room a searching thread keeps from one set to the next.
constexpr size_t ROOM_KEPT = 256 * 1024;

// Searches sets one after another in the order the shared counter hands them out, on this thread with its
// own file slots and block room; the thread that started the search shows the progress as it goes.
void SearchSets(const std::vector<FileEntry*>& entries, const std::vector<uint32_t>& order,
                const std::vector<std::pair<size_t, size_t>>& runs, std::atomic<size_t>& next,
                SearchProgress& progress, std::vector<SetWorker>& workers,
                std::vector<ThreadResult>& results) {
    const int32_t index = ReaderIndex();
    SetWorker& worker = workers[size_t(index)];
    for (size_t at; !progress.stopped.load() && (at = next.fetch_add(1)) < runs.size();) {
        if (index == 0) ShowOverall(progress); // and asks whether to stop before each set
        if (progress.stopped.load()) break;
        const auto [begin, end] = runs[at];
        SizeSet set;
        set.size = entries[order[begin]]->Size;
        const LargeSetTurn turn(set.size >= LARGE_READ_FILE,
                                index == 0 ? std::function<void()>([&] { ShowOverall(progress); }) : nullptr);
        set.budget = SetBudget(set.size);
        set.worker = &worker;
        set.progress = &progress;
        set.files.resize(end - begin);
        for (size_t i = begin; i < end; ++i) {
            set.files[i - begin].entry = entries[order[i]];
            set.files[i - begin].position = order[i];
        }
        SearchSizeSet(set, index == 0);
        ThreadResult& found = results[size_t(index)];
        std::move(set.groups.begin(), set.groups.end(), std::back_inserter(found.groups));
        for (Omission& omission : set.omissions)
            found.omissions.emplace_back(at, std::move(omission));
        found.stats.bytesRead += set.stats.bytesRead;
        found.stats.floorBytes += set.stats.floorBytes;
        // Block room that a large set needed is not kept for the small sets that mostly follow, nor more than
        // the thread's share of the budget while many threads search: seventeen threads keeping 128 KiB each
        // held twice the budget. The room of large files is kept by the first threads, one a processor, as
        // only sets of larger files follow; threads added for a cold disk give it back.
        const size_t share = size_t(CurrentSearchTuning().memoryBudget / (ReaderThreads() + 1));
        if (worker.arena.size > std::min(ROOM_KEPT, share) &&
            (set.size < LARGE_READ_FILE || index >= Processors()))
            worker.arena = Arena{};
    }
}

// Every set is searched by one thread from start to end, so its decisions are those of a search alone.
// Each reader the pool has or may add runs the same loop as this thread; with one reader this thread
// searches every set, in order.
void SearchAllSets(const std::vector<FileEntry*>& entries, const std::vector<uint32_t>& order,
                   const std::vector<std::pair<size_t, size_t>>& runs, int32_t readers,
                   SearchProgress& progress, std::vector<ThreadResult>& results) {
    const SearchTuning& tuning = CurrentSearchTuning();
    // Each thread has file slots of its own: the searching thread's, then a quarter as many for each
    // reader, of which there may be many on a cold disk.
    const int32_t slots = std::max(tuning.openFiles, 1),
                  readerSlots = std::max(slots / 4, std::min(slots, 16));
    std::vector<SetWorker> workers(size_t(PlannedReaders(readers)) + 1);
    results.resize(workers.size());
    int32_t slot = tuning.firstSlot;
    for (size_t t = 0; t < workers.size(); ++t) {
        const int32_t count = t == 0 ? slots : readerSlots;
        for (int32_t i = count - 1; i >= 0; --i)
            workers[t].freeSlots.push_back(slot + i);
        slot += count;
    }
    ReserveFileSlots(slot);
    StartLargeReads(int32_t(workers.size()));
    StartReaders(readers);

    std::atomic<size_t> next{0};
    std::deque<ReaderJob> searchers(workers.size() - 1);
    for (ReaderJob& job : searchers) {
        job.work = [&] { SearchSets(entries, order, runs, next, progress, workers, results); };
        Submit(job);
    }
    SearchSets(entries, order, runs, next, progress, workers, results);
    for (ReaderJob& job : searchers)
        Await(job, [&] { ShowOverall(progress); });
    StopReaders();
}

} // namespace

SearchResult FindDuplicates(const SearchRequest& request) {
    ListReset(Catalogue);
    ListClear(GroupList);
    ListClear(MemberList);
    SearchResult result;

    // The catalogue by place, allocated once at its exact size.
    int64_t count = 0;
    for (ListLink* link = Catalogue.head; link; link = link->next)
        ++count;
    std::vector<FileEntry*> entries;
    std::vector<int64_t> sizes;
    entries.reserve(static_cast<size_t>(count));
    sizes.reserve(static_cast<size_t>(count));
    for (ListLink* link = Catalogue.head; link; link = link->next) {
        FileEntry* entry = static_cast<FileEntry*>(link);
        entry->Grouped = false;
        entries.push_back(entry);
        sizes.push_back(entry->Size);
    }
    std::vector<uint32_t> order = IndexBySize(sizes);
    std::vector<int64_t>().swap(sizes);
    // The runs of one size with at least two entries are the sets to search.
    std::vector<std::pair<size_t, size_t>> runs;
    SearchStats& stats = result.stats;
    stats.filesCatalogued = count;
    for (size_t begin = 0, end; begin < order.size(); begin = end) {
        end = begin + 1;
        while (end < order.size() && entries[order[end]]->Size == entries[order[begin]]->Size)
            ++end;
        if (end - begin < 2) continue;
        runs.emplace_back(begin, end);
        stats.candidateFiles += int64_t(end - begin);
        stats.candidateBytes += int64_t(end - begin) * entries[order[begin]]->Size;
    }

    SearchProgress progress;
    progress.sink = request.progress;
    progress.stop = request.stop;
    progress.total = stats.candidateBytes;
    std::vector<ThreadResult> results;
    SearchAllSets(entries, order, runs, request.readers, progress, results);
    result.stopped = progress.stopped.load();
    // The index is done with before the result lists are built.
    std::vector<FileEntry*>().swap(entries);
    std::vector<uint32_t>().swap(order);

    std::vector<Group> groups;
    std::vector<std::pair<size_t, Omission>> omissions;
    for (ThreadResult& found : results) {
        groups.insert(groups.end(), std::make_move_iterator(found.groups.begin()),
                      std::make_move_iterator(found.groups.end()));
        omissions.insert(omissions.end(), std::make_move_iterator(found.omissions.begin()),
                         std::make_move_iterator(found.omissions.end()));
        stats.bytesRead += found.stats.bytesRead;
        stats.floorBytes += found.stats.floorBytes;
    }
    std::vector<ThreadResult>().swap(results);
    std::stable_sort(omissions.begin(), omissions.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& omission : omissions)
        result.omissions.push_back(std::move(omission.second));
    MakeLists(groups, stats);

    // The walk over the catalogue would end with its cursor on the last entry.
    ListSetCurrent(Catalogue, static_cast<FileEntry*>(Catalogue.tail));
    ShowProgress(request.progress, METER_OVERALL, 0, true);
    if (count > 0) ShowProgress(request.progress, METER_FILE, 0, true);
    return result;
}
