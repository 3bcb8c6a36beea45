// Between the system's wide text and the ANSI code page, for the Win32 sources that take names from
// wide calls; internal to platform/win32.
#pragma once

#include <string>
#include <string_view>

namespace zw_win32 {

// Wide as ANSI text. True when that names exactly the same text; false when a character of Wide had to
// be replaced, by a best-fit lookalike (α by a) or by the default character: Ansi then holds the text
// with "?" for each of them.
bool ExactAnsi(std::wstring_view wide, std::string* ansi);
// ANSI text as wide text. False when Ansi is not valid in the code page (Wide is then empty).
bool WideOf(std::string_view ansi, std::wstring* wide);

} // namespace zw_win32
