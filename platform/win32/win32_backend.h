// What the Win32 window, event and dialog sources share: the backend's state, in one struct, and the
// procedures that one source offers the others.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zw_win32 {

// Tab and Shift+Tab: the commands of every window's keyboard table, handled by the window procedure.
constexpr WORD COMMAND_NEXT_CONTROL = 1212;
constexpr WORD COMMAND_PREVIOUS_CONTROL = 1213;

// The window and control tables start at these capacities and grow by these steps beyond a number.
constexpr size_t WINDOW_TABLE_START = 10;
constexpr size_t WINDOW_TABLE_STEP = 10;
constexpr size_t CONTROL_TABLE_START = 30;
constexpr size_t CONTROL_TABLE_STEP = 30;

struct WindowEntry {
    HWND window = nullptr;
    int keyboardRowCount = 0;
    ACCEL* keyboardRows = nullptr;
    HACCEL keyboardTable = nullptr;
};

struct ControlKind; // the operations of one kind of control (window.cpp)

struct ControlEntry {
    HWND window = nullptr;
    const ControlKind* kind = nullptr;
};

// Everything the window and event services keep between calls. The values written here are the start:
// InitControlServices puts Controls back to it, InitWindowServices (after closing what is still open)
// puts Windows back; the rest lasts as long as the process.
struct Backend {
    struct Controls {
        std::vector<ControlEntry> table = std::vector<ControlEntry>(CONTROL_TABLE_START); // by number
        HFONT font = nullptr;
    } controls;
    struct Windows {
        std::vector<WindowEntry> table = std::vector<WindowEntry>(WINDOW_TABLE_START); // by number
        WNDCLASSA windowClass = {}; // every window's class but its name
    } windows;
    HWND currentWindow = nullptr;     // opened last with success
    HWND controlParent = nullptr;     // of every control created from now on
    HBRUSH backgroundBrush = nullptr; // made once, never released
    // List boxes that took rows since the last wait, their painting held until the next one.
    std::vector<HWND> listBoxesTakingRows;
    int32_t eventCode = 0; // raised since the last wait returned, 0 for none
    int32_t eventControl = 0;
};

Backend& State();

// In events.cpp: the procedure of every window opened here.
LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// In window.cpp: the keyboard table of an open window, or none.
HACCEL KeyboardTableOf(HWND window);
// In window.cpp, used before every wait and dialog: list boxes that took rows show them now.
void ShowNewRows();

} // namespace zw_win32
