// The command line on POSIX: the arguments are the bytes the file system takes, as they are.
#include "platform/process.h"

#include <csignal>
#include <unistd.h>

std::vector<ProgramArgument> ProgramArguments(int argc, char** argv) {
    std::vector<ProgramArgument> arguments;
    for (int i = 1; i < argc; ++i)
        arguments.push_back({argv[i], true});
    return arguments;
}

bool StreamIsTerminal(std::FILE* stream) {
    return isatty(fileno(stream)) != 0;
}

// A terminal takes the bytes as they are.
void UseProgramTextOnTerminal() {}
void RestoreTerminalText() {}

namespace {

volatile sig_atomic_t interrupted = 0;

} // namespace

void CatchInterrupts() {
    struct sigaction action = {};
    action.sa_handler = [](int) { interrupted = 1; };
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool Interrupted() {
    return interrupted != 0;
}
