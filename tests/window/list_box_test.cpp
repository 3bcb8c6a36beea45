// List boxes as the program uses them: appended rows in order, selection by index, deletion with the
// selection following its row, clearing.
#include "test_window.h"

namespace testwin {
namespace {

using WindowListBox = WindowTest;

void Fill(int32_t list, const std::vector<std::string>& rows) {
    for (const std::string& row : rows)
        InsertRow(list, -1, row);
}

TEST_F(WindowListBox, AppendedRowsStayInInsertionOrderUnsorted) {
    Fill(Groups, {"c", "a", "b", "a"});
    EXPECT_EQ(CountRows(Groups), 4);
    EXPECT_EQ(driver::ControlRows(Groups), (std::vector<std::string>{"c", "a", "b", "a"}));
    // Inserting at a position puts the row there; past the end it is refused.
    InsertRow(Groups, 0, "first");
    InsertRow(Groups, 2, "middle");
    InsertRow(Groups, 6, "last");
    InsertRow(Groups, 8, "beyond");
    InsertRow(Groups, -2, "negative");
    EXPECT_EQ(driver::ControlRows(Groups),
              (std::vector<std::string>{"first", "c", "middle", "a", "b", "a", "last"}));
    EXPECT_EQ(CountRows(Groups), 7);
    // The other lists are untouched.
    EXPECT_EQ(CountRows(AllFiles), 0);
    EXPECT_EQ(CountRows(Members), 0);
}

TEST_F(WindowListBox, ValueIsTheSelectedRowAndMinusOneForNone) {
    EXPECT_EQ(GetControlValue(Members), -1);
    Fill(Members, {"/a/x.doc", "/a/x.bak", "/b/y.BAK"});
    EXPECT_EQ(GetControlValue(Members), -1);

    SetControlValue(Members, 2);
    EXPECT_EQ(GetControlValue(Members), 2);
    EXPECT_EQ(driver::SelectedRow(Members), 2);
    SetControlValue(Members, 0);
    EXPECT_EQ(GetControlValue(Members), 0);
    EXPECT_EQ(driver::SelectedRow(Members), 0);

    SetControlValue(Members, -1);
    EXPECT_EQ(GetControlValue(Members), -1);
    EXPECT_EQ(driver::SelectedRow(Members), -1);

    SetControlValue(Members, 1);
    ClearRows(Members);
    EXPECT_EQ(GetControlValue(Members), -1);
    EXPECT_EQ(CountRows(Members), 0);
    EXPECT_TRUE(driver::ControlRows(Members).empty());

    // A cleared list fills again from the start.
    Fill(Members, {"neu"});
    EXPECT_EQ(driver::ControlRows(Members), (std::vector<std::string>{"neu"}));
    EXPECT_EQ(GetControlValue(Members), -1);
}

TEST_F(WindowListBox, DeletingRowsKeepsTheSelectionOnItsRowOrLeavesNone) {
    Fill(Groups, {"r0", "r1", "r2", "r3"});
    SetControlValue(Groups, 2);
    DeleteRow(Groups, 0); // a row above the selection: the selected row moves up
    EXPECT_EQ(driver::ControlRows(Groups), (std::vector<std::string>{"r1", "r2", "r3"}));
    EXPECT_EQ(GetControlValue(Groups), 1);
    DeleteRow(Groups, 2); // a row below: nothing moves
    EXPECT_EQ(GetControlValue(Groups), 1);
    DeleteRow(Groups, 1); // the selected row itself
    EXPECT_EQ(driver::ControlRows(Groups), (std::vector<std::string>{"r1"}));
    EXPECT_EQ(GetControlValue(Groups), -1);
    DeleteRow(Groups, 5); // no such row
    DeleteRow(Groups, -1);
    EXPECT_EQ(CountRows(Groups), 1);
    DeleteRow(Groups, 0);
    EXPECT_EQ(CountRows(Groups), 0);
    EXPECT_EQ(GetControlValue(Groups), -1);
}

TEST_F(WindowListBox, SelectingARowFarDownNeedsNoEventAndIsWhatTheUserSees) {
    for (int i = 0; i < 1000; ++i)
        InsertRow(AllFiles, -1, "datei" + std::to_string(i) + ".txt (" + std::to_string(i) + ")");
    EXPECT_EQ(CountRows(AllFiles), 1000);
    std::string events = EventsOf([] { SetControlValue(AllFiles, 999); });
    EXPECT_EQ(events, "");
    EXPECT_EQ(driver::SelectedRow(AllFiles), 999);
    // A user click on the row just before it moves the selection there.
    EXPECT_EQ(EventsOf([] { driver::UserClickRow(AllFiles, 998); }), "control 2");
    EXPECT_EQ(GetControlValue(AllFiles), 998);
}

TEST_F(WindowListBox, RowsWiderThanTheBoxAreKeptWhole) {
    std::string wide(600, 'w');
    wide += ".txt (1)";
    InsertRow(AllFiles, -1, wide);
    EXPECT_EQ(driver::ControlRows(AllFiles), std::vector<std::string>{wide});
}

} // namespace
} // namespace testwin
