// Qt only: a list box takes a million appended rows, shows them, and clears them, without long waits.
#include "../../window/test_window.h"

#include <chrono>
#include <cstdio>

namespace testwin {
namespace {

using QtListBoxSpeed = WindowTest;

TEST_F(QtListBoxSpeed, AMillionRowsAreAppendedShownSelectedAndCleared) {
    constexpr int32_t ROWS = 1000000;
    auto start = std::chrono::steady_clock::now();
    for (int32_t i = 0; i < ROWS; ++i)
        InsertRow(AllFiles, -1, "datei-" + std::to_string(i) + ".txt (" + std::to_string(i * 7) + ")");
    driver::EventsOf([] {}); // lays the rows out and paints them
    SetControlValue(AllFiles, ROWS - 1);
    EXPECT_EQ(EventsOf([] { driver::UserClickRow(AllFiles, ROWS - 2); }), "control 2");
    EXPECT_EQ(GetControlValue(AllFiles), ROWS - 2);
    ClearRows(AllFiles);
    driver::EventsOf([] {});
    EXPECT_EQ(CountRows(AllFiles), 0);
    EXPECT_EQ(GetControlValue(AllFiles), -1);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("1M rows appended, shown, selected at the end and cleared in %.2f s\n", seconds);
    EXPECT_LT(seconds, 120.0);
}

} // namespace
} // namespace testwin
