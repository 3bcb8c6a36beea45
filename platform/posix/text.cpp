// Text on POSIX: names and arguments are UTF-8 bytes already, and are never re-encoded.
#include "platform/text.h"

std::string TextToUtf8(const std::string& text) {
    return text;
}

std::string TextFromUtf8(const std::string& utf8) {
    return utf8;
}
