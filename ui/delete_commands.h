// The two delete commands: the marked member, or every member of the selected group, with the list boxes,
// the heading and the "ERROR" boxes kept in step.
#pragma once

// Deletes the member selected in LstMembers of the group selected in LstGroups.
void DeleteMarkedMember();
// Deletes every member of the group selected in LstGroups, the reference file included.
void DeleteAllMembers();
