// While a long command runs (a scan, a search): the user's clicks and keys are dropped, the window system's
// own work is done, and a close request ends the command early.
#pragma once

#include "core/progress.h"

#include <chrono>

struct BusyWindow {
    std::chrono::steady_clock::time_point asked{};
    bool closing = false;
};
// The check a long command asks now and then; Busy must outlive the command.
StopCheck CloseStops(BusyWindow& busy);
