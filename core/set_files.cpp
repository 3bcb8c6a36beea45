// The files of one size set: held open through the searching thread's own file slots (the least recently
// used file is closed when a slot is needed), read stretch by stretch on the searching thread, checked
// against what their first open found, grouped or dropped.
#include "core/set_files.h"

#include "core/large_reads.h"
#include "core/readers.h"
#include "core/search_tuning.h"
#include "core/set_reads.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <thread>

namespace {

// Files larger than this are told apart from other names of them when first opened; reading them costs
// more than keeping their identity.
constexpr int64_t IDENTITY_AT_OPEN = 64 * 1024;

} // namespace

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
    if (file.pending >= 0) AwaitPendingRead(set, m);
    CloseFileSlot(file.slot);
    set.worker->freeSlots.push_back(file.slot);
    file.slot = 0;
    Unlink(set, m);
    --set.openCount;
}

// A free slot for file M, closing the least recently used file when there is none.
int32_t TakeSlot(SizeSet& set) {
    std::vector<int32_t>& freeSlots = set.worker->freeSlots;
    if (freeSlots.empty()) Close(set, set.leastRecent);
    const int32_t slot = freeSlots.back();
    freeSlots.pop_back();
    return slot;
}

void GiveSlot(SizeSet& set, int32_t m, int32_t slot) {
    set.files[m].slot = slot;
    LinkFront(set, m);
    ++set.openCount;
}

const std::string& ThreadPath(const FileEntry& entry) {
    thread_local std::string path;
    FullPathInto(entry, path);
    return path;
}

namespace {

// Opens file M on this thread. The system may have run out of handles for this process: then room is made
// by closing files of this set, and while other threads hold the handles, it waits a little for them to
// let go, as they do when their sets end.
bool Open(SizeSet& set, int32_t m, FileStamp* stamp) {
    const int32_t slot = TakeSlot(set);
    const FileEntry& entry = *set.files[m].entry;
    bool opened = OpenInSlot(slot, ThreadPath(entry), stamp) != 0;
    for (int32_t waits = 0; !opened && LastFailure() == FAILURE_NO_HANDLES; ++waits) {
        if (set.openCount > 0) {
            for (int32_t n = (set.openCount + 1) / 2; n > 0; --n)
                Close(set, set.leastRecent);
        } else if (MostReaders() > 0 && waits < 500) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        } else {
            break;
        }
        // The path again: closing may have run a reader's job here, which used the buffer.
        opened = OpenInSlot(slot, ThreadPath(entry), stamp) != 0;
    }
    if (!opened) {
        set.worker->freeSlots.push_back(slot);
        return false;
    }
    GiveSlot(set, m, slot);
    return true;
}

ReadOutcome Changed(SizeSet& set, int32_t m) {
    set.omissions.push_back({FullPath(*set.files[m].entry), REASON_CHANGED});
    return ReadOutcome::Failed;
}

// What a file's open found. A file opened again must be the file its first open found, or it would be
// compared partly as one version and partly as another.
ReadOutcome CheckOpened(SizeSet& set, int32_t m, const FileStamp& stamp) {
    SetFile& file = set.files[m];
    if (file.stamped) return stamp == file.first ? ReadOutcome::Read : Changed(set, m);
    file.stamped = true;
    file.first = stamp;
    if (stamp.size != set.size) return Changed(set, m);
    // Files are first opened in catalogue order, so a file met before is an earlier entry of the same
    // file: this later name takes no part. Small files are told apart only when they have turned out
    // equal, which spares keeping the identity of every file.
    if (set.size > IDENTITY_AT_OPEN && !set.identities.insert(stamp).second) return ReadOutcome::SameFile;
    return ReadOutcome::Read;
}

ReadOutcome Failed(SizeSet& set, int32_t m, int32_t failure, const std::string& text) {
    set.omissions.push_back({FullPath(*set.files[m].entry), FailureReason(failure, text)});
    return ReadOutcome::Failed;
}

} // namespace

void KeepFailure(OpenRead& read) {
    read.failure = LastFailure();
    read.failureText = LastFailureText();
}

void PerformRead(OpenRead& read, int32_t slot, const FileEntry& entry, Stretch stretch, int64_t wanted,
                 unsigned char* block) {
    Timed timed{std::chrono::steady_clock::now(), wanted, entry.Size < LARGE_READ_FILE};
    if (read.open) {
        read.opened = OpenInSlot(slot, ThreadPath(entry), &read.stamp) != 0;
        if (!read.opened) return KeepFailure(read);
    }
    LargeReadTurn turn(entry.Size >= LARGE_READ_FILE, wanted);
    timed.started += turn.Waited();
    read.got = ReadInSlot(slot, block, wanted, stretch.from);
    if (read.got < 0) KeepFailure(read);
}

ReadOutcome JudgeOpen(SizeSet& set, int32_t m, const OpenRead& read) {
    if (!read.opened) return Failed(set, m, read.failure, read.failureText);
    return CheckOpened(set, m, read.stamp);
}

// A read of fewer bytes than the stretch holds, or of one more at the end, means the file changed size.
ReadOutcome Judge(SizeSet& set, int32_t m, const OpenRead& read, Stretch stretch) {
    if (read.open) {
        const ReadOutcome opened = JudgeOpen(set, m, read);
        if (opened != ReadOutcome::Read) return opened;
    }
    if (read.got < 0) return Failed(set, m, read.failure, read.failureText);
    SetFile& file = set.files[m];
    file.read += read.got;
    ++file.reads;
    set.stats.bytesRead += read.got;
    return read.got == stretch.to - stretch.from ? ReadOutcome::Read : Changed(set, m);
}

// The read length of a stretch: one byte more at the end, so that a file that has grown shows it.
int64_t Wanted(const SizeSet& set, Stretch stretch) {
    return stretch.to - stretch.from + (stretch.to == set.size ? 1 : 0);
}

// Reads Stretch of file M on this thread. A file opened here is judged before it is read: one that takes
// no part is not read.
ReadOutcome ReadOne(SizeSet& set, int32_t m, Stretch stretch, unsigned char* block) {
    SetFile& file = set.files[m];
    if (const auto& hook = CurrentSearchTuning().beforeRead) hook(FullPath(*file.entry));
    Timed timed{std::chrono::steady_clock::now(), Wanted(set, stretch), set.size < LARGE_READ_FILE};
    OpenRead read;
    if (file.slot == 0) {
        read.open = true;
        read.opened = Open(set, m, &read.stamp);
        if (!read.opened) KeepFailure(read);
        const ReadOutcome opened = JudgeOpen(set, m, read);
        if (opened != ReadOutcome::Read) return opened;
        read.open = false;
    } else {
        Unlink(set, m);
        LinkFront(set, m);
    }
    {
        LargeReadTurn turn(set.size >= LARGE_READ_FILE, Wanted(set, stretch));
        timed.started += turn.Waited();
        read.got = ReadInSlot(file.slot, block, Wanted(set, stretch), stretch.from);
    }
    if (read.got < 0) KeepFailure(read);
    return Judge(set, m, read, stretch);
}

namespace {

// The file as the system sees it now is the file its first open found; a file that is not is noted.
bool Unchanged(SizeSet& set, int32_t m) {
    SetFile& file = set.files[m];
    FileStamp now;
    if (file.slot != 0) {
        SelectFile(file.slot);
        if (CurrentFileStamp(&now) && now == file.first) return true;
    } else {
        if (!Open(set, m, &now)) {
            Failed(set, m, LastFailure(), LastFailureText());
            return false;
        }
        if (now == file.first) return true;
    }
    Changed(set, m);
    return false;
}

} // namespace

void ArenaRelease::operator()(unsigned char* memory) const {
    if (fromSystem)
        GiveBackReadRoom(memory, size);
    else
        delete[] memory;
}

unsigned char* ArenaOf(SizeSet& set, size_t bytes) {
    Arena& arena = set.worker->arena;
    // The room of large files is taken once, for the set's whole share, and kept for the large sets that
    // follow (sets come in the order of their size): room given back and taken again as the steps grew
    // cost a tenth of a warm search of large files, and the allocator kept what was freed.
    const bool fromSystem = set.size >= LARGE_READ_FILE;
    if (fromSystem && !arena.memory.get_deleter().fromSystem)
        bytes = std::max(bytes, size_t(set.budget) + 4096);
    if (bytes > arena.size) {
        arena.memory.reset();
        unsigned char* memory =
            fromSystem ? static_cast<unsigned char*>(TakeReadRoom(bytes)) : new unsigned char[bytes];
        if (!memory) throw std::bad_alloc();
        arena.memory =
            std::unique_ptr<unsigned char[], ArenaRelease>(memory, ArenaRelease{bytes, fromSystem});
        arena.size = bytes;
    }
    return arena.memory.get();
}

// A file that is no longer as its first open found it (written to, replaced, removed) may have been read
// partly in one state and partly in another: it takes no part, and a group needs two files that stayed as
// they were. Names of one file that were not told apart when opened are told apart here: the earliest
// name stays, the later ones take no part.
void FinishGroup(SizeSet& set, const std::vector<int32_t>& equal) {
    std::vector<int32_t> members;
    members.reserve(equal.size());
    // Whether a member kept already is this file under another name. Most groups are a few files: a look
    // through the members kept costs less than a hash set there.
    std::unordered_set<FileStamp, SameFileHash, SameFileEqual> identities;
    auto sameFileKept = [&](int32_t m) {
        if (set.size > IDENTITY_AT_OPEN) return false; // told apart when first opened
        const FileStamp& stamp = set.files[m].first;
        if (equal.size() > 16) return !identities.insert(stamp).second;
        return std::any_of(members.begin(), members.end(),
                           [&](int32_t kept) { return SameFileOnDisk(set.files[kept].first, stamp); });
    };
    for (int32_t m : equal) {
        if (!Unchanged(set, m))
            DropFile(set, m, set.files[m].read);
        else if (sameFileKept(m))
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
        set.stats.floorBytes += set.size;
    }
    set.groups.push_back(std::move(group));
}

void DropFile(SizeSet& set, int32_t m, int64_t floor) {
    Close(set, m);
    SetFile& file = set.files[m];
    CountDone(*set.progress, set.setProgress, set.size - file.counted);
    file.counted = set.size;
    set.stats.floorBytes += floor;
}

// Read in several stretches, a file may have been read partly in one state and partly in another and
// only seem unique: such a file is checked as a group member is.
void DropUnique(SizeSet& set, int32_t m, int64_t floor) {
    if (set.files[m].reads > 1) Unchanged(set, m);
    DropFile(set, m, floor);
}
