// The whole program as a user meets it: started, driven through its controls and its real folder
// chooser on a folder tree in a temporary folder, closed with the close box. After every step the
// window is read back whole (rows, selections, headings, enabled controls); after every deletion the
// disk is checked file by file.
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
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Rows = std::vector<std::string>;
using Group = std::vector<int>; // indexes into the test's files, in member order

std::string ReadWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct TreeFile {
    fs::path path;
    std::string folder; // as the program spells it
    std::string name;
    std::string bytes;
    bool onDisk = true;
    std::string FullPath() const { return folder + PATH_SEPARATOR + name; }
};

// What the window must show.
struct Screen {
    Rows allFiles;
    std::string allFilesHeading = "Alle Dateien";
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
    fs::path root;
    std::string rootText;
    std::vector<TreeFile> files;
    Screen screen;
    std::vector<std::function<bool()>> steps;
    bool aborted = false; // the program is not where the test believes it: stop acting, just close it

    void SetUp() override {
        std::random_device random;
        root = fs::weakly_canonical(fs::temp_directory_path()) / ("zw-e2e-" + std::to_string(random()));
        ASSERT_TRUE(fs::create_directories(root));
        rootText = root.string();
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    std::string Folder(const std::string& relative) const {
        return (root / fs::path(relative).make_preferred()).string();
    }
    void Make(const std::string& relativeFolder, const std::string& name, const std::string& bytes) {
        fs::path folder = root / fs::path(relativeFolder).make_preferred();
        fs::create_directories(folder);
        std::ofstream(folder / name, std::ios::binary) << bytes;
        files.push_back({folder / name, folder.string(), name, bytes});
    }
    int Index(const std::string& name) const {
        for (size_t i = 0; i < files.size(); ++i)
            if (files[i].name == name) return static_cast<int>(i);
        ADD_FAILURE() << "no file " << name;
        return 0;
    }
    int GroupOf(const std::string& name) const {
        int wanted = Index(name);
        for (size_t g = 0; g < screen.groups.size(); ++g)
            if (std::count(screen.groups[g].begin(), screen.groups[g].end(), wanted))
                return static_cast<int>(g);
        ADD_FAILURE() << name << " is in no group";
        return 0;
    }
    Rows Paths(const Group& group) const {
        Rows rows;
        for (int i : group)
            rows.push_back(files[i].FullPath());
        return rows;
    }
    static bool IsBak(const std::string& name) {
        if (name.size() < 4) return false;
        std::string end = name.substr(name.size() - 4);
        std::transform(end.begin(), end.end(), end.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; });
        return end == ".bak";
    }
    // Show-group: the rows of group G, opened on its last "bak" member or its first.
    void ShowGroup(int g) {
        screen.selectedGroup = g;
        screen.memberRows.clear();
        screen.selectedMember = -1;
        if (g < 0 || g >= static_cast<int>(screen.groups.size())) return;
        screen.memberRows = Paths(screen.groups[g]);
        screen.selectedMember = 0;
        for (size_t i = 0; i < screen.groups[g].size(); ++i)
            if (IsBak(files[screen.groups[g][i]].name)) screen.selectedMember = static_cast<int>(i);
    }
    void RemoveGroupRow(int g) {
        screen.groups.erase(screen.groups.begin() + g);
        screen.groupRows.erase(screen.groupRows.begin() + g);
        ShowGroup(std::min(g, static_cast<int>(screen.groups.size()) - 1));
        screen.groupsHeading = "Dateien mit gleichem Inhalt (" + std::to_string(screen.groups.size()) + ")";
    }

    // --- Checks ------------------------------------------------------------------------------------
    void ExpectScreen() {
        const Screen& s = screen;
        EXPECT_TRUE(driver::WindowOpen(MAIN_WINDOW));
        EXPECT_EQ(driver::ControlRows(LstAllFiles), s.allFiles);
        EXPECT_EQ(driver::ControlText(LblAllFiles), s.allFilesHeading);
        EXPECT_EQ(driver::ControlRows(LstGroups), s.groupRows);
        EXPECT_EQ(driver::ControlText(LblGroups), s.groupsHeading);
        EXPECT_EQ(driver::SelectedRow(LstGroups), s.selectedGroup);
        EXPECT_EQ(driver::ControlRows(LstMembers), s.memberRows);
        EXPECT_EQ(driver::SelectedRow(LstMembers), s.selectedMember);
        EXPECT_EQ(driver::ControlText(LblMembers), "Doppelte Dateien:");
        // The enabling rules, for the state the last command left.
        bool files = !s.allFiles.empty(), groups = !s.groups.empty(), rows = !s.memberRows.empty();
        if (files) screen.groupsEnabled = groups;
        EXPECT_TRUE(driver::ControlEnabled(BtnAddFolder));
        EXPECT_TRUE(driver::ControlEnabled(LstAllFiles));
        EXPECT_EQ(driver::ControlEnabled(BtnSearch), files);
        EXPECT_EQ(driver::ControlEnabled(BtnReset), files);
        EXPECT_EQ(driver::ControlEnabled(LstGroups), screen.groupsEnabled);
        EXPECT_EQ(driver::ControlEnabled(LstMembers), files && groups);
        EXPECT_EQ(driver::ControlEnabled(BtnDeleteMarked), files && groups && rows);
        EXPECT_EQ(driver::ControlEnabled(BtnDeleteAll), files && groups && rows);
    }
    // Exactly the files still marked onDisk are there, each with its bytes; nothing else is.
    void ExpectDisk() {
        std::map<std::string, const TreeFile*> expected;
        for (const TreeFile& f : files)
            if (f.onDisk) expected[f.path.string()] = &f;
        for (const auto& item : fs::recursive_directory_iterator(root)) {
            if (item.is_directory()) continue;
            auto it = expected.find(item.path().string());
            if (it == expected.end()) {
                ADD_FAILURE() << "still on disk: " << item.path().string();
                continue;
            }
            EXPECT_TRUE(ReadWhole(item.path()) == it->second->bytes) << "changed: " << it->first;
            expected.erase(it);
        }
        for (const auto& [path, file] : expected)
            ADD_FAILURE() << "gone from disk: " << path;
    }

    // --- Steps, run one after another while the program waits -------------------------------------
    // Steps after a failed check that would act on a wrong folder are skipped, except the closing ones.
    void Step(std::function<bool()> step, bool always = false) {
        steps.push_back([this, step, always] { return (aborted && !always) || step(); });
    }
    static bool NoDialog() { return !driver::FolderChooserOpen() && !driver::MessageBoxOpen(); }
    void Act(std::function<void()> action) {
        Step([action] {
            action();
            return true;
        });
    }
    // Once no dialog is open: Expect updates the expected screen; then the window is checked whole.
    void Then(std::function<void()> expect = [] {}) {
        Step([this, expect] {
            if (!NoDialog()) return false;
            expect();
            if (!aborted) ExpectScreen();
            return true;
        });
    }
    void ChooseFolder(const std::string& folder) {
        Act([] { driver::UserClick(BtnAddFolder); });
        Step([folder] {
            if (!driver::FolderChooserOpen()) return false;
            driver::UserChooseFolder(folder);
            return true;
        });
    }
    // The rows of a new scan: one per file of Folder still on disk, in an order of the file system's
    // choosing, appended to the rows that were there.
    void ExpectScanOf(const std::string& folder) {
        if (LastAddedFolder() != folder + PATH_SEPARATOR) {
            ADD_FAILURE() << "the chooser gave " << LastAddedFolder() << " for " << folder;
            aborted = true;
            return;
        }
        Rows shown = driver::ControlRows(LstAllFiles);
        size_t before = screen.allFiles.size();
        ASSERT_GE(shown.size(), before);
        Rows expected, added(shown.begin() + before, shown.end());
        for (const TreeFile& f : files)
            if (f.onDisk && f.path.string().rfind(folder + PATH_SEPARATOR, 0) == 0)
                expected.push_back(f.name + " (" + std::to_string(f.bytes.size()) + ")");
        std::sort(expected.begin(), expected.end());
        std::sort(added.begin(), added.end());
        EXPECT_EQ(added, expected);
        EXPECT_EQ(Rows(shown.begin(), shown.begin() + before), screen.allFiles);
        screen.allFiles = shown;
        screen.allFilesHeading = "Alle Dateien (" + std::to_string(screen.allFiles.size()) + ")";
    }
    // The groups a search must find over the rows of the all-files list: every file against every later
    // file of the same non-zero size and equal bytes that has joined no group yet.
    void ExpectSearch() {
        std::vector<int> order;
        for (const std::string& row : screen.allFiles)
            order.push_back(Index(row.substr(0, row.rfind(" ("))));
        std::vector<bool> grouped(order.size(), false);
        screen.groups.clear();
        screen.groupRows.clear();
        size_t members = 0;
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
            members += group.size();
        }
        if (screen.groups.empty()) screen.groupRows = {"(keine doppelten Dateien)"};
        screen.groupsHeading = "Dateien mit gleichem Inhalt (" + std::to_string(screen.groups.size()) +
                               (screen.groups.empty() ? "" : " - " + std::to_string(members)) + ")";
        screen.selectedGroup = -1;
        screen.memberRows.clear();
        screen.selectedMember = -1;
    }
    void ClickGroup(std::function<int()> group) {
        Act([group] { driver::UserClickRow(LstGroups, group()); });
        Then([this, group] { ShowGroup(group()); });
    }
    void ClickMember(int row) {
        Act([row] { driver::UserClickRow(LstMembers, row); });
        Then([this, row] { screen.selectedMember = row; });
    }
    // Presses a delete button, but only while every member row offered lies in the test's own folder.
    void Press(int32_t button) {
        Act([this, button] {
            for (const std::string& row : driver::ControlRows(LstMembers))
                if (row.rfind(rootText + PATH_SEPARATOR, 0) != 0) {
                    ADD_FAILURE() << "refusing to delete outside the test folder: " << row;
                    aborted = true;
                    return;
                }
            driver::UserClick(button);
        });
    }
    // Deletes member Row of the shown group with the button; After says what the window shows then.
    void DeleteMarked(int row, std::function<void()> after) {
        ClickMember(row);
        Press(BtnDeleteMarked);
        Then([this, row, after] {
            Group& group = screen.groups[screen.selectedGroup];
            files[group[row]].onDisk = false;
            group.erase(group.begin() + row);
            screen.memberRows.erase(screen.memberRows.begin() + row);
            after();
            ExpectDisk();
        });
    }
    void ExpectMessageBox(const std::string& title, std::function<std::string()> text) {
        Step([title, text] {
            if (!driver::MessageBoxOpen()) return false;
            EXPECT_EQ(driver::MessageBoxTitle(), title);
            EXPECT_EQ(driver::MessageBoxText(), text());
            driver::UserConfirmMessageBox();
            return true;
        });
    }
};

TEST_F(Program, AUserFindsAndDeletesDuplicatesOnARealTree) {
    const std::string alpha(300, 'x');
    std::string beta(6000, '\0');
    for (size_t i = 0; i < beta.size(); ++i)
        beta[i] = static_cast<char>(i * 7 + i / 256);
    Make("A", "alpha1.txt", alpha);
    Make("A/sub1", "alpha2.txt", alpha);
    Make("A/sub1/deep", "alpha3.txt", alpha);
    Make("A", "beta1.dat", beta);
    Make("A", "near1.txt", std::string(299, 'x') + "y");
    Make("A", "empty1.txt", "");
    Make("A", "report.doc", "Bericht");
    Make("A", "gamma1.bin", "0123456789");
    Make("A", "fail1.txt", "bleibt vielleicht");
    Make("B", "alpha4.txt", alpha);
    Make("B", "beta2.dat", beta);
    Make("B/sub2", "beta3.dat", beta);
    Make("B", "report.bak", "Bericht");
    Make("B", "REPORT2.BAK", "Bericht");
    Make("B", "empty2.txt", "");
    Make("B", "gamma2.bin", "0123456789");
    Make("B", "other.txt", "anders");
    Make("B/sub2", "fail2.txt", "bleibt vielleicht");
    Make("B", "fail3.txt", "bleibt vielleicht");
    const std::string folderA = Folder("A"), folderB = Folder("B");

    // Start: empty lists and plain headings; the rules have run on the first event.
    Step([] { return driver::WindowOpen(MAIN_WINDOW); });
    Then();
    // Cancelling the chooser changes nothing.
    Act([] { driver::UserClick(BtnAddFolder); });
    Step([] {
        if (!driver::FolderChooserOpen()) return false;
        driver::UserCancelFolderChooser();
        return true;
    });
    Then([] { EXPECT_EQ(LastAddedFolder(), ""); });
    // Two folders; the same folder twice in a row is scanned once.
    ChooseFolder(folderA);
    Then([&] { ExpectScanOf(folderA); });
    ChooseFolder(folderA);
    Then([&] {
        if (LastAddedFolder() == folderA + PATH_SEPARATOR) return;
        ADD_FAILURE() << "the chooser gave " << LastAddedFolder();
        aborted = true;
    });
    ChooseFolder(folderB);
    Then([&] { ExpectScanOf(folderB); });

    // Search: five groups (alpha, beta, report, gamma, fail) in the order of their first files.
    Act([] { driver::UserClick(BtnSearch); });
    Then([&] {
        ExpectSearch();
        EXPECT_EQ(screen.groups.size(), 5u);
        EXPECT_EQ(screen.groupsHeading, "Dateien mit gleichem Inhalt (5 - 15)");
        EXPECT_EQ(driver::BarPosition(BarOverall), 0);
    });
    // The report group opens on its last member of extension bak.
    ClickGroup([&] { return GroupOf("report.doc"); });
    Then([&] {
        EXPECT_NE(screen.selectedMember, 0);
        EXPECT_FALSE(driver::SaveScreenshot("e2e-main-window").empty());
    });

    // The alpha group of four: a middle member, then the last, then the first, which dissolves it.
    ClickGroup([&] { return GroupOf("alpha1.txt"); });
    DeleteMarked(1, [&] { screen.selectedMember = 1; });
    DeleteMarked(2, [&] { screen.selectedMember = 1; });
    DeleteMarked(0, [&] {
        // The one file left stays on disk; the next group (or the previous one) is shown.
        RemoveGroupRow(screen.selectedGroup);
        EXPECT_EQ(screen.groupsHeading, "Dateien mit gleichem Inhalt (4)");
    });
    // The beta group of three: the first member twice; the second time dissolves the group.
    ClickGroup([&] { return GroupOf("beta1.dat"); });
    DeleteMarked(0, [&] { screen.selectedMember = 0; });
    DeleteMarked(0, [&] { RemoveGroupRow(screen.selectedGroup); });

    // A member that cannot be deleted: its file has become a folder with a file in it since the search.
    Act([&] {
        TreeFile& victim = files[Index("fail2.txt")];
        fs::remove(victim.path);
        fs::create_directory(victim.path);
        std::ofstream(victim.path / "drin.txt", std::ios::binary) << "drin";
        victim.onDisk = false;
        files.push_back({victim.path / "drin.txt", victim.path.string(), "drin.txt", "drin"});
    });
    auto failText = [&] {
        return "Konnte Datei \"" + files[Index("fail2.txt")].FullPath() + "\" nicht löschen!";
    };
    auto failRow = [&] {
        const Group& g = screen.groups[GroupOf("fail1.txt")];
        return static_cast<int>(std::find(g.begin(), g.end(), Index("fail2.txt")) - g.begin());
    };
    ClickGroup([&] { return GroupOf("fail1.txt"); });
    Act([&] { driver::UserClickRow(LstMembers, failRow()); });
    Then([&] { screen.selectedMember = failRow(); });
    Press(BtnDeleteMarked);
    ExpectMessageBox("ERROR", failText);
    Then([&] { ExpectDisk(); });
    // Delete-all deletes the others and keeps the group with the one member it could not delete.
    Press(BtnDeleteAll);
    ExpectMessageBox("ERROR", failText);
    Then([&] {
        Group& g = screen.groups[screen.selectedGroup];
        for (int i : g)
            if (files[i].name != "fail2.txt") files[i].onDisk = false;
        g = {Index("fail2.txt")};
        ShowGroup(screen.selectedGroup);
        ExpectDisk();
    });
    // Delete-all on the gamma group removes it.
    ClickGroup([&] { return GroupOf("gamma1.bin"); });
    Press(BtnDeleteAll);
    Then([&] {
        for (int i : screen.groups[screen.selectedGroup])
            files[i].onDisk = false;
        RemoveGroupRow(screen.selectedGroup);
        EXPECT_EQ(screen.groupsHeading, "Dateien mit gleichem Inhalt (2)");
        ExpectDisk();
    });

    // A new search over the same catalogue: deleted files are still listed but join no group.
    Act([] { driver::UserClick(BtnSearch); });
    Then([&] {
        ExpectSearch();
        EXPECT_EQ(screen.groupsHeading, "Dateien mit gleichem Inhalt (1 - 3)");
    });
    ClickGroup([] { return 0; });
    // Reset, then folder A again: it is scanned again although it was the last one added before Reset.
    Act([] { driver::UserClick(BtnReset); });
    Then([&] {
        bool groupsEnabled = screen.groupsEnabled;
        screen = Screen{};
        screen.groupsEnabled = groupsEnabled;
    });
    ChooseFolder(folderA);
    Then([&] { ExpectScanOf(folderA); });
    Then([&] { ExpectDisk(); });

    // The close box: the window goes, then the credits box.
    Step(
        [] {
            driver::UserCloseBox(MAIN_WINDOW);
            return true;
        },
        true);
    Step(
        [] {
            if (!driver::MessageBoxOpen()) return false;
            EXPECT_FALSE(driver::WindowOpen(MAIN_WINDOW));
            EXPECT_EQ(driver::MessageBoxTitle(), "Credits");
            EXPECT_EQ(driver::MessageBoxText(),
                      ".-´¯`- Zwillingsfeger -´¯`-.\n\n`-._.-     by Marlbeck    -._.-´");
#ifdef _WIN32
            EXPECT_EQ(driver::MessageBoxText(),
                      "\x2E\x2D\xB4\xAF\x60\x2D\x20Zwillingsfeger\x20\x2D\xB4\xAF\x60\x2D\x2E\n"
                      "\n\x60\x2D\x2E\x5F\x2E\x2D     by Marlbeck    \x2D\x2E\x5F\x2E\x2D\xB4");
#endif
            driver::UserConfirmMessageBox();
            return true;
        },
        true);

    int exitCode = -1;
    driver::WithUser([&] { exitCode = RunProgram(); }, steps);
    EXPECT_EQ(exitCode, 0);
    EXPECT_FALSE(driver::WindowOpen(MAIN_WINDOW));
    ExpectDisk();
}

} // namespace
