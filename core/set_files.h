// What the two files about a size set's files share: keeping files open in the searching thread's slots,
// judging what an open and a read found, and telling the readers how long reads take.
#pragma once

#include "core/readers.h"
#include "core/size_set.h"

#include <chrono>
#include <string>

// Tells the readers how long the open and read of a scope took: reads that waited on the disk add reader
// threads. From the cache an open and a read take microseconds, and copying a byte half a nanosecond.
// Reads of large files do not count: they take turns that follow their own throughput, and threads added
// for them only waited for a turn (on a throttled disk, 4 times the processor time for no gain).
struct Timed {
    std::chrono::steady_clock::time_point started;
    int64_t bytes;
    bool counts;
    ~Timed() {
        if (counts)
            NoteReadTime(std::chrono::steady_clock::now() - started,
                         std::chrono::microseconds(40) + std::chrono::nanoseconds(bytes / 2));
    }
};

// Entry's full path in a buffer of this thread's, good until its next call on this thread: a path made
// for every open would cost an allocation each.
const std::string& ThreadPath(const FileEntry& entry);

// The list of open files, most recently used first.
void LinkFront(SizeSet& set, int32_t m);
void Unlink(SizeSet& set, int32_t m);
// Closes file M, once a read of it handed to the readers is done.
void Close(SizeSet& set, int32_t m);
// A free slot, closing the least recently used file when there is none; and a slot given to file M.
int32_t TakeSlot(SizeSet& set);
void GiveSlot(SizeSet& set, int32_t m, int32_t slot);

// One file's open (when it was closed) and read of a stretch, on whichever thread did them, and what
// they found.
struct OpenRead {
    bool open = false; // the file was opened first
    bool opened = false;
    FileStamp stamp;  // what the open found
    int64_t got = -1; // bytes read, -1 after a failure or before the read
    int32_t failure = FAILURE_NONE;
    std::string failureText;
};
// Keeps the file services' last failure on this thread in Read.
void KeepFailure(OpenRead& read);
// Opens Entry's file in Slot when Read.open, then reads Stretch (Wanted bytes) into Block; on any thread.
void PerformRead(OpenRead& read, int32_t slot, const FileEntry& entry, Stretch stretch, int64_t wanted,
                 unsigned char* block);
// What the open of file M found, and then what its read of Stretch found, as the file's outcome; a
// failure or a change is noted as left out. JudgeOpen alone for a file opened and not yet read.
ReadOutcome JudgeOpen(SizeSet& set, int32_t m, const OpenRead& read);
ReadOutcome Judge(SizeSet& set, int32_t m, const OpenRead& read, Stretch stretch);
// The bytes read for a stretch: one more at the end, so that a file that has grown shows it.
int64_t Wanted(const SizeSet& set, Stretch stretch);
// Reads Stretch of file M on this thread, opening it again if it was closed.
ReadOutcome ReadOne(SizeSet& set, int32_t m, Stretch stretch, unsigned char* block);
