// Deleting a group member's file, only while that is safe, and keeping the group and member lists in step
// with what was deleted. The two delete commands (ui/delete_commands.h) bring the list boxes along.
#pragma once

#include "core/lists.h"

#include <cstdint>

enum DeletionResult : int32_t {
    DELETION_DONE = 0,
    DELETION_FAILED = 1,  // the system could not delete the file
    DELETION_REFUSED = 2, // the file, or the copy it needed, is no longer what the search saw
};

// Deletes the file of Member of Group if it is still the file the search saw. With KeepCopy it goes only
// while another member is still the file the search saw too, is another file, and holds the same bytes
// now. Nothing changes in the lists.
DeletionResult DeleteMemberFile(const DuplicateGroup& group, const GroupMember& member, bool keepCopy);

// Group Index of GroupList, made current; nullptr when there is none.
DuplicateGroup* GroupAt(int32_t index);
// Member Index of Group, counted from its first member; nullptr past its end.
GroupMember* MemberAt(const DuplicateGroup& group, int32_t index);
// Takes a member whose file was deleted out of its group and MemberList; the group's first member
// becomes the next one when it was the first.
void RemoveMember(DuplicateGroup& group, GroupMember* member);
// Takes the group and its remaining members out of GroupList and MemberList.
void RemoveGroup(DuplicateGroup* group);
