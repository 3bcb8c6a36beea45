// Runs the command line in-process, as the command-line tests do, with what it prints captured.
#pragma once

#include "app/cli_run.h"

#include <cstdio>
#include <string>
#include <vector>

namespace cli_runner {

inline std::string ReadAll(std::FILE* file) {
    std::string text;
    std::rewind(file);
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        text.append(buffer, got);
    std::fclose(file);
    return text;
}

// RunCli's exit status; Out and Err get what it printed. Output, when given, is standard output instead
// of a file of the runner's own (then Out stays empty); Terminal runs it as if that were a terminal.
inline int Run(const std::vector<std::string>& args, std::string& out, std::string& err,
               bool terminal = false, std::FILE* output = nullptr) {
    std::FILE* outFile = output ? output : std::tmpfile();
    std::FILE* errFile = std::tmpfile();
    const int code = RunCli(args, {outFile, errFile, terminal, false});
    out = output ? std::string() : ReadAll(outFile);
    err = ReadAll(errFile);
    return code;
}

} // namespace cli_runner
