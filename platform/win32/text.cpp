// Text on Windows: the ANSI code page of names and arguments, the system's wide text and UTF-8.
#include "platform/text.h"

#include "platform/win32/ansi.h"

#include <windows.h>

namespace {

std::wstring ToWide(UINT page, DWORD flags, std::string_view text, bool* valid) {
    std::wstring wide;
    *valid = true;
    if (text.empty()) return wide;
    const int length = MultiByteToWideChar(page, flags, text.data(), int(text.size()), nullptr, 0);
    if (length <= 0) {
        *valid = false;
        return wide;
    }
    wide.resize(size_t(length));
    MultiByteToWideChar(page, flags, text.data(), int(text.size()), wide.data(), length);
    return wide;
}

// Wide as text of the code page, never with a best-fit lookalike: a missing character becomes the default
// character and sets Replaced.
std::string FromWide(UINT page, std::wstring_view wide, BOOL* replaced) {
    std::string text;
    if (wide.empty()) return text;
    // UTF-8 (also an ANSI code page of newer Windows) has no best fit, and the call refuses both the flag
    // and the report there.
    const bool utf8 = (page == CP_ACP ? GetACP() : page) == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL* report = utf8 ? nullptr : replaced;
    const int length =
        WideCharToMultiByte(page, flags, wide.data(), int(wide.size()), nullptr, 0, nullptr, report);
    if (length <= 0) return text;
    text.resize(size_t(length));
    WideCharToMultiByte(page, flags, wide.data(), int(wide.size()), text.data(), length, nullptr, report);
    return text;
}

} // namespace

namespace zw_win32 {

bool ExactAnsi(std::wstring_view wide, std::string* ansi) {
    BOOL replaced = FALSE;
    *ansi = FromWide(CP_ACP, wide, &replaced);
    // Without best fit a missing character is reported as replaced; the way back catches any character
    // that the code page maps one way only.
    std::wstring back;
    return !replaced && WideOf(*ansi, &back) && back == wide;
}

bool WideOf(std::string_view ansi, std::wstring* wide) {
    bool valid = true;
    *wide = ToWide(CP_ACP, MB_ERR_INVALID_CHARS, ansi, &valid);
    return valid;
}

} // namespace zw_win32

std::string TextToUtf8(const std::string& text) {
    std::wstring wide;
    if (zw_win32::WideOf(text, &wide)) return FromWide(CP_UTF8, wide, nullptr);
    // Character by character: a byte that starts no character of the code page is kept as it is.
    std::string utf8;
    for (size_t at = 0; at < text.size();) {
        size_t length = at + 1 < text.size() && IsDBCSLeadByte(BYTE(text[at])) ? 2 : 1;
        if (zw_win32::WideOf(std::string_view(text).substr(at, length), &wide)) {
            utf8 += FromWide(CP_UTF8, wide, nullptr);
        } else {
            utf8 += text[at];
            length = 1;
        }
        at += length;
    }
    return utf8;
}

std::string TextFromUtf8(const std::string& utf8) {
    bool valid = true;
    BOOL replaced = FALSE;
    return FromWide(CP_ACP, ToWide(CP_UTF8, 0, utf8, &valid), &replaced);
}
