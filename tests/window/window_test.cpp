// The window and its controls as the window services make them: size, place, frame, layout, texts.
#include "test_window.h"

#include <cstdlib>

namespace testwin {
namespace {

using WindowProperties = WindowTest;

TEST_F(WindowProperties, ClientAreaIsCentredAndFixedAndControlsSitWhereTheTableSays) {
    EXPECT_EQ(opening_, "size");
    EXPECT_EQ(driver::WindowTitle(0), TITLE);
    EXPECT_FALSE(driver::WindowResizable(0));
    driver::Rect client = driver::ClientRect(0), screen = driver::ScreenRect();
    EXPECT_EQ(client.width, 600);
    EXPECT_EQ(client.height, 300);
    // The frame is centred, so the client area is centred across and lies below the centre by at most
    // half the title bar.
    int32_t dx = (client.x + client.width / 2) - (screen.x + screen.width / 2);
    int32_t dy = (client.y + client.height / 2) - (screen.y + screen.height / 2);
    EXPECT_LE(std::abs(dx), 2) << "client x " << client.x << " on a screen " << screen.width << " wide";
    EXPECT_TRUE(dy >= -2 && dy <= 30)
        << "client y " << client.y << " on a screen " << screen.height << " high";

    for (const ControlLayout& c : CONTROLS) {
        SCOPED_TRACE("control " + std::to_string(c.number));
        driver::Rect r = driver::ControlRect(c.number);
        EXPECT_EQ((std::vector<int32_t>{r.x, r.y, r.width, r.height}),
                  (std::vector<int32_t>{c.x, c.y, c.width, c.height}));
        EXPECT_TRUE(driver::ControlEnabled(c.number));
        if (c.kind == Kind::Button || c.kind == Kind::Label) {
            EXPECT_EQ(driver::ControlText(c.number), c.text);
        }
        if (c.kind == Kind::List) {
            EXPECT_EQ(GetControlValue(c.number), -1);
        }
    }
}

TEST_F(WindowProperties, TextsAndRowsKeepTheirBytesGermanLettersIncluded) {
    const std::string heading = "Dateien mit gleichem Inhalt (2 - 5) äöüß ÄÖÜ";
    SetControlText(GroupsHeading, heading);
    EXPECT_EQ(driver::ControlText(GroupsHeading), heading);
    const std::vector<std::string> rows = {"Größe.txt (12)", "Übersicht.bak (0)", "-n (2147483648)", "",
                                           std::string(600, 'w') + ".txt (1)"};
    for (const std::string& row : rows)
        InsertRow(AllFiles, -1, row);
    EXPECT_EQ(driver::ControlRows(AllFiles), rows);
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
    EXPECT_EQ(driver::ControlText(AllFilesHeading), "Alle Dateien");
    EXPECT_TRUE(driver::ControlEnabled(Search));
}

} // namespace
} // namespace testwin
