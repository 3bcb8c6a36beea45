#include "reference_search.h"

#include "core/compare.h"
#include "core/lists.h"
#include "platform/file_services.h"
#include "platform/window_services.h"
#include "ui/controls.h"

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
    FileIdentity a, b;
    SelectFile(slotA);
    if (!CurrentFileIdentity(&a)) return false;
    SelectFile(slotB);
    if (!CurrentFileIdentity(&b)) return false;
    return a == b;
}

bool SamePath(const FileEntry& a, const FileEntry& b) {
    return EntryFolder(a) == EntryFolder(b) && a.Name == b.Name;
}

// An entry is left out when an earlier entry of its size is the same file.
std::set<const FileEntry*> LaterEntriesOfOneFile() {
    std::set<const FileEntry*> later;
    for (ListLink* e = Catalogue.head; e; e = e->next) {
        const FileEntry& entry = *static_cast<const FileEntry*>(e);
        for (ListLink* d = Catalogue.head; d != e; d = d->next) {
            const FileEntry& earlier = *static_cast<const FileEntry*>(d);
            if (earlier.Size != entry.Size || entry.Size <= 0) continue;
            bool same = SamePath(earlier, entry);
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

} // namespace

int32_t ReferenceCompareFiles(const std::string& pathA, const std::string& pathB, int64_t size) {
    int32_t result = 0;
    if (!OpenForReading(1, pathA)) return 0;
    if (!OpenForReading(2, pathB)) {
        CloseFileSlot(1);
        return 0;
    }
    if (pathA == pathB || SameIdentity(1, 2)) {
        CloseFileSlot(2);
        CloseFileSlot(1);
        return 0;
    }
    // A file of another length counts as a difference.
    if (!HasSize(1, size) || !HasSize(2, size)) {
        if (size >= LARGE_FILE_THRESHOLD) SetControlValue(BarFile, 100);
        CloseFileSlot(2);
        CloseFileSlot(1);
        return 0;
    }
    result = 1;
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
            SetControlValue(BarFile, static_cast<int32_t>(p * 100 / size));
        }
    } else {
        for (int64_t p = 1; p <= size; ++p) {
            SelectFile(1);
            int32_t a = ReadInt8();
            SelectFile(2);
            int32_t b = ReadInt8();
            if (a != b) {
                result = 0;
                break;
            }
        }
    }
    CloseFileSlot(2);
    CloseFileSlot(1);
    return result;
}

void ReferenceFindDuplicates() {
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
        SetControlValue(BarFile, 0);
        while (ListNext(Catalogue)) {
            FileEntry* e = Catalogue.Current();
            if (e->Size != r->Size || e->Size <= 0 || e->Grouped) continue;
            if (leftOut.count(r) || leftOut.count(e)) continue;
            if (ReferenceCompareFiles(FullPath(*e), FullPath(*r), e->Size) != 1) continue;
            if (newGroup) {
                group = ListAdd(GroupList);
                group->Count = 1;
                GroupMember* first = ListAdd(MemberList);
                first->Folder = EntryFolder(*r);
                first->Name = r->Name;
                group->FirstMember = first;
                newGroup = false;
            }
            ++group->Count;
            GroupMember* member = ListAdd(MemberList);
            member->Folder = EntryFolder(*e);
            member->Name = e->Name;
            e->Grouped = true;
        }
        ++done;
        SetControlValue(BarOverall, static_cast<int32_t>(done * 100 / total));
        ListSetCurrent(Catalogue, r);
    }
    SetControlValue(BarOverall, 0);
}
