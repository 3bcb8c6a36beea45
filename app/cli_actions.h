// The command line's actions on the groups found: which member stays, which are acted on, the lines
// that say what was done, and the refusals.
#pragma once

#include "app/cli_arguments.h"
#include "core/lists.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The member of a group that stays: among the members below a protected folder when there are any, the
// first, oldest or newest by modification time (ties go to the first). Protected holds absolute folders
// ending with a separator.
GroupMember* KeptMember(const std::vector<GroupMember*>& members, CliKeep keep,
                        const std::vector<std::string>& protectedFolders);
bool IsProtected(const std::string& path, const std::vector<std::string>& protectedFolders);

struct ActionTotals {
    int64_t files = 0;
    int64_t bytes = 0;
    int64_t refused = 0;
    bool interrupted = false;
};

// Tests: runs once the search is done, before the first file is acted on.
extern void (*BeforeActionsHook)();

// Acts on every group of GroupList as Options say, or with DryRun tells what it would do: a line per
// file on Out, one line per refusal on Err; escaped for a terminal when Escape.
ActionTotals RunActions(const CliOptions& options, const std::vector<std::string>& protectedFolders,
                        std::FILE* out, std::FILE* err, bool escape);
