// A picture of the main window, kept with the test run's artefacts.
#include "driver/window_fixture.h"

#include <filesystem>

namespace testwin {
namespace {

using WindowScreenshot = WindowTest;

TEST_F(WindowScreenshot, TheMainWindowIsSavedAsAnArtefact) {
    // Some content, so that the picture shows rows, a selection, a heading and a bar.
    for (const char* row : {"bild.jpg (20480)", "Größe.txt (12)", "bild-kopie.jpg (20480)"})
        InsertRow(LstAllFiles, -1, row);
    SetControlText(LblAllFiles, "Alle Dateien (3)");
    InsertRow(LstGroups, -1, "2: bild.jpg, bild-kopie.jpg");
    SetControlValue(LstGroups, 0);
    SetControlValue(BarOverall, 60);
    SetControlValue(BarFile, 30);
    driver::EventsOf([] {});

    std::string path = driver::SaveScreenshot("main-window");
    ASSERT_FALSE(path.empty());
    std::error_code error;
    EXPECT_GT(std::filesystem::file_size(path, error), 1000u) << path;
}

} // namespace
} // namespace testwin
