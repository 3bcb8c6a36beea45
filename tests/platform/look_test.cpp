// How the controls look on the screen: the focus on an empty list, an empty bar, and the height of
// list rows.
#include "driver/window_fixture.h"

#include <algorithm>

namespace testwin {
namespace {

using WindowLook = WindowTest;

// The pixels of a control inside its frame (three pixels in from each side).
std::vector<uint32_t> Inside(int32_t control) {
    constexpr int32_t FRAME = 3;
    const driver::Picture picture = driver::ControlPicture(control);
    std::vector<uint32_t> inside;
    for (int32_t y = FRAME; y < picture.height - FRAME; ++y)
        for (int32_t x = FRAME; x < picture.width - FRAME; ++x)
            inside.push_back(picture.pixels[static_cast<size_t>(y * picture.width + x)]);
    EXPECT_FALSE(inside.empty()) << "control " << control;
    return inside;
}

bool OneColour(const std::vector<uint32_t>& pixels) {
    return std::all_of(pixels.begin(), pixels.end(), [&](uint32_t p) { return p == pixels.front(); });
}

TEST_F(WindowLook, AFocusedEmptyListShowsItsFocusInside) {
    driver::EventsOf([] {});
    const std::vector<uint32_t> unfocused = Inside(LstGroups);
    EXPECT_TRUE(OneColour(unfocused));
    EXPECT_EQ(EventText([] { driver::UserClick(LstGroups); }), "");
    ASSERT_EQ(driver::FocusedControl(), LstGroups);
    EXPECT_FALSE(OneColour(Inside(LstGroups)));
    EXPECT_EQ(EventText([] { driver::UserClick(BtnSearch); }), "control 9");
    EXPECT_EQ(Inside(LstGroups), unfocused);
}

TEST_F(WindowLook, ABarAtZeroLooksEmpty) {
    for (int32_t bar : {BarFile, BarOverall}) {
        SCOPED_TRACE("bar " + std::to_string(bar));
        for (int32_t value : {0, 50, 0}) {
            SetControlValue(bar, value);
            driver::EventsOf([] {});
            EXPECT_EQ(OneColour(Inside(bar)), value == 0) << "at " << value;
        }
    }
}

// Rows of 12 pixels, as Windows' control font gives them: the lists show as many rows as there.
TEST_F(WindowLook, ListRowsAreAsHighAsOnWindows) {
    for (int32_t list : {LstAllFiles, LstGroups, LstMembers}) {
        InsertRow(list, -1, "Größe.txt (12)");
        EXPECT_EQ(driver::RowHeight(list), 12) << "list " << list;
    }
}

} // namespace
} // namespace testwin
