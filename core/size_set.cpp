// Splitting one set of files of one size by their content, stretch by stretch, until each file is in a
// group of equal files or known to have no equal.
#include "core/size_set.h"

#include "core/block_order.h"
#include "core/compare.h"
#include "core/search_tuning.h"
#include "core/set_reads.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <string_view>

namespace {

// Files whose stretches have been equal so far, in catalogue order, and where they stand.
struct Candidates {
    std::vector<int32_t> members;
    ReadPlan plan;
    int32_t steps = 0; // stretches read so far
};

bool SamePath(const FileEntry& a, const FileEntry& b) {
    return a.Name == b.Name && (a.Folder.SameAs(b.Folder) || EntryFolder(a) == EntryFolder(b));
}

// An entry whose path an earlier entry of this size already has is that file again: it joins no group
// and starts none.
std::vector<int32_t> DistinctPaths(SizeSet& set) {
    std::vector<int32_t> members;
    const int32_t count = static_cast<int32_t>(set.files.size());
    if (count == 2) {
        members.push_back(0);
        if (SamePath(*set.files[0].entry, *set.files[1].entry))
            DropFile(set, 1, 0);
        else
            members.push_back(1);
        return members;
    }
    // Open addressing over the members' places, a node per file would cost an allocation each; a folder's
    // entries follow one another, so its text is hashed once for each run of them.
    size_t capacity = 4;
    while (capacity < 2 * size_t(count))
        capacity *= 2;
    std::vector<int32_t> table(capacity, -1);
    const SharedText* folder = nullptr;
    size_t folderHash = 0;
    for (int32_t i = 0; i < count; ++i) {
        const FileEntry& entry = *set.files[i].entry;
        if (!folder || !entry.Folder.SameAs(*folder)) {
            folder = &entry.Folder;
            folderHash = std::hash<std::string_view>()(EntryFolder(entry));
        }
        size_t at = (folderHash * 31 + std::hash<std::string_view>()(entry.Name)) & (capacity - 1);
        while (table[at] >= 0 && !SamePath(*set.files[table[at]].entry, entry))
            at = (at + 1) & (capacity - 1);
        if (table[at] >= 0) {
            DropFile(set, i, 0);
        } else {
            table[at] = i;
            members.push_back(i);
        }
    }
    return members;
}

// For sets too large to hold a block of each: the next stretch of every file is read and hashed, a few
// files at a time; a file whose hash no other file has is dropped. Files that share a hash are compared
// with the first of them, read again; those equal to it go on past the stretch, the others are compared
// among themselves the same way. Holds a few stretches and a hash per file.
void SplitByHash(SizeSet& set, Candidates candidates, Stretch stretch, const ReadPlan& after,
                 std::vector<Candidates>& work) {
    const SearchTuning& tuning = CurrentSearchTuning();
    std::vector<SetFile>& files = set.files;
    const int64_t length = stretch.to - stretch.from;
    const size_t stride = static_cast<size_t>(length) + 1;
    // The stretches read at once: the first of a run and a few others, within half the memory budget.
    const size_t chunk = size_t(std::clamp<int64_t>(set.budget / 2 / int64_t(stride), 1, 64));
    unsigned char* room = ArenaOf(set, (chunk + 1) * stride);
    unsigned char* reference = room + chunk * stride;
    std::vector<unsigned char*> blocks(chunk);
    for (size_t i = 0; i < chunk; ++i)
        blocks[i] = room + i * stride;
    std::vector<ReadOutcome> outcomes;
    // Reads Stretch of Files, Chunk files at a time, and hands each file's outcome and block to Take.
    auto readAll = [&](const std::vector<int32_t>& all,
                       const std::function<void(int32_t, ReadOutcome, const unsigned char*)>& take) {
        std::vector<int32_t> some;
        for (size_t begin = 0; begin < all.size(); begin += chunk) {
            some.assign(all.begin() + std::ptrdiff_t(begin),
                        all.begin() + std::ptrdiff_t(std::min(all.size(), begin + chunk)));
            ReadStretches(set, some, stretch, blocks, outcomes);
            for (size_t i = 0; i < some.size(); ++i)
                take(some[i], outcomes[i], blocks[i]);
        }
    };

    std::vector<std::pair<uint64_t, int32_t>> hashes;
    hashes.reserve(candidates.members.size());
    std::vector<int64_t> before(files.size());
    for (int32_t m : candidates.members)
        before[size_t(m)] = files[m].read;
    std::vector<uint64_t> blockHashes;
    HashStretches(set, candidates.members, stretch, outcomes, blockHashes);
    for (size_t i = 0; i < candidates.members.size(); ++i) {
        const int32_t m = candidates.members[i];
        // Only the second reading counts as read for the floor: the first only sorts.
        files[m].read = before[size_t(m)];
        if (outcomes[i] != ReadOutcome::Read) {
            DropFile(set, m, outcomes[i] == ReadOutcome::SameFile ? 0 : files[m].read);
            continue;
        }
        files[m].counted += length;
        CountDone(*set.progress, set.setProgress, length);
        hashes.emplace_back(blockHashes[i] & tuning.hashMask, m);
    }
    std::sort(hashes.begin(), hashes.end());
    std::vector<int32_t> rest, equal, differ, others;
    for (size_t begin = 0, end; begin < hashes.size(); begin = end) {
        end = begin + 1;
        while (end < hashes.size() && hashes[end].first == hashes[begin].first)
            ++end;
        rest.clear();
        for (size_t i = begin; i < end; ++i)
            rest.push_back(hashes[i].second);
        while (!rest.empty()) {
            equal.clear();
            differ.clear();
            const int32_t first = rest.front();
            if (rest.size() < 2) {
                // Its hash alone tells it apart; an ideal reader needs at least one byte of it.
                DropUnique(set, first, files[first].read + 1);
                break;
            }
            std::vector<unsigned char*> referenceBlock{reference};
            ReadStretches(set, {first}, stretch, referenceBlock, outcomes);
            if (outcomes[0] != ReadOutcome::Read) {
                DropFile(set, first, files[first].read);
                rest.erase(rest.begin());
                continue;
            }
            equal.push_back(first);
            others.assign(rest.begin() + 1, rest.end());
            readAll(others, [&](int32_t m, ReadOutcome outcome, const unsigned char* block) {
                if (outcome == ReadOutcome::Read &&
                    std::memcmp(reference, block, static_cast<size_t>(length)) == 0)
                    equal.push_back(m);
                else if (outcome == ReadOutcome::Read)
                    differ.push_back(m);
                else
                    DropFile(set, m, files[m].read);
            });
            if (equal.size() < 2) {
                files[first].read -= length;
                DropUnique(set, first, files[first].read + 1);
            } else if (PlanDone(after)) {
                FinishGroup(set, equal); // while they are still open
            } else {
                work.push_back(Candidates{equal, after, candidates.steps + 1});
            }
            for (int32_t m : differ)
                files[m].read -= length; // read again when compared among themselves
            rest.swap(differ);
        }
    }
}

// Reads the next stretch of every candidate and splits them by its content. Runs of at least two go
// back to Work; a file left alone is dropped.
void Split(SizeSet& set, Candidates candidates, std::vector<Candidates>& work) {
    const SearchTuning& tuning = CurrentSearchTuning();
    std::vector<SetFile>& files = set.files;
    std::vector<int32_t>& members = candidates.members;
    std::vector<int32_t> kept;
    std::vector<const unsigned char*> blocks;
    std::vector<unsigned char*> readBlocks;
    std::vector<ReadOutcome> outcomes;
    while (true) {
        // A stopped search ends its sets in flight too: they take no part in its partial result.
        if (members.size() < 2 || set.progress->stopped.load()) {
            for (int32_t m : members)
                DropUnique(set, m, files[m].read);
            return;
        }
        if (PlanDone(candidates.plan)) {
            FinishGroup(set, members);
            return;
        }
        int64_t wanted = INT64_MAX;
        if (candidates.steps < 2 && set.size > tuning.wholeFileLimit &&
            int64_t(members.size()) >= tuning.probeMembers)
            wanted = std::max<int64_t>(tuning.probeBlock, 1);
        else if (candidates.steps == 0 && set.size > tuning.headAbove &&
                 int64_t(members.size()) <= tuning.openFiles)
            wanted = std::max<int64_t>(tuning.headBlock, 1);
        const int64_t cap = std::max<int64_t>(set.budget / int64_t(members.size()), 1);
        ReadPlan ahead = candidates.plan;
        Stretch natural = NextStretch(ahead, wanted);
        if (natural.to - natural.from > cap && cap < tuning.minimumBlock) {
            // Hashed one file at a time, where a first page tells most of them apart.
            if (candidates.steps == 0) {
                ahead = candidates.plan;
                natural = NextStretch(ahead, std::min(wanted, std::max<int64_t>(tuning.headBlock, 1)));
            }
            SplitByHash(set, std::move(candidates), natural, ahead, work);
            return;
        }
        ++candidates.steps;
        const Stretch stretch = NextStretch(candidates.plan, std::min(wanted, cap));
        const int64_t length = stretch.to - stretch.from;
        const size_t stride = static_cast<size_t>(length) + 1;
        unsigned char* arena = ArenaOf(set, stride * members.size());
        readBlocks.resize(members.size());
        for (size_t i = 0; i < members.size(); ++i)
            readBlocks[i] = arena + stride * i;
        ReadStretches(set, members, stretch, readBlocks, outcomes);
        kept.clear();
        blocks.clear();
        for (size_t i = 0; i < members.size(); ++i) {
            const int32_t m = members[i];
            if (outcomes[i] == ReadOutcome::Read) {
                kept.push_back(m);
                blocks.push_back(readBlocks[i]);
                files[m].counted += length;
                CountDone(*set.progress, set.setProgress, length);
            } else {
                DropFile(set, m, outcomes[i] == ReadOutcome::SameFile ? 0 : files[m].read);
            }
        }
        std::vector<size_t>& order = set.order;
        std::vector<int64_t>& shared = set.shared;
        SortBlocks(blocks, static_cast<size_t>(length), order, shared);
        if (kept.size() < 2 ||
            std::all_of(shared.begin() + 1, shared.end(), [&](int64_t s) { return s == length; })) {
            members.swap(kept);
            continue;
        }
        for (size_t begin = 0, end; begin < order.size(); begin = end) {
            end = begin + 1;
            while (end < order.size() && shared[end] == length)
                ++end;
            if (end - begin == 1) {
                int64_t common = begin > 0 ? shared[begin] : 0;
                if (end < order.size()) common = std::max(common, shared[end]);
                const int32_t m = kept[order[begin]];
                DropUnique(set, m, files[m].read - length + std::min(length, common + 1));
            } else {
                Candidates run{{}, candidates.plan, candidates.steps};
                for (size_t i = begin; i < end; ++i)
                    run.members.push_back(kept[order[i]]);
                work.push_back(std::move(run));
            }
        }
        return;
    }
}

} // namespace

void SearchSizeSet(SizeSet& set, bool shows) {
    StartSet(*set.progress, set.setProgress, set.size * static_cast<int64_t>(set.files.size()),
             set.size >= LARGE_FILE_THRESHOLD, shows);
    std::vector<Candidates> work;
    work.push_back(Candidates{DistinctPaths(set), PlanFor(set.size), 0});
    while (!work.empty()) {
        Candidates next = std::move(work.back());
        work.pop_back();
        Split(set, std::move(next), work);
    }
}
