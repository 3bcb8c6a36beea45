// Text as the system writes names and arguments (on Windows the ANSI code page, on Linux UTF-8 bytes),
// and the same text as UTF-8.
#pragma once

#include <string>

// Text as UTF-8. Never fails: bytes that form no character of the system's encoding are kept as they
// are, so that the result is not valid UTF-8 exactly where the text was not valid either.
std::string TextToUtf8(const std::string& text);
// UTF-8 as the system's text. Never fails: on Windows a character that the code page lacks, or a byte
// that is not valid UTF-8, becomes "?"; on Linux the bytes are kept as they are.
std::string TextFromUtf8(const std::string& utf8);
