// Acting on a surplus copy of a group while another member is kept: the copy is deleted, replaced by a
// hard link to the kept file, or made to share its storage, each only after both were checked again.
#pragma once

#include "core/lists.h"

#include <cstdint>
#include <string>

enum CopyAction : int32_t { ACTION_DELETE = 0, ACTION_LINK = 1, ACTION_REFLINK = 2 };

struct ActionOutcome {
    bool done = false;
    int64_t freed = 0;  // bytes freed: the copy's size, or for a reflink the bytes the system shared
    std::string reason; // why not, when not done
};

inline constexpr const char* REASON_CHANGED_SINCE = "changed since the search";

// Acts on Copy, keeping Kept, only while both are still the files the search saw, are two files, and hold
// the same bytes now (compared again). A new link to Kept changes its change time: Kept's stamp then
// takes it, so that its next copy finds it as seen. Uses file slots 1 and 2.
ActionOutcome ActOnCopy(CopyAction action, GroupMember& kept, const GroupMember& copy);
