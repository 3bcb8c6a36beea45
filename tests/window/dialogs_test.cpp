// The folder chooser and the message box, driven as a user drives them while the program waits.
#include "test_window.h"

#include <filesystem>
#include <random>

namespace testwin {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
constexpr char SEPARATOR = '\\';
#else
constexpr char SEPARATOR = '/';
#endif

// What ChooseFolder returns when the user does Act in the open chooser.
std::string Choose(const std::string& initial, const std::function<void()>& act) {
    std::string chosen = "unset";
    driver::WithUser([&] { chosen = ChooseFolder("Pfad hinzufügen...", initial); },
                     {[] { return driver::FolderChooserOpen(); }, [&] { return act(), true; }});
    EXPECT_FALSE(driver::FolderChooserOpen());
    return chosen;
}

using WindowDialogs = WindowTest;

TEST_F(WindowDialogs, ChosenFoldersEndWithTheSeparatorTheRootKeepsItsOneAndCancelGivesNothing) {
    const fs::path folder =
        fs::canonical(fs::temp_directory_path()) / ("zw-dialogs-" + std::to_string(std::random_device()()));
    fs::create_directories(folder / "Daten" / "Tief");
    const std::string data = (folder / "Daten").string(), deep = data + SEPARATOR + "Tief";
    const std::string root = folder.root_path().string(); // "C:\" or "/"
    EXPECT_EQ(Choose(folder.string() + SEPARATOR, [&] { driver::UserChooseFolder(data); }), data + SEPARATOR);
    EXPECT_EQ(Choose("", [&] { driver::UserChooseFolder(deep); }), deep + SEPARATOR);
    EXPECT_EQ(Choose(data + SEPARATOR, [&] { driver::UserChooseFolder(root); }), root);
    EXPECT_EQ(Choose(data + SEPARATOR, [] { driver::UserCancelFolderChooser(); }), "");
    fs::remove_all(folder);
}

TEST_F(WindowDialogs, AMessageBoxShowsTitleAndLinesAndWaitsForOkAlsoWithoutAWindow) {
    for (bool window : {true, false}) {
        const std::string text = "Konnte Datei \"/tmp/Größe.txt\" nicht löschen!\n\nzweite Zeile";
        if (!window) CloseTopWindow(0);
        int32_t result = 0;
        std::string seenTitle, seenText;
        driver::WithUser([&] { result = ShowMessageBox("ERROR", text, 0); },
                         {[] { return driver::MessageBoxOpen(); },
                          [&] {
                              seenTitle = driver::MessageBoxTitle();
                              seenText = driver::MessageBoxText();
                              driver::UserConfirmMessageBox();
                              return true;
                          }});
        EXPECT_EQ(seenTitle, "ERROR");
        EXPECT_EQ(seenText, text);
        EXPECT_EQ(result, 1); // the OK button
        EXPECT_FALSE(driver::MessageBoxOpen());
        // The window is still there and answers.
        if (window) {
            EXPECT_EQ(EventsOf([] { driver::UserClick(BtnSearch); }), "control 9");
        }
    }
}

} // namespace
} // namespace testwin
