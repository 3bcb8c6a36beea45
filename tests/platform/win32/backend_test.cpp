// What only the Win32 backend promises: the window table behind the numbers, the control styles and
// font, the codes of the event wait, and lists and bars that paint without making the program wait.
#include "driver/window_fixture.h"
#include "platform/events.h"
#include "platform/window_services.h"

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

namespace {

LONG StyleOf(HWND window) {
    return GetWindowLongA(window, GWL_STYLE);
}

using Win32Backend = testwin::EmptyWindowTest;

TEST_F(Win32Backend, AnUncentredWindowPlacesItsFrameCornerAndReopeningReplacesIt) {
    // Number 12 lies beyond the first ten entries of the window table.
    auto first = static_cast<HWND>(OpenTopWindow(12, 30, 40, 200, 100, WINDOW_CAPTION, "eins"));
    auto second = static_cast<HWND>(OpenTopWindow(12, 30, 40, 200, 100, WINDOW_CAPTION, "zwei"));
    ASSERT_TRUE(first && second);
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

TEST_F(Win32Backend, ControlsHaveTheirFontAndListsNeitherRoundTheirHeightNorLackAScrollBar) {
    auto button = static_cast<HWND>(CreateButton(0, 0, 0, 195, 24, "Pfad hinzufügen"));
    auto label = static_cast<HWND>(CreateLabel(1, 0, 25, 195, 20, "Alle Dateien"));
    auto list = static_cast<HWND>(CreateListBox(2, 0, 45, 195, 103));
    ASSERT_TRUE(button && label && list);
    const auto font = reinterpret_cast<WPARAM>(GetStockObject(ANSI_VAR_FONT));
    for (HWND control : {button, label, list})
        EXPECT_EQ(static_cast<WPARAM>(SendMessageA(control, WM_GETFONT, 0, 0)), font);
    RECT listRect = {};
    GetWindowRect(list, &listRect);
    EXPECT_EQ(listRect.bottom - listRect.top, 103);
    // The scroll bar comes when the rows no longer fit, at the latest when the program waits.
    driver::EventsOf([] {
        for (int row = 0; row < 30; ++row)
            InsertRow(2, -1, "Zeile");
    });
    EXPECT_TRUE(StyleOf(list) & WS_VSCROLL);

    // A bar that cannot be made leaves the entry of its number as it was; a button ignores rows.
    SetControlParent(nullptr);
    EXPECT_EQ(CreateProgressBar(2, 0, 0, 10, 10, 0, 100, BAR_SMOOTH), nullptr);
    EXPECT_EQ(CountRows(2), 30);
    EXPECT_EQ(CreateButton(-1, 0, 0, 10, 10, "neg"), nullptr);
    InsertRow(0, -1, "row");
    EXPECT_EQ(CountRows(0), 0);
}

TEST_F(Win32Backend, ManyRowsArePaintedOnceWhenTheProgramWaitsWithTheSelectionInSight) {
    auto list = static_cast<HWND>(CreateListBox(2, 0, 45, 195, 225));
    driver::EventsOf([] {});
    // Painted row by row, Wine needs over ten milliseconds a row: the rows must wait for one paint.
    for (int row = 0; row < 2000; ++row)
        InsertRow(2, -1, "datei" + std::to_string(row) + ".txt (" + std::to_string(row) + ")");
    SetControlValue(2, 1999);
    driver::EventsOf([] {});
    EXPECT_FALSE(GetUpdateRect(list, nullptr, FALSE));
    EXPECT_EQ(driver::SelectedRow(2), 1999);
    RECT item = {}, client = {};
    SendMessageA(list, LB_GETITEMRECT, 1999, reinterpret_cast<LPARAM>(&item));
    GetClientRect(list, &client);
    EXPECT_TRUE(item.top >= client.top && item.bottom <= client.bottom);
}

TEST_F(Win32Backend, BarPaintsItsValueWithoutAWait) {
    auto bar = static_cast<HWND>(CreateProgressBar(101, 10, 10, 25, 70, 0, 100, BAR_VERTICAL | BAR_SMOOTH));
    ASSERT_NE(bar, nullptr);
    driver::EventsOf([] {});
    HDC dc = GetDC(bar);
    RECT client = {};
    GetClientRect(bar, &client);
    const int x = client.right / 2, y = client.bottom - 4;
    const COLORREF empty = GetPixel(dc, x, y);
    SetControlValue(101, 100);
    EXPECT_FALSE(GetUpdateRect(bar, nullptr, FALSE)); // nothing left for a later paint
    EXPECT_NE(GetPixel(dc, x, y), empty);
    SetControlValue(101, 0);
    EXPECT_FALSE(GetUpdateRect(bar, nullptr, FALSE));
    EXPECT_EQ(GetPixel(dc, x, y), empty);
    ReleaseDC(bar, dc);
}

TEST_F(Win32Backend, WaitNeverPassesAPlainThreadMessageForAnEvent) {
    driver::EventsOf([] {});
    // WM_SIZE is 5 and WM_CLOSE is 16: posted to the thread they raise no event.
    for (UINT message : {static_cast<UINT>(WM_SIZE), static_cast<UINT>(WM_CLOSE), 13100u}) {
        PostThreadMessageA(GetCurrentThreadId(), message, 0, 0);
        const int32_t code = WaitEvent();
        EXPECT_TRUE(code != EVENT_SIZE && code != EVENT_CLOSE && code != EVENT_CONTROL) << message;
    }
}

} // namespace
