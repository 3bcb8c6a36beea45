// Qt only: a list box takes many appended rows, shows them, and clears them (bench/ times a million).
#include "driver/window_fixture.h"

namespace testwin {
namespace {

using QtListBoxSpeed = WindowTest;

TEST_F(QtListBoxSpeed, ManyRowsAreAppendedShownSelectedAndCleared) {
    constexpr int32_t ROWS = 100000;
    for (int32_t i = 0; i < ROWS; ++i)
        InsertRow(LstAllFiles, -1, "datei-" + std::to_string(i) + ".txt (" + std::to_string(i * 7) + ")");
    driver::EventsOf([] {}); // lays the rows out and paints them
    SetControlValue(LstAllFiles, ROWS - 1);
    EXPECT_EQ(EventText([] { driver::UserClickRow(LstAllFiles, ROWS - 2); }), "control 2");
    EXPECT_EQ(GetControlValue(LstAllFiles), ROWS - 2);
    ClearRows(LstAllFiles);
    driver::EventsOf([] {});
    EXPECT_EQ(CountRows(LstAllFiles), 0);
    EXPECT_EQ(GetControlValue(LstAllFiles), -1);
}

} // namespace
} // namespace testwin
