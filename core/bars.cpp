// Progress bars painted only when their value changes, by the thread that owns the window.
#include "core/bars.h"

#include "core/controls.h"
#include "platform/window_services.h"

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

void StartProgress(SearchProgress& progress, int64_t totalBytes) {
    progress.overall = {BarOverall, true};
    progress.file = {BarFile, true};
    progress.total = totalBytes;
    progress.done.store(0);
}

void ShowOverall(SearchProgress& progress) {
    if (progress.total > 0)
        ShowBar(progress.overall, static_cast<int32_t>(progress.done.load() * 100 / progress.total));
}

void StartSet(SearchProgress& progress, SetProgress& set, int64_t bytes, bool large, bool paints) {
    set = SetProgress{bytes, 0, large, paints};
    if (large && paints) ShowBar(progress.file, 0);
}

void CountDone(SearchProgress& progress, SetProgress& set, int64_t bytes) {
    progress.done.fetch_add(bytes);
    set.done += bytes;
    if (!set.paints) return;
    ShowOverall(progress);
    if (set.fileBar && set.total > 0)
        ShowBar(progress.file, static_cast<int32_t>(set.done * 100 / set.total));
}
