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

#include "core/lists.h"
#include "core/omissions.h"
#include "core/search_tuning.h"
#include "core/size_set.h"

#include <algorithm>

namespace {

SearchStats lastStats;

// The catalogue's files that are not empty, as places in Entries, sorted by size and then by place.
std::vector<uint32_t> IndexBySize(const std::vector<FileEntry*>& entries) {
    size_t nonEmpty = 0;
    for (const FileEntry* entry : entries)
        nonEmpty += entry->Size > 0 ? 1 : 0;
    std::vector<uint32_t> order;
    order.reserve(nonEmpty); // at its exact size: a million files are a million places
    for (uint32_t i = 0; i < entries.size(); ++i)
        if (entries[i]->Size > 0) order.push_back(i);
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        const int64_t sizeA = entries[a]->Size, sizeB = entries[b]->Size;
        return sizeA != sizeB ? sizeA < sizeB : a < b;
    });
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
            member->Name = seen.entry->Name;
            member->Seen = seen.stamp;
            if (!group->FirstMember) group->FirstMember = member;
        }
        // Released as the members are made, so that the two are never held whole at once.
        std::vector<Seen>().swap(found.members);
        ++stats.groups;
        stats.groupedFiles += group->Count;
    }
}

} // namespace

void FindDuplicates() {
    ListReset(Catalogue);
    ListClear(GroupList);
    ListClear(MemberList);
    SearchOmissions.clear();

    // The catalogue by place, allocated once at its exact size.
    int64_t count = 0;
    for (ListLink* link = Catalogue.head; link; link = link->next)
        ++count;
    std::vector<FileEntry*> entries;
    entries.reserve(static_cast<size_t>(count));
    for (ListLink* link = Catalogue.head; link; link = link->next) {
        FileEntry* entry = static_cast<FileEntry*>(link);
        entry->Grouped = false;
        entries.push_back(entry);
    }
    std::vector<uint32_t> order = IndexBySize(entries);
    // The run of one size that starts at Begin; runs of at least two entries are the candidates.
    auto runEnd = [&](size_t begin) {
        size_t end = begin + 1;
        while (end < order.size() && entries[order[end]]->Size == entries[order[begin]]->Size)
            ++end;
        return end;
    };

    SearchState search;
    search.stats.filesCatalogued = count;
    for (size_t begin = 0, end; begin < order.size(); begin = end) {
        end = runEnd(begin);
        if (end - begin >= 2) {
            search.stats.candidateFiles += int64_t(end - begin);
            search.stats.candidateBytes += int64_t(end - begin) * entries[order[begin]]->Size;
        }
    }
    search.progress = ProgressOver(search.stats.candidateBytes);
    const SearchTuning& tuning = CurrentSearchTuning();
    for (int32_t i = std::max(tuning.openFiles, 1) - 1; i >= 0; --i)
        search.freeSlots.push_back(tuning.firstSlot + i);

    for (size_t begin = 0, end; begin < order.size(); begin = end) {
        end = runEnd(begin);
        if (end - begin < 2) continue;
        SizeSet set;
        set.size = entries[order[begin]]->Size;
        set.search = &search;
        set.files.resize(end - begin);
        for (size_t i = begin; i < end; ++i) {
            set.files[i - begin].entry = entries[order[i]];
            set.files[i - begin].position = order[i];
        }
        SearchSizeSet(set);
    }
    // The index and the block room are done with before the result lists are built.
    std::vector<FileEntry*>().swap(entries);
    std::vector<uint32_t>().swap(order);
    search.arena = Arena{};
    MakeLists(search.groups, search.stats);
    lastStats = search.stats;

    // The walk over the catalogue would end with its cursor on the last entry.
    ListSetCurrent(Catalogue, static_cast<FileEntry*>(Catalogue.tail));
    ShowBar(search.progress.overall, 0);
    if (count > 0) ShowBar(search.progress.file, 0);
}

const SearchStats& LastSearchStats() {
    return lastStats;
}
