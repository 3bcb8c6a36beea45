// The two progress bars as the comparison and the search move them: a bar is repainted only when its
// value changes, and the search's bars follow the bytes done over all candidates and within one set.
#pragma once

#include <cstdint>

// A bar that calls SetControlValue only when the value differs from the one shown last. A new painter
// paints its first value whatever the bar shows, as the bar may have been set elsewhere.
struct BarPainter {
    int32_t control;
    int32_t shown = -1;
};
void ShowBar(BarPainter& bar, int32_t value);

// The search's bars: BarOverall over all candidate bytes, BarFile over the bytes of the set of large
// files being searched.
struct Progress {
    BarPainter overall;
    BarPainter file;
    int64_t total = 0;
    int64_t done = 0;
    int64_t setTotal = 0;
    int64_t setDone = 0;
    bool fileBar = false;
};
Progress ProgressOver(int64_t totalBytes);
// BarFile follows sets of large files only, as the comparison of a pair of small files never moves it.
void StartSet(Progress& progress, int64_t bytes, bool large);
void CountDone(Progress& progress, int64_t bytes);
