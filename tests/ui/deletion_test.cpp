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

std::string ReadWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class Deletion : public ::testing::Test {
  protected:
    fs::path root;
    std::string folder;                         // root as the program spells it
    std::map<std::string, std::string> content; // name -> bytes, for every file that must still be there

    void SetUp() override {
        std::random_device random;
        root = fs::temp_directory_path() / ("zw-deletion-" + std::to_string(random()));
        ASSERT_TRUE(fs::create_directories(root));
        folder = root.string();
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

    void Write(const std::string& name, const std::string& bytes) {
        std::ofstream(root / name, std::ios::binary) << bytes;
        content[name] = bytes;
    }
    std::string Path(const std::string& name) const { return folder + PATH_SEPARATOR + name; }

    // Files on disk that are groups' members, with the lists and the list boxes as after a search.
    void MakeGroups(const std::vector<std::vector<std::string>>& groups) {
        for (const auto& names : groups) {
            ListSetCurrent(GroupList, static_cast<DuplicateGroup*>(GroupList.tail));
            DuplicateGroup* group = ListAdd(GroupList);
            for (const std::string& name : names) {
                Write(name, "Inhalt von " + names.front());
                ListSetCurrent(MemberList, static_cast<GroupMember*>(MemberList.tail));
                GroupMember* member = ListAdd(MemberList);
                member->Folder = folder;
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
    Rows Paths(const std::vector<std::string>& names) const {
        Rows rows;
        for (const auto& name : names)
            rows.push_back(Path(name));
        return rows;
    }

    // Exactly the files in Content are on disk, each with its bytes.
    void ExpectDisk(const std::vector<std::string>& gone) {
        for (const auto& name : gone)
            content.erase(name);
        std::map<std::string, std::string> found;
        for (const auto& item : fs::recursive_directory_iterator(root))
            if (item.is_regular_file()) found[item.path().filename().string()] = ReadWhole(item.path());
        EXPECT_EQ(found, content);
    }

    // The members of every group, in list order, read from the lists themselves.
    std::vector<Rows> GroupsInLists() const {
        std::vector<Rows> groups;
        int64_t members = 0;
        for (ListLink* at = GroupList.head; at; at = at->next) {
            const auto* group = static_cast<DuplicateGroup*>(at);
            Rows names;
            const ListLink* member = group->FirstMember;
            for (int32_t i = 0; i < group->Count; ++i, member = member->next)
                names.push_back(static_cast<const GroupMember*>(member)->Name);
            members += group->Count;
            groups.push_back(names);
        }
        EXPECT_EQ(ListCount(MemberList), members);
        return groups;
    }
};

TEST_F(Deletion, FirstMemberPassesToTheNextAndTheLastGroupFallsBackToThePrevious) {
    MakeGroups({{"a", "b"}, {"c", "d", "e"}});
    Show(1, 0);
    DeleteMarkedMember();
    ExpectDisk({"c"});
    EXPECT_EQ(GroupsInLists(), (std::vector<Rows>{{"a", "b"}, {"d", "e"}}));
    EXPECT_EQ(driver::ControlRows(LstMembers), Paths({"d", "e"}));
    EXPECT_EQ(driver::SelectedRow(LstMembers), 0);

    DeleteMarkedMember();
    ExpectDisk({"d"});
    EXPECT_EQ(GroupsInLists(), (std::vector<Rows>{{"a", "b"}}));
    EXPECT_EQ(driver::SelectedRow(LstGroups), 0);
    EXPECT_EQ(driver::ControlRows(LstMembers), Paths({"a", "b"}));

    // The only group dissolves: nothing left to select or show.
    SetControlValue(LstMembers, 1);
    DeleteMarkedMember();
    ExpectDisk({"b"});
    EXPECT_TRUE(GroupsInLists().empty());
    EXPECT_TRUE(driver::ControlRows(LstGroups).empty());
    EXPECT_TRUE(driver::ControlRows(LstMembers).empty());
    EXPECT_EQ(driver::ControlText(LblGroups), "Dateien mit gleichem Inhalt (0)");
}

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
    ExpectDisk({});
    EXPECT_EQ(GroupsInLists(), (std::vector<Rows>{{"a", "b", "c"}, {"d", "e"}}));
    EXPECT_EQ(driver::ControlRows(LstGroups).size(), 2u);
}

// Delete-all leaves a group with the one member it could not delete (a folder in the place of the
// file, which not even root deletes as a file); once that member goes too, the empty group goes.
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
                         ++boxes;
                         return true;
                     }});
    EXPECT_EQ(boxes, 1);
    ExpectDisk({"c", "e"});
    EXPECT_EQ(GroupsInLists(), (std::vector<Rows>{{"a", "b"}, {"d"}}));
    EXPECT_EQ(driver::ControlRows(LstMembers), Paths({"d"}));

    fs::remove_all(root / "d");
    content.erase("drin");
    std::ofstream(root / "d", std::ios::binary) << "jetzt";
    DeleteMarkedMember();
    ExpectDisk({});
    EXPECT_FALSE(fs::exists(root / "d"));
    EXPECT_EQ(GroupsInLists(), (std::vector<Rows>{{"a", "b"}}));
    EXPECT_EQ(driver::ControlRows(LstGroups), Rows{"2: a, b"});
    EXPECT_EQ(driver::SelectedRow(LstGroups), 0);
    EXPECT_EQ(driver::ControlRows(LstMembers), Paths({"a", "b"}));
    EXPECT_EQ(driver::ControlText(LblGroups), "Dateien mit gleichem Inhalt (1)");
}

} // namespace
