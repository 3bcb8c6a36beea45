// What a Win32 window shows, read back through user32: windows, controls, rows, selections and bars.
#include "driver/driver.h"
#include "driver/win32/win32_driver.h"

#include <windows.h>

#include <commctrl.h>

namespace driver {

using namespace win32;

bool WindowOpen(int32_t window) {
    HWND top = TopWindow(window);
    return top != nullptr && IsWindowVisible(top);
}

Rect ClientRect(int32_t window) {
    HWND top = TopWindow(window);
    if (top == nullptr) return {};
    RECT client = {};
    GetClientRect(top, &client);
    POINT origin = {0, 0};
    ClientToScreen(top, &origin);
    return Rect{origin.x, origin.y, client.right - client.left, client.bottom - client.top};
}

Rect ScreenRect() {
    return Rect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

std::string WindowTitle(int32_t window) {
    return TextOf(TopWindow(window));
}

bool WindowResizable(int32_t window) {
    HWND top = TopWindow(window);
    return top != nullptr && (GetWindowLongA(top, GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX)) != 0;
}

Rect ControlRect(int32_t control) {
    HWND window = ControlWindow(control);
    if (window == nullptr) return {};
    RECT rect = {};
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return Rect{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

bool ControlExists(int32_t control) {
    return ControlWindow(control) != nullptr;
}

bool ControlEnabled(int32_t control) {
    HWND window = ControlWindow(control);
    return window != nullptr && IsWindowEnabled(window);
}

std::string ControlText(int32_t control) {
    return TextOf(ControlWindow(control));
}

std::vector<std::string> ControlRows(int32_t control) {
    std::vector<std::string> rows;
    HWND list = ControlWindow(control);
    if (list == nullptr) return rows;
    const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT row = 0; row < count; ++row) {
        const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(row), 0);
        std::string text(static_cast<size_t>(length < 0 ? 0 : length) + 1, '\0');
        const LRESULT copied =
            SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<size_t>(copied < 0 ? 0 : copied));
        rows.push_back(text);
    }
    return rows;
}

int32_t SelectedRow(int32_t control) {
    HWND list = ControlWindow(control);
    if (list == nullptr) return -1;
    const LRESULT selected = SendMessageA(list, LB_GETCURSEL, 0, 0);
    return selected == LB_ERR ? -1 : static_cast<int32_t>(selected);
}

int32_t BarPosition(int32_t control) {
    HWND bar = ControlWindow(control);
    return bar == nullptr ? 0 : static_cast<int32_t>(SendMessageA(bar, PBM_GETPOS, 0, 0));
}

int32_t FocusedControl() {
    HWND focus = GetFocus();
    if (focus == nullptr || !IsOurTopWindow(GetParent(focus))) return -1;
    return GetDlgCtrlID(focus);
}

int32_t RowHeight(int32_t control) {
    HWND list = ControlWindow(control);
    return list == nullptr ? 0 : static_cast<int32_t>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
}

} // namespace driver
