// Window system services: numbered top-level windows and numbered controls inside them.
// Backends: platform/win32 (user32, gdi32, comctl32), platform/qt (Qt 6 Widgets),
// platform/console (bars become a progress line on a terminal, everything else does nothing).
#pragma once

#include <cstdint>
#include <string>

using WindowHandle = void*;

// Flags of OpenTopWindow. The values are the window-style bits of the Windows API.
constexpr int32_t WINDOW_CENTRE_SCREEN = 0x1;
constexpr int32_t WINDOW_CAPTION = 0x00C00000;
constexpr int32_t WINDOW_SYSMENU = 0x00080000;

// Progress bar style bits.
constexpr int32_t BAR_SMOOTH = 0x1;
constexpr int32_t BAR_VERTICAL = 0x4;

void InitControlServices();
void InitWindowServices();

// Width and Height are the client area's. Returns the window handle, 0 on failure.
WindowHandle OpenTopWindow(int32_t number, int32_t x, int32_t y, int32_t width, int32_t height, int32_t flags,
                           const std::string& title);
void CloseTopWindow(int32_t number);
void CloseAllWindows();
WindowHandle CurrentWindow();
// Every control created afterwards becomes a child of Window. Returns Window (0 means failure).
WindowHandle SetControlParent(WindowHandle window);

WindowHandle CreateButton(int32_t number, int32_t x, int32_t y, int32_t width, int32_t height,
                          const std::string& caption);
WindowHandle CreateLabel(int32_t number, int32_t x, int32_t y, int32_t width, int32_t height,
                         const std::string& text);
WindowHandle CreateListBox(int32_t number, int32_t x, int32_t y, int32_t width, int32_t height);
WindowHandle CreateProgressBar(int32_t number, int32_t x, int32_t y, int32_t width, int32_t height,
                               int32_t minimum, int32_t maximum, int32_t style);

// All of these do nothing (and return 0) for a number that was never created.
void SetControlDisabled(int32_t number, int32_t disabled);
// List box: index of the selected row, -1 for none.
int32_t GetControlValue(int32_t number);
// List box: select a row (-1 none) without raising an event. Progress bar: position, repainted at once.
void SetControlValue(int32_t number, int32_t value);
void SetControlText(int32_t number, const std::string& text);
// Position -1 appends.
void InsertRow(int32_t number, int32_t position, const std::string& text);
void DeleteRow(int32_t number, int32_t index);
void ClearRows(int32_t number);
int32_t CountRows(int32_t number);
