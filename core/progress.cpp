// The search's progress in per cent, handed to its sink by the thread that started the search.
#include "core/progress.h"

void ShowOverall(SearchProgress& progress) {
    if (StopRequested(progress.stop)) progress.stopped.store(true);
    if (progress.total > 0)
        ShowProgress(progress.sink, METER_OVERALL,
                     static_cast<int32_t>(progress.done.load() * 100 / progress.total));
}

void StartSet(SearchProgress& progress, SetProgress& set, int64_t bytes, bool large, bool shows) {
    set = SetProgress{bytes, 0, large, shows};
    if (large && shows) ShowProgress(progress.sink, METER_FILE, 0);
}

void CountDone(SearchProgress& progress, SetProgress& set, int64_t bytes) {
    progress.done.fetch_add(bytes);
    set.done += bytes;
    if (!set.shows) return;
    ShowOverall(progress);
    if (set.fileMeter && set.total > 0)
        ShowProgress(progress.sink, METER_FILE, static_cast<int32_t>(set.done * 100 / set.total));
}
