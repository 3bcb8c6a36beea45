// The delete commands: what the user selected, the deletion itself (core/deletion.h), and the rows,
// selections, heading and message boxes after it.
#include "ui/delete_commands.h"

#include "core/deletion.h"
#include "platform/dialogs.h"
#include "platform/window_services.h"
#include "ui/controls.h"
#include "ui/present.h"

#include <string>

namespace {

// Deletes the member's file; a refusal or a failure is told to the user and leaves everything as it was.
bool Deleted(const DuplicateGroup& group, const GroupMember& member, bool keepCopy) {
    const Deletion deletion = DeleteMemberFile(group, member, keepCopy);
    if (deletion.result == DELETION_DONE) return true;
    std::string text = TEXT_DELETE_FAILED_BEFORE + FullPath(member) + TEXT_DELETE_FAILED_AFTER;
    if (deletion.result == DELETION_REFUSED) text = text + "\n" + TEXT_CHANGED;
    if (!deletion.leftAt.empty())
        text = text + "\n" + TEXT_LEFT_AT_BEFORE + deletion.leftAt + TEXT_LEFT_AT_AFTER;
    ShowMessageBox(TEXT_ERROR_TITLE, text, 0);
    return false;
}

// After row Row of a list box has gone: the row that took its place, or the new last row.
void RemoveRow(int32_t control, int32_t row) {
    DeleteRow(control, row);
    int32_t rows = CountRows(control);
    SetControlValue(control, row > rows - 1 ? row - 1 : row);
}

// The group and its row go; the group now selected is shown, the heading counts the groups left.
void RemoveGroupAndRow(DuplicateGroup* group, int32_t row) {
    RemoveGroup(group);
    RemoveRow(LstGroups, row);
    RefreshLists(REFRESH_MEMBERS);
    ShowGroupCount();
}

} // namespace

void DeleteMarkedMember() {
    const int32_t groupRow = GetControlValue(LstGroups);
    DuplicateGroup* group = GroupAt(groupRow);
    if (!group) return;
    const int32_t index = GetControlValue(LstMembers);
    // The member rows must be this group's: a row count that differs means they show something else.
    if (CountRows(LstMembers) != group->Count) return;
    GroupMember* member = MemberAt(*group, index);
    if (!member || !Deleted(*group, *member, true)) return;

    RemoveMember(*group, member);
    RemoveRow(LstMembers, index);
    // One member left is no longer a duplicate.
    if (group->Count <= 1) RemoveGroupAndRow(group, groupRow);
}

void DeleteAllMembers() {
    const int32_t groupRow = GetControlValue(LstGroups);
    DuplicateGroup* group = GroupAt(groupRow);
    if (!group) return;

    for (GroupMember* member : MembersOf(*group))
        if (Deleted(*group, *member, false)) RemoveMember(*group, member);
    // A group stays while one of its files could not be deleted.
    if (group->Count == 0)
        RemoveGroupAndRow(group, groupRow);
    else
        RefreshLists(REFRESH_MEMBERS);
}
