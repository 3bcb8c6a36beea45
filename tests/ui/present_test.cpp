// The main window as it opens, and what the list boxes, the headings and the enabling rules show for
// given lists.
#include "core/lists.h"
#include "driver/window_fixture.h"
#include "platform/file_services.h"
#include "platform/window_services.h"
#include "ui/controls.h"
#include "ui/present.h"
#include "ui/program.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using Rows = std::vector<std::string>;

void AddEntry(const std::string& name, int64_t size) {
    ListSetCurrent(Catalogue, static_cast<FileEntry*>(Catalogue.tail));
    FileEntry* entry = ListAdd(Catalogue);
    entry->Folder = SharedText("d");
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
        member->Folder = SharedText(folder);
        member->Name = name;
        if (!group->FirstMember) group->FirstMember = member;
        ++group->Count;
    }
}

// Selects group Row and shows it, as the Show-group command does.
void ShowGroup(int32_t row) {
    SetControlValue(LstGroups, row);
    RefreshLists(REFRESH_MEMBERS);
}

void ExpectHeadings(const std::string& allFiles, const std::string& groups) {
    EXPECT_EQ(driver::ControlText(LblAllFiles), allFiles);
    EXPECT_EQ(driver::ControlText(LblGroups), groups);
}

using MainWindow = testwin::WindowTest;

TEST_F(MainWindow, OpensCentredWithItsThirteenControlsInPlace) {
    ASSERT_TRUE(driver::WindowOpen(MAIN_WINDOW));
    EXPECT_EQ(driver::WindowTitle(MAIN_WINDOW), "Zwillingsfeger");
    EXPECT_FALSE(driver::WindowResizable(MAIN_WINDOW));
    auto xywh = [](driver::Rect r) { return std::array<int32_t, 4>{r.x, r.y, r.width, r.height}; };
    driver::Rect client = driver::ClientRect(MAIN_WINDOW), screen = driver::ScreenRect();
    EXPECT_EQ(client.width, 600);
    EXPECT_EQ(client.height, 300);
    // The frame is centred, so the client area is centred across and lies below the centre by at most
    // half the title bar.
    EXPECT_NEAR(client.x + client.width / 2, screen.x + screen.width / 2, 2);
    const int32_t below = (client.y + client.height / 2) - (screen.y + screen.height / 2);
    EXPECT_TRUE(below >= -2 && below <= 30) << "client y " << client.y << " on a screen " << screen.height;
    const std::tuple<int32_t, std::array<int32_t, 4>, const char*> controls[] = {
        {BtnAddFolder, {0, 0, 195, 24}, "Pfad hinzufügen"},
        {LblAllFiles, {0, 25, 195, 20}, "Alle Dateien"},
        {LstAllFiles, {0, 45, 195, 225}, ""},
        {BtnReset, {0, 275, 195, 20}, "Zurücksetzen"},
        {BtnSearch, {200, 0, 368, 24}, "Doppelte Dateien suchen"},
        {LblGroups, {200, 25, 368, 20}, "Dateien mit gleichem Inhalt"},
        {LstGroups, {200, 45, 368, 100}, ""},
        {LblMembers, {200, 150, 398, 20}, "Doppelte Dateien:"},
        {LstMembers, {200, 170, 398, 75}, ""},
        {BtnDeleteMarked, {200, 250, 398, 20}, "Lösche markierte Datei"},
        {BtnDeleteAll, {200, 275, 398, 20}, "Lösche alle Dateien (mit Original)"},
        {BarOverall, {573, 75, 25, 70}, ""},
        {BarFile, {573, 45, 25, 25}, ""},
    };
    for (const auto& [control, rect, text] : controls) {
        SCOPED_TRACE(control);
        ASSERT_TRUE(driver::ControlExists(control));
        EXPECT_EQ(xywh(driver::ControlRect(control)), rect);
        EXPECT_TRUE(driver::ControlEnabled(control));
        if (*text) {
            EXPECT_EQ(driver::ControlText(control), text);
        }
    }
    for (int32_t list : {LstAllFiles, LstGroups, LstMembers}) {
        EXPECT_TRUE(driver::ControlRows(list).empty());
        EXPECT_EQ(GetControlValue(list), -1);
    }
    EXPECT_EQ(driver::BarPosition(BarOverall) + driver::BarPosition(BarFile), 0);
}

TEST_F(MainWindow, RowsAndHeadingsShowTheLists) {
    // Sizes of 2 GiB and more are shown whole, not as their low 32 bits.
    AddEntry("a.txt", 12);
    AddEntry("leer", 0);
    AddEntry("gross.iso", 2147483653LL);
    AddEntry("riesig.img", 5368709121LL);
    RefreshLists(REFRESH_FILES);
    EXPECT_EQ(driver::ControlRows(LstAllFiles),
              (Rows{"a.txt (12)", "leer (0)", "gross.iso (2147483653)", "riesig.img (5368709121)"}));
    ExpectHeadings("Alle Dateien (4)", "Dateien mit gleichem Inhalt");
    EXPECT_TRUE(driver::ControlRows(LstGroups).empty());

    AddGroup({{"x", "a.txt"}, {"y", "a.txt"}, {"y", "b.txt"}});
    AddGroup({{"x", "c"}, {"z", "d"}});
    RefreshLists(REFRESH_GROUPS);
    EXPECT_EQ(driver::ControlRows(LstGroups), (Rows{"3: a.txt, a.txt, b.txt", "2: c, d"}));
    ExpectHeadings("Alle Dateien (4)", "Dateien mit gleichem Inhalt (2 - 5)");
    EXPECT_EQ(driver::SelectedRow(LstGroups), -1);
    EXPECT_TRUE(driver::ControlRows(LstMembers).empty());
    ShowGroup(1);
    EXPECT_EQ(driver::ControlRows(LstMembers),
              (Rows{std::string("x") + PATH_SEPARATOR + "c", std::string("z") + PATH_SEPARATOR + "d"}));
    // Groups but no selected row (after a repeated search): nothing is read, the list stays empty.
    ShowGroup(-1);
    EXPECT_TRUE(driver::ControlRows(LstMembers).empty());

    // A search without groups says so and drops the earlier counts, however often it runs.
    ListClear(GroupList);
    ListClear(MemberList);
    for (int repeat = 0; repeat < 2; ++repeat) {
        RefreshLists(REFRESH_GROUPS);
        EXPECT_EQ(driver::ControlRows(LstGroups), Rows{"(keine doppelten Dateien)"});
        ExpectHeadings("Alle Dateien (4)", "Dateien mit gleichem Inhalt (0)");
    }
    // Mask 0 empties everything and puts the plain headings back.
    RefreshLists(0);
    for (int32_t list : {LstAllFiles, LstGroups, LstMembers})
        EXPECT_TRUE(driver::ControlRows(list).empty());
    ExpectHeadings("Alle Dateien", "Dateien mit gleichem Inhalt");
}

TEST_F(MainWindow, MemberListOpensOnTheLastBakMemberOrTheFirst) {
    for (const char* yes : {"x.bak", "Z.Bak", ".bak", "a.b.bak", "ohne punkt.bAK"})
        EXPECT_TRUE(HasBakExtension(yes)) << yes;
    for (const char* no : {"bak", "archiv.bak.txt", "x.bak.", "x.baki", "x.ba", "x.bak ", "", "x.b\xC1k"})
        EXPECT_FALSE(HasBakExtension(no)) << no;

    AddGroup({{"p", "x.doc"}, {"p", "x.bak"}, {"q", "y.BAK"}});
    AddGroup({{"p", "archiv.bak.txt"}, {"q", "archiv"}});
    AddGroup({{"p", "eins"}, {"p", "Zwei.bAk"}, {"q", "drei.bak2"}});
    RefreshLists(REFRESH_GROUPS);
    const int32_t expected[] = {2, 0, 1};
    for (int32_t group = 0; group < 3; ++group) {
        ShowGroup(group);
        EXPECT_EQ(driver::SelectedRow(LstMembers), expected[group]) << group;
    }
}

// The controls the rules switch, as letters when enabled: Search, Reset, Groups, Members, marked, All.
std::string Enabled() {
    ApplyEnablingRules();
    std::string letters;
    for (auto [control, letter] : {std::pair{BtnSearch, 'S'},
                                   {BtnReset, 'R'},
                                   {LstGroups, 'G'},
                                   {LstMembers, 'M'},
                                   {BtnDeleteMarked, 'D'},
                                   {BtnDeleteAll, 'A'}})
        letters += driver::ControlEnabled(control) ? letter : '-';
    return letters;
}

// The states the whole program's run does not reach; LstGroups keeps its state while the catalogue
// is empty.
TEST_F(MainWindow, EnablingRulesFollowTheLists) {
    EXPECT_EQ(Enabled(), "--G---");
    AddEntry("a", 1);
    EXPECT_EQ(Enabled(), "SR----");
    ListClear(Catalogue);
    EXPECT_EQ(Enabled(), "------");
    AddEntry("a", 1);
    AddGroup({{"x", "a"}, {"y", "a"}});
    RefreshLists(REFRESH_FILES | REFRESH_GROUPS);
    EXPECT_EQ(Enabled(), "SRGM--");
    ShowGroup(0);
    EXPECT_EQ(Enabled(), "SRGMDA");
    ListClear(GroupList);
    ListClear(MemberList);
    RefreshLists(REFRESH_GROUPS);
    EXPECT_EQ(Enabled(), "SR----");
}

} // namespace
