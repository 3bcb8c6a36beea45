// The window's two progress bars as the search moves them: a bar is repainted only when its value
// changes, and at most every PACE while the search runs.
#pragma once

#include "core/progress.h"

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

// BarOverall and BarFile for one search, paced.
struct WindowBars {
    BarPainter overall;
    BarPainter file;
    WindowBars();
};
// The sink that moves Bars; Bars must outlive the search.
ProgressSink WindowProgress(WindowBars& bars);
