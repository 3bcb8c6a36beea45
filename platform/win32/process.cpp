// The command line on Windows: the arguments are taken in their wide form and given in the ANSI code
// page only where that names exactly the same text.
#include "platform/process.h"

#include "platform/win32/ansi.h"

#include <windows.h>

#include <shellapi.h>

#include <fcntl.h>
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

namespace {

UINT consolePageBefore = 0; // 0: left as it was

} // namespace

// The console outlives the program, and the programs after it expect its code page back.
void UseProgramTextOnTerminal() {
    bool terminal = false;
    for (std::FILE* stream : {stdout, stderr}) {
        if (!StreamIsTerminal(stream)) continue;
        terminal = true;
        // In text mode the C runtime may turn each byte into a character of its own on the way to a
        // console, and unbuffered it writes byte by byte: both cut a UTF-8 letter apart. The console
        // starts a new line at "\n" by itself.
        _setmode(_fileno(stream), _O_BINARY);
        std::setvbuf(stream, nullptr, _IOFBF, 1 << 16);
    }
    if (!terminal) return;
    const UINT before = GetConsoleOutputCP();
    if (before != 0 && before != GetACP() && SetConsoleOutputCP(GetACP())) consolePageBefore = before;
}

void RestoreTerminalText() {
    if (consolePageBefore != 0) SetConsoleOutputCP(consolePageBefore);
    consolePageBefore = 0;
}

namespace {

volatile LONG interrupted = 0;

} // namespace

void CatchInterrupts() {
    SetConsoleCtrlHandler(
        [](DWORD kind) -> BOOL {
            if (kind != CTRL_C_EVENT && kind != CTRL_BREAK_EVENT) return FALSE;
            InterlockedExchange(&interrupted, 1);
            return TRUE;
        },
        TRUE);
}

bool Interrupted() {
    return InterlockedCompareExchange(&interrupted, 0, 0) != 0;
}
