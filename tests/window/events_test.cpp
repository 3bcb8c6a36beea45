// What the user does becomes events: clicks, selections, the close box, and the keyboard.
#include "test_window.h"

namespace testwin {
namespace {

using WindowEvents = WindowTest;

TEST_F(WindowEvents, AClickOnAButtonGivesItsNumberAndTheCloseBoxAsksWhileTheWindowStays) {
    InsertRow(AllFiles, -1, "a");
    // The first click leaves a focused list behind, whose losing the focus must not swallow the next click.
    EXPECT_EQ(EventsOf([] { driver::UserClickRow(AllFiles, 0); }), "control 2");
    for (int32_t button : {AddFolder, Reset, Search, DeleteMarked, DeleteAll})
        EXPECT_EQ(EventsOf([&] { driver::UserClick(button); }), "control " + std::to_string(button));
    for (int32_t quiet : {AllFilesHeading, GroupsHeading, BarOverall, BarFile})
        EXPECT_EQ(EventsOf([&] { driver::UserClick(quiet); }), "") << "control " << quiet;
    SetControlDisabled(Search, 1);
    EXPECT_FALSE(driver::ControlEnabled(Search));
    EXPECT_EQ(EventsOf([] { driver::UserClick(Search); }), "");

    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(EventsOf([] { driver::UserCloseBox(0); }), "close");
        EXPECT_TRUE(driver::WindowOpen(0));
    }
    EXPECT_EQ(EventsOf([] { driver::UserClick(Reset); }), "control 8");
}

TEST_F(WindowEvents, TheUsersSelectionIsAnEventTheProgramsIsNot) {
    for (const char* row : {"eins", "zwei", "drei"})
        InsertRow(Groups, -1, row);
    EXPECT_EQ(EventsOf([] { driver::UserClickRow(Groups, 1); }), "control 4");
    EXPECT_EQ(GetControlValue(Groups), 1);
    EXPECT_EQ(EventControl(), Groups);
    EXPECT_EQ(EventsOf([] { driver::UserKey(driver::Key::Down); }), "control 4");
    EXPECT_EQ(GetControlValue(Groups), 2);

    EXPECT_EQ(EventsOf([] {
                  SetControlValue(Groups, 0);
                  SetControlValue(Groups, -1);
                  InsertRow(Groups, -1, "vier");
                  DeleteRow(Groups, 0);
                  ClearRows(Groups);
              }),
              "");
}

// Focus moves raise nothing; Tab walks enabled buttons and lists in creation order and wraps.
TEST_F(WindowEvents, TabWalksEnabledControlsInCreationOrderAndWrapsSilently) {
    auto walk = [](driver::Key key, int steps) {
        std::vector<int32_t> seen;
        for (int i = 0; i < steps; ++i) {
            EXPECT_EQ(EventsOf([&] { driver::UserKey(key); }), "");
            seen.push_back(driver::FocusedControl());
        }
        return seen;
    };
    EXPECT_EQ(EventsOf([] { driver::UserClick(Groups); }), ""); // an empty list only takes the focus
    EXPECT_EQ(driver::FocusedControl(), Groups);
    EXPECT_EQ(walk(driver::Key::Tab, 6),
              (std::vector<int32_t>{Members, DeleteMarked, DeleteAll, AddFolder, AllFiles, Reset}));
    EXPECT_EQ(walk(driver::Key::ShiftTab, 2), (std::vector<int32_t>{AllFiles, AddFolder}));
    EXPECT_EQ(walk(driver::Key::ShiftTab, 1), std::vector<int32_t>{DeleteAll});

    for (int32_t n : {Reset, Groups, DeleteAll})
        SetControlDisabled(n, 1);
    EXPECT_EQ(EventsOf([] { driver::UserClick(AddFolder); }), "control 0");
    EXPECT_EQ(walk(driver::Key::Tab, 5),
              (std::vector<int32_t>{AllFiles, Search, Members, DeleteMarked, AddFolder}));
    EXPECT_EQ(walk(driver::Key::ShiftTab, 1), std::vector<int32_t>{DeleteMarked});
    EXPECT_EQ(EventsOf([] { driver::UserKey(driver::Key::Space); }), "control 7");
}

} // namespace
} // namespace testwin
