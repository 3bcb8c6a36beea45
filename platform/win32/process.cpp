// The command line on Windows: the arguments are taken in their wide form and given in the ANSI code
// page only where that names exactly the same text.
#include "platform/process.h"

#include "platform/win32/ansi.h"

#include <windows.h>

#include <shellapi.h>

#include <io.h>

std::vector<ProgramArgument> ProgramArguments(int argc, char** argv) {
    std::vector<ProgramArgument> arguments;
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) {
        // The C runtime's arguments went through the best-fit conversion: none of them can be trusted.
        for (int i = 1; i < argc; ++i)
            arguments.push_back({argv[i], false});
        return arguments;
    }
    for (int i = 1; i < count; ++i) {
        ProgramArgument argument;
        argument.exact = zw_win32::ExactAnsi(wide[i], &argument.text);
        arguments.push_back(std::move(argument));
    }
    LocalFree(wide);
    return arguments;
}

bool StreamIsTerminal(std::FILE* stream) {
    return _isatty(_fileno(stream)) != 0;
}
