// How files of one size are read: the order of their stretches, and the read of one stretch of a file
// held in a file slot.
#pragma once

#include <cstdint>

// A stretch of a file, [from, to) in bytes.
struct Stretch {
    int64_t from = 0;
    int64_t to = 0;
};

// The order in which files of one size are compared: the first block, then the last block, then the
// rest from the front in blocks that grow. Every byte comes up exactly once; an empty file gives one
// empty stretch. For a file of 1 MiB with the default knobs: [0, 64K), [960K, 1M), [64K, 320K),
// [320K, 832K), [832K, 960K). A file small enough to be read whole whose first stretch was cut short
// goes on from the front: 100K read first as [0, 4K) goes on with [4K, 100K).
struct ReadPlan {
    int64_t size = 0;
    int64_t head = 0;   // [0, head) has come up
    int64_t tail = 0;   // [tail, size) has come up
    int64_t middle = 0; // the next middle block's length
    bool started = false;
};

ReadPlan PlanFor(int64_t size);
bool PlanDone(const ReadPlan& plan);
// The plan's next stretch, at most Cap bytes long (Cap below 1 counts as 1), counted as done at once.
Stretch NextStretch(ReadPlan& plan, int64_t cap);

// A file open in a file slot, and where its next read starts.
struct SlotFile {
    int32_t slot = 0;
    int64_t offset = 0;
};

// Reads Stretch of a file of Size bytes into Buffer, which holds one byte more than the stretch: at the
// end of the file one byte more is asked for, so that a file that has grown since it was catalogued shows
// it. Returns the bytes that arrived, -1 on a failure (LastFailure tells it); the stretch was read exactly
// when they are its length.
int64_t ReadStretch(SlotFile& file, Stretch stretch, int64_t size, unsigned char* buffer);
