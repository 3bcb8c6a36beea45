// What the user does becomes events: clicks, selections, the close box, and the keyboard.
#include "test_window.h"

namespace testwin {
namespace {

using WindowEvents = WindowTest;

TEST_F(WindowEvents, AClickOnAButtonGivesItsNumberAndNothingElseGivesAControlEvent) {
    for (int32_t button : {AddFolder, Reset, Search, DeleteMarked, DeleteAll})
        EXPECT_EQ(EventsOf([&] { driver::UserClick(button); }), "control " + std::to_string(button));
    for (int32_t quiet : {AllFilesHeading, GroupsHeading, BarOverall, BarFile})
        EXPECT_EQ(EventsOf([&] { driver::UserClick(quiet); }), "") << "control " << quiet;
    // A disabled button does not react.
    SetControlDisabled(Search, 1);
    EXPECT_EQ(EventsOf([] { driver::UserClick(Search); }), "");
}

TEST_F(WindowEvents, TheUsersSelectionIsAnEventTheProgramsIsNot) {
    for (const char* row : {"eins", "zwei", "drei"})
        InsertRow(Groups, -1, row);

    EXPECT_EQ(EventsOf([] { driver::UserClickRow(Groups, 1); }), "control 4");
    EXPECT_EQ(GetControlValue(Groups), 1);
    EXPECT_EQ(EventControl(), Groups);
    EXPECT_EQ(EventsOf([] { driver::UserClickRow(Groups, 2); }), "control 4");
    EXPECT_EQ(GetControlValue(Groups), 2);

    EXPECT_EQ(EventsOf([] { SetControlValue(Groups, 0); }), "");
    EXPECT_EQ(GetControlValue(Groups), 0);
    EXPECT_EQ(EventsOf([] { SetControlValue(Groups, -1); }), "");
    EXPECT_EQ(EventsOf([] {
                  InsertRow(Groups, -1, "vier");
                  DeleteRow(Groups, 0);
                  ClearRows(Groups);
              }),
              "");
}

TEST_F(WindowEvents, ADoubleClickOnARowIsAnEventOfItsList) {
    for (const char* row : {"/a/x.doc", "/a/x.bak"})
        InsertRow(Members, -1, row);
    SetControlValue(Members, 1);
    std::vector<driver::SeenEvent> events = driver::EventsOf([] { driver::UserDoubleClickRow(Members, 1); });
    ASSERT_FALSE(events.empty());
    for (const driver::SeenEvent& e : events) {
        EXPECT_EQ(e.code, EVENT_CONTROL);
        EXPECT_EQ(e.control, Members);
    }
    EXPECT_EQ(GetControlValue(Members), 1);
}

TEST_F(WindowEvents, TheArrowKeysInAFocusedListSelectAndReport) {
    for (const char* row : {"a", "b", "c"})
        InsertRow(AllFiles, -1, row);
    EXPECT_EQ(EventsOf([] { driver::UserClickRow(AllFiles, 0); }), "control 2");
    EXPECT_EQ(driver::FocusedControl(), AllFiles);
    EXPECT_EQ(EventsOf([] { driver::UserKey(driver::Key::Down); }), "control 2");
    EXPECT_EQ(GetControlValue(AllFiles), 1);
    EXPECT_EQ(EventsOf([] { driver::UserKey(driver::Key::Down); }), "control 2");
    EXPECT_EQ(EventsOf([] { driver::UserKey(driver::Key::Up); }), "control 2");
    EXPECT_EQ(GetControlValue(AllFiles), 1);
}

TEST_F(WindowEvents, FocusChangesRaiseNothing) {
    // Clicking into an empty list only moves the focus there.
    EXPECT_EQ(EventsOf([] { driver::UserClick(Groups); }), "");
    EXPECT_EQ(driver::FocusedControl(), Groups);
    EXPECT_EQ(EventsOf([] { driver::UserKey(driver::Key::Tab); }), "");
    EXPECT_EQ(EventsOf([] { driver::UserKey(driver::Key::ShiftTab); }), "");
    EXPECT_EQ(driver::FocusedControl(), Groups);
}

TEST_F(WindowEvents, TheCloseBoxAsksAndTheWindowStaysWorking) {
    EXPECT_EQ(EventsOf([] { driver::UserCloseBox(0); }), "close");
    EXPECT_TRUE(driver::WindowOpen(0));
    EXPECT_EQ(EventsOf([] { driver::UserClick(Search); }), "control 9");
    EXPECT_EQ(EventsOf([] { driver::UserCloseBox(0); }), "close");
    EXPECT_TRUE(driver::WindowOpen(0));
    CloseTopWindow(0);
    EXPECT_FALSE(driver::WindowOpen(0));
}

TEST_F(WindowEvents, TabWalksEnabledButtonsAndListsInCreationOrderAndWraps) {
    EXPECT_EQ(EventsOf([] { driver::UserClick(AddFolder); }), "control 0");
    ASSERT_EQ(driver::FocusedControl(), AddFolder);
    std::vector<int32_t> forward;
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(EventsOf([] { driver::UserKey(driver::Key::Tab); }), "");
        forward.push_back(driver::FocusedControl());
    }
    EXPECT_EQ(forward, (std::vector<int32_t>{AllFiles, Reset, Search, Groups, Members, DeleteMarked,
                                             DeleteAll, AddFolder}));
    std::vector<int32_t> backward;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(EventsOf([] { driver::UserKey(driver::Key::ShiftTab); }), "");
        backward.push_back(driver::FocusedControl());
    }
    EXPECT_EQ(backward, (std::vector<int32_t>{DeleteAll, DeleteMarked, Members}));
}

TEST_F(WindowEvents, TabSkipsDisabledControls) {
    for (int32_t n : {Reset, Groups, DeleteAll})
        SetControlDisabled(n, 1);
    EXPECT_EQ(EventsOf([] { driver::UserClick(AddFolder); }), "control 0");
    std::vector<int32_t> forward;
    for (int i = 0; i < 6; ++i) {
        EventsOf([] { driver::UserKey(driver::Key::Tab); });
        forward.push_back(driver::FocusedControl());
    }
    EXPECT_EQ(forward, (std::vector<int32_t>{AllFiles, Search, Members, DeleteMarked, AddFolder, AllFiles}));
    EventsOf([] { driver::UserKey(driver::Key::ShiftTab); });
    EventsOf([] { driver::UserKey(driver::Key::ShiftTab); });
    EXPECT_EQ(driver::FocusedControl(), DeleteMarked); // from the first back to the last enabled one
}

TEST_F(WindowEvents, SpacePressesTheFocusedButtonAndEnterPressesNothing) {
    EXPECT_EQ(EventsOf([] { driver::UserClick(Reset); }), "control 8");
    EXPECT_EQ(EventsOf([] { driver::UserKey(driver::Key::Space); }), "control 8");
    EXPECT_EQ(EventsOf([] { driver::UserKey(driver::Key::Enter); }), "");
    EXPECT_EQ(EventsOf([] { driver::UserKey(driver::Key::Tab); }), "");
    ASSERT_EQ(driver::FocusedControl(), Search);
    EXPECT_EQ(EventsOf([] { driver::UserKey(driver::Key::Space); }), "control 9");
    EXPECT_EQ(EventsOf([] { driver::UserKey(driver::Key::Enter); }), "");
}

} // namespace
} // namespace testwin
