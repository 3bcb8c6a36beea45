// Which control Tab and Shift+Tab focus: wrapping at both ends, skipping what is not eligible, and
// starting at either end when nothing of the window has the focus.
#include "platform/common/tab_walk.h"

#include <gtest/gtest.h>

namespace {

TEST(TabWalk, MovesToTheNextEligibleControlAndWrapsAtEitherEnd) {
    const std::vector<bool> eligible = {false, true, false, true, true, false};
    struct Case {
        int32_t focused;
        bool backwards;
        int32_t target;
    };
    const Case cases[] = {
        {1, false, 3}, {4, false, 1}, {5, false, 1}, {-1, false, 1}, {2, false, 3}, // Tab
        {4, true, 3},  {1, true, 4},  {0, true, 4},  {-1, true, 4},  {2, true, 1},  // Shift+Tab
    };
    for (const Case& c : cases)
        EXPECT_EQ(zw_common::TabTarget(eligible, c.focused, c.backwards), c.target)
            << "from " << c.focused << (c.backwards ? " backwards" : "");
    // The only eligible control keeps the focus; without any nothing is focused.
    EXPECT_EQ(zw_common::TabTarget({false, true}, 1, false), 1);
    EXPECT_EQ(zw_common::TabTarget({false, false}, 0, true), -1);
    EXPECT_EQ(zw_common::TabTarget({}, -1, false), -1);
}

} // namespace
