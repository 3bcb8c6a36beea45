// Qt only: what the user does while nobody waits is queued, in order, one event per wait.
#include "../../window/test_window.h"

namespace testwin {
namespace {

using QtEventQueue = WindowTest;

TEST_F(QtEventQueue, ClicksBeforeAWaitComeOneByOneInOrder) {
    driver::UserClick(Search);
    driver::UserClick(Reset);
    driver::UserCloseBox(0);
    driver::UserClick(AddFolder);
    EXPECT_EQ(WaitEvent(), EVENT_CONTROL);
    EXPECT_EQ(EventControl(), Search);
    EXPECT_EQ(WaitEvent(), EVENT_CONTROL);
    EXPECT_EQ(EventControl(), Reset);
    EXPECT_EQ(WaitEvent(), EVENT_CLOSE);
    EXPECT_EQ(EventControl(), Reset); // the control of the last control event
    EXPECT_EQ(WaitEvent(), EVENT_CONTROL);
    EXPECT_EQ(EventControl(), AddFolder);
    EXPECT_EQ(EventsOf([] {}), "");
}

} // namespace
} // namespace testwin
