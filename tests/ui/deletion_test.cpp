// The two delete commands on real files, in the states a user reaches less easily than the whole
// program's test does: the last group going, commands without a selection, a group left empty.
#include "core/deletion.h"
#include "core/lists.h"
#include "driver/driver.h"
#include "platform/file_services.h"
#include "platform/window_services.h"
#include "ui/controls.h"
#include "ui/present.h"
#include "ui/program.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Rows = std::vector<std::string>;

class Deletion : public ::testing::Test {
  protected:
    fs::path root;
    std::map<std::string, std::string> content; // name -> bytes, for every file that must still be there

    void SetUp() override {
        root = fs::temp_directory_path() / ("zw-deletion-" + std::to_string(std::random_device()()));
        ASSERT_TRUE(fs::create_directories(root));
        ASSERT_TRUE(StartProgram());
    }
    void TearDown() override {
        CloseAllWindows();
        ListClear(Catalogue);
        ListClear(GroupList);
        ListClear(MemberList);
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    std::string Path(const std::string& name) const { return root.string() + PATH_SEPARATOR + name; }

    // Files on disk that are groups' members, with the lists and the list boxes as after a search.
    void MakeGroups(const std::vector<Rows>& groups) {
        for (const auto& names : groups) {
            ListSetCurrent(GroupList, static_cast<DuplicateGroup*>(GroupList.tail));
            DuplicateGroup* group = ListAdd(GroupList);
            for (const std::string& name : names) {
                std::ofstream(root / name, std::ios::binary) << (content[name] = "Inhalt von " + names[0]);
                ListSetCurrent(MemberList, static_cast<GroupMember*>(MemberList.tail));
                GroupMember* member = ListAdd(MemberList);
                member->Folder = SharedText(root.string());
                member->Name = name;
                if (!group->FirstMember) group->FirstMember = member;
                ++group->Count;
            }
        }
        RefreshLists(REFRESH_GROUPS);
    }
    void Show(int32_t group, int32_t member) {
        SetControlValue(LstGroups, group);
        RefreshLists(REFRESH_MEMBERS);
        SetControlValue(LstMembers, member);
    }

    // Exactly the files in Content less Gone are on disk, each with its bytes; the lists hold Groups
    // (member names in order) and the list boxes show them with group row Selected.
    void Expect(const std::vector<std::string>& gone, const std::vector<Rows>& groups, int32_t selected) {
        for (const auto& name : gone)
            content.erase(name);
        std::map<std::string, std::string> found;
        for (const auto& item : fs::recursive_directory_iterator(root))
            if (item.is_regular_file()) {
                std::ifstream in(item.path(), std::ios::binary);
                found[item.path().filename().string()].assign(std::istreambuf_iterator<char>(in), {});
            }
        EXPECT_EQ(found, content);
        std::vector<Rows> held;
        for (ListLink* at = GroupList.head; at; at = at->next) {
            const auto* group = static_cast<DuplicateGroup*>(at);
            held.emplace_back();
            const ListLink* member = group->FirstMember;
            for (int32_t i = 0; i < group->Count; ++i, member = member->next)
                held.back().push_back(static_cast<const GroupMember*>(member)->Name);
        }
        EXPECT_EQ(held, groups);
        size_t members = 0;
        for (const Rows& g : groups)
            members += g.size();
        EXPECT_EQ(ListCount(MemberList), static_cast<int64_t>(members));
        EXPECT_EQ(driver::ControlRows(LstGroups).size(), groups.size());
        EXPECT_EQ(driver::SelectedRow(LstGroups), selected);
        Rows shown;
        if (selected >= 0 && selected < static_cast<int32_t>(groups.size()))
            for (const auto& name : groups[selected])
                shown.push_back(Path(name));
        EXPECT_EQ(driver::ControlRows(LstMembers), shown);
    }
};

TEST_F(Deletion, NothingIsDeletedWithoutASelectedGroupAndMember) {
    MakeGroups({{"a", "b", "c"}, {"d", "e"}});
    // Rows of group 0 stay in LstMembers while no group row is selected, as after a repeated search.
    Show(0, 1);
    SetControlValue(LstGroups, -1);
    DeleteMarkedMember();
    DeleteAllMembers();
    // A group selected, but no member row.
    Show(1, -1);
    DeleteMarkedMember();
    // The member rows belong to another group than the selected one.
    Show(0, 1);
    SetControlValue(LstGroups, 1);
    DeleteMarkedMember();
    SetControlValue(LstGroups, 0);
    Expect({}, {{"a", "b", "c"}, {"d", "e"}}, 0);
}

// Delete-all leaves a group with the one member it could not delete (a folder in the place of the
// file, which not even root deletes as a file); once that member goes too, the empty group goes and
// the previous group is shown; the last group dissolving leaves nothing to show.
TEST_F(Deletion, AGroupLeftWithoutMembersIsRemoved) {
    MakeGroups({{"a", "b"}, {"c", "d", "e"}});
    fs::remove(root / "d");
    fs::create_directory(root / "d");
    std::ofstream(root / "d" / "drin", std::ios::binary) << "bleibt";
    content.erase("d");
    content["drin"] = "bleibt";

    Show(1, 1);
    int boxes = 0;
    driver::WithUser([] { DeleteAllMembers(); }, {[&] {
                         if (!driver::MessageBoxOpen()) return false;
                         EXPECT_EQ(driver::MessageBoxText(),
                                   "Konnte Datei \"" + Path("d") + "\" nicht löschen!");
                         driver::UserConfirmMessageBox();
                         return ++boxes > 0;
                     }});
    EXPECT_EQ(boxes, 1);
    Expect({"c", "e"}, {{"a", "b"}, {"d"}}, 1);

    fs::remove_all(root / "d");
    std::ofstream(root / "d", std::ios::binary) << "jetzt";
    DeleteMarkedMember();
    Expect({"drin"}, {{"a", "b"}}, 0);
    EXPECT_EQ(driver::ControlRows(LstGroups), Rows{"2: a, b"});
    EXPECT_EQ(driver::ControlText(LblGroups), "Dateien mit gleichem Inhalt (1)");

    SetControlValue(LstMembers, 1);
    DeleteMarkedMember();
    Expect({"b"}, {}, -1);
    EXPECT_TRUE(driver::ControlRows(LstMembers).empty());
    EXPECT_EQ(driver::ControlText(LblGroups), "Dateien mit gleichem Inhalt (0)");
}

} // namespace
