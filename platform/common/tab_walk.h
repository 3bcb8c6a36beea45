// Tab navigation among a window's controls, the same on every window backend.
#pragma once

#include <cstdint>
#include <vector>

namespace zw_common {

// The control that Tab (Backwards: Shift+Tab) focuses. Eligible lists the window's controls in creation
// order, true for those that may take the focus; Focused is the index of the focused control, -1 for none.
// Tab takes the first eligible control after the focused one, or else the first of all; Shift+Tab the
// last one before it, or else the last of all. Returns the index, -1 when no control is eligible.
int32_t TabTarget(const std::vector<bool>& eligible, int32_t focused, bool backwards);

} // namespace zw_common
