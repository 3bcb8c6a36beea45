// What the console backend's progress bars hold: their last value and how often it was set.
#pragma once

#include <cstdint>

// Last value set on a bar (0 before any).
int32_t ConsoleBarValue(int32_t control);
// How many times SetControlValue reached the bar since the last ConsoleResetBars.
int64_t ConsoleBarWrites(int32_t control);
void ConsoleResetBars();
// Draw the bars as one progress line on standard error (only worth it on a terminal).
void ConsoleShowProgress(bool show);
