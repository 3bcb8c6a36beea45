// The benchmark programs on Windows: resident memory from psapi, the thread's message queue, and what the
// list box costs when it does not repaint after every row.
#include "bench/toolkit.h"

#include "platform/window_services.h"
#include "ui/controls.h"
#include "ui/present.h"

#include <windows.h>
// psapi.h needs windows.h first.
#include <psapi.h>

#include <chrono>
#include <cstdio>

int64_t ResidentBytes(bool peak) {
    PROCESS_MEMORY_COUNTERS counters{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return static_cast<int64_t>(peak ? counters.PeakWorkingSetSize : counters.WorkingSetSize);
}

void Settle() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    for (HWND window = GetForegroundWindow(); window; window = nullptr)
        UpdateWindow(window);
}

// The same refresh between WM_SETREDRAW off and on.
std::string ListBoxFigures() {
    HWND list = GetDlgItem(static_cast<HWND>(CurrentWindow()), LstAllFiles);
    const auto start = std::chrono::steady_clock::now();
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    RefreshLists(REFRESH_FILES);
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    UpdateWindow(list);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    char figures[96];
    std::snprintf(figures, sizeof figures, "noredraw_refresh_s=%.3f noredraw_rows=%d ", seconds,
                  static_cast<int>(CountRows(LstAllFiles)));
    return figures;
}
