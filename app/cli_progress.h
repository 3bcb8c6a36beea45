// The command line's progress line on standard error: the search's two meters in per cent, redrawn in
// place when one of them changes.
#pragma once

#include "core/progress.h"

#include <cstdint>
#include <cstdio>

struct CliProgress {
    std::FILE* err = nullptr;
    int32_t shown[2] = {-1, -1}; // per meter, -1 before its first value
    bool drawn = false;
};
// The sink that draws Progress's line; Progress must outlive the search.
ProgressSink CliProgressSink(CliProgress& progress);
// Clears the line, if one was drawn.
void EndProgressLine(CliProgress& progress);
