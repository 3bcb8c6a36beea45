// Fills the Catalogue with synthetic entries (no files needed), opens the main window and times
// RefreshLists(REFRESH_FILES) in the window backend of this build. Prints one line of key=value.
#include "bench/toolkit.h"
#include "core/lists.h"
#include "platform/window_services.h"
#include "ui/controls.h"
#include "ui/layout.h"
#include "ui/present.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A catalogue shaped like a real one: a thousand files per folder, names of realistic length.
void FillCatalogue(int64_t entries) {
    SharedText folder;
    uint32_t seed = 12345;
    for (int64_t i = 0; i < entries; ++i) {
        if (i % 1000 == 0) folder = SharedText("/home/user/archive/photos/" + std::to_string(i / 1000));
        FileEntry* entry = ListAdd(Catalogue);
        seed = seed * 1664525u + 1013904223u;
        entry->Size = seed % 5000000;
        entry->Folder = folder;
        entry->Name = "IMG_" + std::to_string(100000 + i) + ".jpg";
    }
}

} // namespace

int main(int argc, char** argv) {
    int64_t entries = argc > 1 ? std::atoll(argv[1]) : 1000000;
    InitControlServices();
    InitWindowServices();

    int64_t before = ResidentBytes();
    auto start = std::chrono::steady_clock::now();
    FillCatalogue(entries);
    double fillSeconds = SecondsSince(start);
    int64_t after = ResidentBytes();

    if (!OpenMainWindow()) {
        std::fprintf(stderr, "refresh_bench: the main window could not be opened\n");
        return 1;
    }
    start = std::chrono::steady_clock::now();
    RefreshLists(REFRESH_FILES);
    double refreshSeconds = SecondsSince(start);
    int32_t rows = CountRows(LstAllFiles);
    int64_t withRows = ResidentBytes();

    // A second refresh first clears the million rows it rebuilds: Add folder does exactly this.
    start = std::chrono::steady_clock::now();
    RefreshLists(REFRESH_FILES);
    double secondSeconds = SecondsSince(start);

    start = std::chrono::steady_clock::now();
    RefreshLists(0);
    double clearSeconds = SecondsSince(start);

    std::printf("%s", ListBoxFigures().c_str());
    std::printf("entries=%lld fill_s=%.3f catalogue_bytes_per_entry=%.1f refresh_s=%.3f rows=%d "
                "rows_bytes_per_row=%.1f second_refresh_s=%.3f clear_s=%.3f peak_rss_mib=%.1f\n",
                static_cast<long long>(entries), fillSeconds,
                entries ? static_cast<double>(after - before) / static_cast<double>(entries) : 0.0,
                refreshSeconds, static_cast<int>(rows),
                rows > 0 ? static_cast<double>(withRows - after) / rows : 0.0, secondSeconds, clearSeconds,
                static_cast<double>(ResidentBytes(true)) / (1024.0 * 1024.0));
    std::fflush(stdout);
    CloseAllWindows();
    return 0;
}
