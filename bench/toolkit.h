// What the benchmark programs ask of the system and the toolkit of their build: one implementation each
// in bench/qt (the Linux build) and bench/win32.
#pragma once

#include <cstdint>
#include <string>

// Resident memory of this process in bytes, now or at its peak; 0 when it cannot be told.
int64_t ResidentBytes(bool peak = false);
// Lets the toolkit do all it has been asked to (rows announced, the window painted), as after a command
// the program's loop does before the user sees the result.
void Settle();
// Figures only this build's list box gives, as "key=value " pairs ("" for none). Runs with the main
// window open on a filled catalogue, and leaves the all-files list as RefreshLists(REFRESH_FILES) does.
std::string ListBoxFigures();
