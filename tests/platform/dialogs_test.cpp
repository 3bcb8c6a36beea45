// The folder chooser and the message box, driven as a user drives them while the program waits.
#include "core/test_tree.h"
#include "driver/window_fixture.h"
#include "platform/file_services.h"

#include <filesystem>

namespace testwin {
namespace {

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
    const test_tree::TempTree tree;
    const std::string data = tree.AddFolder("Daten"), deep = tree.AddFolder("Daten/Tief");
    const std::string root = std::filesystem::path(data).root_path().string(); // "C:\" or "/"
    const std::string separator(1, PATH_SEPARATOR);
    EXPECT_EQ(Choose(tree.Root() + separator, [&] { driver::UserChooseFolder(data); }), data + separator);
    EXPECT_EQ(Choose("", [&] { driver::UserChooseFolder(deep); }), deep + separator);
    EXPECT_EQ(Choose(data + separator, [&] { driver::UserChooseFolder(root); }), root);
    EXPECT_EQ(Choose(data + separator, [] { driver::UserCancelFolderChooser(); }), "");
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
            EXPECT_EQ(EventText([] { driver::UserClick(BtnSearch); }), "control 9");
        }
    }
}

} // namespace
} // namespace testwin
