// Shell-style patterns for names of files and folders, matched byte for byte on every system.
#pragma once

#include <string_view>

// Whether Name matches Pattern: '*' any run of bytes, '?' any one byte, '[abc]', '[a-z]' and '[!a]' one
// byte of a set; every other byte stands for itself (case counts).
bool NameMatches(std::string_view pattern, std::string_view name);
