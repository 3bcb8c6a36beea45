// A picture of the main window, kept with the test run's artefacts.
#include "test_window.h"

#include "ui/layout.h"

#include <filesystem>

namespace testwin {
namespace {

TEST(WindowScreenshot, TheMainWindowIsSavedAsAnArtefact) {
    InitControlServices();
    InitWindowServices();
    bool opened = false;
    driver::EventsOf([&] { opened = OpenMainWindow(); });
    ASSERT_TRUE(opened);
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
    CloseAllWindows();
    driver::EventsOf([] {});
}

} // namespace
} // namespace testwin
