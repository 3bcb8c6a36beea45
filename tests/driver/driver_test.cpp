// The driver itself must never let a test run hang: a dialog nobody answers and a loop nobody ends are
// ended when the user's steps time out, and the test fails.
#include "driver/window_fixture.h"

#include <gtest/gtest-spi.h>

#include <utility>

namespace testwin {
namespace {

using WindowDriver = WindowTest;

TEST_F(WindowDriver, AMessageBoxOrAnEventLoopNobodyEndsIsEndedWhenTheStepsTimeOut) {
    bool returned = false;
    EXPECT_NONFATAL_FAILURE(
        driver::WithUser([&] { returned = ShowMessageBox("Credits", "niemand", 0) || true; },
                         {[] { return false; }}, 300),
        "did not succeed within 300 ms");
    EXPECT_TRUE(returned);
    EXPECT_FALSE(driver::MessageBoxOpen());

    // A step that never succeeds, and a program that does not return after the last step: the loop,
    // which runs until the close request as the program's does, is asked to close, and the window stays.
    const std::pair<bool, const char*> cases[] = {{false, "did not succeed within 300 ms"},
                                                  {true, "did not return within 300 ms after the last"}};
    for (auto [last, message] : cases) {
        driver::EventsOf([] {}); // the close request that ended what went before
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
        EXPECT_TRUE(driver::WindowOpen(0));
    }
}

} // namespace
} // namespace testwin
