// The controls as the window services make them: texts, rows and numbers that were never created.
// (Where the main window and its controls sit is checked on the program's own window, in ui/.)
#include "driver/window_fixture.h"

namespace testwin {
namespace {

using WindowProperties = WindowTest;

TEST_F(WindowProperties, TextsAndRowsKeepTheirBytesGermanLettersIncluded) {
    EXPECT_EQ(opening_, "size"); // opening the window reports its size once
    const std::string heading = "Dateien mit gleichem Inhalt (2 - 5) äöüß ÄÖÜ";
    SetControlText(LblGroups, heading);
    EXPECT_EQ(driver::ControlText(LblGroups), heading);
    const std::vector<std::string> rows = {"Größe.txt (12)", "Übersicht.bak (0)", "-n (2147483648)", "",
                                           std::string(600, 'w') + ".txt (1)"};
    for (const std::string& row : rows)
        InsertRow(LstAllFiles, -1, row);
    EXPECT_EQ(driver::ControlRows(LstAllFiles), rows);
    SetControlValue(BarOverall, 40);
    EXPECT_EQ(driver::BarPosition(BarOverall), 40);
}

TEST_F(WindowProperties, NumbersNeverCreatedDoNothingAndAnswerZero) {
    for (int32_t n : {11, 99, 102, 130, 70000, -1}) {
        SCOPED_TRACE("number " + std::to_string(n));
        SetControlDisabled(n, 1);
        SetControlValue(n, 3);
        SetControlText(n, "x");
        InsertRow(n, 0, "row");
        DeleteRow(n, 0);
        ClearRows(n);
        EXPECT_EQ(GetControlValue(n), 0);
        EXPECT_EQ(CountRows(n), 0);
        EXPECT_FALSE(driver::ControlExists(n));
    }
    CloseTopWindow(7);
    CloseTopWindow(-1);
    EXPECT_TRUE(driver::WindowOpen(0));
    EXPECT_EQ(driver::ControlText(LblAllFiles), "Alle Dateien");
    EXPECT_TRUE(driver::ControlEnabled(BtnSearch));
}

} // namespace
} // namespace testwin
