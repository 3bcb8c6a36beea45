// Path checks that the file-services backends share.
#include "platform/common/paths.h"

namespace zw_common {

bool Usable(const std::string& path) {
    return path.find('\0') == std::string::npos;
}

} // namespace zw_common
