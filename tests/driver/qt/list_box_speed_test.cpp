// Qt only: a list box takes many appended rows, shows them, and clears them (bench/ times a million).
#include "../../window/test_window.h"

namespace testwin {
namespace {

using QtListBoxSpeed = WindowTest;

TEST_F(QtListBoxSpeed, ManyRowsAreAppendedShownSelectedAndCleared) {
    constexpr int32_t ROWS = 100000;
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
}

} // namespace
} // namespace testwin
