// The duplicate search. Entries are indexed by size; the files of one size are read in lock step, block
// by block in the order of ReadPlan, and the set is split wherever the blocks differ. Each file is read
// once (very large sets read a stretch twice, see SplitByHash) and dropped as soon as no other file can
// equal it. Files are grouped only after every byte was compared directly with memcmp.
#include "core/search.h"

#include "core/compare.h"
#include "core/lists.h"
#include "core/omissions.h"
#include "core/search_support.h"
#include "platform/file_services.h"
#include "ui/controls.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <memory>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace {

SearchStats stats;

// One file of the set being searched.
struct File {
    FileEntry* entry = nullptr;
    int64_t offset = 0;    // file position while open
    int64_t read = 0;      // bytes read from it
    int64_t counted = 0;   // bytes counted as done on the bars
    uint32_t position = 0; // place in the catalogue
    int32_t slot = 0;      // file slot while open, 0 while closed
    int32_t older = -1;    // neighbours in the list of open files, most recently used first
    int32_t newer = -1;
    int32_t reads = 0;    // stretches read from it
    bool stamped = false; // it has been opened, and First holds what that open found
    FileStamp first;
};

// Files whose blocks have been equal so far, in catalogue order, and where they stand.
struct Candidates {
    std::vector<int32_t> members;
    ReadPlan plan;
    int32_t steps = 0; // stretches read so far
};

// A member as the search saw it: the deletion later checks that the file is still that file.
struct Seen {
    FileEntry* entry;
    FileStamp stamp;
};

struct Group {
    int64_t position; // of the reference file
    std::vector<Seen> members;
};

struct Progress {
    BarPainter overall{BarOverall};
    BarPainter file{BarFile};
    int64_t total = 0;
    int64_t done = 0;
    int64_t setTotal = 0;
    int64_t setDone = 0;
    bool fileBar = false;

    // BarFile follows sets of large files only, as the comparison of a pair of small files never moves it.
    void StartSet(int64_t bytes, bool large) {
        setTotal = bytes;
        setDone = 0;
        fileBar = large;
        if (large) file.Show(0);
    }
    void Count(int64_t bytes) {
        done += bytes;
        setDone += bytes;
        if (total > 0) overall.Show(static_cast<int32_t>(done * 100 / total));
        if (fileBar && setTotal > 0) file.Show(static_cast<int32_t>(setDone * 100 / setTotal));
    }
};

// Room for the blocks of one step, kept for the whole search and never cleared: every byte used is
// read into it first.
class Arena {
  public:
    unsigned char* Get(size_t bytes) {
        if (bytes > size_) {
            memory_ = std::make_unique_for_overwrite<unsigned char[]>(bytes);
            size_ = bytes;
        }
        return memory_.get();
    }

  private:
    std::unique_ptr<unsigned char[]> memory_;
    size_t size_ = 0;
};

struct IdentityHash {
    size_t operator()(const FileIdentity& identity) const {
        return std::hash<uint64_t>()(identity.device * 0x9E3779B97F4A7C15ull ^ identity.index);
    }
};

struct PathKey {
    const std::string* folder;
    const std::string* name;
    bool operator==(const PathKey& other) const { return *folder == *other.folder && *name == *other.name; }
};

struct PathHash {
    size_t operator()(const PathKey& key) const {
        return std::hash<std::string_view>()(*key.folder) * 31 + std::hash<std::string_view>()(*key.name);
    }
};

bool SamePath(const FileEntry& a, const FileEntry& b) {
    return a.Name == b.Name && (a.Folder.SameAs(b.Folder) || EntryFolder(a) == EntryFolder(b));
}

// A fast 64-bit hash of a block. It only tells blocks apart: equal hashes prove nothing and are always
// followed by a comparison of the bytes.
uint64_t BlockHash(const unsigned char* data, size_t length) {
    uint64_t hash = 0x243F6A8885A308D3ull ^ length;
    size_t at = 0;
    for (; at + 8 <= length; at += 8) {
        uint64_t word;
        std::memcpy(&word, data + at, 8);
        hash = (hash ^ word) * 0x9E3779B97F4A7C15ull;
        hash ^= hash >> 29;
    }
    for (; at < length; ++at)
        hash = (hash ^ data[at]) * 0x100000001B3ull;
    return hash ^ (hash >> 32);
}

int64_t CommonPrefix(const unsigned char* a, const unsigned char* b, int64_t length) {
    // Whole chunks by memcmp first: blocks of one size set often share long prefixes.
    constexpr int64_t chunk = 256;
    int64_t common = 0;
    while (common + chunk <= length && std::memcmp(a + common, b + common, chunk) == 0)
        common += chunk;
    while (common < length && a[common] == b[common])
        ++common;
    return common;
}

// Sorts blocks by content as memcmp orders them, equal blocks in their given order, and gives for each
// place in the order the length of the prefix its block shares with the one before. Blocks of one size
// set often differ only near their ends, where a sort by memcmp would compare whole blocks again and
// again: here each range is split against its first block by where and how the others first differ
// from it, and only blocks that differ at the same byte in the same way are looked at again, from there.
void SortBlocks(const std::vector<const unsigned char*>& blocks, size_t length, std::vector<size_t>& order,
                std::vector<int64_t>& shared) {
    struct Range {
        size_t begin, end;
        size_t start; // the blocks of the range agree on [0, start)
        int depth;
    };
    struct Key {
        int side; // 0 before the first block, 1 equal to it, 2 after it
        size_t at;
        unsigned char byte;
        size_t block;
    };
    const size_t count = blocks.size();
    order.resize(count);
    shared.assign(count, 0);
    for (size_t i = 0; i < count; ++i)
        order[i] = i;
    std::vector<Range> ranges{{0, count, 0, 0}};
    std::vector<Key> keys;
    while (!ranges.empty()) {
        const Range range = ranges.back();
        ranges.pop_back();
        if (range.end - range.begin < 2) continue;
        const size_t rest = length - range.start;
        auto first = order.begin() + static_cast<std::ptrdiff_t>(range.begin);
        auto last = order.begin() + static_cast<std::ptrdiff_t>(range.end);
        // Blocks that keep splitting one at a time are sorted the plain way.
        if (range.depth >= 32) {
            std::stable_sort(first, last, [&](size_t x, size_t y) {
                return std::memcmp(blocks[x] + range.start, blocks[y] + range.start, rest) < 0;
            });
            for (size_t k = range.begin + 1; k < range.end; ++k)
                shared[k] =
                    int64_t(range.start) + CommonPrefix(blocks[order[k - 1]] + range.start,
                                                        blocks[order[k]] + range.start, int64_t(rest));
            continue;
        }
        const unsigned char* reference = blocks[order[range.begin]];
        keys.clear();
        for (auto it = first; it != last; ++it) {
            const unsigned char* block = blocks[*it];
            const size_t at = range.start + size_t(CommonPrefix(block + range.start, reference + range.start,
                                                                int64_t(rest)));
            if (at == length)
                keys.push_back({1, at, 0, *it});
            else
                keys.push_back({block[at] < reference[at] ? 0 : 2, at, block[at], *it});
        }
        // Below the reference, a block that leaves it earlier comes first; above it, later.
        std::stable_sort(keys.begin(), keys.end(), [](const Key& x, const Key& y) {
            if (x.side != y.side) return x.side < y.side;
            if (x.at != y.at) return x.side == 0 ? x.at < y.at : x.at > y.at;
            return x.byte < y.byte;
        });
        size_t k = range.begin;
        for (size_t g = 0; g < keys.size();) {
            size_t h = g + 1;
            while (h < keys.size() && keys[h].side == keys[g].side && keys[h].at == keys[g].at &&
                   keys[h].byte == keys[g].byte)
                ++h;
            if (g > 0) shared[k] = int64_t(std::min(keys[g - 1].at, keys[g].at));
            for (size_t i = g; i < h; ++i, ++k) {
                order[k] = keys[i].block;
                if (i > g) shared[k] = int64_t(keys[g].at == length ? length : keys[g].at + 1);
            }
            if (keys[g].side != 1 && h - g >= 2)
                ranges.push_back({k - (h - g), k, keys[g].at + 1, range.depth + 1});
            g = h;
        }
    }
}

// Files larger than this are told apart from other names of them when first opened; reading them
// costs more than keeping their identity.
constexpr int64_t kIdentityAtOpen = 64 * 1024;

// The search over the files of one size.
class SizeSet {
  public:
    SizeSet(int64_t size, std::vector<File> files, Progress& progress, std::vector<Group>& groups,
            std::vector<int32_t>& freeSlots, Arena& arena)
        : size_(size), files_(std::move(files)), progress_(progress), groups_(groups), freeSlots_(freeSlots),
          arena_(arena) {}

    void Run() {
        progress_.StartSet(size_ * static_cast<int64_t>(files_.size()), size_ >= LARGE_FILE_THRESHOLD);
        Candidates all{{}, ReadPlan(size_), 0};
        all.members = DistinctPaths();
        std::vector<Candidates> work;
        work.push_back(std::move(all));
        while (!work.empty()) {
            Candidates next = std::move(work.back());
            work.pop_back();
            Split(std::move(next), work);
        }
    }

  private:
    enum class Outcome { Read, Failed, SameFile };

    // An entry whose path an earlier entry of this size already has is that file again: it joins
    // no group and starts none.
    std::vector<int32_t> DistinctPaths() {
        std::vector<int32_t> members;
        const int32_t count = static_cast<int32_t>(files_.size());
        if (count == 2) {
            members.push_back(0);
            if (SamePath(*files_[0].entry, *files_[1].entry))
                Drop(1, 0);
            else
                members.push_back(1);
            return members;
        }
        std::unordered_set<PathKey, PathHash> paths;
        for (int32_t i = 0; i < count; ++i) {
            const FileEntry& entry = *files_[i].entry;
            if (paths.insert(PathKey{&EntryFolder(entry), &entry.Name}).second)
                members.push_back(i);
            else
                Drop(i, 0);
        }
        return members;
    }

    // Reads the next stretch of every candidate and splits them by its content. Runs of at least two
    // go back to Work; a file left alone is dropped.
    void Split(Candidates candidates, std::vector<Candidates>& work) {
        const SearchTuning& tuning = CurrentSearchTuning();
        std::vector<int32_t>& members = candidates.members;
        std::vector<int32_t> kept;
        std::vector<const unsigned char*> blocks;
        while (true) {
            if (members.size() < 2) {
                for (int32_t m : members)
                    DropUnique(m, files_[m].read);
                return;
            }
            if (candidates.plan.Done()) {
                Finish(members);
                return;
            }
            int64_t wanted = INT64_MAX;
            if (candidates.steps < 2 && size_ > tuning.wholeFileLimit &&
                int64_t(members.size()) >= tuning.probeMembers)
                wanted = std::max<int64_t>(tuning.probeBlock, 1);
            const int64_t cap = std::max<int64_t>(tuning.memoryBudget / int64_t(members.size()), 1);
            ReadPlan ahead = candidates.plan;
            const Stretch natural = ahead.Next(wanted);
            if (natural.to - natural.from > cap && cap < tuning.minimumBlock) {
                SplitByHash(std::move(candidates), natural, ahead, work);
                return;
            }
            ++candidates.steps;
            const Stretch stretch = candidates.plan.Next(std::min(wanted, cap));
            const int64_t length = stretch.to - stretch.from;
            const size_t stride = static_cast<size_t>(length) + 1;
            unsigned char* arena = arena_.Get(stride * members.size());
            kept.clear();
            blocks.clear();
            for (int32_t m : members) {
                unsigned char* block = arena + stride * kept.size();
                Outcome outcome = ReadStretch(m, stretch, block);
                if (outcome == Outcome::Read) {
                    kept.push_back(m);
                    blocks.push_back(block);
                    files_[m].counted += length;
                    progress_.Count(length);
                } else {
                    Drop(m, outcome == Outcome::SameFile ? 0 : files_[m].read);
                }
            }
            const size_t bytes = static_cast<size_t>(length);
            SortBlocks(blocks, bytes, order_, shared_);
            if (kept.size() < 2 ||
                std::all_of(shared_.begin() + 1, shared_.end(), [&](int64_t s) { return s == length; })) {
                members.swap(kept);
                continue;
            }
            const std::vector<size_t>& order = order_;
            size_t begin = 0;
            while (begin < order.size()) {
                size_t end = begin + 1;
                while (end < order.size() && shared_[end] == length)
                    ++end;
                if (end - begin == 1) {
                    int64_t common = begin > 0 ? shared_[begin] : 0;
                    if (end < order.size()) common = std::max(common, shared_[end]);
                    const int32_t m = kept[order[begin]];
                    DropUnique(m, files_[m].read - length + std::min(length, common + 1));
                } else {
                    Candidates run{{}, candidates.plan, candidates.steps};
                    for (size_t i = begin; i < end; ++i)
                        run.members.push_back(kept[order[i]]);
                    work.push_back(std::move(run));
                }
                begin = end;
            }
            return;
        }
    }

    // For sets too large to hold a block of each: the next stretch of every file is read one file at a
    // time and hashed; a file whose hash no other file has is dropped. Files that share a hash are
    // compared with the first of them, read again; those equal to it go on past the stretch, the others
    // are compared among themselves the same way. Holds two stretches and a hash per file.
    void SplitByHash(Candidates candidates, Stretch stretch, const ReadPlan& after,
                     std::vector<Candidates>& work) {
        const SearchTuning& tuning = CurrentSearchTuning();
        const int64_t length = stretch.to - stretch.from;
        const size_t stride = static_cast<size_t>(length) + 1;
        unsigned char* reference = arena_.Get(2 * stride);
        unsigned char* other = reference + stride;
        std::vector<std::pair<uint64_t, int32_t>> hashes;
        hashes.reserve(candidates.members.size());
        for (int32_t m : candidates.members) {
            const int64_t before = files_[m].read;
            const Outcome outcome = ReadStretch(m, stretch, reference);
            // Only the second reading counts as read for the floor: the first only sorts.
            files_[m].read = before;
            if (outcome != Outcome::Read) {
                Drop(m, outcome == Outcome::SameFile ? 0 : before);
                continue;
            }
            files_[m].counted += length;
            progress_.Count(length);
            hashes.emplace_back(BlockHash(reference, static_cast<size_t>(length)) & tuning.hashMask, m);
        }
        std::sort(hashes.begin(), hashes.end());
        std::vector<int32_t> rest, equal, differ;
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
                    DropUnique(first, files_[first].read + 1);
                    break;
                }
                if (ReadStretch(first, stretch, reference) != Outcome::Read) {
                    Drop(first, files_[first].read);
                    rest.erase(rest.begin());
                    continue;
                }
                equal.push_back(first);
                for (size_t i = 1; i < rest.size(); ++i) {
                    const int32_t m = rest[i];
                    const Outcome outcome = ReadStretch(m, stretch, other);
                    if (outcome == Outcome::Read &&
                        std::memcmp(reference, other, static_cast<size_t>(length)) == 0)
                        equal.push_back(m);
                    else if (outcome == Outcome::Read)
                        differ.push_back(m);
                    else
                        Drop(m, files_[m].read);
                }
                if (equal.size() < 2) {
                    files_[first].read -= length;
                    DropUnique(first, files_[first].read + 1);
                } else if (after.Done()) {
                    Finish(equal); // while they are still open
                } else {
                    work.push_back(Candidates{equal, after, candidates.steps + 1});
                }
                for (int32_t m : differ)
                    files_[m].read -= length; // read again when compared among themselves
                rest.swap(differ);
            }
        }
    }

    // Every byte of these files has been compared and found equal. A file that is no longer as its first
    // open found it (written to, replaced, removed) may have been read partly in one state and partly in
    // another: it takes no part, and a group needs two files that stayed as they were.
    void Finish(const std::vector<int32_t>& equal) {
        std::vector<int32_t> members;
        // Names of one file that were not told apart when opened are told apart now: the earliest name
        // stays, the later ones take no part.
        std::unordered_set<FileIdentity, IdentityHash> identities;
        for (int32_t m : equal) {
            if (!Unchanged(m))
                Drop(m, files_[m].read);
            else if (size_ <= kIdentityAtOpen && !identities.insert(files_[m].first.identity).second)
                Drop(m, 0);
            else
                members.push_back(m);
        }
        if (members.size() < 2) {
            for (int32_t m : members)
                Drop(m, 0);
            return;
        }
        Group group{files_[members[0]].position, {}};
        group.members.reserve(members.size());
        for (int32_t m : members) {
            Close(m);
            group.members.push_back({files_[m].entry, files_[m].first});
            stats.floorBytes += size_;
        }
        groups_.push_back(std::move(group));
    }

    // The file as the system sees it now is the file its first open found; a file that is not is noted.
    bool Unchanged(int32_t m) {
        File& file = files_[m];
        FileStamp now;
        if (file.slot != 0) {
            SelectFile(file.slot);
            if (CurrentFileStamp(&now) && now == file.first) return true;
        } else {
            if (!Open(m)) {
                NoteFailure(SearchOmissions, FullPath(*file.entry));
                return false;
            }
            if (OpenedFileStamp(&now) && now == file.first) return true;
        }
        SearchOmissions.push_back({FullPath(*file.entry), REASON_CHANGED});
        return false;
    }

    // No other file equals this one. Read in several stretches, it may have been read partly in one
    // state and partly in another and only seem unique: such a file is checked as a group member is.
    void DropUnique(int32_t m, int64_t floor) {
        if (files_[m].reads > 1) Unchanged(m);
        Drop(m, floor);
    }

    // The file takes no further part: its remaining bytes count as done. Floor is what an ideal
    // reader would have had to read of it.
    void Drop(int32_t m, int64_t floor) {
        Close(m);
        File& file = files_[m];
        progress_.Count(size_ - file.counted);
        file.counted = size_;
        stats.floorBytes += floor;
    }

    Outcome ReadStretch(int32_t m, Stretch stretch, unsigned char* block) {
        File& file = files_[m];
        if (beforeRead_) beforeRead_(FullPath(*file.entry));
        if (file.slot == 0) {
            if (!Open(m)) return Failed(m);
            // A file opened again must be the file its first open found, or it would be compared partly
            // as one version and partly as another.
            FileStamp stamp;
            if (!OpenedFileStamp(&stamp)) return Changed(m);
            if (file.stamped) {
                if (!(stamp == file.first)) return Changed(m);
            } else {
                file.stamped = true;
                file.first = stamp;
                if (stamp.size != size_) return Changed(m);
                // Files are first opened in catalogue order, so a file met before is an earlier entry of
                // the same file: this later name takes no part. Small files are told apart only when
                // they have turned out equal, which spares keeping the identity of every file.
                if (size_ > kIdentityAtOpen && !identities_.insert(stamp.identity).second)
                    return Outcome::SameFile;
            }
        } else {
            Unlink(m);
            LinkFront(m);
            SelectFile(file.slot);
        }
        if (file.offset != stretch.from) {
            if (!SeekFile(stretch.from)) return Failed(m);
            file.offset = stretch.from;
        }
        // At the end one byte more is asked for: a file that has grown since it was catalogued shows it.
        const int64_t length = stretch.to - stretch.from;
        const int64_t got = ReadBlock(block, length + (stretch.to == size_ ? 1 : 0));
        if (got < 0) return Failed(m);
        file.offset += got;
        file.read += got;
        ++file.reads;
        stats.bytesRead += got;
        return got == length ? Outcome::Read : Changed(m);
    }

    // The file could not be opened or read: the file services tell why.
    Outcome Failed(int32_t m) {
        NoteFailure(SearchOmissions, FullPath(*files_[m].entry));
        return Outcome::Failed;
    }

    Outcome Changed(int32_t m) {
        SearchOmissions.push_back({FullPath(*files_[m].entry), REASON_CHANGED});
        return Outcome::Failed;
    }

    bool Open(int32_t m) {
        if (freeSlots_.empty()) Close(leastRecent_);
        const int32_t slot = freeSlots_.back();
        freeSlots_.pop_back();
        const std::string path = FullPath(*files_[m].entry);
        bool opened = OpenForReading(slot, path) != 0;
        // The system may have run out of handles for this process: make room and try once more.
        if (!opened && openCount_ > 0) {
            for (int32_t n = (openCount_ + 1) / 2; n > 0; --n)
                Close(leastRecent_);
            opened = OpenForReading(slot, path) != 0;
        }
        if (!opened) {
            freeSlots_.push_back(slot);
            return false;
        }
        File& file = files_[m];
        file.slot = slot;
        file.offset = 0;
        LinkFront(m);
        ++openCount_;
        return true;
    }

    void Close(int32_t m) {
        File& file = files_[m];
        if (file.slot == 0) return;
        CloseFileSlot(file.slot);
        freeSlots_.push_back(file.slot);
        file.slot = 0;
        Unlink(m);
        --openCount_;
    }

    void LinkFront(int32_t m) {
        File& file = files_[m];
        file.newer = -1;
        file.older = mostRecent_;
        if (mostRecent_ >= 0) files_[mostRecent_].newer = m;
        mostRecent_ = m;
        if (leastRecent_ < 0) leastRecent_ = m;
    }

    void Unlink(int32_t m) {
        File& file = files_[m];
        if (file.newer >= 0)
            files_[file.newer].older = file.older;
        else
            mostRecent_ = file.older;
        if (file.older >= 0)
            files_[file.older].newer = file.newer;
        else
            leastRecent_ = file.newer;
        file.older = file.newer = -1;
    }

    const int64_t size_;
    std::vector<File> files_;
    std::vector<size_t> order_;
    std::vector<int64_t> shared_;
    Progress& progress_;
    std::vector<Group>& groups_;
    std::vector<int32_t>& freeSlots_;
    std::unordered_set<FileIdentity, IdentityHash> identities_;
    Arena& arena_;
    const std::function<void(const std::string&)>& beforeRead_ = CurrentSearchTuning().beforeRead;
    int32_t mostRecent_ = -1;
    int32_t leastRecent_ = -1;
    int32_t openCount_ = 0;
};

} // namespace

void FindDuplicates() {
    ListReset(Catalogue);
    ListClear(GroupList);
    ListClear(MemberList);
    SearchOmissions.clear();
    stats = SearchStats{};

    // Counted first so that the index is allocated once, at its exact size.
    int64_t position = 0;
    size_t nonEmpty = 0;
    for (ListLink* link = Catalogue.head; link; link = link->next, ++position) {
        FileEntry* entry = static_cast<FileEntry*>(link);
        entry->Grouped = false;
        if (entry->Size > 0) ++nonEmpty;
    }
    stats.filesCatalogued = position;
    // The catalogue by place, and the places of the files that are not empty, sorted by size.
    std::vector<FileEntry*> entries;
    entries.reserve(static_cast<size_t>(position));
    std::vector<uint32_t> order;
    order.reserve(nonEmpty);
    for (ListLink* link = Catalogue.head; link; link = link->next) {
        FileEntry* entry = static_cast<FileEntry*>(link);
        if (entry->Size > 0) order.push_back(static_cast<uint32_t>(entries.size()));
        entries.push_back(entry);
    }
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        const int64_t sizeA = entries[a]->Size, sizeB = entries[b]->Size;
        return sizeA != sizeB ? sizeA < sizeB : a < b;
    });
    // The run of one size that starts at begin.
    auto runEnd = [&](size_t begin) {
        size_t end = begin + 1;
        while (end < order.size() && entries[order[end]]->Size == entries[order[begin]]->Size)
            ++end;
        return end;
    };

    // Runs of one size with at least two entries are the candidates.
    for (size_t begin = 0, end; begin < order.size(); begin = end) {
        end = runEnd(begin);
        if (end - begin >= 2) {
            stats.candidateFiles += int64_t(end - begin);
            stats.candidateBytes += int64_t(end - begin) * entries[order[begin]]->Size;
        }
    }

    const SearchTuning& tuning = CurrentSearchTuning();
    std::vector<int32_t> freeSlots;
    for (int32_t i = std::max(tuning.openFiles, 1) - 1; i >= 0; --i)
        freeSlots.push_back(tuning.firstSlot + i);

    Progress progress;
    progress.total = stats.candidateBytes;
    std::vector<Group> groups;
    {
        Arena arena;
        for (size_t begin = 0, end; begin < order.size(); begin = end) {
            end = runEnd(begin);
            if (end - begin < 2) continue;
            std::vector<File> files(end - begin);
            for (size_t i = begin; i < end; ++i) {
                files[i - begin].entry = entries[order[i]];
                files[i - begin].position = order[i];
            }
            SizeSet(entries[order[begin]]->Size, std::move(files), progress, groups, freeSlots, arena).Run();
        }
    }
    // The index is done with before the result lists are built.
    std::vector<FileEntry*>().swap(entries);
    std::vector<uint32_t>().swap(order);

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

    // The walk over the catalogue would end with its cursor on the last entry.
    ListSetCurrent(Catalogue, static_cast<FileEntry*>(Catalogue.tail));
    progress.overall.Show(0);
    if (position > 0) progress.file.Show(0);
}

const SearchStats& LastSearchStats() {
    return stats;
}
