// Matching a name against a pattern, with the last '*' as the only point to go back to: linear in
// practice and never exponential.
#include "core/name_glob.h"

namespace {

// Whether the set at Pattern[At] (after its '[') holds C; At moves past the closing ']'. A set without its
// ']' is an ordinary '['.
bool InSet(std::string_view pattern, size_t& at, unsigned char c, bool& isSet) {
    size_t i = at;
    const bool negated = i < pattern.size() && (pattern[i] == '!' || pattern[i] == '^');
    if (negated) ++i;
    bool found = false;
    for (bool first = true; i < pattern.size() && (first || pattern[i] != ']'); first = false) {
        unsigned char low = static_cast<unsigned char>(pattern[i]), high = low;
        if (i + 2 < pattern.size() && pattern[i + 1] == '-' && pattern[i + 2] != ']') {
            high = static_cast<unsigned char>(pattern[i + 2]);
            i += 3;
        } else {
            ++i;
        }
        found = found || (c >= low && c <= high);
    }
    isSet = i < pattern.size();
    if (isSet) at = i + 1;
    return found != negated;
}

} // namespace

bool NameMatches(std::string_view pattern, std::string_view name) {
    size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = ++p;
            starN = n;
            continue;
        }
        if (p < pattern.size()) {
            const unsigned char c = static_cast<unsigned char>(name[n]);
            size_t next = p + 1;
            bool matches = pattern[p] == '?' || static_cast<unsigned char>(pattern[p]) == c;
            if (pattern[p] == '[') {
                bool isSet = false;
                const bool inSet = InSet(pattern, next, c, isSet);
                matches = isSet ? inSet : c == '[';
            }
            if (matches) {
                p = next;
                ++n;
                continue;
            }
        }
        if (starP == std::string_view::npos) return false;
        p = starP;
        n = ++starN;
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}
