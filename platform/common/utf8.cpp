// UTF-8 validity, decided by the lead byte and the range its second byte must lie in.
#include "platform/common/utf8.h"

namespace zw_common {

size_t Utf8SequenceLength(std::string_view text, size_t at) {
    auto byte = [&](size_t i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u; };
    auto continuation = [&](size_t i) { return (byte(i) & 0xC0) == 0x80; };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return continuation(at + 1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        const unsigned second = byte(at + 1);
        if (lead == 0xE0 && second < 0xA0) return 0;  // overlong
        if (lead == 0xED && second >= 0xA0) return 0; // surrogate
        return continuation(at + 1) && continuation(at + 2) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        const unsigned second = byte(at + 1);
        if (lead == 0xF0 && second < 0x90) return 0;  // overlong
        if (lead == 0xF4 && second >= 0x90) return 0; // beyond U+10FFFF
        return continuation(at + 1) && continuation(at + 2) && continuation(at + 3) ? 4 : 0;
    }
    return 0;
}

} // namespace zw_common
