// How the search reads: block sizes, memory, open files. Tests shrink these knobs so that files of a few
// bytes take every path that large files take, and change files behind the search's back; the program
// keeps the defaults.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

struct SearchTuning {
    int64_t wholeFileLimit = 128 * 1024; // files up to this size are read in one piece
    int64_t firstBlock = 64 * 1024;      // most sets split in the first block
    int64_t lastBlock = 64 * 1024;       // files that share a long prefix often differ at the end
    int64_t middleBlock = 256 * 1024;    // the rest, in blocks that double up to middleBlockMax
    int64_t middleBlockMax = 1024 * 1024;
    int64_t memoryBudget = 1024 * 1024; // block bytes held at once by all sets in flight together
    // A set so large that its share of the budget would be smaller than this is first split by a hash of
    // each file's next stretch, read one file at a time; the files that share a hash are then compared
    // with the first of them, byte for byte.
    int64_t minimumBlock = 4 * 1024;
    int32_t openFiles = 256; // files held open at once by each searching thread; others are reopened
    // A step of a set is read on the reader threads when it reads this many files or bytes; smaller
    // steps cost less read one after another, while other sets are searched on the other threads.
    int32_t batchFiles = 16;
    int64_t batchBytes = 512 * 1024;
    int32_t firstSlot = 16; // file slots from firstSlot on, openFiles for each searching thread
    // Large sets of large files first read a small probe at each end: when they share a long prefix
    // the ends tell most of them apart for a fraction of the reading and the memory.
    int32_t probeMembers = 64;
    int64_t probeBlock = 4 * 1024;
    // A set that the file slots hold open reads a first page of files above headAbove, the rest only of
    // files that page did not tell apart: on a cold disk a first read brings a page and a little readahead,
    // not the whole block. Larger sets read in full steps, as each step opens their files again.
    int64_t headAbove = 16 * 1024;
    int64_t headBlock = 4 * 1024;
    // Tests narrow the hash so that files which differ share it, as they may in rare cases.
    uint64_t hashMask = ~uint64_t(0);
    // Tests change files behind the search's back: called with a file's full path before each read of it.
    std::function<void(const std::string& path)> beforeRead;
};

// The knobs in force; tests may change them and put the defaults back afterwards.
SearchTuning& CurrentSearchTuning();
