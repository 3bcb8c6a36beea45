// The whole program as a user meets it: started, driven through its controls and its real folder
// chooser on a folder tree in a temporary folder, closed with the close box. After every step the
// window is read back whole (rows, selections, headings, enabled controls); after every deletion the
// disk is checked file by file.
#include "core/test_tree.h"
#include "driver/driver.h"
#include "platform/file_services.h"
#include "ui/controls.h"
#include "ui/program.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Rows = std::vector<std::string>;
using Group = std::vector<int>; // indexes into the test's files, in member order

struct TreeFile {
    fs::path path;
    std::string name, bytes;
    bool onDisk = true;
};

// What the window must show.
struct Screen {
    Rows allFiles;
    std::vector<Group> groups; // the groups the program holds
    Rows groupRows;
    std::string groupsHeading = "Dateien mit gleichem Inhalt";
    int selectedGroup = -1;
    Rows memberRows;
    int selectedMember = -1;
    bool groupsEnabled = true; // LstGroups keeps its state while the catalogue is empty
};

class Program : public ::testing::Test {
  protected:
    test_tree::TempTree tree;
    fs::path root = fs::weakly_canonical(tree.Root());
    std::vector<TreeFile> files;
    Screen screen;
    std::vector<std::function<bool()>> steps;
    bool aborted = false; // the program is not where the test believes it: stop acting, just close it

    void Make(const std::string& relativeFolder, const std::string& name, const std::string& bytes) {
        fs::path folder = root / fs::path(relativeFolder).make_preferred();
        fs::create_directories(folder);
        std::ofstream(folder / name, std::ios::binary) << bytes;
        files.push_back({folder / name, name, bytes});
    }
    int Index(const std::string& name) const {
        for (size_t i = 0; i < files.size(); ++i)
            if (files[i].name == name) return static_cast<int>(i);
        ADD_FAILURE() << "no file " << name;
        return 0;
    }
    int GroupOf(const std::string& name) const {
        for (size_t g = 0; g < screen.groups.size(); ++g)
            if (std::count(screen.groups[g].begin(), screen.groups[g].end(), Index(name)))
                return static_cast<int>(g);
        ADD_FAILURE() << name << " is in no group";
        return 0;
    }
    // Show-group: the rows of group G, opened on its last member of extension bak (any case) or its first.
    void ShowGroup(int g) {
        screen.selectedGroup = g;
        screen.memberRows.clear();
        screen.selectedMember = -1;
        for (size_t i = 0; g >= 0 && i < screen.groups[g].size(); ++i) {
            std::string name = files[screen.groups[g][i]].name;
            screen.memberRows.push_back(files[screen.groups[g][i]].path.string());
            std::transform(name.begin(), name.end(), name.begin(), [](char c) { return std::tolower(c); });
            if (i == 0 || name.ends_with(".bak")) screen.selectedMember = static_cast<int>(i);
        }
    }
    void RemoveGroupRow(int g) {
        screen.groups.erase(screen.groups.begin() + g);
        screen.groupRows.erase(screen.groupRows.begin() + g);
        ShowGroup(std::min(g, static_cast<int>(screen.groups.size()) - 1));
        screen.groupsHeading = "Dateien mit gleichem Inhalt (" + std::to_string(screen.groups.size()) + ")";
    }

    void ExpectScreen() {
        const Screen& s = screen;
        EXPECT_TRUE(driver::WindowOpen(MAIN_WINDOW));
        EXPECT_EQ(driver::ControlRows(LstAllFiles), s.allFiles);
        EXPECT_EQ(driver::ControlText(LblAllFiles),
                  s.allFiles.empty() ? "Alle Dateien"
                                     : "Alle Dateien (" + std::to_string(s.allFiles.size()) + ")");
        EXPECT_EQ(driver::ControlRows(LstGroups), s.groupRows);
        EXPECT_EQ(driver::ControlText(LblGroups), s.groupsHeading);
        EXPECT_EQ(driver::SelectedRow(LstGroups), s.selectedGroup);
        EXPECT_EQ(driver::ControlRows(LstMembers), s.memberRows);
        EXPECT_EQ(driver::SelectedRow(LstMembers), s.selectedMember);
        EXPECT_EQ(driver::ControlText(LblMembers), "Doppelte Dateien:");
        // The enabling rules, for the state the last command left.
        bool files = !s.allFiles.empty(), groups = !s.groups.empty(), rows = !s.memberRows.empty();
        if (files) screen.groupsEnabled = groups;
        EXPECT_TRUE(driver::ControlEnabled(BtnAddFolder) && driver::ControlEnabled(LstAllFiles));
        EXPECT_EQ(driver::ControlEnabled(BtnSearch), files);
        EXPECT_EQ(driver::ControlEnabled(BtnReset), files);
        EXPECT_EQ(driver::ControlEnabled(LstGroups), screen.groupsEnabled);
        EXPECT_EQ(driver::ControlEnabled(LstMembers), files && groups);
        EXPECT_EQ(driver::ControlEnabled(BtnDeleteMarked), files && groups && rows);
        EXPECT_EQ(driver::ControlEnabled(BtnDeleteAll), files && groups && rows);
    }
    // Exactly the files still marked onDisk are there, each with its bytes; nothing else is.
    void ExpectDisk() {
        std::map<std::string, std::string> expected, found;
        for (const TreeFile& f : files)
            if (f.onDisk) expected[f.path.string()] = f.bytes;
        for (const auto& item : fs::recursive_directory_iterator(root))
            if (!item.is_directory()) {
                std::ifstream in(item.path(), std::ios::binary);
                found[item.path().string()].assign(std::istreambuf_iterator<char>(in), {});
            }
        EXPECT_EQ(found, expected);
    }

    // --- Steps, run one after another while the program waits -------------------------------------
    // Steps after a failed check that would act on a wrong folder are skipped, except the closing ones.
    void Step(std::function<bool()> step, bool always = false) {
        steps.push_back([this, step, always] { return (aborted && !always) || step(); });
    }
    void Act(std::function<void()> action) {
        Step([action] { return action(), true; });
    }
    // Once no dialog is open: Expect updates the expected screen; then the window is checked whole.
    void Then(std::function<void()> expect = [] {}) {
        Step([this, expect] {
            if (driver::FolderChooserOpen() || driver::MessageBoxOpen()) return false;
            expect();
            if (!aborted) ExpectScreen();
            return true;
        });
    }
    // Chooses Folder (or cancels, if empty) in the chooser; then, unless it was added Again just before, the
    // rows of a new scan are one per file of Folder still on disk, in an order of the file system's choosing,
    // after the rows that were there.
    void AddFolder(const std::string& relative, bool again = false) {
        std::string folder = relative.empty() ? "" : (root / fs::path(relative).make_preferred()).string();
        Act([] { driver::UserClick(BtnAddFolder); });
        Step([folder] {
            if (!driver::FolderChooserOpen()) return false;
            folder.empty() ? driver::UserCancelFolderChooser() : driver::UserChooseFolder(folder);
            return true;
        });
        Then([this, folder, again] {
            if (folder.empty()) {
                EXPECT_EQ(LastAddedFolder(), "");
                return;
            }
            if (LastAddedFolder() != folder + PATH_SEPARATOR) {
                ADD_FAILURE() << "the chooser gave " << LastAddedFolder() << " for " << folder;
                aborted = true;
                return;
            }
            Rows shown = driver::ControlRows(LstAllFiles), expected;
            size_t before = screen.allFiles.size();
            ASSERT_GE(shown.size(), before);
            for (const TreeFile& f : files)
                if (!again && f.onDisk && f.path.string().starts_with(folder + PATH_SEPARATOR))
                    expected.push_back(f.name + " (" + std::to_string(f.bytes.size()) + ")");
            Rows added(shown.begin() + before, shown.end());
            std::sort(expected.begin(), expected.end());
            std::sort(added.begin(), added.end());
            EXPECT_EQ(added, expected);
            screen.allFiles.insert(screen.allFiles.end(), shown.begin() + before, shown.end());
        });
    }
    // Search: every file in the all-files list against every later file of the same non-zero size and
    // equal bytes that has joined no group yet.
    // With Busy, the user goes on clicking while the search runs: group row 0, then Delete-all. Those
    // clicks were aimed at the old list: they must not act on the new one.
    void Search(const std::string& heading, bool busy = false) {
        Act([busy] {
            driver::UserClick(BtnSearch);
            if (busy)
                driver::ClicksWhileBusy([] {
                    driver::UserClickRow(LstGroups, 0);
                    driver::UserClick(BtnDeleteAll);
                });
        });
        Then([this, heading] {
            std::vector<int> order;
            for (const std::string& row : screen.allFiles)
                order.push_back(Index(row.substr(0, row.rfind(" ("))));
            std::vector<bool> grouped(order.size(), false);
            Rows allFiles = screen.allFiles;
            screen = Screen{};
            screen.allFiles = allFiles;
            screen.groupsHeading = heading;
            for (size_t r = 0; r < order.size(); ++r) {
                const TreeFile& reference = files[order[r]];
                if (grouped[r] || !reference.onDisk || reference.bytes.empty()) continue;
                Group group{order[r]};
                for (size_t e = r + 1; e < order.size(); ++e)
                    if (!grouped[e] && files[order[e]].onDisk && files[order[e]].bytes == reference.bytes) {
                        group.push_back(order[e]);
                        grouped[e] = true;
                    }
                if (group.size() < 2) continue;
                std::string row = std::to_string(group.size()) + ":";
                for (size_t i = 0; i < group.size(); ++i)
                    row += (i ? ", " : " ") + files[group[i]].name;
                screen.groups.push_back(group);
                screen.groupRows.push_back(row);
            }
        });
    }
    void ClickGroup(const std::string& memberName) {
        Act([this, memberName] { driver::UserClickRow(LstGroups, GroupOf(memberName)); });
        Then([this, memberName] { ShowGroup(GroupOf(memberName)); });
    }
    // Presses a delete button, but only while every member row offered lies in the test's own folder.
    void Press(int32_t button, std::function<int()> row = nullptr) {
        if (row) {
            Act([row] { driver::UserClickRow(LstMembers, row()); });
            Then([this, row] { screen.selectedMember = row(); });
        }
        Act([this, button] {
            for (const std::string& shown : driver::ControlRows(LstMembers))
                if (!shown.starts_with(root.string() + PATH_SEPARATOR)) {
                    ADD_FAILURE() << "refusing to delete outside the test folder: " << shown;
                    aborted = true;
                    return;
                }
            driver::UserClick(button);
        });
    }
    // Deletes member Row of the shown group with the button; then member Next is selected, or the group
    // has dissolved.
    void DeleteMarked(int row, int next) {
        Press(BtnDeleteMarked, [row] { return row; });
        Then([this, row, next] {
            Group& group = screen.groups[screen.selectedGroup];
            files[group[row]].onDisk = false;
            group.erase(group.begin() + row);
            screen.memberRows.erase(screen.memberRows.begin() + row);
            screen.selectedMember = next;
            if (group.size() == 1) RemoveGroupRow(screen.selectedGroup);
            ExpectDisk();
        });
    }
    void ExpectMessageBox(const std::string& title, std::function<std::string()> text, bool always = false) {
        Step(
            [title, text] {
                if (!driver::MessageBoxOpen()) return false;
                EXPECT_EQ(driver::MessageBoxTitle(), title);
                EXPECT_EQ(driver::MessageBoxText(), text());
                driver::UserConfirmMessageBox();
                return true;
            },
            always);
    }
};

TEST_F(Program, AUserFindsAndDeletesDuplicatesOnARealTree) {
    const std::string alpha(300, 'x');
    std::string beta(6000, '\0');
    for (size_t i = 0; i < beta.size(); ++i)
        beta[i] = static_cast<char>(i * 7 + i / 256);
    const std::string fail = "bleibt vielleicht";
    for (auto [folder, name, bytes] : std::vector<std::tuple<const char*, const char*, std::string>>{
             {"A", "alpha1.txt", alpha},
             {"A/sub1", "alpha2.txt", alpha},
             {"A/sub1/deep", "alpha3.txt", alpha},
             {"A", "beta1.dat", beta},
             {"A", "near1.txt", std::string(299, 'x') + "y"},
             {"A", "empty1.txt", ""},
             {"A", "report.doc", "Bericht"},
             {"A", "gamma1.bin", "0123456789"},
             {"A", "fail1.txt", fail},
             {"B", "alpha4.txt", alpha},
             {"B", "beta2.dat", beta},
             {"B/sub2", "beta3.dat", beta},
             {"B", "report.bak", "Bericht"},
             {"B", "REPORT2.BAK", "Bericht"},
             {"B", "empty2.txt", ""},
             {"B", "gamma2.bin", "0123456789"},
             {"B", "other.txt", "anders"},
             {"B/sub2", "fail2.txt", fail},
             {"B", "fail3.txt", fail}})
        Make(folder, name, bytes);

    // Start: empty lists and plain headings. Cancelling the chooser changes nothing; the same folder
    // twice in a row is scanned once.
    Step([] { return driver::WindowOpen(MAIN_WINDOW); });
    Then();
    AddFolder("");
    AddFolder("A");
    AddFolder("A", true);
    AddFolder("B");
    // Five groups (alpha, beta, report, gamma, fail) in the order of their first files. The report
    // group opens on its last member of extension bak.
    Search("Dateien mit gleichem Inhalt (5 - 15)");
    ClickGroup("report.doc");
    Then([&] { EXPECT_FALSE(driver::SaveScreenshot("e2e-main-window").empty()); });

    // The alpha group of four: a middle member, then the last, then the first, which dissolves it; the
    // one file left stays on disk and the next group is shown.
    ClickGroup("alpha1.txt");
    DeleteMarked(1, 1);
    DeleteMarked(2, 1);
    DeleteMarked(0, 0);
    // The beta group of three: the first member twice; the second time dissolves the group.
    ClickGroup("beta1.dat");
    DeleteMarked(0, 0);
    DeleteMarked(0, 0);
    Then([&] { EXPECT_EQ(screen.groupsHeading, "Dateien mit gleichem Inhalt (3)"); });

    // A member that is no longer what the search compared is not deleted: its file has become a folder
    // with a file in it since the search.
    Act([&] {
        TreeFile& victim = files[Index("fail2.txt")];
        fs::remove(victim.path);
        fs::create_directory(victim.path);
        std::ofstream(victim.path / "drin.txt", std::ios::binary) << "drin";
        victim.onDisk = false;
        files.push_back({victim.path / "drin.txt", "drin.txt", "drin"});
    });
    auto failText = [&] {
        return "Konnte Datei \"" + files[Index("fail2.txt")].path.string() +
               "\" nicht löschen!\nDie Datei oder ihre Kopie wurde seit der Suche verändert.";
    };
    auto failRow = [&] {
        const Group& g = screen.groups[GroupOf("fail1.txt")];
        return static_cast<int>(std::find(g.begin(), g.end(), Index("fail2.txt")) - g.begin());
    };
    ClickGroup("fail1.txt");
    Press(BtnDeleteMarked, failRow);
    ExpectMessageBox("ERROR", failText);
    Then([&] { ExpectDisk(); });
    // Delete-all deletes the others and keeps the group with the one member it could not delete.
    Press(BtnDeleteAll);
    ExpectMessageBox("ERROR", failText);
    Then([&] {
        for (int i : screen.groups[screen.selectedGroup])
            files[i].onDisk = false;
        screen.groups[screen.selectedGroup] = {Index("fail2.txt")};
        ShowGroup(screen.selectedGroup);
        ExpectDisk();
    });
    // Delete-all on the gamma group removes it.
    ClickGroup("gamma1.bin");
    Press(BtnDeleteAll);
    Then([&] {
        for (int i : screen.groups[screen.selectedGroup])
            files[i].onDisk = false;
        RemoveGroupRow(screen.selectedGroup);
        EXPECT_EQ(screen.groupsHeading, "Dateien mit gleichem Inhalt (2)");
        ExpectDisk();
    });

    // A new search over the same catalogue: deleted files are still listed but join no group. Reset, then
    // folder A again: it is scanned again although it was the last one added before Reset.
    Search("Dateien mit gleichem Inhalt (1 - 3)", true);
    Then([&] { ExpectDisk(); });
    ClickGroup("report.doc");
    Act([] { driver::UserClick(BtnReset); });
    Then([&] {
        bool groupsEnabled = screen.groupsEnabled;
        screen = Screen{};
        screen.groupsEnabled = groupsEnabled;
    });
    AddFolder("A");
    Then([&] { ExpectDisk(); });

    // The close box: the window goes, then the credits box.
    Step([] { return driver::UserCloseBox(MAIN_WINDOW), true; }, true);
    ExpectMessageBox(
        "Credits",
        [] {
            EXPECT_FALSE(driver::WindowOpen(MAIN_WINDOW));
            return std::string(".-´¯`- Zwillingsfeger -´¯`-.\n\n`-._.-     by Marlbeck    -._.-´");
        },
        true);

    int exitCode = -1;
    driver::WithUser([&] { exitCode = RunProgram(); }, steps);
    EXPECT_EQ(exitCode, 0);
    EXPECT_FALSE(driver::WindowOpen(MAIN_WINDOW));
    ExpectDisk();
}

} // namespace
