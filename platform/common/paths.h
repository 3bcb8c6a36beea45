// Path checks that the file-services backends share; internal to platform/.
#pragma once

#include <string>

namespace zw_common {

// False for a path with a zero byte: the system would take it as the shorter path before that byte.
bool Usable(const std::string& path);

} // namespace zw_common
