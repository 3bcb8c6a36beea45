// The plain pairwise search and what the search tests share (see reference_search.h).
#include "reference_search.h"

#include "core/compare.h"
#include "core/lists.h"
#include "platform/file_services.h"

#include <algorithm>
#include <set>

namespace {

// Whether the file open in Slot is exactly Size bytes long.
bool HasSize(int32_t slot, int64_t size) {
    unsigned char probe[2];
    SelectFile(slot);
    bool fits =
        size == 0 ? SeekFile(0) && ReadBlock(probe, 1) == 0 : SeekFile(size - 1) && ReadBlock(probe, 2) == 1;
    return SeekFile(0) && fits;
}

bool SameIdentity(int32_t slotA, int32_t slotB) {
    FileStamp a, b;
    SelectFile(slotA);
    if (!OpenedFileStamp(&a)) return false;
    SelectFile(slotB);
    if (!OpenedFileStamp(&b)) return false;
    return a.identity == b.identity;
}

// An entry is left out when an earlier entry of its size is the same file.
std::set<const FileEntry*> LaterEntriesOfOneFile() {
    std::set<const FileEntry*> later;
    for (ListLink* e = Catalogue.head; e; e = e->next) {
        const FileEntry& entry = *static_cast<const FileEntry*>(e);
        for (ListLink* d = Catalogue.head; d != e; d = d->next) {
            const FileEntry& earlier = *static_cast<const FileEntry*>(d);
            if (earlier.Size != entry.Size || entry.Size <= 0) continue;
            bool same = FullPath(earlier) == FullPath(entry);
            if (!same && OpenForReading(1, FullPath(earlier))) {
                if (OpenForReading(2, FullPath(entry))) {
                    same = SameIdentity(1, 2);
                    CloseFileSlot(2);
                }
                CloseFileSlot(1);
            }
            if (same) {
                later.insert(&entry);
                break;
            }
        }
    }
    return later;
}

GroupMember* AddMember(const FileEntry& entry) {
    GroupMember* member = ListAdd(MemberList);
    member->Folder = entry.Folder;
    member->Name = entry.Name;
    return member;
}

int32_t ComparePair(const std::string& pathA, const std::string& pathB, int64_t size,
                    const ProgressSink& progress) {
    if (pathA == pathB || SameIdentity(1, 2)) return 0;
    // A file of another length counts as a difference.
    if (!HasSize(1, size) || !HasSize(2, size)) {
        if (size >= LARGE_FILE_THRESHOLD) ShowProgress(progress, METER_FILE, 100);
        return 0;
    }
    int32_t result = 1;
    if (size >= LARGE_FILE_THRESHOLD) {
        for (int64_t p = 1; p <= size; p += 4) {
            SelectFile(1);
            int32_t a = ReadInt32();
            SelectFile(2);
            int32_t b = ReadInt32();
            if (a != b) {
                result = 0;
                p = size + 1;
            }
            ShowProgress(progress, METER_FILE, static_cast<int32_t>(p * 100 / size));
        }
    } else {
        for (int64_t p = 1; p <= size; ++p) {
            SelectFile(1);
            int32_t a = ReadInt8();
            SelectFile(2);
            int32_t b = ReadInt8();
            if (a != b) return 0;
        }
    }
    return result;
}

} // namespace

int32_t ReferenceCompareFiles(const std::string& pathA, const std::string& pathB, int64_t size,
                              const ProgressSink& progress) {
    int32_t result = 0;
    if (OpenForReading(1, pathA)) {
        if (OpenForReading(2, pathB)) {
            result = ComparePair(pathA, pathB, size, progress);
            CloseFileSlot(2);
        }
        CloseFileSlot(1);
    }
    return result;
}

void ReferenceFindDuplicates(const ProgressSink& progress) {
    const std::set<const FileEntry*> leftOut = LaterEntriesOfOneFile();
    ListReset(Catalogue);
    ListClear(GroupList);
    ListClear(MemberList);
    int64_t done = 0;
    const int64_t total = ListCount(Catalogue);
    while (ListNext(Catalogue)) {
        FileEntry* r = Catalogue.Current();
        r->Grouped = false;
        bool newGroup = true;
        DuplicateGroup* group = nullptr;
        ShowProgress(progress, METER_FILE, 0);
        while (ListNext(Catalogue)) {
            FileEntry* e = Catalogue.Current();
            if (e->Size != r->Size || e->Size <= 0 || e->Grouped) continue;
            if (leftOut.count(r) || leftOut.count(e)) continue;
            if (ReferenceCompareFiles(FullPath(*e), FullPath(*r), e->Size, progress) != 1) continue;
            if (newGroup) {
                group = ListAdd(GroupList);
                group->FirstMember = AddMember(*r);
                group->Count = 1;
                newGroup = false;
            }
            ++group->Count;
            AddMember(*e);
            e->Grouped = true;
        }
        ++done;
        ShowProgress(progress, METER_OVERALL, static_cast<int32_t>(done * 100 / total));
        ListSetCurrent(Catalogue, r);
    }
    ShowProgress(progress, METER_OVERALL, 0);
}

ProgressSink MeterSink(Meters& meters) {
    return {&meters, [](void* context, int32_t meter, int32_t percent, bool) {
                Meters& shown = *static_cast<Meters*>(context);
                shown.value[meter] = percent;
                ++shown.calls[meter];
            }};
}

std::string SearchOutcome(const std::string& root, const Meters& meters) {
    std::string text;
    ListLink* member = MemberList.head;
    for (ListLink* g = GroupList.head; g; g = g->next) {
        const auto* group = static_cast<DuplicateGroup*>(g);
        text += group->FirstMember == member ? "[" : "[<run out of place> ";
        for (int32_t i = 0; i < group->Count && member; ++i, member = member->next) {
            std::string path = FullPath(*static_cast<GroupMember*>(member));
            if (path.starts_with(root + PATH_SEPARATOR)) path.erase(0, root.size() + 1);
            std::replace(path.begin(), path.end(), PATH_SEPARATOR, '/');
            text += (i ? " " : "") + path;
        }
        text += "] ";
    }
    if (member) text += "<members without a group> ";
    text += "flags ";
    for (ListLink* e = Catalogue.head; e; e = e->next)
        text += static_cast<FileEntry*>(e)->Grouped ? '1' : '0';
    text += " bars " + std::to_string(meters.value[METER_OVERALL]);
    return text + " " + std::to_string(meters.value[METER_FILE]);
}
