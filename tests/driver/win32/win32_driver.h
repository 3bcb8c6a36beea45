// What the files of the Win32 driver share, and the Win32-only tests use as well.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace driver::win32 {

// --- Finding windows (windows.cpp) ------------------------------------------------------------------
std::string ClassOf(HWND window);
std::string TextOf(HWND window); // "" for no window
std::vector<HWND> Descendants(HWND parent);
std::vector<HWND> ThreadWindows(); // the top-level windows of this thread
bool IsOurTopWindow(HWND window);
std::vector<HWND> OurTopWindows();
HWND TopWindow(int32_t number);
HWND ControlWindow(int32_t control); // none for a number never created
HWND ControlOrFail(int32_t control); // the same, and then the test fails

// --- The pointer and the queue the input goes through (input.cpp) ---------------------------------
POINT CentreOf(HWND window);
void ClickAt(HWND top, POINT screen, bool twice);
// Input made anywhere else is taken at once, as a running program would take it; while one of these
// lives a loop is about to take it from the queue (EventsOf, a step of WithUser), and it stays there.
class InputForTheLoop {
  public:
    InputForTheLoop();
    ~InputForTheLoop();
    InputForTheLoop(const InputForTheLoop&) = delete;
    InputForTheLoop& operator=(const InputForTheLoop&) = delete;
};

// --- Dialogs (dialogs.cpp) --------------------------------------------------------------------------
std::vector<HWND> OpenDialogs(); // message boxes and the folder chooser
HWND FolderChooser();            // the open one, or none
// The full name of the item selected in the chooser's tree, also where the code page has no name for it.
std::wstring TreeSelection(HWND chooser);
// Takes the next step of a folder choice that waits for the chooser; true while the choice is pending.
bool ContinueChoice();

} // namespace driver::win32
