// The driver itself must never let a test run hang: a dialog nobody answers and a loop nobody ends
// are ended when the user's steps time out, and the test fails.
#include "driver/driver.h"
#include "platform/dialogs.h"
#include "platform/events.h"
#include "platform/window_services.h"

#include <windows.h>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace {

TEST(Win32Driver, AMessageBoxNobodyAnswersIsClosedWhenTheStepsTimeOut) {
    bool returned = false;
    EXPECT_NONFATAL_FAILURE(driver::WithUser(
                                [&] {
                                    ShowMessageBox("Credits", "niemand antwortet", 0);
                                    returned = true;
                                },
                                {[] { return false; }}, 300),
                            "did not succeed within 300 ms");
    EXPECT_TRUE(returned);
    EXPECT_FALSE(driver::MessageBoxOpen());
}

TEST(Win32Driver, AnEventLoopNobodyEndsIsAskedToCloseWhenTheStepsTimeOut) {
    InitControlServices();
    InitWindowServices();
    ASSERT_NE(OpenTopWindow(0, 0, 0, 200, 100, WINDOW_CAPTION | WINDOW_SYSMENU, "Schleife"), nullptr);
    int closes = 0;
    EXPECT_NONFATAL_FAILURE(driver::WithUser(
                                [&] {
                                    while (WaitEvent() != EVENT_CLOSE) {
                                    }
                                    ++closes;
                                },
                                {[] { return driver::FolderChooserOpen(); }}, 300),
                            "did not succeed within 300 ms");
    EXPECT_EQ(closes, 1);
    CloseAllWindows();
    driver::EventsOf([] {});
}

TEST(Win32Driver, AProgramThatDoesNotReturnAfterTheLastStepFailsAndIsEnded) {
    InitControlServices();
    InitWindowServices();
    ASSERT_NE(OpenTopWindow(0, 0, 0, 200, 100, WINDOW_CAPTION | WINDOW_SYSMENU, "Schleife"), nullptr);
    EXPECT_NONFATAL_FAILURE(driver::WithUser(
                                [] {
                                    while (WaitEvent() != EVENT_CLOSE) {
                                    }
                                },
                                {[] { return true; }}, 300),
                            "did not return within 300 ms after the last user step");
    CloseAllWindows();
    driver::EventsOf([] {});
}

} // namespace
