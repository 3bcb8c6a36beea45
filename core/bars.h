// The two progress bars as the comparison and the search move them: a bar is repainted only when its
// value changes, and only by the thread that owns the window; the search's bars follow the bytes done
// over all candidates and within the set of large files the owning thread searches.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

// A bar that calls SetControlValue only when the value differs from the one shown last. A new painter
// paints its first value whatever the bar shows, as the bar may have been set elsewhere. A paced bar is
// repainted at most every PACE: a search's bars change thousands of times, and a window repaints a bar in
// about as much time as the search reads a small file.
struct BarPainter {
    int32_t control;
    bool paced = false;
    int32_t shown = -1;
    std::chrono::steady_clock::time_point painted{};
};
constexpr std::chrono::milliseconds PACE{15};
void ShowBar(BarPainter& bar, int32_t value);
// Paints Value whatever the pace: a bar's last value of a command.
void ShowBarNow(BarPainter& bar, int32_t value);

// The whole search: BarOverall over all candidate bytes, counted by every searching thread.
struct SearchProgress {
    BarPainter overall;
    BarPainter file;
    int64_t total = 0;
    std::atomic<int64_t> done{0};
};
void StartProgress(SearchProgress& progress, int64_t totalBytes);
// Repaints BarOverall from the bytes done so far; on the owning thread only.
void ShowOverall(SearchProgress& progress);

// One set: BarFile over its bytes, for sets of large files that the owning thread searches, as the
// comparison of a pair of small files never moves it.
struct SetProgress {
    int64_t total = 0;
    int64_t done = 0;
    bool fileBar = false;
    bool paints = false; // searched by the thread that owns the window
};
void StartSet(SearchProgress& progress, SetProgress& set, int64_t bytes, bool large, bool paints);
void CountDone(SearchProgress& progress, SetProgress& set, int64_t bytes);
