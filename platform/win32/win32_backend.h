// What the Win32 window, event and dialog sources share among themselves.
#pragma once

#include <windows.h>

namespace zw_win32 {

// Tab and Shift+Tab: the commands of every window's keyboard table, handled by the window procedure.
constexpr WORD COMMAND_NEXT_CONTROL = 1212;
constexpr WORD COMMAND_PREVIOUS_CONTROL = 1213;

// In events.cpp: the procedure of every window opened here.
LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// In window.cpp: the keyboard table of an open window, or none.
HACCEL KeyboardTableOf(HWND window);
// In window.cpp, used before every wait and dialog: list boxes that took rows show them now.
void ShowNewRows();

} // namespace zw_win32
