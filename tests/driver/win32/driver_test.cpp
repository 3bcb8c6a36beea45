// The driver itself must never let a test run hang: a dialog nobody answers and a loop nobody ends
// are ended when the user's steps time out, and the test fails.
#include "driver/driver.h"
#include "platform/dialogs.h"
#include "platform/events.h"
#include "platform/window_services.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace {

TEST(Win32Driver, AMessageBoxOrAnEventLoopNobodyEndsIsEndedWhenTheStepsTimeOut) {
    bool returned = false;
    EXPECT_NONFATAL_FAILURE(
        driver::WithUser([&] { returned = ShowMessageBox("Credits", "niemand", 0) || true; },
                         {[] { return false; }}, 300),
        "did not succeed within 300 ms");
    EXPECT_TRUE(returned);
    EXPECT_FALSE(driver::MessageBoxOpen());

    InitControlServices();
    InitWindowServices();
    ASSERT_NE(OpenTopWindow(0, 0, 0, 200, 100, WINDOW_CAPTION | WINDOW_SYSMENU, "Schleife"), nullptr);
    // A step that never succeeds, and a program that does not return after the last step.
    const std::pair<bool, const char*> cases[] = {
        {false, "did not succeed within 300 ms"},
        {true, "did not return within 300 ms after the last user step"}};
    for (auto [last, message] : cases) {
        int closes = 0;
        EXPECT_NONFATAL_FAILURE(driver::WithUser(
                                    [&] {
                                        while (WaitEvent() != EVENT_CLOSE) {
                                        }
                                        ++closes;
                                    },
                                    {[&] { return last; }}, 300),
                                message);
        EXPECT_EQ(closes, 1);
    }
    CloseAllWindows();
    driver::EventsOf([] {});
}

} // namespace
