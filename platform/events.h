// Event wait and keyboard navigation.
#pragma once

#include <cstdint>

constexpr int32_t EVENT_CONTROL = 13100;
constexpr int32_t EVENT_CLOSE = 16;
constexpr int32_t EVENT_SIZE = 5;

// Blocks until the window system has done something; returns EVENT_CONTROL, EVENT_CLOSE,
// EVENT_SIZE or another code (never one of those three) for activity that raised no event.
int32_t WaitEvent();
// The control of the last EVENT_CONTROL.
int32_t EventControl();

// For a command that runs long, while it runs and when it ends: lets the window system do its own pending
// work (painting, moving the window) and drops every click and key the user made since the last wait,
// as they were aimed at what the window showed before the command changed it. 1 when the user has asked
// to close the window (its close box, Alt+F4); the next WaitEvent then returns EVENT_CLOSE.
int32_t DropBusyInput();
