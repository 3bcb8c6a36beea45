// Deleting a group member's file, only while that is safe, and keeping the group and member lists in step
// with what was deleted. The two delete commands (ui/delete_commands.h) bring the list boxes along; every
// action on a member's file checks it the same way.
#pragma once

#include "core/lists.h"

#include <cstdint>
#include <string>
#include <vector>

enum DeletionResult : int32_t {
    DELETION_DONE = 0,
    DELETION_FAILED = 1,  // the system could not delete the file
    DELETION_REFUSED = 2, // the file, or the copy it needed, is no longer what the search saw
};

// What became of one deletion. LeftAt is where the file stands now when it could not be put back under
// its name (another file took the name meanwhile); "" otherwise.
struct Deletion {
    DeletionResult result = DELETION_REFUSED;
    std::string leftAt;
};

// Deletes the file of Member if it is still the file the search saw; nothing else is ever removed (see
// HoldFile). With KeepCopy it goes only while another member of Group is still the file the search saw
// too, is another file, and holds the same bytes now, compared once the file is held and just before it
// is removed. Nothing changes in the lists.
Deletion DeleteMemberFile(const DuplicateGroup& group, const GroupMember& member, bool keepCopy);

// Holds Member's file (HoldFile) when it is still the file the search saw and, with Copy, Copy is an intact
// copy of it now (IsIntactCopy; with AnyCopy, some member of Group is); the check of the copy comes after
// the file is held, immediately before it may be acted on. DELETION_DONE when held; else nothing changed,
// or the file was left where Deletion says.
Deletion HoldCheckedMember(const GroupMember& member, const GroupMember* copy, const DuplicateGroup* anyCopy,
                           HeldFile* held);
// Whether Other is still the file the search saw, is another file than Marked, and holds the same bytes as
// the file open in file slot 1 (Marked's, unchanged since it was opened) now. Uses file slot 2.
bool IsIntactCopy(const GroupMember& other, const GroupMember& marked);
// The first member of Group that IsIntactCopy of Marked; nullptr when there is none.
const GroupMember* IntactCopy(const DuplicateGroup& group, const GroupMember& marked);

// For tests: runs after every check, immediately before the held file is acted on.
extern void (*BeforeRemovalHook)(const GroupMember& member);

// Group Index of GroupList, made current; nullptr when there is none.
DuplicateGroup* GroupAt(int32_t index);
// Member Index of Group, counted from its first member; nullptr past its end.
GroupMember* MemberAt(const DuplicateGroup& group, int32_t index);
// Group's members in member order: the run of Count members of MemberList from its first member.
std::vector<GroupMember*> MembersOf(const DuplicateGroup& group);
// Takes a member whose file was deleted out of its group and MemberList; the group's first member
// becomes the next one when it was the first.
void RemoveMember(DuplicateGroup& group, GroupMember* member);
// Takes the group and its remaining members out of GroupList and MemberList.
void RemoveGroup(DuplicateGroup* group);
