// What the user does becomes events: clicks, selections, the close box, and the keyboard.
#include "driver/window_fixture.h"

namespace testwin {
namespace {

using WindowEvents = WindowTest;

TEST_F(WindowEvents, AClickOnAButtonGivesItsNumberAndTheCloseBoxAsksWhileTheWindowStays) {
    InsertRow(LstAllFiles, -1, "a");
    // The first click leaves a focused list behind, whose losing the focus must not swallow the next click.
    EXPECT_EQ(EventText([] { driver::UserClickRow(LstAllFiles, 0); }), "control 2");
    for (int32_t button : {BtnAddFolder, BtnReset, BtnSearch, BtnDeleteMarked, BtnDeleteAll})
        EXPECT_EQ(EventText([&] { driver::UserClick(button); }), "control " + std::to_string(button));
    for (int32_t quiet : {LblAllFiles, LblGroups, BarOverall, BarFile})
        EXPECT_EQ(EventText([&] { driver::UserClick(quiet); }), "") << "control " << quiet;
    SetControlDisabled(BtnSearch, 1);
    EXPECT_FALSE(driver::ControlEnabled(BtnSearch));
    EXPECT_EQ(EventText([] { driver::UserClick(BtnSearch); }), "");

    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(EventText([] { driver::UserCloseBox(0); }), "close");
        EXPECT_TRUE(driver::WindowOpen(0));
    }
    EXPECT_EQ(EventText([] { driver::UserClick(BtnReset); }), "control 8");
}

TEST_F(WindowEvents, TheUsersSelectionIsAnEventTheProgramsIsNot) {
    for (const char* row : {"eins", "zwei", "drei"})
        InsertRow(LstGroups, -1, row);
    EXPECT_EQ(EventText([] { driver::UserClickRow(LstGroups, 1); }), "control 4");
    EXPECT_EQ(GetControlValue(LstGroups), 1);
    EXPECT_EQ(EventControl(), LstGroups);
    EXPECT_EQ(EventText([] { driver::UserKey(driver::Key::Down); }), "control 4");
    EXPECT_EQ(GetControlValue(LstGroups), 2);

    EXPECT_EQ(EventText([] {
                  SetControlValue(LstGroups, 0);
                  SetControlValue(LstGroups, -1);
                  InsertRow(LstGroups, -1, "vier");
                  DeleteRow(LstGroups, 0);
                  ClearRows(LstGroups);
              }),
              "");
}

// As a Windows list box: the first arrow key starts at the first row, and every click on a row is
// reported, also on the row already selected (the program shows that group again).
TEST_F(WindowEvents, TheFirstArrowKeySelectsTheFirstRowAndAClickOnTheSelectedRowIsAnEvent) {
    auto fill = [](int32_t list) {
        for (const char* row : {"eins", "zwei", "drei"})
            InsertRow(list, -1, row);
    };
    fill(LstAllFiles);
    EXPECT_EQ(EventText([] { driver::UserClick(BtnAddFolder); }), "control 0");
    EXPECT_EQ(EventText([] { driver::UserKey(driver::Key::Tab); }), "");
    ASSERT_EQ(driver::FocusedControl(), LstAllFiles);
    EXPECT_EQ(EventText([] { driver::UserKey(driver::Key::Down); }), "control 2");
    EXPECT_EQ(GetControlValue(LstAllFiles), 0);
    // The same in a list the program has filled anew since, tabbed to again.
    ClearRows(LstAllFiles);
    fill(LstAllFiles);
    EXPECT_EQ(EventText([] {
                  driver::UserKey(driver::Key::ShiftTab);
                  driver::UserKey(driver::Key::Tab);
                  driver::UserKey(driver::Key::Down);
              }),
              "control 2");
    EXPECT_EQ(GetControlValue(LstAllFiles), 0);

    fill(LstGroups);
    EXPECT_EQ(EventText([] { driver::UserClickRow(LstGroups, 1); }), "control 4");
    EXPECT_EQ(EventText([] { driver::UserClickRow(LstGroups, 1); }), "control 4");
    EXPECT_EQ(GetControlValue(LstGroups), 1);
    EXPECT_EQ(EventText([] { driver::UserClick(LstGroups); }), ""); // below the rows
    EXPECT_EQ(GetControlValue(LstGroups), 1);
}

// Focus moves raise nothing; Tab walks enabled buttons and lists in creation order and wraps.
TEST_F(WindowEvents, TabWalksEnabledControlsInCreationOrderAndWrapsSilently) {
    auto walk = [](driver::Key key, int steps) {
        std::vector<int32_t> seen;
        for (int i = 0; i < steps; ++i) {
            EXPECT_EQ(EventText([&] { driver::UserKey(key); }), "");
            seen.push_back(driver::FocusedControl());
        }
        return seen;
    };
    EXPECT_EQ(EventText([] { driver::UserClick(LstGroups); }), ""); // an empty list only takes the focus
    EXPECT_EQ(driver::FocusedControl(), LstGroups);
    EXPECT_EQ(walk(driver::Key::Tab, 6), (std::vector<int32_t>{LstMembers, BtnDeleteMarked, BtnDeleteAll,
                                                               BtnAddFolder, LstAllFiles, BtnReset}));
    EXPECT_EQ(walk(driver::Key::ShiftTab, 2), (std::vector<int32_t>{LstAllFiles, BtnAddFolder}));
    EXPECT_EQ(walk(driver::Key::ShiftTab, 1), std::vector<int32_t>{BtnDeleteAll});

    for (int32_t n : {BtnReset, LstGroups, BtnDeleteAll})
        SetControlDisabled(n, 1);
    EXPECT_EQ(EventText([] { driver::UserClick(BtnAddFolder); }), "control 0");
    EXPECT_EQ(walk(driver::Key::Tab, 5),
              (std::vector<int32_t>{LstAllFiles, BtnSearch, LstMembers, BtnDeleteMarked, BtnAddFolder}));
    EXPECT_EQ(walk(driver::Key::ShiftTab, 1), std::vector<int32_t>{BtnDeleteMarked});
    EXPECT_EQ(EventText([] { driver::UserKey(driver::Key::Space); }), "control 7");
}

} // namespace
} // namespace testwin
