// The two delete commands on real files, in the states a user reaches less easily than the whole
// program's test does: files changed since the search, files that cannot be deleted, commands without a
// selection, the last group going.
#include "core/deletion.h"
#include "core/lists.h"
#include "core/scan.h"
#include "core/search.h"
#include "core/test_tree.h"
#include "driver/window_fixture.h"
#include "platform/file_services.h"
#include "platform/window_services.h"
#include "ui/controls.h"
#include "ui/delete_commands.h"
#include "ui/present.h"
#include "ui/program.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Rows = std::vector<std::string>;

class Deletion : public testwin::WindowTest {
  protected:
    test_tree::TempTree tree;
    fs::path root = tree.Root();
    std::map<std::string, std::string> content; // name -> bytes, for every file that must still be there

    std::string Path(const std::string& name) const { return root.string() + PATH_SEPARATOR + name; }

    // Files on disk that are groups' members, with the lists and the list boxes as after a search.
    void MakeGroups(const std::vector<Rows>& groups) {
        for (const auto& names : groups) {
            ListSetCurrent(GroupList, static_cast<DuplicateGroup*>(GroupList.tail));
            DuplicateGroup* group = ListAdd(GroupList);
            for (const std::string& name : names) {
                // A file made beforehand keeps its bytes.
                if (!fs::exists(root / name))
                    std::ofstream(root / name, std::ios::binary)
                        << (content[name] = "Inhalt von " + names[0]);
                ListSetCurrent(MemberList, static_cast<GroupMember*>(MemberList.tail));
                GroupMember* member = ListAdd(MemberList);
                member->Folder = SharedText(root.string());
                member->Name = name;
                // As the search would have seen it.
                EXPECT_NE(OpenForReading(9, Path(name)), 0);
                EXPECT_EQ(OpenedFileStamp(&member->Seen), 1);
                CloseFileSlot(9);
                if (!group->FirstMember) group->FirstMember = member;
                ++group->Count;
            }
        }
        RefreshLists(REFRESH_GROUPS);
    }
    // Runs Action, which must show Count message boxes, and answers each; their texts in order.
    Rows AnswerBoxes(const std::function<void()>& action, int count) {
        Rows texts;
        std::vector<std::function<bool()>> steps(size_t(count), [&texts] {
            if (!driver::MessageBoxOpen()) return false;
            texts.push_back(driver::MessageBoxText());
            driver::UserConfirmMessageBox();
            return true;
        });
        driver::WithUser(action, steps);
        return texts;
    }
    std::string Failed(const std::string& name) const {
        return "Konnte Datei \"" + Path(name) + "\" nicht löschen!";
    }
    std::string Changed(const std::string& name) const { return Failed(name) + "\n" + TEXT_CHANGED; }
    // Takes what the search would see of Name now as what it saw.
    void Restamp(int32_t group, int32_t member, const std::string& name) {
        ASSERT_NE(OpenForReading(9, Path(name)), 0);
        OpenedFileStamp(&MemberAt(*GroupAt(group), member)->Seen);
        CloseFileSlot(9);
    }
    // Content is keyed by file name alone, as Expect finds the files.
    void Write(const std::string& relative, const std::string& bytes) {
        std::ofstream(root / relative, std::ios::binary) << bytes;
        content[fs::path(relative).filename().string()] = bytes;
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

// A file that cannot be deleted, as long as it lives: immutable, or read-only on Windows.
class Undeletable {
  public:
    explicit Undeletable(const std::string& path) : path_(path) { held_ = Flag(true); }
    ~Undeletable() {
        if (held_) Flag(false);
    }
    bool held() const { return held_; }

  private:
#ifdef _WIN32
    bool Flag(bool on) {
        return SetFileAttributesA(path_.c_str(), on ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL) != 0;
    }
#else
    // Root deletes any file it may write to, but not an immutable one.
    bool Flag(bool on) {
        const int fd = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
        int flags = 0;
        bool done = fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
        done = done && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        if (fd >= 0) close(fd);
        return done;
    }
#endif
    std::string path_;
    bool held_ = false;
};

// Delete-marked deletes a file only while another member is still the file the search saw and holds
// the same bytes: not after the copy was removed, rewritten or replaced, nor after the marked file
// itself changed. One intact copy out of two is enough.
TEST_F(Deletion, AFileIsDeletedOnlyWhileAnUnchangedCopyStays) {
    MakeGroups({{"a1", "a2"}, {"b1", "b2"}, {"c1", "c2"}, {"d1", "d2"}, {"e1", "e2", "e3"}});
    fs::remove(root / "a2");
    content.erase("a2");
    std::string other = content["b2"];
    other.back() ^= 1;
    Write("b2", other);
    Write("c2.new", content["c2"]);
    fs::rename(root / "c2.new", root / "c2");
    content.erase("c2.new");
    Write("d1", content["d1"] + "!");
    fs::remove(root / "e2");
    content.erase("e2");
    for (int32_t group = 0; group < 4; ++group) {
        Show(group, 0);
        EXPECT_EQ(AnswerBoxes(DeleteMarkedMember, 1), Rows{Changed(std::string(1, char('a' + group)) + "1")});
    }
    Show(4, 0);
    DeleteMarkedMember();
    Expect({"e1"}, {{"a1", "a2"}, {"b1", "b2"}, {"c1", "c2"}, {"d1", "d2"}, {"e2", "e3"}}, 4);
}

// Delete-all deletes what is unchanged and keeps what it could not delete or what changed since the
// search, with one box each; a group whose files all went is removed.
TEST_F(Deletion, DeleteAllKeepsWhatItCouldNotDeleteAndRemovesEmptiedGroups) {
    // The group kept is followed by another, so that a first member taken from the wrong place shows.
    MakeGroups({{"c", "d", "e", "f"}, {"a", "b"}});
    fs::remove(root / "e");
    fs::create_directory(root / "e");
    Write("e/inside", "bleibt");
    content.erase("e");
    {
        Undeletable stuck(Path("d"));
        if (!stuck.held()) GTEST_SKIP() << "cannot make a file undeletable here";
        // Making it so changed its attributes: the search would have seen it like this.
        GroupMember* d = static_cast<GroupMember*>(MemberList.head->next);
        ASSERT_NE(OpenForReading(9, Path("d")), 0);
        OpenedFileStamp(&d->Seen);
        CloseFileSlot(9);
        Show(0, 1);
        EXPECT_EQ(AnswerBoxes(DeleteAllMembers, 2), (Rows{Failed("d"), Changed("e")}));
        Expect({"c", "f"}, {{"d", "e"}, {"a", "b"}}, 0);
    }
    Show(1, 0);
    DeleteAllMembers();
    Expect({"a", "b"}, {{"d", "e"}}, 0);
    EXPECT_EQ(driver::ControlText(LblGroups), "Dateien mit gleichem Inhalt (1)");
}

// Another program saving a file onto the marked name between the checks and the removal (an editor's atomic
// save) never loses that file: only the file that was checked is removed, and a copy whose bytes differ
// while its size and times are as the search saw them is found out by the comparison alone.
std::string SavedBytes;
std::string SavedPath;
void SaveOntoName(const GroupMember&) {
    std::ofstream(SavedPath + ".new", std::ios::binary) << SavedBytes;
    std::error_code ignored; // on Windows the held file's name cannot be taken until it is gone
    fs::rename(SavedPath + ".new", SavedPath, ignored);
    if (ignored) fs::remove(SavedPath + ".new");
}

TEST_F(Deletion, OnlyTheFileThatWasCheckedIsRemoved) {
    MakeGroups({{"a1", "a2"}, {"b1", "b2"}});
    SavedBytes = "gerade gespeichert";
    SavedPath = Path("a2");
    BeforeRemovalHook = SaveOntoName;
    Show(0, 1);
    DeleteMarkedMember();
    BeforeRemovalHook = nullptr;
    std::ifstream saved(Path("a2"), std::ios::binary);
    const std::string now{std::istreambuf_iterator<char>(saved), {}};
    if (!now.empty()) {
        EXPECT_EQ(now, SavedBytes); // whatever holds the name now is the newly saved file, whole
        content["a2"] = SavedBytes;
    } else {
        content.erase("a2");
    }
    saved.close();

    // The same size, and the times the search saw: only the bytes tell.
    std::string other = content["b2"];
    other[0] ^= 1;
    Write("b2", other);
    Restamp(0, 1, "b2");
    Show(0, 0);
    EXPECT_EQ(AnswerBoxes(DeleteMarkedMember, 1), Rows{Changed("b1")});
    Expect({}, {{"b1", "b2"}}, 0);
}

#ifndef _WIN32
// A leading folder replaced by a link after the search leads elsewhere: the file there is not removed,
// though it is the file the search saw, and its copy is intact.
TEST_F(Deletion, NoRemovalGoesThroughALink) {
    test_tree::TempTree outside;
    fs::create_directory(root / "sub");
    MakeGroups({{"a", "sub/b"}});
    fs::rename(root / "sub", fs::path(outside.Root()) / "sub");
    fs::create_directory_symlink(fs::path(outside.Root()) / "sub", root / "sub");
    Show(0, 1);
    EXPECT_EQ(AnswerBoxes(DeleteMarkedMember, 1), Rows{Changed("sub/b")});
    EXPECT_TRUE(fs::exists(fs::path(outside.Root()) / "sub" / "b"));
    fs::remove(root / "sub");
    content.erase("sub/b");
    Expect({}, {{"a", "sub/b"}}, 0);
    fs::remove_all(fs::path(outside.Root()) / "sub");
}

// An overlay mount shows a lower file as the same inode on another device: never grouped with itself,
// never taken for its own copy.
TEST_F(Deletion, AnOverlayViewIsTheSameFile) {
    for (const char* folder : {"lower", "upper", "work", "merged"})
        fs::create_directory(root / folder);
    Write("lower/a", "eins");
    Write("lower/b", "eins");
    const std::string options =
        "lowerdir=" + Path("lower") + ",upperdir=" + Path("upper") + ",workdir=" + Path("work");
    if (mount("overlay", Path("merged").c_str(), "overlay", 0, options.c_str()) != 0)
        GTEST_SKIP() << "no overlay mount here (it needs root): " << std::strerror(errno);
    for (const char* folder : {"lower/", "merged/"})
        ScanFolder(Path(folder), "*.*", 0);
    FindDuplicates();
    Rows groups;
    for (ListLink* at = GroupList.head; at; at = at->next)
        for (const GroupMember* member : MembersOf(*static_cast<DuplicateGroup*>(at)))
            groups.push_back(FullPath(*member));
    std::sort(groups.begin(), groups.end()); // in the order the folder lists them
    EXPECT_EQ(groups, (Rows{Path("lower/a"), Path("lower/b")}));

    ListClear(GroupList);
    ListClear(MemberList);
    ListClear(Catalogue);
    MakeGroups({{"lower/a", "merged/a"}});
    Show(0, 0);
    EXPECT_EQ(AnswerBoxes(DeleteMarkedMember, 1), Rows{Changed("lower/a")});
    EXPECT_TRUE(fs::exists(root / "merged" / "a"));
    ASSERT_EQ(umount(Path("merged").c_str()), 0);
}
#endif

#ifdef _WIN32
// Windows keeps the name of a file that another program holds open for deletion: the removal it
// reports as done has not happened yet, and the member and its row stay.
TEST_F(Deletion, ARemovalThatLeavesTheNameIsAFailedDeletion) {
    MakeGroups({{"a", "b"}});
    HANDLE held = CreateFileA(Path("b").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Show(0, 1);
    EXPECT_EQ(AnswerBoxes(DeleteMarkedMember, 1), Rows{Failed("b")});
    Expect({}, {{"a", "b"}}, 0);
    CloseHandle(held);
}
#endif

} // namespace
