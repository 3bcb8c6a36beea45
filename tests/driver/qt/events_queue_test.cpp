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
    // A close event leaves the control of the last control event.
    const std::pair<int32_t, int32_t> expected[] = {
        {EVENT_CONTROL, Search}, {EVENT_CONTROL, Reset}, {EVENT_CLOSE, Reset}, {EVENT_CONTROL, AddFolder}};
    for (auto [code, control] : expected) {
        EXPECT_EQ(WaitEvent(), code);
        EXPECT_EQ(EventControl(), control);
    }
    EXPECT_EQ(EventsOf([] {}), "");
}

} // namespace
} // namespace testwin
