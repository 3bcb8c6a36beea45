// zwillingsfeger-cli as a whole, apart from its entry: the folders checked, scanned and searched, the
// groups printed, or the action asked for taken on them.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Where the program writes, and which of the two streams is a terminal (a progress line, escaped names).
struct CliStreams {
    std::FILE* out;
    std::FILE* err;
    bool outTerminal = false;
    bool errTerminal = false;
};

// The whole program. Exit status: 0 a whole search, 3 a search that left something out, 1 the output
// could not be written, 2 nothing searched.
int RunCli(const std::vector<std::string>& args, const CliStreams& streams);
