// The main window as it opens, and what the three list boxes and the headings show for given lists.
#include "core/lists.h"
#include "driver/driver.h"
#include "platform/file_services.h"
#include "platform/window_services.h"
#include "ui/controls.h"
#include "ui/present.h"
#include "ui/program.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using Rows = std::vector<std::string>;

void AddEntry(const std::string& folder, const std::string& name, int64_t size) {
    ListSetCurrent(Catalogue, static_cast<FileEntry*>(Catalogue.tail));
    FileEntry* entry = ListAdd(Catalogue);
    entry->Folder = std::make_shared<const std::string>(folder);
    entry->Name = name;
    entry->Size = size;
}

// Appends a group whose members are (folder, name) pairs, as a search would.
void AddGroup(const std::vector<std::pair<std::string, std::string>>& members) {
    ListSetCurrent(GroupList, static_cast<DuplicateGroup*>(GroupList.tail));
    DuplicateGroup* group = ListAdd(GroupList);
    for (const auto& [folder, name] : members) {
        ListSetCurrent(MemberList, static_cast<GroupMember*>(MemberList.tail));
        GroupMember* member = ListAdd(MemberList);
        member->Folder = folder;
        member->Name = name;
        if (!group->FirstMember) group->FirstMember = member;
        ++group->Count;
    }
}

std::string Path(const std::string& folder, const std::string& name) {
    return folder + PATH_SEPARATOR + name;
}

// Selects group Row and shows it, as the Show-group command does.
void ShowGroup(int32_t row) {
    SetControlValue(LstGroups, row);
    RefreshLists(REFRESH_MEMBERS);
}

class MainWindow : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(StartProgram()); }
    void TearDown() override {
        CloseAllWindows();
        ListClear(Catalogue);
        ListClear(GroupList);
        ListClear(MemberList);
    }
};

TEST_F(MainWindow, OpensCentredWithItsThirteenControlsInPlace) {
    ASSERT_TRUE(driver::WindowOpen(MAIN_WINDOW));
    EXPECT_EQ(driver::WindowTitle(MAIN_WINDOW), "Zwillingsfeger");
    EXPECT_FALSE(driver::WindowResizable(MAIN_WINDOW));
    driver::Rect client = driver::ClientRect(MAIN_WINDOW);
    driver::Rect screen = driver::ScreenRect();
    EXPECT_EQ(client.width, 600);
    EXPECT_EQ(client.height, 300);
    // The frame is centred, so the client area sits within a title bar's height of the centre.
    EXPECT_NEAR(client.x + client.width / 2, screen.x + screen.width / 2, 10);
    EXPECT_NEAR(client.y + client.height / 2, screen.y + screen.height / 2, 40);

    struct Expected {
        int32_t control;
        driver::Rect rect;
        const char* text;
    };
    const Expected controls[] = {
        {BtnAddFolder, {0, 0, 195, 24}, "Pfad hinzufügen"},
        {LblAllFiles, {0, 25, 195, 20}, "Alle Dateien"},
        {LstAllFiles, {0, 45, 195, 225}, nullptr},
        {BtnReset, {0, 275, 195, 20}, "Zurücksetzen"},
        {BtnSearch, {200, 0, 368, 24}, "Doppelte Dateien suchen"},
        {LblGroups, {200, 25, 368, 20}, "Dateien mit gleichem Inhalt"},
        {LstGroups, {200, 45, 368, 100}, nullptr},
        {LblMembers, {200, 150, 398, 20}, "Doppelte Dateien:"},
        {LstMembers, {200, 170, 398, 75}, nullptr},
        {BtnDeleteMarked, {200, 250, 398, 20}, "Lösche markierte Datei"},
        {BtnDeleteAll, {200, 275, 398, 20}, "Lösche alle Dateien (mit Original)"},
        {BarOverall, {573, 75, 25, 70}, nullptr},
        {BarFile, {573, 45, 25, 25}, nullptr},
    };
    for (const Expected& c : controls) {
        SCOPED_TRACE(c.control);
        ASSERT_TRUE(driver::ControlExists(c.control));
        driver::Rect r = driver::ControlRect(c.control);
        EXPECT_EQ(r.x, c.rect.x);
        EXPECT_EQ(r.y, c.rect.y);
        EXPECT_EQ(r.width, c.rect.width);
        EXPECT_EQ(r.height, c.rect.height);
        EXPECT_TRUE(driver::ControlEnabled(c.control));
        if (c.text) {
            EXPECT_EQ(driver::ControlText(c.control), c.text);
        }
    }
    for (int32_t list : {LstAllFiles, LstGroups, LstMembers})
        EXPECT_TRUE(driver::ControlRows(list).empty());
    EXPECT_EQ(driver::BarPosition(BarOverall), 0);
    EXPECT_EQ(driver::BarPosition(BarFile), 0);
}

TEST_F(MainWindow, AllFilesShowNameAndWholeSize) {
    AddEntry("d", "a.txt", 12);
    RefreshLists(REFRESH_FILES);
    EXPECT_EQ(driver::ControlRows(LstAllFiles), Rows{"a.txt (12)"});
    EXPECT_EQ(driver::ControlText(LblAllFiles), "Alle Dateien (1)");

    // Sizes of 2 GiB and more are shown whole, not as their low 32 bits.
    AddEntry("d", "leer", 0);
    AddEntry("d", "gross.iso", 2147483653LL);
    AddEntry("d", "riesig.img", 5368709121LL);
    RefreshLists(REFRESH_FILES);
    EXPECT_EQ(driver::ControlRows(LstAllFiles),
              (Rows{"a.txt (12)", "leer (0)", "gross.iso (2147483653)", "riesig.img (5368709121)"}));
    EXPECT_EQ(driver::ControlText(LblAllFiles), "Alle Dateien (4)");
    // Only the files' view is rebuilt.
    EXPECT_TRUE(driver::ControlRows(LstGroups).empty());
    EXPECT_EQ(driver::ControlText(LblGroups), "Dateien mit gleichem Inhalt");
}

TEST_F(MainWindow, GroupsShowCountAndNamesAndMembersTheirFullPaths) {
    AddGroup({{"x", "a.txt"}, {"y", "a.txt"}, {"y", "b.txt"}});
    AddGroup({{"x", "c"}, {"z", "d"}});
    RefreshLists(REFRESH_GROUPS);
    EXPECT_EQ(driver::ControlRows(LstGroups), (Rows{"3: a.txt, a.txt, b.txt", "2: c, d"}));
    EXPECT_EQ(driver::ControlText(LblGroups), "Dateien mit gleichem Inhalt (2 - 5)");
    EXPECT_EQ(driver::SelectedRow(LstGroups), -1);
    EXPECT_TRUE(driver::ControlRows(LstMembers).empty());

    ShowGroup(1);
    EXPECT_EQ(driver::ControlRows(LstMembers), (Rows{Path("x", "c"), Path("z", "d")}));
    EXPECT_EQ(driver::SelectedRow(LstMembers), 0);
    ShowGroup(0);
    EXPECT_EQ(driver::ControlRows(LstMembers),
              (Rows{Path("x", "a.txt"), Path("y", "a.txt"), Path("y", "b.txt")}));

    // Groups but no selected row (after a repeated search): nothing is read, the list stays empty.
    ShowGroup(-1);
    EXPECT_TRUE(driver::ControlRows(LstMembers).empty());

    // Mask 0 empties everything and puts the plain headings back.
    AddEntry("x", "c", 1);
    RefreshLists(REFRESH_FILES);
    ShowGroup(0);
    RefreshLists(0);
    for (int32_t list : {LstAllFiles, LstGroups, LstMembers})
        EXPECT_TRUE(driver::ControlRows(list).empty());
    EXPECT_EQ(driver::ControlText(LblAllFiles), "Alle Dateien");
    EXPECT_EQ(driver::ControlText(LblGroups), "Dateien mit gleichem Inhalt");
}

TEST_F(MainWindow, SearchWithoutGroupsSaysSoAndDropsEarlierCounts) {
    AddGroup({{"x", "a"}, {"y", "a"}});
    RefreshLists(REFRESH_GROUPS);
    ListClear(GroupList);
    ListClear(MemberList);
    for (int repeat = 0; repeat < 2; ++repeat) {
        RefreshLists(REFRESH_GROUPS);
        EXPECT_EQ(driver::ControlRows(LstGroups), Rows{"(keine doppelten Dateien)"});
        EXPECT_EQ(driver::ControlText(LblGroups), "Dateien mit gleichem Inhalt (0)");
    }
}

TEST_F(MainWindow, MemberListOpensOnTheLastBakMemberOrTheFirst) {
    AddGroup({{"p", "x.doc"}, {"p", "x.bak"}, {"q", "y.BAK"}});
    AddGroup({{"p", "archiv.bak.txt"}, {"q", "archiv"}});
    AddGroup({{"p", "eins"}, {"p", "Zwei.bAk"}, {"q", "drei.bak2"}});
    AddGroup({{"p", "a"}, {"q", ".bak"}});
    RefreshLists(REFRESH_GROUPS);
    const int32_t expected[] = {2, 0, 1, 1};
    for (int32_t group = 0; group < 4; ++group) {
        SCOPED_TRACE(group);
        ShowGroup(group);
        EXPECT_EQ(driver::SelectedRow(LstMembers), expected[group]);
    }
}

TEST(BakExtension, IsTheTextAfterTheLastDotInAnyCase) {
    for (const char* yes : {"x.bak", "y.BAK", "z.Bak", ".bak", "a.b.bak", "ohne punkt.bAK"})
        EXPECT_TRUE(HasBakExtension(yes)) << yes;
    for (const char* no : {"bak", "archiv.bak.txt", "x.bak.", "x.baki", "x.ba", "x.bak ", "", "x.b\xC1k"})
        EXPECT_FALSE(HasBakExtension(no)) << no;
}

// The enabling rules against the table, state by state; LstGroups keeps its state while the catalogue
// is empty.
TEST_F(MainWindow, EnablingRulesFollowTheLists) {
    struct State {
        bool search, reset, groups, members, deleteMarked, deleteAll;
    };
    auto expect = [](const char* step, State s) {
        SCOPED_TRACE(step);
        ApplyEnablingRules();
        EXPECT_TRUE(driver::ControlEnabled(BtnAddFolder));
        EXPECT_TRUE(driver::ControlEnabled(LstAllFiles));
        EXPECT_EQ(driver::ControlEnabled(BtnSearch), s.search);
        EXPECT_EQ(driver::ControlEnabled(BtnReset), s.reset);
        EXPECT_EQ(driver::ControlEnabled(LstGroups), s.groups);
        EXPECT_EQ(driver::ControlEnabled(LstMembers), s.members);
        EXPECT_EQ(driver::ControlEnabled(BtnDeleteMarked), s.deleteMarked);
        EXPECT_EQ(driver::ControlEnabled(BtnDeleteAll), s.deleteAll);
    };
    expect("start", {false, false, true, false, false, false});
    AddEntry("x", "a", 1);
    AddEntry("y", "a", 1);
    expect("files, no search", {true, true, false, false, false, false});
    ListClear(Catalogue);
    expect("empty again", {false, false, false, false, false, false});
    AddEntry("x", "a", 1);
    AddEntry("y", "a", 1);
    AddGroup({{"x", "a"}, {"y", "a"}});
    RefreshLists(REFRESH_FILES | REFRESH_GROUPS);
    expect("groups, none shown", {true, true, true, true, false, false});
    ShowGroup(0);
    expect("group shown", {true, true, true, true, true, true});
    ListClear(GroupList);
    ListClear(MemberList);
    RefreshLists(REFRESH_GROUPS);
    expect("search without groups", {true, true, false, false, false, false});
    AddGroup({{"x", "a"}, {"y", "a"}});
    RefreshLists(REFRESH_GROUPS);
    ShowGroup(0);
    expect("search with groups again", {true, true, true, true, true, true});
    ListClear(Catalogue);
    ListClear(GroupList);
    ListClear(MemberList);
    RefreshLists(0);
    expect("reset after a shown group", {false, false, true, false, false, false});
}

} // namespace
