// Deleting a member's file after checking that it and, for the marked member, a copy of it are still
// what the search saw; and the list bookkeeping after a deletion.
#include "core/deletion.h"

#include "core/compare.h"
#include "platform/file_services.h"

namespace {

// The member's path, opened now in Slot (left open), names the very file the search saw, unchanged.
bool StillAsSeen(const GroupMember& member, int32_t slot) {
    FileStamp now;
    return OpenForReading(slot, FullPath(member)) && OpenedFileStamp(&now) && now == member.Seen;
}

// Both open files are still as the search saw them, now that they have been read.
bool BothStillAsSeen(const GroupMember& a, const GroupMember& b) {
    FileStamp nowA, nowB;
    SelectFile(1);
    const bool stillA = CurrentFileStamp(&nowA) && nowA == a.Seen;
    SelectFile(2);
    return stillA && CurrentFileStamp(&nowB) && nowB == b.Seen;
}

// Marked may go only while a copy stays: it is still the file the search saw, and another member is
// too, is another file, and holds the same bytes as Marked now. The bytes are compared again, as a
// rewrite within one tick of the file system's clock leaves the times as they were.
bool HasIntactCopy(const DuplicateGroup& group, const GroupMember& marked) {
    bool found = false;
    if (StillAsSeen(marked, 1)) {
        const ListLink* link = group.FirstMember;
        for (int32_t i = 0; i < group.Count && link && !found; ++i, link = link->next) {
            const GroupMember& other = *static_cast<const GroupMember*>(link);
            if (&other == &marked || other.Seen.identity == marked.Seen.identity) continue;
            if (StillAsSeen(other, 2)) {
                SelectFile(1);
                found = SeekFile(0) && SameContent(1, 2, marked.Seen.size) && BothStillAsSeen(marked, other);
            }
            CloseFileSlot(2);
        }
    }
    CloseFileSlot(1);
    return found;
}

} // namespace

DeletionResult DeleteMemberFile(const DuplicateGroup& group, const GroupMember& member, bool keepCopy) {
    bool safe = keepCopy ? HasIntactCopy(group, member) : StillAsSeen(member, 1);
    CloseFileSlot(1);
    if (!safe) return DELETION_REFUSED;
    return RemoveFile(FullPath(member)) ? DELETION_DONE : DELETION_FAILED;
}

DuplicateGroup* GroupAt(int32_t index) {
    if (index < 0 || index >= ListCount(GroupList)) return nullptr;
    ListSelect(GroupList, index);
    return GroupList.Current();
}

GroupMember* MemberAt(const DuplicateGroup& group, int32_t index) {
    if (index < 0 || index >= group.Count) return nullptr;
    ListLink* member = group.FirstMember;
    for (int32_t i = 0; i < index && member; ++i)
        member = member->next;
    return static_cast<GroupMember*>(member);
}

void RemoveMember(DuplicateGroup& group, GroupMember* member) {
    if (member == group.FirstMember)
        group.FirstMember = group.Count > 1 ? static_cast<GroupMember*>(member->next) : nullptr;
    group.Count -= 1;
    ListSetCurrent(MemberList, member);
    ListDelete(MemberList);
}

void RemoveGroup(DuplicateGroup* group) {
    while (group->Count > 0 && group->FirstMember)
        RemoveMember(*group, group->FirstMember);
    ListSetCurrent(GroupList, group);
    ListDelete(GroupList);
}
