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

TEST(OrderedList, NewElementsAreZeroFilledAndAppendWhileTheCursorIsOnTheLast) {
    OrderedList<Item> list;
    Item* first = ListAdd(list);
    EXPECT_EQ(first->value, 0);
    EXPECT_EQ(list.Current(), first);
    first->value = 1;
    Fill(list, {2, 3});
    EXPECT_EQ(Values(list), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(ListCount(list), 3);
}

TEST(OrderedList, AddWithoutCurrentInsertsAtTheHeadAndAfterCurrentInTheMiddle) {
    OrderedList<Item> list;
    Fill(list, {1, 2});
    ListReset(list);
    ListAdd(list)->value = 0;
    ListSelect(list, 1);
    ListAdd(list)->value = 9;
    EXPECT_EQ(Values(list), (std::vector<int>{0, 1, 9, 2}));
}

TEST(OrderedList, NextStaysOnTheLastElementAndOnAnEmptyList) {
    OrderedList<Item> list;
    EXPECT_FALSE(ListNext(list));
    EXPECT_FALSE(ListNext(list));
    EXPECT_EQ(list.Current(), nullptr);
    Fill(list, {1, 2});
    ListReset(list);
    EXPECT_TRUE(ListNext(list));
    EXPECT_TRUE(ListNext(list));
    EXPECT_FALSE(ListNext(list));
    EXPECT_EQ(list.Current()->value, 2);
    ListAdd(list)->value = 3; // the cursor stayed on the last: this appends
    EXPECT_EQ(Values(list), (std::vector<int>{1, 2, 3}));
}

TEST(OrderedList, SelectClampsToTheLastAndMinusOneSelectsNone) {
    OrderedList<Item> list;
    ListSelect(list, 0);
    EXPECT_EQ(list.Current(), nullptr);
    Fill(list, {10, 11, 12});
    ListSelect(list, -1);
    EXPECT_EQ(list.Current(), nullptr);
    ListSelect(list, 1);
    EXPECT_EQ(list.Current()->value, 11);
    ListSelect(list, 99);
    EXPECT_EQ(list.Current()->value, 12);
}

TEST(OrderedList, DeleteMovesToPredecessorOrNewHeadOrNone) {
    OrderedList<Item> list;
    ListDelete(list); // nothing current: nothing happens
    Fill(list, {1, 2, 3});
    ListSelect(list, 1);
    ListDelete(list);
    EXPECT_EQ(list.Current()->value, 1);
    ListSelect(list, 0);
    ListDelete(list);
    EXPECT_EQ(list.Current()->value, 3);
    ListDelete(list);
    EXPECT_EQ(list.Current(), nullptr);
    EXPECT_EQ(ListCount(list), 0);
    EXPECT_FALSE(ListNext(list));
    Fill(list, {4}); // the emptied list works as new
    EXPECT_EQ(Values(list), (std::vector<int>{4}));
}

TEST(OrderedList, DeletingTheTailKeepsAppendingAtTheEnd) {
    OrderedList<Item> list;
    Fill(list, {1, 2, 3});
    ListDelete(list);
    EXPECT_EQ(list.Current()->value, 2);
    ListAdd(list)->value = 5;
    EXPECT_EQ(Values(list), (std::vector<int>{1, 2, 5}));
}

TEST(OrderedList, SetCurrentPutsAnOuterIterationBack) {
    OrderedList<Item> list;
    Fill(list, {1, 2, 3});
    std::vector<std::pair<int, int>> pairs;
    ListReset(list);
    while (ListNext(list)) {
        Item* outer = list.Current();
        while (ListNext(list))
            pairs.emplace_back(outer->value, list.Current()->value);
        ListSetCurrent(list, outer);
    }
    EXPECT_EQ(pairs, (std::vector<std::pair<int, int>>{{1, 2}, {1, 3}, {2, 3}}));
}

TEST(OrderedList, ElementsStayPutWhileOthersAreDeleted) {
    OrderedList<Item> list;
    Fill(list, {1, 2, 3});
    ListSelect(list, 2);
    Item* last = list.Current();
    ListSelect(list, 0);
    ListDelete(list);
    ListSelect(list, 0);
    ListDelete(list);
    EXPECT_EQ(last->value, 3);
    EXPECT_EQ(list.Current(), last);
}

TEST(OrderedList, ClearEmptiesAndCanBeRepeated) {
    OrderedList<Item> list;
    ListClear(list);
    Fill(list, {1, 2});
    ListClear(list);
    EXPECT_EQ(ListCount(list), 0);
    EXPECT_EQ(list.Current(), nullptr);
    Fill(list, {7});
    EXPECT_EQ(Values(list), (std::vector<int>{7}));
}

TEST(Records, AFolderTextOutlivesTheEntriesThatMadeIt) {
    GroupMember member;
    {
        FileEntry entry;
        entry.Folder = SharedText("dir");
        FileEntry second;
        second.Folder = entry.Folder;
        member.Folder = second.Folder;
        EXPECT_TRUE(member.Folder.SameAs(entry.Folder));
    }
    member.Name = "x";
    EXPECT_EQ(FullPath(member), std::string("dir") + PATH_SEPARATOR + "x");
    EXPECT_EQ(*SharedText(), "");
}

} // namespace
