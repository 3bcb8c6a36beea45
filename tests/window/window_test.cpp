// The window and its controls as the window services make them: size, place, frame, layout, texts.
#include "test_window.h"

#include <cstdlib>

namespace testwin {
namespace {

using WindowProperties = WindowTest;

TEST_F(WindowProperties, ClientAreaIsExactlyTheSizeAskedForCentredOnTheScreenAndFixed) {
    EXPECT_TRUE(driver::WindowOpen(0));
    EXPECT_EQ(driver::WindowTitle(0), TITLE);
    EXPECT_FALSE(driver::WindowResizable(0));

    driver::Rect client = driver::ClientRect(0);
    EXPECT_EQ(client.width, 600);
    EXPECT_EQ(client.height, 300);
    // The frame is centred, so the client area is centred across, and lies below the centre by at
    // most half the title bar.
    driver::Rect screen = driver::ScreenRect();
    int32_t dx = (client.x + client.width / 2) - (screen.x + screen.width / 2);
    int32_t dy = (client.y + client.height / 2) - (screen.y + screen.height / 2);
    EXPECT_LE(std::abs(dx), 2) << "client x " << client.x << " on a screen " << screen.width << " wide";
    EXPECT_GE(dy, -2) << "client y " << client.y << " on a screen " << screen.height << " high";
    EXPECT_LE(dy, 30) << "client y " << client.y << " on a screen " << screen.height << " high";
}

TEST_F(WindowProperties, OpeningReportsItsSizeAndNothingElse) {
    std::string opening = Describe(opening_);
    EXPECT_NE(opening.find("size"), std::string::npos) << opening;
    EXPECT_EQ(opening.find("control"), std::string::npos) << opening;
    EXPECT_EQ(opening.find("close"), std::string::npos) << opening;
}

TEST_F(WindowProperties, ControlsSitWhereTheTableSaysWithTheirTextsEnabledAndEmpty) {
    for (const ControlLayout& c : Controls()) {
        SCOPED_TRACE("control " + std::to_string(c.number));
        ASSERT_TRUE(driver::ControlExists(c.number));
        driver::Rect r = driver::ControlRect(c.number);
        EXPECT_EQ(r.x, c.x);
        EXPECT_EQ(r.y, c.y);
        EXPECT_EQ(r.width, c.width);
        EXPECT_EQ(r.height, c.height);
        EXPECT_TRUE(driver::ControlEnabled(c.number));
        if (c.kind == Kind::Button || c.kind == Kind::Label) {
            EXPECT_EQ(driver::ControlText(c.number), c.text);
        }
        if (c.kind == Kind::List) {
            EXPECT_TRUE(driver::ControlRows(c.number).empty());
            EXPECT_EQ(driver::SelectedRow(c.number), -1);
            EXPECT_EQ(GetControlValue(c.number), -1);
        }
        if (c.kind == Kind::Bar) {
            EXPECT_EQ(driver::BarPosition(c.number), 0);
        }
    }
    // The widest controls reach x 598 and the lowest y 295, inside the 600 x 300 area.
    driver::Rect deleteAll = driver::ControlRect(DeleteAll);
    EXPECT_EQ(deleteAll.x + deleteAll.width, 598);
    EXPECT_EQ(deleteAll.y + deleteAll.height, 295);
}

TEST_F(WindowProperties, TextsAndRowsKeepTheirBytesGermanLettersIncluded) {
    const std::string heading = "Dateien mit gleichem Inhalt (2 - 5) äöüß ÄÖÜ";
    SetControlText(GroupsHeading, heading);
    EXPECT_EQ(driver::ControlText(GroupsHeading), heading);
    SetControlText(DeleteMarked, "Lösche markierte Datei");
    EXPECT_EQ(driver::ControlText(DeleteMarked), "Lösche markierte Datei");

    const std::vector<std::string> rows = {"Größe.txt (12)", "Übersicht.bak (0)", "-n (2147483648)", ""};
    for (const std::string& row : rows)
        InsertRow(AllFiles, -1, row);
    EXPECT_EQ(driver::ControlRows(AllFiles), rows);
}

TEST_F(WindowProperties, BarsTakeTheirPositionAtOnceWithinTheirRange) {
    SetControlValue(BarOverall, 40);
    SetControlValue(BarFile, 100);
    EXPECT_EQ(driver::BarPosition(BarOverall), 40);
    EXPECT_EQ(driver::BarPosition(BarFile), 100);
    SetControlValue(BarFile, 0);
    EXPECT_EQ(driver::BarPosition(BarFile), 0);
    EXPECT_EQ(driver::BarPosition(BarOverall), 40);
}

TEST_F(WindowProperties, DisabledControlsShowItAndComeBack) {
    for (int32_t n : {Groups, Members, DeleteMarked, Reset, Search, DeleteAll})
        SetControlDisabled(n, 1);
    for (int32_t n : {Groups, Members, DeleteMarked, Reset, Search, DeleteAll})
        EXPECT_FALSE(driver::ControlEnabled(n));
    EXPECT_TRUE(driver::ControlEnabled(AddFolder));
    EXPECT_TRUE(driver::ControlEnabled(AllFiles));
    SetControlDisabled(Search, 0);
    EXPECT_TRUE(driver::ControlEnabled(Search));
    EXPECT_FALSE(driver::ControlEnabled(Reset));
}

TEST_F(WindowProperties, NumbersNeverCreatedDoNothingAndAnswerZero) {
    for (int32_t n : {11, 50, 99, 102, 129, 130, 5000, 70000, -1, -100}) {
        SCOPED_TRACE("number " + std::to_string(n));
        SetControlDisabled(n, 1);
        SetControlValue(n, 3);
        SetControlText(n, "x");
        InsertRow(n, -1, "row");
        InsertRow(n, 0, "row");
        DeleteRow(n, 0);
        ClearRows(n);
        EXPECT_EQ(GetControlValue(n), 0);
        EXPECT_EQ(CountRows(n), 0);
        EXPECT_FALSE(driver::ControlExists(n));
    }
    CloseTopWindow(7);
    CloseTopWindow(-1);
    // The window and its controls are untouched.
    EXPECT_TRUE(driver::WindowOpen(0));
    EXPECT_EQ(driver::ControlText(AllFilesHeading), "Alle Dateien");
    EXPECT_TRUE(driver::ControlEnabled(Search));
}

TEST_F(WindowProperties, ClosingTheWindowTakesItAwayAndWindowsOfHigherNumbersOpen) {
    WindowHandle second =
        OpenTopWindow(25, 10, 10, 200, 100, WINDOW_CAPTION | WINDOW_SYSMENU, "Zweites Fenster");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(CurrentWindow(), second);
    EXPECT_TRUE(driver::WindowOpen(25));
    EXPECT_EQ(driver::WindowTitle(25), "Zweites Fenster");
    EXPECT_EQ(driver::ClientRect(25).width, 200);
    EXPECT_EQ(driver::ClientRect(25).height, 100);

    CloseTopWindow(0);
    EXPECT_FALSE(driver::WindowOpen(0));
    EXPECT_TRUE(driver::WindowOpen(25));
    CloseAllWindows();
    EXPECT_FALSE(driver::WindowOpen(25));
}

TEST_F(WindowProperties, ReopeningANumberReplacesItsWindow) {
    WindowHandle again =
        OpenTopWindow(0, 0, 0, 300, 200, WINDOW_CAPTION | WINDOW_SYSMENU | WINDOW_CENTRE_SCREEN, "Neu");
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(driver::WindowOpen(0));
    EXPECT_EQ(driver::WindowTitle(0), "Neu");
    EXPECT_EQ(driver::ClientRect(0).width, 300);
    EXPECT_EQ(driver::ClientRect(0).height, 200);
}

} // namespace
} // namespace testwin
