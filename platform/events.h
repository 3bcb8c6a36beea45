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
