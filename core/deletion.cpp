// Deleting a member's file after checking that it and, for the marked member, a copy of it are still
// what the search saw; and the list bookkeeping after a deletion.
//
// Example: deleting the marked b of the group {a, b}. b is held (moved aside, or held open), and the held
// file must be the one the search saw: same identity, size and times. It is opened, a is opened by its
// path and must be as the search saw it and another file, and both are compared byte for byte. Only then
// is the held file removed; any refusal puts b back under its name, as it was.
#include "core/deletion.h"

#include "core/compare.h"
#include "core/same_file.h"
#include "platform/file_services.h"

void (*BeforeRemovalHook)(const GroupMember& member) = nullptr;

namespace {

// The file open in Slot is the one its open found, unchanged since.
bool UnchangedSinceOpened(int32_t slot) {
    FileStamp opened, now;
    SelectFile(slot);
    return OpenedFileStamp(&opened) && CurrentFileStamp(&now) && now == opened;
}

// Lets go of a held file that is not to be removed; where it was left when its name was taken meanwhile.
Deletion PutBack(HeldFile* held, DeletionResult result) {
    Deletion deletion{result, {}};
    if (!ReleaseHeldFile(held)) deletion.leftAt = HeldPath(*held);
    return deletion;
}

} // namespace

bool IsIntactCopy(const GroupMember& other, const GroupMember& marked) {
    if (&other == &marked || SameFileOnDisk(other.Seen, marked.Seen)) return false;
    FileStamp now;
    bool same = OpenForReading(2, FullPath(other)) && OpenedFileStamp(&now) && now == other.Seen;
    if (same) {
        SelectFile(1);
        same = SeekFile(0) && SameContent(1, 2, marked.Seen.size) && UnchangedSinceOpened(1) &&
               UnchangedSinceOpened(2);
    }
    CloseFileSlot(2);
    return same;
}

const GroupMember* IntactCopy(const DuplicateGroup& group, const GroupMember& marked) {
    for (const GroupMember* other : MembersOf(group))
        if (IsIntactCopy(*other, marked)) return other;
    return nullptr;
}

Deletion HoldCheckedMember(const GroupMember& member, const GroupMember* copy, const DuplicateGroup* anyCopy,
                           HeldFile* held) {
    if (!HoldFile(FullPath(member), held)) {
        // Gone, replaced or reached through a link: not the file the search saw. Anything else is the
        // system refusing to let it go.
        const FileFailure failure = LastFailure();
        const bool changed =
            failure == FAILURE_MISSING || failure == FAILURE_NOT_FOLDER || failure == FAILURE_CHANGED;
        return {changed ? DELETION_REFUSED : DELETION_FAILED, {}};
    }
    if (!(held->stamp == member.Seen)) return PutBack(held, DELETION_REFUSED);
    if (copy || anyCopy) {
        const bool copied = OpenHeldForReading(1, *held) &&
                            (copy ? IsIntactCopy(*copy, member) : IntactCopy(*anyCopy, member) != nullptr);
        CloseFileSlot(1);
        if (!copied) return PutBack(held, DELETION_REFUSED);
    }
    if (BeforeRemovalHook) BeforeRemovalHook(member);
    return {DELETION_DONE, {}};
}

Deletion DeleteMemberFile(const DuplicateGroup& group, const GroupMember& member, bool keepCopy) {
    HeldFile held;
    Deletion hold = HoldCheckedMember(member, nullptr, keepCopy ? &group : nullptr, &held);
    if (hold.result != DELETION_DONE) return hold;
    if (RemoveHeldFile(&held)) return {DELETION_DONE, {}};
    return {DELETION_FAILED, HeldPath(held)};
}

DuplicateGroup* GroupAt(int32_t index) {
    if (index < 0 || index >= ListCount(GroupList)) return nullptr;
    ListSelect(GroupList, index);
    return GroupList.Current();
}

std::vector<GroupMember*> MembersOf(const DuplicateGroup& group) {
    std::vector<GroupMember*> members;
    ListLink* member = group.FirstMember;
    for (int32_t i = 0; i < group.Count && member; ++i, member = member->next)
        members.push_back(static_cast<GroupMember*>(member));
    return members;
}

GroupMember* MemberAt(const DuplicateGroup& group, int32_t index) {
    const std::vector<GroupMember*> members = MembersOf(group);
    return index >= 0 && static_cast<size_t>(index) < members.size() ? members[static_cast<size_t>(index)]
                                                                     : nullptr;
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
