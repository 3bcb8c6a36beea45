// The user's input on Win32: mouse and keyboard messages posted into the thread's queue, where the
// program's own wait (or a dialog's modal loop) takes them like any other input.
//
// Input is posted to the window under the pointer inside our window rather than sent with
// SendInput: under Wine in Xvfb there is no window manager, and other programs of the same wine
// server may cover ours, so the foreground and the X pointer are not ours to rely on.
#include "driver/driver.h"
#include "driver/win32/win32_driver.h"

#include "platform/events.h"
#include "platform/window_services.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace driver {
namespace win32 {
namespace {

// --- Pointer ---------------------------------------------------------------------------------------

// The window that a click at Point (screen) reaches inside Top: disabled and hidden controls let
// the click through to the window, as the window system does.
HWND WindowAt(HWND top, POINT point) {
    POINT local = point;
    ScreenToClient(top, &local);
    HWND hit = ChildWindowFromPointEx(top, local, CWP_SKIPINVISIBLE | CWP_SKIPDISABLED);
    return hit != nullptr ? hit : top;
}

HWND TopOf(HWND window) {
    HWND top = GetAncestor(window, GA_ROOT);
    return top != nullptr ? top : window;
}

void PostMouse(HWND target, UINT message, WPARAM keys, POINT screen) {
    POINT local = screen;
    ScreenToClient(target, &local);
    PostMessageA(target, message, keys, MAKELPARAM(local.x, local.y));
}

void ClickRow(int32_t control, int32_t row, bool twice) {
    HWND list = ControlOrFail(control);
    if (list == nullptr) return;
    RECT client = {};
    GetClientRect(list, &client);
    RECT item = {};
    SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    // A row out of sight is scrolled to first, as a user would with the scroll bar.
    if (item.top < client.top || item.bottom > client.bottom) {
        SendMessageA(list, LB_SETTOPINDEX, static_cast<WPARAM>(row), 0);
        SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    }
    POINT point = {(item.left + item.right) / 2, (item.top + std::min(item.bottom, client.bottom)) / 2};
    ClientToScreen(list, &point);
    ClickAt(TopOf(list), point, twice);
}

// --- Keyboard --------------------------------------------------------------------------------------

// A helper window of the driver: the end-of-queue marker, the keys and the release of Shift arrive
// here in queue order.
constexpr UINT MESSAGE_MARKER = WM_APP + 0x2A1;
constexpr UINT MESSAGE_RELEASE_SHIFT = WM_APP + 0x2A2;
constexpr UINT MESSAGE_KEY = WM_APP + 0x2A3;
bool markerSeen = false;

void SetShift(bool down) {
    BYTE state[256] = {};
    GetKeyboardState(state);
    const BYTE value = down ? 0x80 : 0x00;
    state[VK_SHIFT] = value;
    state[VK_LSHIFT] = value;
    SetKeyboardState(state);
}

LPARAM KeyData(UINT virtualKey, bool up) {
    const UINT scanCode = MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC);
    LPARAM data = 1 | static_cast<LPARAM>(scanCode << 16);
    if (up) data |= static_cast<LPARAM>(3u << 30);
    return data;
}

HWND KeyboardTarget() {
    HWND focus = GetFocus();
    if (focus != nullptr) return focus;
    HWND active = GetActiveWindow();
    return active != nullptr ? active : static_cast<HWND>(CurrentWindow());
}

HWND HelperWindow();

// Posted keys leave the key state alone; Shift is held in the thread's state until the keys before
// its release have been taken from the queue.
void PressKey(UINT virtualKey, bool shift) {
    HWND target = KeyboardTarget();
    if (shift) {
        SetShift(true);
        PostMessageA(target, WM_KEYDOWN, VK_SHIFT, KeyData(VK_SHIFT, false));
    }
    PostMessageA(target, WM_KEYDOWN, virtualKey, KeyData(virtualKey, false));
    PostMessageA(target, WM_KEYUP, virtualKey, KeyData(virtualKey, true));
    if (shift) {
        PostMessageA(target, WM_KEYUP, VK_SHIFT, KeyData(VK_SHIFT, true));
        PostMessageA(HelperWindow(), MESSAGE_RELEASE_SHIFT, 0, 0);
    }
}

LRESULT CALLBACK HelperProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == MESSAGE_MARKER) {
        markerSeen = true;
        return 0;
    }
    if (message == MESSAGE_RELEASE_SHIFT) {
        SetShift(false);
        return 0;
    }
    if (message == MESSAGE_KEY) {
        PressKey(static_cast<UINT>(wParam), lParam != 0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND HelperWindow() {
    static HWND helper = [] {
        WNDCLASSA helperClass = {};
        helperClass.lpfnWndProc = HelperProcedure;
        helperClass.hInstance = GetModuleHandleA(nullptr);
        helperClass.lpszClassName = "ZwDriverHelper";
        RegisterClassA(&helperClass);
        return CreateWindowExA(0, "ZwDriverHelper", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    }();
    return helper;
}

// Takes every message from the queue through the program's own wait, up to a marker and again
// while more keeps arriving (posted by what was just handled, or late from the X server), until
// the queue stays quiet for a moment. Keeps the events among the codes.
void Drain(std::vector<SeenEvent>& seen) {
    constexpr int MAX_ROUNDS = 50;
    constexpr int MAX_LEFT = 500;
    constexpr DWORD QUIET_MS = 40;
    auto take = [&seen] {
        const int32_t code = WaitEvent();
        if (code == EVENT_CONTROL)
            seen.push_back({code, EventControl()});
        else if (code == EVENT_CLOSE || code == EVENT_SIZE)
            seen.push_back({code, -1});
    };
    HWND helper = HelperWindow();
    for (int round = 0; round < MAX_ROUNDS; ++round) {
        markerSeen = false;
        PostMessageA(helper, MESSAGE_MARKER, 0, 0);
        while (!markerSeen)
            take();
        // Painting and timers come after every posted message, the marker included.
        int left = 0;
        MSG pending = {};
        for (; left < MAX_LEFT && PeekMessageA(&pending, nullptr, 0, 0, PM_NOREMOVE); ++left)
            take();
        if (left == 0 && MsgWaitForMultipleObjects(0, nullptr, FALSE, QUIET_MS, QS_ALLINPUT) == WAIT_TIMEOUT)
            break;
    }
}

// Inside EventsOf and inside the steps of WithUser a loop is about to take the input from the queue.
// Anywhere else the user's input is taken at once, as a user's would be by a running program, and
// the events it raised wait for the next EventsOf.
int queueOnly = 0;
std::vector<SeenEvent> backlog;

void Deliver() {
    if (queueOnly > 0) return;
    InputForTheLoop held;
    Drain(backlog);
}

} // namespace

void ClickAt(HWND top, POINT screen, bool twice) {
    HWND target = WindowAt(top, screen);
    PostMouse(target, WM_MOUSEMOVE, 0, screen);
    PostMouse(target, WM_LBUTTONDOWN, MK_LBUTTON, screen);
    PostMouse(target, WM_LBUTTONUP, 0, screen);
    if (twice) {
        PostMouse(target, WM_LBUTTONDBLCLK, MK_LBUTTON, screen);
        PostMouse(target, WM_LBUTTONUP, 0, screen);
    }
}

POINT CentreOf(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

InputForTheLoop::InputForTheLoop() {
    ++queueOnly;
}

InputForTheLoop::~InputForTheLoop() {
    --queueOnly;
}

} // namespace win32

using namespace win32;

void UserClick(int32_t control) {
    HWND window = ControlOrFail(control);
    if (window != nullptr) ClickAt(TopOf(window), CentreOf(window), false);
    Deliver();
}

void UserClickRow(int32_t control, int32_t row) {
    ClickRow(control, row, false);
    Deliver();
}

void UserDoubleClickRow(int32_t control, int32_t row) {
    ClickRow(control, row, true);
    Deliver();
}

void UserKey(Key key) {
    // In the order of driver::Key.
    constexpr UINT VIRTUAL_KEYS[] = {VK_TAB, VK_TAB, VK_UP, VK_DOWN, VK_SPACE, VK_RETURN};
    const UINT virtualKey = VIRTUAL_KEYS[static_cast<size_t>(key)];
    // The key reaches whatever has the focus when it is taken from the queue, after the input
    // before it.
    PostMessageA(HelperWindow(), MESSAGE_KEY, virtualKey, key == Key::ShiftTab ? 1 : 0);
    Deliver();
}

void UserCloseBox(int32_t window) {
    HWND top = TopWindow(window);
    if (top == nullptr) {
        ADD_FAILURE() << "no window " << window;
        return;
    }
    RECT frame = {};
    GetWindowRect(top, &frame);
    // The close box is at the right end of the title bar.
    const int caption = GetSystemMetrics(SM_CYCAPTION);
    const LPARAM where =
        MAKELPARAM(frame.right - caption / 2 - GetSystemMetrics(SM_CXFRAME), frame.top + caption / 2);
    PostMessageA(top, WM_SYSCOMMAND, SC_CLOSE, where);
    Deliver();
}

void ClicksWhileBusy(const std::function<void()>& action) {
    // Posted input waits in the queue until the program's next wait takes it.
    InputForTheLoop held;
    action();
}

std::vector<SeenEvent> EventsOf(const std::function<void()>& action) {
    InputForTheLoop held;
    action();
    std::vector<SeenEvent> seen;
    seen.swap(backlog);
    Drain(seen);
    return seen;
}

} // namespace driver
