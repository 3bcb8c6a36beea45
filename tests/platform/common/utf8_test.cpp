// The valid UTF-8 sequences at the edges of what is allowed, and the forms just beyond them.
#include "platform/common/utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Utf8, SequenceLengthIsThatOfAValidSequenceOrZero) {
    const std::pair<std::string, size_t> cases[] = {
        {std::string(1, '\0'), 1}, {"\x7F", 1}, {"\xC2\x80", 2}, // U+0080, the first of two bytes
        {"\xC1\xBF", 0},                                         // overlong
        {"\xE0\xA0\x80", 3},                                     // U+0800
        {"\xE0\x9F\xBF", 0},                                     // overlong
        {"\xED\x9F\xBF", 3},                                     // U+D7FF
        {"\xED\xA0\x80", 0},                                     // a surrogate
        {"\xEF\xBF\xBF", 3},                                     // U+FFFF
        {"\xF0\x90\x80\x80", 4},                                 // U+10000
        {"\xF0\x8F\xBF\xBF", 0},                                 // overlong
        {"\xF4\x8F\xBF\xBF", 4},                                 // U+10FFFF
        {"\xF4\x90\x80\x80", 0},                                 // beyond U+10FFFF
        {"\xF5\x80\x80\x80", 0},   {"\x80", 0},                  // a continuation byte alone
        {"\xE2\x82", 0},                                         // cut off by the end
        {"\xE2\x28\xA1", 0},                                     // a second byte that does not continue
    };
    for (const auto& [text, length] : cases)
        EXPECT_EQ(zw_common::Utf8SequenceLength(text, 0), length) << testing::PrintToString(text);
    // A position inside the text.
    EXPECT_EQ(zw_common::Utf8SequenceLength("a\xC3\xA4", 1), 2u);
}

} // namespace
