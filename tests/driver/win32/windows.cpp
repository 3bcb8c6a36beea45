// The Win32 driver's lookups: our top-level windows by number, controls by number, the windows of
// this thread, and the class and text of a window.
#include "driver/win32/win32_driver.h"

#include "platform/window_services.h"

#include <gtest/gtest.h>

namespace driver::win32 {
namespace {

constexpr char OUR_CLASS_PREFIX[] = "WindowClass_";

} // namespace

std::string ClassOf(HWND window) {
    char name[128] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string TextOf(HWND window) {
    if (window == nullptr) return {};
    const int length = GetWindowTextLengthA(window);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(copied < 0 ? 0 : copied));
    return text;
}

std::vector<HWND> Descendants(HWND parent) {
    std::vector<HWND> children;
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM data) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(data)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&children));
    return children;
}

std::vector<HWND> ThreadWindows() {
    std::vector<HWND> windows;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM data) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    return windows;
}

bool IsOurTopWindow(HWND window) {
    return window != nullptr && ClassOf(window).rfind(OUR_CLASS_PREFIX, 0) == 0 &&
           GetParent(window) == nullptr;
}

std::vector<HWND> OurTopWindows() {
    std::vector<HWND> ours;
    for (HWND window : ThreadWindows())
        if (IsOurTopWindow(window)) ours.push_back(window);
    return ours;
}

// Each window has a class of its own, named after its number.
HWND TopWindow(int32_t number) {
    const std::string name = OUR_CLASS_PREFIX + std::to_string(number);
    for (HWND window : OurTopWindows())
        if (ClassOf(window) == name) return window;
    return nullptr;
}

// A control's number is its window identifier; the current window is searched first.
HWND ControlWindow(int32_t control) {
    std::vector<HWND> tops = OurTopWindows();
    HWND current = static_cast<HWND>(CurrentWindow());
    for (size_t i = 0; i < tops.size(); ++i)
        if (tops[i] == current) std::swap(tops[0], tops[i]);
    for (HWND top : tops)
        for (HWND child : Descendants(top))
            if (GetParent(child) == top && GetDlgCtrlID(child) == control) return child;
    return nullptr;
}

HWND ControlOrFail(int32_t control) {
    HWND window = ControlWindow(control);
    if (window == nullptr) ADD_FAILURE() << "no control " << control;
    return window;
}

} // namespace driver::win32
