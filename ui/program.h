// The program's main routine: start-up, the single event loop, the commands, and the exit.
#pragma once

#include <cstdint>
#include <string>

// Start-up up to the open main window. False when the window could not be opened.
bool StartProgram();
// One turn of the loop: waits for an event, applies the enabling rules, dispatches a control event.
// Returns the event received.
int32_t RunOneEvent();
// Closes the window, shows the credits box, releases the lists. Returns the exit code (0).
int32_t FinishProgram();
// All of it: StartProgram, RunOneEvent until EVENT_CLOSE, FinishProgram. The exit code.
int32_t RunProgram();

// The folder that the last Add-folder command scanned; "" after Reset.
const std::string& LastAddedFolder();

// The enabling rules, applied after every event.
void ApplyEnablingRules();
