// One set of catalogued files of one size, as the search works through it: its files with what the
// search saw of them, the files it holds open, and the groups, omissions and counts it finds.
#pragma once

#include "core/lists.h"
#include "core/omissions.h"
#include "core/progress.h"
#include "core/reading.h"
#include "core/same_file.h"
#include "core/search_stats.h"
#include "platform/file_services.h"

#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

// One file of the set.
struct SetFile {
    FileEntry* entry = nullptr;
    int64_t read = 0;      // bytes read from it
    int64_t counted = 0;   // bytes counted as done on the bars
    uint32_t position = 0; // place in the catalogue
    int32_t slot = 0;      // file slot while open, 0 while closed
    int32_t older = -1;    // neighbours in the list of open files, most recently used first
    int32_t newer = -1;
    int32_t reads = 0;    // stretches read from it
    int32_t pending = -1; // its read handed to the readers and not yet taken back, in the step's reads
    bool stamped = false; // it has been opened, and First holds what that open found
    FileStamp first;
};

// A member as the search saw it: the deletion later checks that the file is still that file.
struct Seen {
    FileEntry* entry;
    FileStamp stamp;
};

struct Group {
    int64_t position; // of the reference file
    std::vector<Seen> members;
};

// Room for the blocks of one step, kept for a thread's sets and never cleared: every byte used is read
// into it first. It grows only as far as the largest step needs.
// The room of large files comes straight from the system and goes back to it whole when released.
struct ArenaRelease {
    size_t size = 0;
    bool fromSystem = false;
    void operator()(unsigned char* memory) const;
};
struct Arena {
    std::unique_ptr<unsigned char[], ArenaRelease> memory;
    size_t size = 0;
};

// What one searching thread keeps from set to set: file slots of its own and its block room.
struct SetWorker {
    std::vector<int32_t> freeSlots;
    Arena arena;
};

struct SizeSet {
    int64_t size = 0;
    int64_t budget = 0; // block bytes it may hold at once
    std::vector<SetFile> files;
    SetWorker* worker = nullptr;
    SearchProgress* progress = nullptr;
    SetProgress setProgress;
    // What the set found: its groups, its files left out, its share of the counts.
    std::vector<Group> groups;
    std::vector<Omission> omissions;
    SearchStats stats;
    // Files held open, most recently used first, linked through their older and newer fields.
    int32_t mostRecent = -1;
    int32_t leastRecent = -1;
    int32_t openCount = 0;
    std::unordered_set<FileStamp, SameFileHash, SameFileEqual>
        identities;            // of large files, at their first open
    std::vector<size_t> order; // SortBlocks's results, kept for each step
    std::vector<int64_t> shared;
};

// Room for the blocks of one step of Set, in its thread's arena.
unsigned char* ArenaOf(SizeSet& set, size_t bytes);

// Splits the set until every file is in a group or dropped (size_set.cpp). Shows: the calling thread
// started the search and shows its progress.
void SearchSizeSet(SizeSet& set, bool shows);

// The set's files (set_files.cpp).
enum class ReadOutcome { Read, Failed, SameFile };
// Every byte of these files was found equal: the ones that are still as their first open found them form a
// group, if two or more are left.
void FinishGroup(SizeSet& set, const std::vector<int32_t>& equal);
// The file takes no further part: its remaining bytes count as done. Floor is what an ideal reader would
// have had to read of it.
void DropFile(SizeSet& set, int32_t m, int64_t floor);
// No other file equals this one.
void DropUnique(SizeSet& set, int32_t m, int64_t floor);
