// refresh_bench on Linux: resident memory from /proc; the Qt list box has no figures of its own.
#include "bench/refresh_bench.h"

#include <cstdlib>
#include <fstream>

int64_t ResidentBytes(bool peak) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const char* key = peak ? "VmHWM:" : "VmRSS:";
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0) return std::atoll(line.c_str() + 6) * 1024;
    return 0;
}

std::string BackendFigures() {
    return {};
}
