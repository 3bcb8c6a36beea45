// List boxes as the program uses them: rows in order, selection by index, deletion with the selection
// following its row, clearing.
#include "driver/window_fixture.h"

namespace testwin {
namespace {

using WindowListBox = WindowTest;
using Rows = std::vector<std::string>;

TEST_F(WindowListBox, RowsStayInInsertionOrderAndValueIsTheSelectedRowOrMinusOne) {
    for (const char* row : {"c", "a", "b", "a"})
        InsertRow(LstGroups, -1, row);
    EXPECT_EQ(GetControlValue(LstGroups), -1);
    // Inserting at a position puts the row there; past the end or below -1 it is refused.
    const std::pair<int32_t, const char*> inserts[] = {
        {0, "first"}, {2, "mid"}, {6, "last"}, {8, "x"}, {-2, "y"}};
    for (auto [at, row] : inserts)
        InsertRow(LstGroups, at, row);
    EXPECT_EQ(driver::ControlRows(LstGroups), (Rows{"first", "c", "mid", "a", "b", "a", "last"}));
    EXPECT_EQ(CountRows(LstGroups), 7);
    EXPECT_EQ(CountRows(LstAllFiles) + CountRows(LstMembers), 0);

    for (int32_t row : {2, 0, -1}) {
        SetControlValue(LstGroups, row);
        EXPECT_EQ(GetControlValue(LstGroups), row);
        EXPECT_EQ(driver::SelectedRow(LstGroups), row);
    }
    SetControlValue(LstGroups, 1);
    ClearRows(LstGroups);
    EXPECT_EQ(GetControlValue(LstGroups), -1);
    EXPECT_TRUE(driver::ControlRows(LstGroups).empty());
    InsertRow(LstGroups, -1, "neu");
    EXPECT_EQ(driver::ControlRows(LstGroups), Rows{"neu"});
    EXPECT_EQ(GetControlValue(LstGroups), -1);
}

TEST_F(WindowListBox, DeletingRowsKeepsTheSelectionOnItsRowOrLeavesNone) {
    for (const char* row : {"r0", "r1", "r2", "r3"})
        InsertRow(LstGroups, -1, row);
    SetControlValue(LstGroups, 2);
    DeleteRow(LstGroups, 0); // a row above the selection: the selected row moves up
    EXPECT_EQ(GetControlValue(LstGroups), 1);
    DeleteRow(LstGroups, 2); // a row below: nothing moves
    EXPECT_EQ(GetControlValue(LstGroups), 1);
    DeleteRow(LstGroups, 1); // the selected row itself
    DeleteRow(LstGroups, 5); // no such rows
    DeleteRow(LstGroups, -1);
    EXPECT_EQ(driver::ControlRows(LstGroups), Rows{"r1"});
    EXPECT_EQ(GetControlValue(LstGroups), -1);
}

} // namespace
} // namespace testwin
