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

// The root of the drive or file system that holds Path, with its separator: "C:\" or "/".
std::string RootOf(const fs::path& path) {
    return path.root_path().string();
}

class WindowDialogs : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        std::random_device random;
        folder_ = fs::canonical(fs::temp_directory_path()) / ("zw-dialogs-" + std::to_string(random()));
        fs::create_directories(folder_ / "Daten" / "Tief");
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
        WindowTest::TearDown();
    }

    std::string Folder(const std::string& sub = "") const {
        return (sub.empty() ? folder_ : folder_ / sub).string();
    }

    fs::path folder_;
};

TEST_F(WindowDialogs, ChosenFoldersEndWithTheSeparatorAndCancelGivesNothing) {
    std::string chosen = "unset";
    const std::string data = Folder("Daten");
    driver::WithUser([&] { chosen = ChooseFolder("Pfad hinzufügen...", Folder() + SEPARATOR); },
                     {[] { return driver::FolderChooserOpen(); },
                      [&] {
                          driver::UserChooseFolder(data);
                          return true;
                      }});
    EXPECT_EQ(chosen, data + SEPARATOR);
    EXPECT_FALSE(driver::FolderChooserOpen());

    // The root keeps its one separator.
    const std::string root = RootOf(folder_);
    driver::WithUser([&] { chosen = ChooseFolder("Pfad hinzufügen...", data + SEPARATOR); },
                     {[] { return driver::FolderChooserOpen(); },
                      [&] {
                          driver::UserChooseFolder(root);
                          return true;
                      }});
    EXPECT_EQ(chosen, root);

    driver::WithUser([&] { chosen = ChooseFolder("Pfad hinzufügen...", data + SEPARATOR); },
                     {[] { return driver::FolderChooserOpen(); },
                      [] {
                          driver::UserCancelFolderChooser();
                          return true;
                      }});
    EXPECT_EQ(chosen, "");
    EXPECT_FALSE(driver::FolderChooserOpen());
}

TEST_F(WindowDialogs, AFolderDeeperDownAndOneWithoutInitialFolderAreChosenToo) {
    std::string chosen;
    const std::string deep = Folder("Daten") + SEPARATOR + "Tief";
    driver::WithUser([&] { chosen = ChooseFolder("Pfad hinzufügen...", ""); },
                     {[] { return driver::FolderChooserOpen(); },
                      [&] {
                          driver::UserChooseFolder(deep);
                          return true;
                      }});
    EXPECT_EQ(chosen, deep + SEPARATOR);
}

TEST_F(WindowDialogs, AMessageBoxShowsTitleAndLinesAndWaitsForOk) {
    const std::string title = "ERROR";
    const std::string text = "Konnte Datei \"" + Folder("Größe.txt") + "\" nicht löschen!\n\nzweite Zeile";
    int32_t result = 0;
    std::string seenTitle, seenText;
    driver::WithUser([&] { result = ShowMessageBox(title, text, 0); },
                     {[] { return driver::MessageBoxOpen(); },
                      [&] {
                          seenTitle = driver::MessageBoxTitle();
                          seenText = driver::MessageBoxText();
                          driver::UserConfirmMessageBox();
                          return true;
                      }});
    EXPECT_EQ(seenTitle, title);
    EXPECT_EQ(seenText, text);
    EXPECT_EQ(result, 1); // the OK button
    EXPECT_FALSE(driver::MessageBoxOpen());
    // The window is still there and answers.
    EXPECT_EQ(EventsOf([] { driver::UserClick(Search); }), "control 9");
}

TEST_F(WindowDialogs, AMessageBoxAfterTheWindowHasGoneStillShows) {
    CloseTopWindow(0);
    std::string seenText;
    const std::string credits = ".-´¯`- Zwillingsfeger -´¯`-.\n\n`-._.-     by Marlbeck    -._.-´";
    driver::WithUser([&] { ShowMessageBox("Credits", credits, 0); }, {[] { return driver::MessageBoxOpen(); },
                                                                      [&] {
                                                                          seenText = driver::MessageBoxText();
                                                                          driver::UserConfirmMessageBox();
                                                                          return true;
                                                                      }});
    EXPECT_EQ(seenText, credits);
}

} // namespace
} // namespace testwin
