#include "core/deletion.h"

#include "core/compare.h"
#include "core/lists.h"
#include "platform/dialogs.h"
#include "platform/file_services.h"
#include "platform/window_services.h"
#include "ui/controls.h"
#include "ui/present.h"

#include <string>

namespace {

// The group of the selected row of LstGroups, or nullptr when no row of a group is selected.
DuplicateGroup* SelectedGroup(int32_t* row) {
    *row = GetControlValue(LstGroups);
    if (*row < 0 || *row >= ListCount(GroupList)) return nullptr;
    ListSelect(GroupList, *row);
    return GroupList.Current();
}

// The file of one member; a failure is told to the user and leaves everything as it was.
bool DeleteMemberFile(const GroupMember& member) {
    std::string path = FullPath(member);
    if (RemoveFile(path)) return true;
    ShowMessageBox(TEXT_ERROR_TITLE, TEXT_DELETE_FAILED_BEFORE + path + TEXT_DELETE_FAILED_AFTER, 0);
    return false;
}

// A member that is no longer what the search compared is not deleted, and the user learns why.
void RefuseChanged(const GroupMember& member) {
    ShowMessageBox(
        TEXT_ERROR_TITLE,
        TEXT_DELETE_FAILED_BEFORE + FullPath(member) + TEXT_DELETE_FAILED_AFTER + "\n" + TEXT_CHANGED, 0);
}

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

void RemoveMember(GroupMember* member) {
    ListSetCurrent(MemberList, member);
    ListDelete(MemberList);
}

// After row Row of a list box has gone: the row that took its place, or the new last row.
void ReselectAfterRemoval(int32_t control, int32_t row) {
    int32_t rows = CountRows(control);
    SetControlValue(control, row > rows - 1 ? row - 1 : row);
}

void RemoveGroup(DuplicateGroup* group, int32_t row) {
    ListSetCurrent(GroupList, group);
    ListDelete(GroupList);
    DeleteRow(LstGroups, row);
    ReselectAfterRemoval(LstGroups, row);
}

void ShowPlainGroupCount() {
    SetControlText(LblGroups, std::string(TEXT_GROUPS) + " (" + std::to_string(ListCount(GroupList)) + ")");
}

} // namespace

void DeleteMarkedMember() {
    int32_t groupRow = 0;
    DuplicateGroup* group = SelectedGroup(&groupRow);
    if (!group) return;
    int32_t index = GetControlValue(LstMembers);
    // The member rows must be this group's: a row count that differs means they show something else.
    if (index < 0 || index >= group->Count || CountRows(LstMembers) != group->Count) return;

    GroupMember* member = group->FirstMember;
    for (int32_t i = 0; i < index && member; ++i)
        member = static_cast<GroupMember*>(member->next);
    if (!member) return;
    if (!HasIntactCopy(*group, *member)) {
        RefuseChanged(*member);
        return;
    }
    if (!DeleteMemberFile(*member)) return;

    GroupMember* following = group->Count > 1 ? static_cast<GroupMember*>(member->next) : nullptr;
    RemoveMember(member);
    DeleteRow(LstMembers, index);
    ReselectAfterRemoval(LstMembers, index);
    if (index == 0) group->FirstMember = following;
    group->Count -= 1;

    // One member left is no longer a duplicate; none left (after a partly failed delete-all) is no group.
    if (group->Count <= 1) {
        if (group->Count == 1) RemoveMember(group->FirstMember);
        RemoveGroup(group, groupRow);
        RefreshLists(REFRESH_MEMBERS);
        ShowPlainGroupCount();
    }
}

void DeleteAllMembers() {
    int32_t groupRow = 0;
    DuplicateGroup* group = SelectedGroup(&groupRow);
    if (!group) return;

    GroupMember* member = group->FirstMember;
    GroupMember* firstKept = nullptr;
    const int32_t members = group->Count;
    for (int32_t i = 0; i < members && member; ++i) {
        GroupMember* next = static_cast<GroupMember*>(member->next);
        const bool unchanged = StillAsSeen(*member, 1);
        CloseFileSlot(1);
        if (!unchanged) RefuseChanged(*member);
        if (unchanged && DeleteMemberFile(*member)) {
            RemoveMember(member);
            group->Count -= 1;
        } else if (!firstKept) {
            firstKept = member;
        }
        member = next;
    }
    group->FirstMember = firstKept;

    if (group->Count == 0) {
        RemoveGroup(group, groupRow);
        ShowPlainGroupCount();
    }
    RefreshLists(REFRESH_MEMBERS);
}
