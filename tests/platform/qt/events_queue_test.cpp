// Qt only: what the user does while nobody waits is queued, in order, one event per wait.
#include "driver/window_fixture.h"

namespace testwin {
namespace {

using QtEventQueue = WindowTest;

TEST_F(QtEventQueue, ClicksBeforeAWaitComeOneByOneInOrder) {
    driver::UserClick(BtnSearch);
    driver::UserClick(BtnReset);
    driver::UserCloseBox(0);
    driver::UserClick(BtnAddFolder);
    // A close event leaves the control of the last control event.
    const std::pair<int32_t, int32_t> expected[] = {{EVENT_CONTROL, BtnSearch},
                                                    {EVENT_CONTROL, BtnReset},
                                                    {EVENT_CLOSE, BtnReset},
                                                    {EVENT_CONTROL, BtnAddFolder}};
    for (auto [code, control] : expected) {
        EXPECT_EQ(WaitEvent(), code);
        EXPECT_EQ(EventControl(), control);
    }
    EXPECT_EQ(EventText([] {}), "");
}

} // namespace
} // namespace testwin
