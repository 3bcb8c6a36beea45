// The program's command line, as the file services take names, and its standard streams.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

struct ProgramArgument {
    std::string text;
    // False when the system's encoding of names cannot hold the argument: Text then only resembles it,
    // with "?" for what is missing, and names some other file or none.
    bool exact = true;
};

// The arguments after the program's name, in order (Argc and Argv as main received them). Never fails;
// an argument that cannot be held comes with Exact false.
std::vector<ProgramArgument> ProgramArguments(int argc, char** argv);

// True when Stream is a terminal, where a person reads it.
bool StreamIsTerminal(std::FILE* stream);

// Makes a terminal among the standard streams read what the program writes as the program's own text,
// until RestoreTerminalText: a Windows console reads bytes in a code page of its own (an OEM one, 850 on
// a German system), which would show every name beyond ASCII as other letters.
void UseProgramTextOnTerminal();
void RestoreTerminalText();
// From now on an interrupt (Ctrl+C) does not end the program; it is only noted, for Interrupted to tell.
void CatchInterrupts();
// Whether an interrupt came since CatchInterrupts.
bool Interrupted();
