// How far the search and the pair comparison have come, told to whoever shows it: the window's bars,
// the command line's progress line, or nobody.
#pragma once

#include <atomic>
#include <cstdint>

enum ProgressMeter : int32_t {
    METER_OVERALL = 0, // the bytes done over all candidates of a search
    METER_FILE = 1,    // the bytes done within one set of large files, or one pair
};

// Called with every new count, often many times with one value: the receiver keeps what it shows.
// Final marks the last value of a search, to be shown whatever pace the receiver keeps.
struct ProgressSink {
    void* context = nullptr;
    void (*show)(void* context, int32_t meter, int32_t percent, bool final) = nullptr;
};
inline void ShowProgress(const ProgressSink& sink, int32_t meter, int32_t percent, bool final = false) {
    if (sink.show) sink.show(sink.context, meter, percent, final);
}

// Asked now and then, on the thread that started a long command (a scan, a search): true ends it early,
// with what it has done so far. The window asks whether the user has closed it meanwhile.
struct StopCheck {
    void* context = nullptr;
    bool (*stop)(void* context) = nullptr;
};
inline bool StopRequested(const StopCheck& check) {
    return check.stop && check.stop(check.context);
}

// The whole search: METER_OVERALL over all candidate bytes, counted by every searching thread.
struct SearchProgress {
    ProgressSink sink;
    int64_t total = 0;
    std::atomic<int64_t> done{0};
    StopCheck stop;
    std::atomic<bool> stopped{false}; // asked on the starting thread, seen by every searching thread
};
// Shows METER_OVERALL from the bytes done so far, and asks whether to stop; on the thread that started
// the search only.
void ShowOverall(SearchProgress& progress);

// One set: METER_FILE over its bytes, for sets of large files that the starting thread searches, as the
// comparison of a pair of small files never moves it.
struct SetProgress {
    int64_t total = 0;
    int64_t done = 0;
    bool fileMeter = false;
    bool shows = false; // searched by the thread that started the search
};
void StartSet(SearchProgress& progress, SetProgress& set, int64_t bytes, bool large, bool shows);
void CountDone(SearchProgress& progress, SetProgress& set, int64_t bytes);
