// Tab navigation: the next or previous eligible control, wrapping around at either end.
#include "platform/common/tab_walk.h"

namespace zw_common {

int32_t TabTarget(const std::vector<bool>& eligible, int32_t focused, bool backwards) {
    const auto count = static_cast<int32_t>(eligible.size());
    if (focused < 0 || focused >= count) focused = -1;
    if (!backwards) {
        for (int32_t i = focused + 1; i < count; ++i)
            if (eligible[i]) return i;
        for (int32_t i = 0; i < count; ++i)
            if (eligible[i]) return i;
    } else {
        for (int32_t i = focused - 1; i >= 0; --i)
            if (eligible[i]) return i;
        for (int32_t i = count - 1; i >= 0; --i)
            if (eligible[i]) return i;
    }
    return -1;
}

} // namespace zw_common
