// The pairwise loops of the search written out plainly, unit by unit through ReadInt32 / ReadInt8,
// with three amendments: a file whose length is not its catalogued size never matches, two entries
// that are one file on disk never pair (the later one takes no part at all), and sizes are whole.
// Tests hold the real search against it; below it, what the search tests share.
#pragma once

#include "core/progress.h"

#include <cstdint>
#include <string>

#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

int32_t ReferenceCompareFiles(const std::string& pathA, const std::string& pathB, int64_t size,
                              const ProgressSink& progress);
void ReferenceFindDuplicates(const ProgressSink& progress);

// The last value each meter was given through a sink of MeterSink, and how many values it was given.
struct Meters {
    int32_t value[2] = {};
    int64_t calls[2] = {};
};
ProgressSink MeterSink(Meters& meters);

// The lists and meters after a search, as "[a b] [c d e] flags 00000 bars 0 0": members by path below
// Root, with '/' between folders. A member run out of its place or without a group shows.
std::string SearchOutcome(const std::string& root, const Meters& meters);

// While it lives, the process may open only Spare more files (where the system lets a test say so):
// the search then meets "too many open files" long before its own limit.
class FewHandles {
  public:
#ifndef _WIN32
    explicit FewHandles(int spare) {
        const int lowestFree = dup(0);
        if (lowestFree < 0 || getrlimit(RLIMIT_NOFILE, &old_) != 0) return;
        close(lowestFree);
        rlimit lowered = old_;
        lowered.rlim_cur = rlim_t(lowestFree + spare);
        active_ = setrlimit(RLIMIT_NOFILE, &lowered) == 0;
    }
    ~FewHandles() {
        if (active_) setrlimit(RLIMIT_NOFILE, &old_);
    }

  private:
    rlimit old_{};
    bool active_ = false;
#else
    explicit FewHandles(int) {}
#endif
};
