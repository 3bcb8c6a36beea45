// What refresh_bench measures through the system of its build: one implementation each in bench/posix
// and bench/win32.
#pragma once

#include <cstdint>
#include <string>

// Resident memory of this process in bytes, now or at its peak; 0 when it cannot be told.
int64_t ResidentBytes(bool peak = false);
// Figures only this build's list box gives, as "key=value " pairs ("" for none). Runs with the main
// window open on a filled catalogue, and leaves the all-files list as RefreshLists(REFRESH_FILES) does.
std::string BackendFigures();
