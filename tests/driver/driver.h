// A user at the real toolkit: real input events sent to the real controls and dialogs, and what the
// window shows read back from the toolkit itself. One implementation per window backend
// (driver/qt, driver/win32); the tests that use it are the same for both.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace driver {

struct Rect {
    int32_t x = 0, y = 0, width = 0, height = 0;
};

// --- What the window shows ------------------------------------------------------------------------
bool WindowOpen(int32_t window); // a visible top-level window of that number
Rect ClientRect(int32_t window); // the client area, in screen coordinates
Rect ScreenRect();               // the screen the window is centred on
std::string WindowTitle(int32_t window);
bool WindowResizable(int32_t window);
Rect ControlRect(int32_t control); // relative to the client area of its window
bool ControlExists(int32_t control);
bool ControlEnabled(int32_t control);
std::string ControlText(int32_t control); // button caption or label text, in program bytes
std::vector<std::string> ControlRows(int32_t control);
int32_t SelectedRow(int32_t control); // -1 for none
int32_t BarPosition(int32_t control);
int32_t FocusedControl();           // -1 when no control of ours has the focus
int32_t RowHeight(int32_t control); // of a list box's rows, in pixels
// What a control looks like on the screen now, its frame included: pixels row by row, 0xRRGGBB.
struct Picture {
    int32_t width = 0, height = 0;
    std::vector<uint32_t> pixels;
};
Picture ControlPicture(int32_t control);
// Saves a picture of the whole screen (or the window) as a PNG or BMP under ZW_ARTIFACTS.
std::string SaveScreenshot(const std::string& name);

// --- What the user does (real input events) -------------------------------------------------------
void UserClick(int32_t control);                 // left click in the control's centre
void UserClickRow(int32_t control, int32_t row); // left click on a list-box row
void UserDoubleClickRow(int32_t control, int32_t row);
enum class Key { Tab, ShiftTab, Up, Down, Space, Enter };
void UserKey(Key key);             // to whatever has the focus
void UserCloseBox(int32_t window); // the title bar's close box
// Runs Action, whose clicks the window system holds as while the program is busy with a command: they
// reach the program only when it next takes input.
void ClicksWhileBusy(const std::function<void()>& action);

// Runs Action and then WaitEvent until the toolkit has nothing left to deliver; returns what the
// waits gave: each code, with EventControl() after an EVENT_CONTROL (otherwise -1). Codes of mere
// activity are left out, only EVENT_CONTROL, EVENT_CLOSE and EVENT_SIZE are kept.
struct SeenEvent {
    int32_t code;
    int32_t control;
};
std::vector<SeenEvent> EventsOf(const std::function<void()>& action);

// --- Modal dialogs, while they are open -----------------------------------------------------------
bool FolderChooserOpen();
// Types or picks Folder in the open chooser and confirms it.
void UserChooseFolder(const std::string& folder);
void UserCancelFolderChooser();
bool MessageBoxOpen();
std::string MessageBoxTitle();
std::string MessageBoxText();
void UserConfirmMessageBox();

// --- Acting while the program runs ------------------------------------------------------------------
// Calls Body (which runs the program, or opens a dialog, and blocks in its own loops) and performs
// Steps one after another whenever the toolkit is idle, inside whatever loop is running then. A step
// returns false to be tried again later (a dialog not open yet). Fails the running test, and ends
// Body's dialogs and loop as well as it can, when a step has not succeeded within TimeoutMs.
void WithUser(const std::function<void()>& body, const std::vector<std::function<bool()>>& steps,
              int32_t timeoutMs = 20000);

} // namespace driver
