// What the content comparison and the duplicate search share: their reading knobs and a bar that is
// repainted only when its value changes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// How the search reads. Tests shrink these so that files of a few bytes take every path that large
// files take; the program keeps the defaults.
struct SearchTuning {
    int64_t wholeFileLimit = 128 * 1024; // files up to this size are read in one piece
    int64_t firstBlock = 64 * 1024;      // most sets split in the first block
    int64_t lastBlock = 64 * 1024;       // files that share a long prefix often differ at the end
    int64_t middleBlock = 256 * 1024;    // the rest, in blocks that double up to middleBlockMax
    int64_t middleBlockMax = 1024 * 1024;
    int64_t memoryBudget = 16 * 1024 * 1024; // block bytes held at once for one set of equal-size files
    // A set so large that its share of the budget would be smaller than this is first split by a hash of
    // each file's next stretch, read one file at a time; the files that share a hash are then compared
    // with the first of them, byte for byte.
    int64_t minimumBlock = 4 * 1024;
    int32_t openFiles = 256; // files held open at once; others are reopened when needed
    int32_t firstSlot = 16;  // file slots firstSlot ... firstSlot + openFiles - 1
    // Large sets of large files first read a small probe at each end: when they share a long prefix
    // the ends tell most of them apart for a fraction of the reading and the memory.
    int32_t probeMembers = 64;
    int64_t probeBlock = 4 * 1024;
    // Tests narrow the hash so that files which differ share it, as they may in rare cases.
    uint64_t hashMask = ~uint64_t(0);
    // Tests change files behind the search's back: called with a file's full path before each read of it.
    std::function<void(const std::string& path)> beforeRead;
};

// The knobs in force; tests may change them and put the defaults back afterwards.
SearchTuning& CurrentSearchTuning();

// A progress bar that calls SetControlValue only when the value differs from the one shown last. A new
// painter paints its first value whatever the bar shows, as the bar may have been set elsewhere.
class BarPainter {
  public:
    explicit BarPainter(int32_t control) : control_(control) {}
    void Show(int32_t value);

  private:
    int32_t control_;
    int32_t shown_ = -1;
};

// A stretch of a file, [from, to) in bytes.
struct Stretch {
    int64_t from = 0;
    int64_t to = 0;
};

// The order in which files of one size are compared: the first block, then the last block, then the
// rest from the front in blocks that grow. Every byte comes up exactly once; an empty file gives one
// empty stretch.
class ReadPlan {
  public:
    explicit ReadPlan(int64_t size) : size_(size), tail_(size) {}
    bool Done() const { return started_ && head_ >= tail_; }
    // The next stretch, at most Cap bytes long (Cap below 1 counts as 1), counted as done at once.
    Stretch Next(int64_t cap);

  private:
    int64_t size_;
    int64_t head_ = 0; // [0, head_) has come up
    int64_t tail_;     // [tail_, size_) has come up
    int64_t middle_ = 0;
    bool started_ = false;
};
