// Window system services on Win32: numbered top-level windows and numbered controls (user32, gdi32,
// comctl32). Strings are bytes in the ANSI code page, so every call is the A variant.
#include "platform/window_services.h"

#include "platform/win32/win32_backend.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace zw_win32 {

// One operation table per kind of control; an empty entry falls back to the default.
struct ControlKind {
    int32_t (*getValue)(HWND control);
    void (*setValue)(HWND control, int32_t value);
    void (*setText)(HWND control, const char* text);
    void (*insertRow)(HWND control, int32_t position, const char* text);
    void (*deleteRow)(HWND control, int32_t index);
    void (*clearRows)(HWND control);
    int32_t (*countRows)(HWND control);
};

Backend& State() {
    static Backend state;
    return state;
}

} // namespace zw_win32

namespace {

using zw_win32::COMMAND_NEXT_CONTROL;
using zw_win32::COMMAND_PREVIOUS_CONTROL;
using zw_win32::ControlEntry;
using zw_win32::ControlKind;
using zw_win32::State;
using zw_win32::WindowEntry;
constexpr int KEYBOARD_ROWS = 2;

int32_t ListBoxGetValue(HWND control) {
    return static_cast<int32_t>(SendMessageA(control, LB_GETCURSEL, 0, 0));
}

void ListBoxSetValue(HWND control, int32_t value) {
    SendMessageA(control, LB_SETCURSEL, static_cast<WPARAM>(static_cast<intptr_t>(value)), 0);
}

// A list box that repaints itself and its scroll bar after every row takes minutes for a large
// catalogue. Rows inserted between two waits are painted once, when the program waits again and the
// user can look (ShowNewRows).
void ListBoxInsertRow(HWND control, int32_t position, const char* text) {
    std::vector<HWND>& taking = State().listBoxesTakingRows;
    if (std::find(taking.begin(), taking.end(), control) == taking.end()) {
        SendMessageA(control, WM_SETREDRAW, FALSE, 0);
        taking.push_back(control);
    }
    SendMessageA(control, LB_INSERTSTRING, static_cast<WPARAM>(static_cast<intptr_t>(position)),
                 reinterpret_cast<LPARAM>(text));
}

void ListBoxDeleteRow(HWND control, int32_t index) {
    SendMessageA(control, LB_DELETESTRING, static_cast<WPARAM>(static_cast<intptr_t>(index)), 0);
}

void ListBoxClearRows(HWND control) {
    SendMessageA(control, LB_RESETCONTENT, 0, 0);
}

int32_t ListBoxCountRows(HWND control) {
    return static_cast<int32_t>(SendMessageA(control, LB_GETCOUNT, 0, 0));
}

// The search sets the bars while no events are processed: paint now, not at the next wait.
void BarSetValue(HWND control, int32_t value) {
    SendMessageA(control, PBM_SETPOS, static_cast<WPARAM>(static_cast<intptr_t>(value)), 0);
    UpdateWindow(control);
}

void LabelSetText(HWND control, const char* text) {
    SetWindowTextA(control, text);
}

const ControlKind BUTTON_KIND = {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
const ControlKind LABEL_KIND = {nullptr, nullptr, LabelSetText, nullptr, nullptr, nullptr, nullptr};
const ControlKind LIST_BOX_KIND = {ListBoxGetValue,  ListBoxSetValue,  nullptr,         ListBoxInsertRow,
                                   ListBoxDeleteRow, ListBoxClearRows, ListBoxCountRows};
const ControlKind BAR_KIND = {nullptr, BarSetValue, nullptr, nullptr, nullptr, nullptr, nullptr};

HINSTANCE Instance() {
    return GetModuleHandleA(nullptr);
}

void ClassName(int32_t number, char (&name)[32]) {
    std::snprintf(name, sizeof name, "WindowClass_%ld", static_cast<long>(number));
}

// The entry of an existing control, or none for a number that was never created.
const ControlEntry* ControlAt(int32_t number) {
    const std::vector<ControlEntry>& table = State().controls.table;
    if (number < 0 || static_cast<size_t>(number) >= table.size()) return nullptr;
    const ControlEntry& entry = table[static_cast<size_t>(number)];
    if (entry.window == nullptr || entry.kind == nullptr) return nullptr;
    return &entry;
}

ControlEntry* MakeControlEntry(int32_t number) {
    std::vector<ControlEntry>& table = State().controls.table;
    if (static_cast<size_t>(number) >= table.size())
        table.resize(static_cast<size_t>(number) + zw_win32::CONTROL_TABLE_STEP);
    return &table[static_cast<size_t>(number)];
}

// Buttons, labels and list boxes: created, recorded and given the control font alike.
HWND CreateTextControl(int32_t number, const ControlKind* kind, DWORD extendedStyle, const char* className,
                       const char* text, DWORD style, int32_t x, int32_t y, int32_t width, int32_t height) {
    if (number < 0) return nullptr;
    ControlEntry* entry = MakeControlEntry(number);
    HWND control =
        CreateWindowExA(extendedStyle, className, text, style, x, y, width, height, State().controlParent,
                        reinterpret_cast<HMENU>(static_cast<intptr_t>(number)), Instance(), nullptr);
    entry->window = control;
    entry->kind = kind;
    if (control != nullptr)
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(State().controls.font), TRUE);
    return control;
}

} // namespace

void zw_win32::ShowNewRows() {
    std::vector<HWND>& taking = State().listBoxesTakingRows;
    for (HWND list : taking) {
        if (!IsWindow(list)) continue;
        SendMessageA(list, WM_SETREDRAW, TRUE, 0);
        RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
    }
    taking.clear();
}

HACCEL zw_win32::KeyboardTableOf(HWND window) {
    if (window == nullptr) return nullptr;
    for (const WindowEntry& entry : State().windows.table)
        if (entry.window == window) return entry.keyboardTable;
    return nullptr;
}

void InitControlServices() {
    zw_win32::Backend& state = State();
    state.controls = {};
    state.controls.font = static_cast<HFONT>(GetStockObject(ANSI_VAR_FONT));
    InitCommonControls();
}

void InitWindowServices() {
    // Windows still open from an earlier start would be lost with their entries.
    CloseAllWindows();
    zw_win32::Backend& state = State();
    state.windows = {};
    if (state.backgroundBrush == nullptr) {
        LOGBRUSH brush = {BS_SOLID, GetSysColor(COLOR_BTNFACE), 0};
        state.backgroundBrush = CreateBrushIndirect(&brush);
    }
    WNDCLASSA& windowClass = state.windows.windowClass;
    windowClass.style = 0;
    windowClass.lpfnWndProc = zw_win32::WindowProcedure;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = Instance();
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hIcon = LoadIconA(Instance(), MAKEINTRESOURCEA(1));
    windowClass.hbrBackground = state.backgroundBrush;
    windowClass.lpszMenuName = nullptr;
}

WindowHandle OpenTopWindow(int32_t number, int32_t x, int32_t y, int32_t width, int32_t height, int32_t flags,
                           const std::string& title) {
    if (number < 0) return nullptr;
    std::vector<WindowEntry>& table = State().windows.table;
    if (static_cast<size_t>(number) >= table.size())
        table.resize(static_cast<size_t>(number) + zw_win32::WINDOW_TABLE_STEP);
    CloseTopWindow(number);

    char className[32];
    ClassName(number, className);
    WNDCLASSA windowClassOfNumber = State().windows.windowClass;
    windowClassOfNumber.lpszClassName = className;
    RegisterClassA(&windowClassOfNumber);

    const bool centre = (flags & WINDOW_CENTRE_SCREEN) != 0;
    const DWORD style = (static_cast<DWORD>(flags) & ~static_cast<DWORD>(WINDOW_CENTRE_SCREEN)) | WS_VISIBLE;
    RECT frame = {x, y, x + width, y + height};
    AdjustWindowRect(&frame, style, FALSE);
    const int32_t frameWidth = frame.right - frame.left;
    const int32_t frameHeight = frame.bottom - frame.top;
    int32_t left = x;
    int32_t top = y;
    if (centre) {
        left = (GetSystemMetrics(SM_CXSCREEN) >> 1) - (frameWidth >> 1);
        top = (GetSystemMetrics(SM_CYSCREEN) >> 1) - (frameHeight >> 1);
    }

    HWND window = CreateWindowExA(0, className, title.c_str(), style, left, top, frameWidth, frameHeight,
                                  nullptr, nullptr, Instance(), nullptr);
    WindowEntry& entry = table[static_cast<size_t>(number)];
    entry.window = window;
    if (window == nullptr) return nullptr;
    State().currentWindow = window;

    entry.keyboardRowCount = KEYBOARD_ROWS;
    entry.keyboardRows = new ACCEL[KEYBOARD_ROWS]{
        {FVIRTKEY | FNOINVERT, VK_TAB, COMMAND_NEXT_CONTROL},
        {FVIRTKEY | FNOINVERT | FSHIFT, VK_TAB, COMMAND_PREVIOUS_CONTROL},
    };
    entry.keyboardTable = CreateAcceleratorTableA(entry.keyboardRows, entry.keyboardRowCount);
    return window;
}

void CloseTopWindow(int32_t number) {
    std::vector<WindowEntry>& table = State().windows.table;
    if (number < 0 || static_cast<size_t>(number) >= table.size()) return;
    WindowEntry& entry = table[static_cast<size_t>(number)];
    if (entry.window != nullptr) DestroyWindow(entry.window);
    char className[32];
    ClassName(number, className);
    UnregisterClassA(className, Instance());
    if (entry.keyboardTable != nullptr) DestroyAcceleratorTable(entry.keyboardTable);
    delete[] entry.keyboardRows;
    entry = WindowEntry{};
}

void CloseAllWindows() {
    for (size_t number = State().windows.table.size(); number-- > 0;)
        CloseTopWindow(static_cast<int32_t>(number));
}

WindowHandle CurrentWindow() {
    return State().currentWindow;
}

WindowHandle SetControlParent(WindowHandle window) {
    State().controlParent = static_cast<HWND>(window);
    return window;
}

WindowHandle CreateButton(int32_t number, int32_t x, int32_t y, int32_t width, int32_t height,
                          const std::string& caption) {
    return CreateTextControl(number, &BUTTON_KIND, 0, "BUTTON", caption.c_str(),
                             WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_PUSHBUTTON, x, y, width,
                             height);
}

WindowHandle CreateLabel(int32_t number, int32_t x, int32_t y, int32_t width, int32_t height,
                         const std::string& text) {
    return CreateTextControl(number, &LABEL_KIND, 0, "STATIC", text.c_str(),
                             WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT, x, y, width, height);
}

WindowHandle CreateListBox(int32_t number, int32_t x, int32_t y, int32_t width, int32_t height) {
    return CreateTextControl(number, &LIST_BOX_KIND, WS_EX_CLIENTEDGE, "LISTBOX", nullptr,
                             WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | WS_GROUP | WS_TABSTOP |
                                 LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS | LBS_NOTIFY,
                             x, y, width, height);
}

WindowHandle CreateProgressBar(int32_t number, int32_t x, int32_t y, int32_t width, int32_t height,
                               int32_t minimum, int32_t maximum, int32_t style) {
    if (number < 0) return nullptr;
    HWND bar = CreateWindowExA(0, PROGRESS_CLASSA, nullptr, static_cast<DWORD>(style) | WS_CHILD | WS_VISIBLE,
                               x, y, width, height, State().controlParent,
                               reinterpret_cast<HMENU>(static_cast<intptr_t>(number)), Instance(), nullptr);
    if (bar == nullptr) return nullptr;
    SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(minimum, maximum));
    ControlEntry* entry = MakeControlEntry(number);
    entry->window = bar;
    entry->kind = &BAR_KIND;
    return bar;
}

void SetControlDisabled(int32_t number, int32_t disabled) {
    const ControlEntry* entry = ControlAt(number);
    if (entry == nullptr) return;
    EnableWindow(entry->window, disabled != 0 ? FALSE : TRUE);
}

int32_t GetControlValue(int32_t number) {
    const ControlEntry* entry = ControlAt(number);
    if (entry == nullptr || entry->kind->getValue == nullptr) return 0;
    return entry->kind->getValue(entry->window);
}

void SetControlValue(int32_t number, int32_t value) {
    const ControlEntry* entry = ControlAt(number);
    if (entry == nullptr || entry->kind->setValue == nullptr) return;
    entry->kind->setValue(entry->window, value);
}

void SetControlText(int32_t number, const std::string& text) {
    const ControlEntry* entry = ControlAt(number);
    if (entry == nullptr) return;
    if (entry->kind->setText != nullptr)
        entry->kind->setText(entry->window, text.c_str());
    else
        SetWindowTextA(entry->window, text.c_str());
}

void InsertRow(int32_t number, int32_t position, const std::string& text) {
    const ControlEntry* entry = ControlAt(number);
    if (entry == nullptr || entry->kind->insertRow == nullptr) return;
    entry->kind->insertRow(entry->window, position, text.c_str());
}

void DeleteRow(int32_t number, int32_t index) {
    const ControlEntry* entry = ControlAt(number);
    if (entry == nullptr || entry->kind->deleteRow == nullptr) return;
    entry->kind->deleteRow(entry->window, index);
}

void ClearRows(int32_t number) {
    const ControlEntry* entry = ControlAt(number);
    if (entry == nullptr || entry->kind->clearRows == nullptr) return;
    entry->kind->clearRows(entry->window);
}

int32_t CountRows(int32_t number) {
    const ControlEntry* entry = ControlAt(number);
    if (entry == nullptr || entry->kind->countRows == nullptr) return 0;
    return entry->kind->countRows(entry->window);
}
