// What only the Win32 backend promises: the window classes, styles, font and tables behind the
// numbers, the codes of the event wait, and a progress bar that paints without a wait.
#include "driver/driver.h"
#include "platform/events.h"
#include "platform/window_services.h"

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr int32_t MAIN_FLAGS = WINDOW_CAPTION | WINDOW_SYSMENU | WINDOW_CENTRE_SCREEN;

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

LONG StyleOf(HWND window) {
    return GetWindowLongA(window, GWL_STYLE);
}

bool Has(std::vector<driver::SeenEvent> events, int32_t code, int32_t control) {
    return std::any_of(events.begin(), events.end(),
                       [&](const driver::SeenEvent& e) { return e.code == code && e.control == control; });
}

class Win32Backend : public ::testing::Test {
  protected:
    void SetUp() override {
        InitControlServices();
        InitWindowServices();
    }
    void TearDown() override {
        CloseAllWindows();
        driver::EventsOf([] {});
    }

    HWND OpenWindow(int32_t number = 0) {
        auto window = static_cast<HWND>(OpenTopWindow(number, 0, 0, 600, 300, MAIN_FLAGS, "Zwillingsfeger"));
        EXPECT_NE(window, nullptr);
        SetControlParent(window);
        return window;
    }
};

TEST_F(Win32Backend, MainWindowHasItsClassStyleAndCentredFrame) {
    HWND window = OpenWindow();
    EXPECT_EQ(ClassOf(window), "WindowClass_0");
    EXPECT_EQ(CurrentWindow(), window);
    const LONG style = StyleOf(window);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_VISIBLE), WS_CAPTION | WS_SYSMENU | WS_VISIBLE);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);

    RECT client = {};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 600);
    EXPECT_EQ(client.bottom, 300);
    RECT frame = {};
    GetWindowRect(window, &frame);
    const LONG frameWidth = frame.right - frame.left;
    const LONG frameHeight = frame.bottom - frame.top;
    EXPECT_EQ(frame.left, (GetSystemMetrics(SM_CXSCREEN) >> 1) - (frameWidth >> 1));
    EXPECT_EQ(frame.top, (GetSystemMetrics(SM_CYSCREEN) >> 1) - (frameHeight >> 1));
}

TEST_F(Win32Backend, UncentredWindowPlacesItsFrameCornerAndReplacesItsNumber) {
    // Number 12 lies beyond the first ten entries of the window table.
    auto first = static_cast<HWND>(OpenTopWindow(12, 30, 40, 200, 100, WINDOW_CAPTION, "eins"));
    ASSERT_NE(first, nullptr);
    auto second = static_cast<HWND>(OpenTopWindow(12, 30, 40, 200, 100, WINDOW_CAPTION, "zwei"));
    ASSERT_NE(second, nullptr);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(driver::WindowTitle(12), "zwei");
    RECT frame = {};
    GetWindowRect(second, &frame);
    EXPECT_EQ(frame.left, 30);
    EXPECT_EQ(frame.top, 40);

    CloseTopWindow(12);
    EXPECT_FALSE(IsWindow(second));
    WNDCLASSA unused = {};
    EXPECT_FALSE(GetClassInfoA(GetModuleHandleA(nullptr), "WindowClass_12", &unused));
}

TEST_F(Win32Backend, ControlsHaveTheirClassesStylesAndFont) {
    OpenWindow();
    auto button = static_cast<HWND>(CreateButton(0, 0, 0, 195, 24, "Pfad hinzufügen"));
    auto label = static_cast<HWND>(CreateLabel(1, 0, 25, 195, 20, "Alle Dateien"));
    auto list = static_cast<HWND>(CreateListBox(2, 0, 45, 195, 103));
    auto bar = static_cast<HWND>(CreateProgressBar(100, 573, 75, 25, 70, 0, 100, BAR_VERTICAL | BAR_SMOOTH));
    ASSERT_TRUE(button && label && list && bar);

    EXPECT_EQ(ClassOf(button), "Button");
    EXPECT_EQ(ClassOf(label), "Static");
    EXPECT_EQ(ClassOf(list), "ListBox");
    EXPECT_EQ(ClassOf(bar), "msctls_progress32");
    EXPECT_EQ(GetDlgCtrlID(button), 0);
    EXPECT_EQ(GetDlgCtrlID(bar), 100);

    EXPECT_TRUE(StyleOf(button) & WS_TABSTOP);
    EXPECT_TRUE(StyleOf(list) & WS_TABSTOP);
    EXPECT_FALSE(StyleOf(label) & WS_TABSTOP);
    EXPECT_FALSE(StyleOf(bar) & WS_TABSTOP);
    const LONG listBits = LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS | LBS_NOTIFY;
    EXPECT_EQ(StyleOf(list) & listBits, listBits);
    EXPECT_FALSE(StyleOf(list) & LBS_SORT);
    // The scroll bar comes when the rows no longer fit, at the latest when the program waits.
    driver::EventsOf([] {
        for (int row = 0; row < 30; ++row)
            InsertRow(2, -1, "Zeile");
    });
    EXPECT_TRUE(StyleOf(list) & WS_VSCROLL);
    ClearRows(2);
    EXPECT_TRUE(GetWindowLongA(list, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_EQ(StyleOf(bar) & (PBS_SMOOTH | PBS_VERTICAL), PBS_SMOOTH | PBS_VERTICAL);

    // No rounding to whole rows: 103 pixels stay 103.
    RECT listRect = {};
    GetWindowRect(list, &listRect);
    EXPECT_EQ(listRect.bottom - listRect.top, 103);

    const auto font = reinterpret_cast<HFONT>(GetStockObject(ANSI_VAR_FONT));
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(button, WM_GETFONT, 0, 0)), font);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0)), font);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)), font);

    PBRANGE range = {};
    SendMessageA(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 100);

    // The texts arrive as the code page's bytes and come back unchanged.
    EXPECT_EQ(driver::ControlText(0), "Pfad hinzuf\xFCgen");
    InsertRow(2, -1, "L\xF6sche");
    EXPECT_EQ(driver::ControlRows(2), std::vector<std::string>{"L\xF6sche"});
}

TEST_F(Win32Backend, NumbersWithoutAControlDoNothing) {
    OpenWindow();
    CreateListBox(5, 0, 0, 100, 100);
    InsertRow(5, -1, "a");
    for (int32_t number : {-1, 3, 29, 30, 99, 1000}) {
        SetControlDisabled(number, 1);
        SetControlValue(number, 1);
        SetControlText(number, "x");
        InsertRow(number, -1, "x");
        DeleteRow(number, 0);
        ClearRows(number);
        EXPECT_EQ(GetControlValue(number), 0) << number;
        EXPECT_EQ(CountRows(number), 0) << number;
    }
    EXPECT_EQ(CreateButton(-1, 0, 0, 10, 10, "neg"), nullptr);

    // A bar that cannot be made leaves the entry of its number as it was.
    SetControlParent(nullptr);
    EXPECT_EQ(CreateProgressBar(5, 0, 0, 10, 10, 0, 100, BAR_SMOOTH), nullptr);
    EXPECT_EQ(CountRows(5), 1);

    // A kind without an operation ignores it; a label's text goes through.
    SetControlParent(CurrentWindow());
    CreateButton(1000, 0, 0, 50, 20, "Knopf");
    InsertRow(1000, -1, "row");
    EXPECT_EQ(CountRows(1000), 0);
    EXPECT_EQ(GetControlValue(1000), 0);
    SetControlText(1000, "neu");
    EXPECT_EQ(driver::ControlText(1000), "neu");
}

TEST_F(Win32Backend, ManyRowsArePaintedOnceWhenTheProgramWaits) {
    OpenWindow();
    auto list = static_cast<HWND>(CreateListBox(2, 0, 45, 195, 225));
    driver::EventsOf([] {});
    // Painted row by row, Wine needs over ten milliseconds a row here: minutes for this many.
    const DWORD start = GetTickCount();
    for (int row = 0; row < 20000; ++row)
        InsertRow(2, -1, "datei" + std::to_string(row) + ".txt (" + std::to_string(row) + ")");
    SetControlValue(2, 19999);
    EXPECT_LT(GetTickCount() - start, 10000u);
    driver::EventsOf([] {});
    EXPECT_FALSE(GetUpdateRect(list, nullptr, FALSE));
    EXPECT_TRUE(StyleOf(list) & WS_VSCROLL);
    EXPECT_EQ(CountRows(2), 20000);
    EXPECT_EQ(driver::SelectedRow(2), 19999);
    // The selected last row is in sight.
    RECT item = {}, client = {};
    SendMessageA(list, LB_GETITEMRECT, 19999, reinterpret_cast<LPARAM>(&item));
    GetClientRect(list, &client);
    EXPECT_LE(item.bottom, client.bottom);
    EXPECT_GE(item.top, client.top);
}

TEST_F(Win32Backend, BarPaintsItsValueWithoutAWait) {
    OpenWindow();
    auto bar = static_cast<HWND>(CreateProgressBar(101, 10, 10, 25, 70, 0, 100, BAR_VERTICAL | BAR_SMOOTH));
    ASSERT_NE(bar, nullptr);
    driver::EventsOf([] {});
    HDC dc = GetDC(bar);
    RECT client = {};
    GetClientRect(bar, &client);
    const int x = client.right / 2;
    const int y = client.bottom - 4;
    const COLORREF empty = GetPixel(dc, x, y);

    SetControlValue(101, 100);
    EXPECT_FALSE(GetUpdateRect(bar, nullptr, FALSE)); // nothing left for a later paint
    const COLORREF full = GetPixel(dc, x, y);
    EXPECT_NE(full, empty);
    EXPECT_EQ(driver::BarPosition(101), 100);

    SetControlValue(101, 0);
    EXPECT_FALSE(GetUpdateRect(bar, nullptr, FALSE));
    EXPECT_EQ(GetPixel(dc, x, y), empty);
    ReleaseDC(bar, dc);
}

TEST_F(Win32Backend, WaitNeverPassesAPlainMessageForAnEvent) {
    OpenWindow();
    driver::EventsOf([] {});
    // WM_SIZE is 5 and WM_CLOSE is 16: posted to the thread they raise no event.
    for (UINT message : {static_cast<UINT>(WM_SIZE), static_cast<UINT>(WM_CLOSE), 13100u}) {
        PostThreadMessageA(GetCurrentThreadId(), message, 0, 0);
        const int32_t code = WaitEvent();
        EXPECT_NE(code, EVENT_SIZE);
        EXPECT_NE(code, EVENT_CLOSE);
        EXPECT_NE(code, EVENT_CONTROL);
    }
}

TEST_F(Win32Backend, ListFocusNotificationsWipeNoLaterEventButRaiseNone) {
    OpenWindow();
    CreateButton(0, 0, 0, 100, 24, "Knopf");
    CreateListBox(2, 0, 30, 100, 100);
    InsertRow(2, -1, "eins");
    InsertRow(2, -1, "zwei");
    driver::EventsOf([] {});
    // Clicking a row moves the focus to the list (LBN_SETFOCUS, no event), then selects it.
    auto events = driver::EventsOf([] { driver::UserClickRow(2, 1); });
    EXPECT_TRUE(Has(events, EVENT_CONTROL, 2));
    EXPECT_EQ(GetControlValue(2), 1);
    // Back to the button: the list loses the focus (LBN_KILLFOCUS), the button is clicked.
    events = driver::EventsOf([] { driver::UserClick(0); });
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].code, EVENT_CONTROL);
    EXPECT_EQ(events[0].control, 0);
}

TEST_F(Win32Backend, OpeningRaisesASizeEventFromItsOwnMessage) {
    std::vector<driver::SeenEvent> events = driver::EventsOf([this] { OpenWindow(); });
    EXPECT_TRUE(Has(events, EVENT_SIZE, -1));
    EXPECT_FALSE(Has(events, EVENT_CLOSE, -1));
}

} // namespace
