// The event wait on Win32: one message per wait, control notifications and close requests turned
// into event codes by the window procedure, and Tab navigation through each window's keyboard table.
#include "platform/events.h"

#include "platform/common/tab_walk.h"
#include "platform/win32/win32_backend.h"

#include <windows.h>

#include <vector>

namespace {

using zw_win32::COMMAND_NEXT_CONTROL;
using zw_win32::COMMAND_PREVIOUS_CONTROL;
// Posted on WM_SIZE, so that the size event is returned by a wait of its own.
constexpr UINT MESSAGE_SIZED = 12504;

void RecordEvent(int32_t code) {
    zw_win32::State().eventCode = code;
}

BOOL CALLBACK CollectChild(HWND child, LPARAM data) {
    reinterpret_cast<std::vector<HWND>*>(data)->push_back(child);
    return TRUE;
}

bool Eligible(HWND control) {
    return IsWindowEnabled(control) && IsWindowVisible(control) &&
           (GetWindowLongA(control, GWL_STYLE) & WS_TABSTOP) != 0;
}

// Tab and Shift+Tab among every child of the window in creation order; the focus counts only where it is
// on one of them.
void MoveFocus(HWND window, bool forward) {
    std::vector<HWND> children;
    EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&children));
    HWND focus = GetFocus();
    const bool focusIsOurs = focus != nullptr && IsChild(window, focus);
    std::vector<bool> eligible;
    int32_t focused = -1;
    for (HWND child : children) {
        if (focusIsOurs && child == focus) focused = static_cast<int32_t>(eligible.size());
        eligible.push_back(Eligible(child));
    }
    const int32_t target = zw_common::TabTarget(eligible, focused, !forward);
    if (target >= 0) SetFocus(children[static_cast<size_t>(target)]);
}

bool IsListBoxClass(HWND control) {
    char name[64] = {};
    GetClassNameA(control, name, sizeof name);
    return name[0] == 'L' && name[1] == 'i' && name[2] == 's' && name[3] == 't';
}

} // namespace

LRESULT CALLBACK zw_win32::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (lParam != 0) {
            RecordEvent(EVENT_CONTROL);
            zw_win32::State().eventControl = LOWORD(wParam);
            const WORD notification = HIWORD(wParam);
            // A list box reports focus changes and more; only a selection change or a double
            // click is an event.
            if (IsListBoxClass(reinterpret_cast<HWND>(lParam)) && notification != LBN_SELCHANGE &&
                notification != LBN_DBLCLK)
                RecordEvent(0);
            return 0;
        }
        if (LOWORD(wParam) == COMMAND_NEXT_CONTROL || LOWORD(wParam) == COMMAND_PREVIOUS_CONTROL) {
            MoveFocus(window, LOWORD(wParam) == COMMAND_NEXT_CONTROL);
            return 0;
        }
        break;
    case WM_CLOSE:
        // The owner decides when the window goes.
        RecordEvent(EVENT_CLOSE);
        return 0;
    case WM_SIZE:
        PostMessageA(window, MESSAGE_SIZED, wParam, lParam);
        return 0;
    case MESSAGE_SIZED:
        RecordEvent(EVENT_SIZE);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int32_t WaitEvent() {
    // A close request taken from the queue while a command ran.
    if (zw_win32::State().eventCode == EVENT_CLOSE) {
        zw_win32::State().eventCode = 0;
        return EVENT_CLOSE;
    }
    zw_win32::ShowNewRows();
    MSG message = {};
    GetMessageA(&message, nullptr, 0, 0);
    HWND active = GetActiveWindow();
    HACCEL keyboardTable = zw_win32::KeyboardTableOf(active);
    if (keyboardTable == nullptr || !TranslateAcceleratorA(active, keyboardTable, &message)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    int32_t& eventCode = zw_win32::State().eventCode;
    if (eventCode != 0) {
        const int32_t code = eventCode;
        eventCode = 0;
        return code;
    }
    const auto code = static_cast<int32_t>(message.message);
    // A message that raised no event must not pass for one (WM_SIZE is 5, WM_CLOSE is 16).
    if (code == EVENT_SIZE || code == EVENT_CLOSE || code == EVENT_CONTROL) return code | 0x10000;
    return code;
}

int32_t EventControl() {
    return zw_win32::State().eventControl;
}

int32_t DropBusyInput() {
    int32_t& eventCode = zw_win32::State().eventCode;
    bool closing = eventCode == EVENT_CLOSE;
    MSG message = {};
    // Bounded: a window that never stops asking to be painted must not hold the command for ever.
    for (int taken = 0; taken < 100000 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); ++taken) {
        // The program has no timer; whatever runs on one waits for the next wait's tick.
        if (message.message == WM_TIMER) continue;
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        const bool key = message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST;
        const bool mouse = message.message >= WM_MOUSEFIRST && message.message <= WM_MOUSELAST;
        if (key || mouse) {
            // Alt+F4 asks to close the window; every other key and click is dropped.
            closing = closing || (message.message == WM_SYSKEYDOWN && message.wParam == VK_F4);
            continue;
        }
        // Painting, the title bar and its close box, and what the window system sends on its own.
        DispatchMessageA(&message);
        closing = closing || eventCode == EVENT_CLOSE;
        eventCode = 0;
    }
    eventCode = closing ? EVENT_CLOSE : 0;
    return closing ? 1 : 0;
}
