// Progress bars painted only when their value changes.
#include "core/bars.h"

#include "core/controls.h"
#include "platform/window_services.h"

void ShowBar(BarPainter& bar, int32_t value) {
    if (value == bar.shown) return;
    SetControlValue(bar.control, value);
    bar.shown = value;
}

Progress ProgressOver(int64_t totalBytes) {
    Progress progress{{BarOverall}, {BarFile}};
    progress.total = totalBytes;
    return progress;
}

void StartSet(Progress& progress, int64_t bytes, bool large) {
    progress.setTotal = bytes;
    progress.setDone = 0;
    progress.fileBar = large;
    if (large) ShowBar(progress.file, 0);
}

void CountDone(Progress& progress, int64_t bytes) {
    progress.done += bytes;
    progress.setDone += bytes;
    if (progress.total > 0)
        ShowBar(progress.overall, static_cast<int32_t>(progress.done * 100 / progress.total));
    if (progress.fileBar && progress.setTotal > 0)
        ShowBar(progress.file, static_cast<int32_t>(progress.setDone * 100 / progress.setTotal));
}
