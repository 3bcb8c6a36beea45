// zwillingsfeger-cli's entry: catalogues the folders given on the command line as the Add-folder command
// would, runs the duplicate search and prints the groups.
#include "app/cli_output.h"
#include "app/cli_run.h"
#include "platform/process.h"

#include <cstdio>
#include <cstdlib>

namespace {

int Run(int argc, char** argv) {
    const bool errTerminal = StreamIsTerminal(stderr);
    std::vector<std::string> args;
    bool exact = true;
    for (const ProgramArgument& argument : ProgramArguments(argc, argv)) {
        // A lookalike would be a folder the user did not name.
        if (!argument.exact) {
            const std::string shown = errTerminal ? TerminalText(argument.text) : argument.text;
            std::fprintf(stderr, "zwillingsfeger-cli: '%s' cannot be named in the system's code page\n",
                         shown.c_str());
            exact = false;
        }
        args.push_back(argument.text);
    }
    if (!exact) return 2;
    return RunCli(args, {stdout, stderr, StreamIsTerminal(stdout), errTerminal});
}

} // namespace

int main(int argc, char** argv) {
    UseProgramTextOnTerminal();
    const int code = Run(argc, argv);
    // The catalogue and the groups end with the process: released record by record first, a hundred
    // thousand files would cost milliseconds for nothing. What was written is out already.
    std::fflush(nullptr);
    RestoreTerminalText();
    std::_Exit(code);
}
