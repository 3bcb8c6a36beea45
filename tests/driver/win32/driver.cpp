// The user at a Win32 window: mouse and keyboard messages posted into the thread's queue, where the
// program's own wait (or a dialog's modal loop) takes them like any other input, and what the
// windows show read back through user32.
//
// Input is posted to the window under the pointer inside our window rather than sent with
// SendInput: under Wine in Xvfb there is no window manager, and other programs of the same wine
// server may cover ours, so the foreground and the X pointer are not ours to rely on.
#include "driver/driver.h"
#include "driver/win32/win32_driver.h"

#include "platform/events.h"
#include "platform/window_services.h"

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <shlobj.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

namespace driver {
namespace win32 {

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

} // namespace win32

using win32::ClassOf;
using win32::Descendants;
using win32::TextOf;

namespace {

constexpr char OUR_CLASS_PREFIX[] = "WindowClass_";
constexpr char DIALOG_CLASS[] = "#32770";

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
    ++queueOnly;
    Drain(backlog);
    --queueOnly;
}

// --- Dialogs ---------------------------------------------------------------------------------------

bool HasTree(HWND dialog) {
    for (HWND child : Descendants(dialog))
        if (ClassOf(child) == WC_TREEVIEWA) return true;
    return false;
}

// The open dialogs of this thread: message boxes and the folder chooser.
std::vector<HWND> OpenDialogs() {
    std::vector<HWND> dialogs;
    for (HWND window : ThreadWindows())
        if (ClassOf(window) == DIALOG_CLASS && IsWindowVisible(window)) dialogs.push_back(window);
    return dialogs;
}

HWND FolderChooser() {
    for (HWND dialog : OpenDialogs())
        if (HasTree(dialog)) return dialog;
    return nullptr;
}

HWND MessageBoxWindow() {
    for (HWND dialog : OpenDialogs())
        if (!HasTree(dialog)) return dialog;
    return nullptr;
}

void ClickButtonOf(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    if (button == nullptr || !IsWindowVisible(button)) {
        ADD_FAILURE() << "dialog has no button " << id;
        return;
    }
    ClickAt(dialog, CentreOf(button), false);
}

std::string TreeSelectionText(HWND chooser) {
    HWND tree = nullptr;
    for (HWND child : Descendants(chooser))
        if (ClassOf(child) == WC_TREEVIEWA) tree = child;
    if (tree == nullptr) return {};
    auto item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    char text[MAX_PATH] = {};
    TVITEMA query = {};
    query.mask = TVIF_TEXT;
    query.hItem = item;
    query.pszText = text;
    query.cchTextMax = sizeof text;
    if (item == nullptr || !SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query))) return {};
    return text;
}

// The tree shows a folder by its name and a drive by its letter in brackets, "(C:)".
bool TreeShows(HWND chooser, const std::string& folder) {
    const std::string shown = TreeSelectionText(chooser);
    if (folder.size() <= 2 || (folder.size() == 3 && folder[2] == '\\'))
        return shown.find("(" + folder.substr(0, 2) + ")") != std::string::npos;
    return lstrcmpiA(shown.c_str(), folder.substr(folder.rfind('\\') + 1).c_str()) == 0;
}

// Choosing a folder takes more than one moment under Wine: its chooser answers with the folder
// selected in its tree and ignores the edit box, and in the first chooser of a process the tree
// takes a while before it can select a folder. The folder is selected in the tree (again on every
// tick until it shows), then typed into the edit box for Windows, then OK is pressed.
struct PendingChoice {
    std::string folder;
    DWORD since = 0;
    bool active = false;
};
PendingChoice pendingChoice;
constexpr DWORD CHOICE_PATIENCE_MS = 5000;

void ContinueChoice() {
    if (!pendingChoice.active) return;
    HWND chooser = FolderChooser();
    if (chooser == nullptr) {
        pendingChoice.active = false;
        return;
    }
    const std::string& folder = pendingChoice.folder;
    std::string selection = folder;
    if (selection.size() > 3 && selection.back() == '\\') selection.pop_back();
    SendMessageA(chooser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(selection.c_str()));
    if (!TreeShows(chooser, selection) && GetTickCount() - pendingChoice.since < CHOICE_PATIENCE_MS) return;
    pendingChoice.active = false;

    HWND edit = nullptr;
    for (HWND child : Descendants(chooser))
        if (ClassOf(child) == "Edit" && IsWindowVisible(child)) edit = child;
    if (edit != nullptr) {
        // Click into the box, select what it holds, type over it.
        ClickAt(chooser, CentreOf(edit), false);
        PostMessageA(edit, EM_SETSEL, 0, -1);
        for (char c : folder)
            PostMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
    }
    ClickButtonOf(chooser, IDOK);
}

// Ends whatever a failed test left open: dialogs are cancelled, our windows asked to close.
void EndEverything() {
    for (HWND dialog : OpenDialogs())
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    for (HWND window : OurTopWindows())
        PostMessageA(window, WM_CLOSE, 0, 0);
}

// --- Acting while the program runs ------------------------------------------------------------------

struct UserRun {
    const std::vector<std::function<bool()>>* steps = nullptr;
    size_t next = 0;
    DWORD since = 0;
    DWORD timeoutMs = 0;
    DWORD lastRescue = 0;
    bool failed = false;
    bool busy = false;
};
UserRun* userRun = nullptr;

constexpr UINT STEP_INTERVAL_MS = 25;
constexpr DWORD RESCUE_INTERVAL_MS = 500;

// Runs on the GUI thread whenever its queue is idle, inside whatever loop is running.
void CALLBACK UserTick(HWND, UINT, UINT_PTR, DWORD) {
    UserRun* run = userRun;
    if (run == nullptr || run->busy) return;
    run->busy = true;
    ContinueChoice();
    if (!run->failed && !pendingChoice.active && run->next < run->steps->size()) {
        ++queueOnly;
        const bool done = (*run->steps)[run->next]();
        --queueOnly;
        if (done) {
            ++run->next;
            run->since = GetTickCount();
        }
    }
    const DWORD now = GetTickCount();
    if (!run->failed && now - run->since > run->timeoutMs) {
        run->failed = true;
        if (run->next < run->steps->size())
            ADD_FAILURE() << "user step " << run->next + 1 << " of " << run->steps->size()
                          << " did not succeed within " << run->timeoutMs << " ms";
        else
            ADD_FAILURE() << "the program did not return within " << run->timeoutMs
                          << " ms after the last user step";
    }
    if (run->failed && now - run->lastRescue > RESCUE_INTERVAL_MS) {
        run->lastRescue = now;
        EndEverything();
    }
    run->busy = false;
}

// A body that stops taking messages altogether cannot be rescued from its own thread: the whole
// test program ends, which is better than a run that never finishes.
class Watchdog {
  public:
    explicit Watchdog(std::chrono::milliseconds limit)
        : thread_([this, limit] {
              std::unique_lock<std::mutex> lock(mutex_);
              if (!done_changed_.wait_for(lock, limit, [this] { return done_; })) {
                  std::fprintf(stderr,
                               "WithUser: the GUI thread stopped taking messages; ending the test run\n");
                  std::fflush(stderr);
                  TerminateProcess(GetCurrentProcess(), 3);
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            done_ = true;
        }
        done_changed_.notify_all();
        thread_.join();
    }

  private:
    std::mutex mutex_;
    std::condition_variable done_changed_;
    bool done_ = false;
    std::thread thread_;
};

std::string ArtifactFolder() {
    char value[MAX_PATH * 2] = {};
    const DWORD length = GetEnvironmentVariableA("ZW_ARTIFACTS", value, sizeof value);
    std::string folder = (length > 0 && length < sizeof value) ? value : "artifacts";
    // A Unix path from the test environment names the same folder through Wine's drive of the root.
    if (!folder.empty() && folder[0] == '/') {
        using DosName = WCHAR*(CDECL*)(const char*);
        auto toDos = reinterpret_cast<DosName>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
        if (toDos != nullptr) {
            if (WCHAR* dos = toDos(folder.c_str())) {
                char converted[MAX_PATH * 2] = {};
                WideCharToMultiByte(CP_ACP, 0, dos, -1, converted, sizeof converted, nullptr, nullptr);
                HeapFree(GetProcessHeap(), 0, dos);
                folder = converted;
            }
        }
    }
    for (char& c : folder)
        if (c == '/') c = '\\';
    // Create every missing level.
    for (size_t i = 1; i <= folder.size(); ++i)
        if (i == folder.size() || folder[i] == '\\') CreateDirectoryA(folder.substr(0, i).c_str(), nullptr);
    return folder;
}

} // namespace

// --- What the window shows ------------------------------------------------------------------------

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

// Read from the window's own surface, so that nothing that may cover it on the screen counts.
Picture ControlPicture(int32_t control) {
    HWND window = ControlOrFail(control);
    if (window == nullptr) return {};
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    RECT frame = {};
    GetWindowRect(window, &frame);
    Picture picture{frame.right - frame.left, frame.bottom - frame.top, {}};
    HDC source = GetWindowDC(window);
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap != nullptr && bits != nullptr) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, picture.width, picture.height, source, 0, 0, SRCCOPY);
        GdiFlush();
        SelectObject(memory, previous);
        const auto* pixels = static_cast<const uint32_t*>(bits);
        for (int32_t i = 0; i < picture.width * picture.height; ++i)
            picture.pixels.push_back(pixels[i] & 0xFFFFFF); // blue, green, red, unused: 0xRRGGBB
    }
    if (bitmap != nullptr) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, source);
    return picture;
}

// Paints what is still invalid and lets Wine copy its window surfaces to the display, which it does
// lazily from the message wait; posted messages stay in the queue.
static void LetTheScreenCatchUp() {
    for (HWND window : ThreadWindows())
        if (IsWindowVisible(window)) RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 250) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG pending = {};
        PeekMessageA(&pending, nullptr, 0, 0, PM_NOREMOVE);
    }
}

std::string SaveScreenshot(const std::string& name) {
    LetTheScreenCatchUp();
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height; // bottom-up, as a BMP file stores it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    std::string path;
    if (bitmap != nullptr && pixels != nullptr) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
        GdiFlush();
        SelectObject(memory, previous);

        const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
        const DWORD imageSize = stride * static_cast<DWORD>(height);
        BITMAPFILEHEADER file = {};
        file.bfType = 0x4D42; // "BM"
        file.bfOffBits = sizeof file + sizeof info.bmiHeader;
        file.bfSize = file.bfOffBits + imageSize;
        info.bmiHeader.biSizeImage = imageSize;

        path = ArtifactFolder() + "\\" + name + ".bmp";
        HANDLE out = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        bool written = out != INVALID_HANDLE_VALUE;
        DWORD done = 0;
        written = written && WriteFile(out, &file, sizeof file, &done, nullptr);
        written = written && WriteFile(out, &info.bmiHeader, sizeof info.bmiHeader, &done, nullptr);
        written = written && WriteFile(out, pixels, imageSize, &done, nullptr);
        if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
        if (!written) path.clear();
    }
    if (bitmap != nullptr) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return path;
}

// --- What the user does (real input events) -------------------------------------------------------

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
    UINT virtualKey = VK_TAB;
    switch (key) {
    case Key::Tab:
    case Key::ShiftTab:
        virtualKey = VK_TAB;
        break;
    case Key::Up:
        virtualKey = VK_UP;
        break;
    case Key::Down:
        virtualKey = VK_DOWN;
        break;
    case Key::Space:
        virtualKey = VK_SPACE;
        break;
    case Key::Enter:
        virtualKey = VK_RETURN;
        break;
    }
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

std::vector<SeenEvent> EventsOf(const std::function<void()>& action) {
    ++queueOnly;
    action();
    std::vector<SeenEvent> seen;
    seen.swap(backlog);
    Drain(seen);
    --queueOnly;
    return seen;
}

// --- Modal dialogs, while they are open -----------------------------------------------------------

bool FolderChooserOpen() {
    return FolderChooser() != nullptr;
}

void UserChooseFolder(const std::string& folder) {
    if (FolderChooser() == nullptr) {
        ADD_FAILURE() << "no folder chooser open";
        return;
    }
    pendingChoice = PendingChoice{folder, GetTickCount(), true};
    ContinueChoice();
}

void UserCancelFolderChooser() {
    HWND chooser = FolderChooser();
    if (chooser == nullptr) {
        ADD_FAILURE() << "no folder chooser open";
        return;
    }
    ClickButtonOf(chooser, IDCANCEL);
}

bool MessageBoxOpen() {
    return MessageBoxWindow() != nullptr;
}

std::string MessageBoxTitle() {
    return TextOf(MessageBoxWindow());
}

std::string MessageBoxText() {
    HWND box = MessageBoxWindow();
    if (box == nullptr) return {};
    for (HWND child : Descendants(box)) {
        if (ClassOf(child) != "Static") continue;
        std::string text = TextOf(child);
        if (!text.empty()) return text;
    }
    return {};
}

void UserConfirmMessageBox() {
    HWND box = MessageBoxWindow();
    if (box == nullptr) {
        ADD_FAILURE() << "no message box open";
        return;
    }
    ClickButtonOf(box, IDOK);
}

// --- Acting while the program runs ------------------------------------------------------------------

void WithUser(const std::function<void()>& body, const std::vector<std::function<bool()>>& steps,
              int32_t timeoutMs) {
    UserRun run;
    run.steps = &steps;
    run.since = GetTickCount();
    run.timeoutMs = static_cast<DWORD>(timeoutMs);
    UserRun* outer = userRun;
    userRun = &run;
    // A thread timer: its procedure also runs inside the modal loops of the dialogs.
    const UINT_PTR timer = SetTimer(nullptr, 0, STEP_INTERVAL_MS, UserTick);
    {
        const auto steps_count = static_cast<int64_t>(steps.size()) + 1;
        Watchdog watchdog(std::chrono::milliseconds(static_cast<int64_t>(timeoutMs) * steps_count + 60000));
        body();
    }
    KillTimer(nullptr, timer);
    userRun = outer;
    if (!run.failed && run.next < steps.size())
        ADD_FAILURE() << "the program returned before user step " << run.next + 1 << " of " << steps.size();
}

} // namespace driver
