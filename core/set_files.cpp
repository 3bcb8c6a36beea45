// The files of one size set: held open through a small cache of file slots (the least recently used
// file is closed when a slot is needed), read stretch by stretch, checked against what their first open
// found, grouped or dropped.
#include "core/omissions.h"
#include "core/search_tuning.h"
#include "core/size_set.h"

namespace {

// Files larger than this are told apart from other names of them when first opened; reading them costs
// more than keeping their identity.
constexpr int64_t IDENTITY_AT_OPEN = 64 * 1024;

void LinkFront(SizeSet& set, int32_t m) {
    SetFile& file = set.files[m];
    file.newer = -1;
    file.older = set.mostRecent;
    if (set.mostRecent >= 0) set.files[set.mostRecent].newer = m;
    set.mostRecent = m;
    if (set.leastRecent < 0) set.leastRecent = m;
}

void Unlink(SizeSet& set, int32_t m) {
    SetFile& file = set.files[m];
    if (file.newer >= 0)
        set.files[file.newer].older = file.older;
    else
        set.mostRecent = file.older;
    if (file.older >= 0)
        set.files[file.older].newer = file.newer;
    else
        set.leastRecent = file.newer;
    file.older = file.newer = -1;
}

void Close(SizeSet& set, int32_t m) {
    SetFile& file = set.files[m];
    if (file.slot == 0) return;
    CloseFileSlot(file.slot);
    set.search->freeSlots.push_back(file.slot);
    file.slot = 0;
    Unlink(set, m);
    --set.openCount;
}

bool Open(SizeSet& set, int32_t m) {
    std::vector<int32_t>& freeSlots = set.search->freeSlots;
    if (freeSlots.empty()) Close(set, set.leastRecent);
    const int32_t slot = freeSlots.back();
    freeSlots.pop_back();
    const std::string path = FullPath(*set.files[m].entry);
    bool opened = OpenForReading(slot, path) != 0;
    // The system may have run out of handles for this process: make room and try once more.
    if (!opened && set.openCount > 0) {
        for (int32_t n = (set.openCount + 1) / 2; n > 0; --n)
            Close(set, set.leastRecent);
        opened = OpenForReading(slot, path) != 0;
    }
    if (!opened) {
        freeSlots.push_back(slot);
        return false;
    }
    SetFile& file = set.files[m];
    file.slot = slot;
    file.offset = 0;
    LinkFront(set, m);
    ++set.openCount;
    return true;
}

// The file could not be opened or read: the file services tell why.
ReadOutcome Failed(SizeSet& set, int32_t m) {
    NoteFailure(SearchOmissions, FullPath(*set.files[m].entry));
    return ReadOutcome::Failed;
}

ReadOutcome Changed(SizeSet& set, int32_t m) {
    SearchOmissions.push_back({FullPath(*set.files[m].entry), REASON_CHANGED});
    return ReadOutcome::Failed;
}

// Opens file M (again). A file opened again must be the file its first open found, or it would be
// compared partly as one version and partly as another.
ReadOutcome OpenChecked(SizeSet& set, int32_t m) {
    SetFile& file = set.files[m];
    if (!Open(set, m)) return Failed(set, m);
    FileStamp stamp;
    if (!OpenedFileStamp(&stamp)) return Changed(set, m);
    if (file.stamped) return stamp == file.first ? ReadOutcome::Read : Changed(set, m);
    file.stamped = true;
    file.first = stamp;
    if (stamp.size != set.size) return Changed(set, m);
    // Files are first opened in catalogue order, so a file met before is an earlier entry of the same
    // file: this later name takes no part. Small files are told apart only when they have turned out
    // equal, which spares keeping the identity of every file.
    if (set.size > IDENTITY_AT_OPEN && !set.identities.insert(stamp.identity).second)
        return ReadOutcome::SameFile;
    return ReadOutcome::Read;
}

// The file as the system sees it now is the file its first open found; a file that is not is noted.
bool Unchanged(SizeSet& set, int32_t m) {
    SetFile& file = set.files[m];
    FileStamp now;
    if (file.slot != 0) {
        SelectFile(file.slot);
        if (CurrentFileStamp(&now) && now == file.first) return true;
    } else {
        if (!Open(set, m)) {
            NoteFailure(SearchOmissions, FullPath(*file.entry));
            return false;
        }
        if (OpenedFileStamp(&now) && now == file.first) return true;
    }
    SearchOmissions.push_back({FullPath(*file.entry), REASON_CHANGED});
    return false;
}

} // namespace

unsigned char* ArenaOf(Arena& arena, size_t bytes) {
    if (bytes > arena.size) {
        arena.memory = std::make_unique_for_overwrite<unsigned char[]>(bytes);
        arena.size = bytes;
    }
    return arena.memory.get();
}

ReadOutcome ReadSetStretch(SizeSet& set, int32_t m, Stretch stretch, unsigned char* block) {
    SetFile& file = set.files[m];
    if (const auto& hook = CurrentSearchTuning().beforeRead) hook(FullPath(*file.entry));
    if (file.slot == 0) {
        const ReadOutcome opened = OpenChecked(set, m);
        if (opened != ReadOutcome::Read) return opened;
    } else {
        Unlink(set, m);
        LinkFront(set, m);
    }
    SlotFile at{file.slot, file.offset};
    const int64_t got = ReadStretch(at, stretch, set.size, block);
    file.offset = at.offset;
    if (got < 0) return Failed(set, m);
    file.read += got;
    ++file.reads;
    set.search->stats.bytesRead += got;
    return got == stretch.to - stretch.from ? ReadOutcome::Read : Changed(set, m);
}

// A file that is no longer as its first open found it (written to, replaced, removed) may have been read
// partly in one state and partly in another: it takes no part, and a group needs two files that stayed as
// they were. Names of one file that were not told apart when opened are told apart here: the earliest
// name stays, the later ones take no part.
void FinishGroup(SizeSet& set, const std::vector<int32_t>& equal) {
    std::vector<int32_t> members;
    std::unordered_set<FileIdentity, IdentityHash> identities;
    for (int32_t m : equal) {
        if (!Unchanged(set, m))
            DropFile(set, m, set.files[m].read);
        else if (set.size <= IDENTITY_AT_OPEN && !identities.insert(set.files[m].first.identity).second)
            DropFile(set, m, 0);
        else
            members.push_back(m);
    }
    if (members.size() < 2) {
        for (int32_t m : members)
            DropFile(set, m, 0);
        return;
    }
    Group group{set.files[members[0]].position, {}};
    group.members.reserve(members.size());
    for (int32_t m : members) {
        Close(set, m);
        group.members.push_back({set.files[m].entry, set.files[m].first});
        set.search->stats.floorBytes += set.size;
    }
    set.search->groups.push_back(std::move(group));
}

void DropFile(SizeSet& set, int32_t m, int64_t floor) {
    Close(set, m);
    SetFile& file = set.files[m];
    CountDone(set.search->progress, set.size - file.counted);
    file.counted = set.size;
    set.search->stats.floorBytes += floor;
}

// Read in several stretches, a file may have been read partly in one state and partly in another and
// only seem unique: such a file is checked as a group member is.
void DropUnique(SizeSet& set, int32_t m, int64_t floor) {
    if (set.files[m].reads > 1) Unchanged(set, m);
    DropFile(set, m, floor);
}
