// The window's progress bars, painted only when their value changes.
#include "ui/progress_bars.h"

#include "platform/window_services.h"
#include "ui/controls.h"

void ShowBarNow(BarPainter& bar, int32_t value) {
    if (value == bar.shown) return;
    SetControlValue(bar.control, value);
    bar.shown = value;
    if (bar.paced) bar.painted = std::chrono::steady_clock::now();
}

void ShowBar(BarPainter& bar, int32_t value) {
    if (value == bar.shown) return;
    if (bar.paced && std::chrono::steady_clock::now() - bar.painted < PACE) return;
    ShowBarNow(bar, value);
}

WindowBars::WindowBars() : overall{BarOverall, true}, file{BarFile, true} {}

ProgressSink WindowProgress(WindowBars& bars) {
    return {&bars, [](void* context, int32_t meter, int32_t percent, bool final) {
                WindowBars& shown = *static_cast<WindowBars*>(context);
                BarPainter& bar = meter == METER_OVERALL ? shown.overall : shown.file;
                if (final)
                    ShowBarNow(bar, percent);
                else
                    ShowBar(bar, percent);
            }};
}
