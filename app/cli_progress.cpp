// The command line's progress line, drawn only when a meter's value changes.
#include "app/cli_progress.h"

ProgressSink CliProgressSink(CliProgress& progress) {
    return {&progress, [](void* context, int32_t meter, int32_t percent, bool) {
                CliProgress& line = *static_cast<CliProgress*>(context);
                if (line.shown[meter] == percent) return;
                line.shown[meter] = percent;
                line.drawn = true;
                std::fputc('\r', line.err);
                for (int32_t value : line.shown)
                    if (value >= 0) std::fprintf(line.err, "[%3d%%] ", static_cast<int>(value));
                std::fflush(line.err);
            }};
}

void EndProgressLine(CliProgress& progress) {
    if (progress.drawn) std::fputs("\r\033[K", progress.err);
    progress.drawn = false;
}
