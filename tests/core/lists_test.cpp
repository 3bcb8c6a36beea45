// The ordered list and its cursor, at the ends and in the middle.
#include "core/lists.h"
#include "platform/file_services.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Item : ListLink {
    int value = 0;
};

std::vector<int> Values(OrderedList<Item>& list) {
    std::vector<int> out;
    ListReset(list);
    while (ListNext(list))
        out.push_back(list.Current()->value);
    return out;
}

void Fill(OrderedList<Item>& list, std::initializer_list<int> values) {
    for (int v : values)
        ListAdd(list)->value = v;
}

TEST(OrderedList, AddNextAndSelectMoveTheCursorAsTheCommandsNeed) {
    OrderedList<Item> list;
    EXPECT_FALSE(ListNext(list));
    ListSelect(list, 0);
    EXPECT_EQ(list.Current(), nullptr);
    Item* first = ListAdd(list); // zero-filled and current
    EXPECT_EQ(first->value, 0);
    EXPECT_EQ(list.Current(), first);
    first->value = 1;
    Fill(list, {2});
    ListReset(list);
    ListAdd(list)->value = 0; // without a current element: at the head
    ListSelect(list, 1);
    ListAdd(list)->value = 9; // after the current one
    EXPECT_EQ(Values(list), (std::vector<int>{0, 1, 9, 2}));
    EXPECT_FALSE(ListNext(list)); // Next stays on the last element, so Add appends
    ListAdd(list)->value = 3;
    EXPECT_EQ(Values(list), (std::vector<int>{0, 1, 9, 2, 3}));
    EXPECT_EQ(ListCount(list), 5);
    ListSelect(list, -1);
    EXPECT_EQ(list.Current(), nullptr);
    ListSelect(list, 99);
    EXPECT_EQ(list.Current()->value, 3);
    // An outer iteration is put back with SetCurrent.
    std::vector<std::pair<int, int>> pairs;
    ListReset(list);
    while (ListNext(list)) {
        Item* outer = list.Current();
        while (ListNext(list))
            if (outer->value == 9) pairs.emplace_back(outer->value, list.Current()->value);
        ListSetCurrent(list, outer);
    }
    EXPECT_EQ(pairs, (std::vector<std::pair<int, int>>{{9, 2}, {9, 3}}));
}

TEST(OrderedList, DeleteMovesToThePredecessorOrNewHeadAndLeavesOthersInPlace) {
    OrderedList<Item> list;
    ListDelete(list); // nothing current: nothing happens
    ListClear(list);
    Fill(list, {1, 2, 3, 4});
    ListDelete(list); // the tail: appending goes on at the end
    ListAdd(list)->value = 5;
    EXPECT_EQ(Values(list), (std::vector<int>{1, 2, 3, 5}));
    ListSelect(list, 3);
    Item* last = list.Current();
    ListSelect(list, 1);
    ListDelete(list);
    EXPECT_EQ(list.Current()->value, 1);
    ListSelect(list, 0);
    ListDelete(list);
    EXPECT_EQ(list.Current()->value, 3);
    EXPECT_EQ(last->value, 5); // elements never move
    ListDelete(list);
    ListDelete(list);
    EXPECT_EQ(list.Current(), nullptr);
    EXPECT_EQ(ListCount(list), 0);
    Fill(list, {4, 6}); // the emptied list works as new, also after a clear
    ListClear(list);
    EXPECT_EQ(list.Current(), nullptr);
    Fill(list, {7});
    EXPECT_EQ(Values(list), (std::vector<int>{7}));
}

TEST(Records, AFolderTextOutlivesTheEntriesThatMadeIt) {
    GroupMember member;
    {
        OrderedList<FileEntry> entries;
        FileEntry* entry = ListAdd(entries);
        entry->Folder = SharedText("dir");
        ListAdd(entries)->Folder = entry->Folder;
        member.Folder = entries.Current()->Folder;
        EXPECT_TRUE(member.Folder.SameAs(entry->Folder));
    }
    member.Name = "x";
    EXPECT_EQ(FullPath(member), std::string("dir") + PATH_SEPARATOR + "x");
    EXPECT_EQ(*SharedText(), "");
}

} // namespace

// Names held in place and held elsewhere, at the boundary between the two, survive copies, moves and
// reassignment between the two kinds unchanged (a fault here would show as garbage or a double free
// under the sanitizers).
TEST(Records, ANameKeepsItsBytesThroughCopiesMovesAndReassignment) {
    const std::string zeros("a\0b", 3);
    for (const std::string& text : {std::string(), std::string("x"), std::string(15, 'f'),
                                    std::string(16, 's'), std::string(255, 'l'), zeros}) {
        CompactName name(text);
        EXPECT_EQ(name.View(), text);
        CompactName copy(name), moved(std::move(copy));
        EXPECT_EQ(moved.View(), text);
        EXPECT_EQ(copy.View(), "");
        for (const std::string& other : {std::string(3, 'o'), std::string(40, 'O')}) {
            CompactName changed(other);
            changed = name;
            EXPECT_EQ(changed.Text(), text);
            changed = other;
            EXPECT_TRUE(changed == CompactName(other));
            changed = std::move(moved);
            EXPECT_EQ(changed.View(), text);
            moved = changed;
        }
    }
}
