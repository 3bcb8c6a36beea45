// Qt only: a list box takes a million appended rows, shows them, and clears them, without long waits.
#include "../../window/test_window.h"

#include <chrono>
#include <cstdio>

namespace testwin {
namespace {

using QtListBoxSpeed = WindowTest;

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

TEST_F(QtListBoxSpeed, AMillionRowsAreAppendedShownSelectedAndCleared) {
    constexpr int32_t ROWS = 1000000;
    auto start = std::chrono::steady_clock::now();
    std::string row;
    for (int32_t i = 0; i < ROWS; ++i) {
        row = "datei-" + std::to_string(i) + ".txt (" + std::to_string(i * 7) + ")";
        InsertRow(AllFiles, -1, row);
    }
    double append = Seconds(start);
    start = std::chrono::steady_clock::now();
    driver::EventsOf([] {}); // lays the rows out and paints them
    double show = Seconds(start);
    EXPECT_EQ(CountRows(AllFiles), ROWS);

    start = std::chrono::steady_clock::now();
    SetControlValue(AllFiles, ROWS - 1);
    EXPECT_EQ(EventsOf([] { driver::UserClickRow(AllFiles, ROWS - 2); }), "control 2");
    double select = Seconds(start);
    EXPECT_EQ(GetControlValue(AllFiles), ROWS - 2);

    start = std::chrono::steady_clock::now();
    ClearRows(AllFiles);
    driver::EventsOf([] {});
    double clear = Seconds(start);
    EXPECT_EQ(CountRows(AllFiles), 0);
    EXPECT_EQ(GetControlValue(AllFiles), -1);
    std::printf("1M rows: append %.2f s, show %.2f s, select at the end %.2f s, clear %.2f s\n", append, show,
                select, clear);
}

} // namespace
} // namespace testwin
