// UTF-8 validity, decided the same way wherever program bytes are shown as text.
#pragma once

#include <cstddef>
#include <string_view>

namespace zw_common {

// Length of the valid UTF-8 sequence at Text[At], 0 when the byte there does not start one. Overlong
// forms, surrogates and code points beyond U+10FFFF are not valid; a sequence cut off by the end is not.
size_t Utf8SequenceLength(std::string_view text, size_t at);

} // namespace zw_common
