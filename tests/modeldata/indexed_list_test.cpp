#include "modeldata/indexed_list.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace quorvane {
namespace {

struct Item {
    char name;
};

class IndexedListTest : public ::testing::Test {
protected:
    Item a{'A'}, b{'B'}, c{'C'};
    CIndexedList<Item> list;

    void AppendABC() {
        list.Append(&a);
        list.Append(&b);
        list.Append(&c);
    }
    std::string Names() const {
        std::string out;
        for (int32_t i = 1; i <= list.Count(); ++i) {
            out += list.GetAt(i)->element->name;
        }
        return out;
    }
    char CursorName() const { return list.Cursor() != nullptr ? list.Cursor()->element->name : '-'; }
};

TEST_F(IndexedListTest, GetAtOutsideOneToCountIsNull) {
    EXPECT_EQ(list.GetAt(1), nullptr);
    EXPECT_EQ(list.GetAt(0), nullptr);
    AppendABC();
    EXPECT_EQ(list.GetAt(0), nullptr);
    EXPECT_EQ(list.GetAt(-1), nullptr);
    EXPECT_EQ(list.GetAt(4), nullptr);
    EXPECT_EQ(Names(), "ABC");
    EXPECT_EQ(list.ElementAt(2), &b);
    // Reads never move the cursor.
    EXPECT_EQ(list.CursorIndex(), 1);
    EXPECT_EQ(list.Head()->prev, nullptr);
    EXPECT_EQ(list.Tail()->next, nullptr);
}

TEST_F(IndexedListTest, RemoveOutsideRangeChangesNothing) {
    AppendABC();
    EXPECT_EQ(list.RemoveAt(0), nullptr);
    EXPECT_EQ(list.RemoveAt(4), nullptr);
    EXPECT_EQ(list.RemoveAt(-7), nullptr);
    EXPECT_EQ(Names(), "ABC");
    EXPECT_EQ(list.CursorIndex(), 1);
}

TEST_F(IndexedListTest, RemovingOnlyNodeEmptiesListAndAppendStartsOver) {
    list.Append(&a);
    EXPECT_EQ(list.RemoveAt(1), &a);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Head(), nullptr);
    EXPECT_EQ(list.CursorIndex(), 0);
    auto* node = list.Append(&b);
    EXPECT_EQ(list.Head(), node);
    EXPECT_EQ(list.Tail(), node);
    EXPECT_EQ(list.CursorIndex(), 1);
    EXPECT_EQ(CursorName(), 'B');
}

TEST_F(IndexedListTest, CursorKeepsItsNodeWhenAnEarlierOneGoes) {
    AppendABC();
    ASSERT_TRUE(list.SeekCursor(3));
    EXPECT_EQ(list.RemoveAt(1), &a);
    EXPECT_EQ(Names(), "BC");
    EXPECT_EQ(list.CursorIndex(), 2);
    EXPECT_EQ(CursorName(), 'C');
}

TEST_F(IndexedListTest, CursorOnRemovedTailMovesToNewTail) {
    AppendABC();
    ASSERT_TRUE(list.SeekCursor(3));
    EXPECT_EQ(list.RemoveAt(3), &c);
    EXPECT_EQ(Names(), "AB");
    EXPECT_EQ(list.CursorIndex(), 2);
    EXPECT_EQ(CursorName(), 'B');
    EXPECT_EQ(list.Tail()->element, &b);
    EXPECT_EQ(list.Tail()->next, nullptr);
}

TEST_F(IndexedListTest, CursorOnRemovedMiddleTakesFollowingNode) {
    AppendABC();
    ASSERT_TRUE(list.SeekCursor(2));
    EXPECT_EQ(list.RemoveAt(2), &b);
    EXPECT_EQ(Names(), "AC");
    EXPECT_EQ(list.CursorIndex(), 2);
    EXPECT_EQ(CursorName(), 'C');
    EXPECT_EQ(list.GetAt(2)->prev, list.GetAt(1));
}

TEST_F(IndexedListTest, CursorBeforeRemovedNodeStays) {
    AppendABC();
    EXPECT_EQ(list.RemoveAt(3), &c);
    EXPECT_EQ(list.CursorIndex(), 1);
    EXPECT_EQ(CursorName(), 'A');
    EXPECT_EQ(list.RemoveAt(1), &a);
    EXPECT_EQ(CursorName(), 'B');
    EXPECT_EQ(list.CursorIndex(), 1);
}

TEST_F(IndexedListTest, SeekCursorRejectsOutOfRange) {
    AppendABC();
    EXPECT_FALSE(list.SeekCursor(0));
    EXPECT_FALSE(list.SeekCursor(4));
    EXPECT_EQ(list.CursorIndex(), 1);
    EXPECT_TRUE(list.SeekCursor(3));
    EXPECT_TRUE(list.SeekCursor(2));
    EXPECT_EQ(CursorName(), 'B');
}

TEST_F(IndexedListTest, ClearDropsNodesNotElements) {
    EXPECT_FALSE(list.Clear());
    AppendABC();
    EXPECT_TRUE(list.Clear());
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.GetAt(1), nullptr);
    EXPECT_EQ(a.name, 'A'); // elements untouched
    list.Append(&c);
    EXPECT_EQ(Names(), "C");
}

TEST(IndexedListLongTest, LongListsClearAndDestroyWithoutRecursion) {
    std::vector<Item> items(200000, Item{'x'});
    CIndexedList<Item> list;
    for (auto& item : items) {
        list.Append(&item);
    }
    EXPECT_EQ(list.GetAt(200000)->element, &items.back());
    EXPECT_TRUE(list.Clear());
    for (auto& item : items) {
        list.Append(&item);
    }
    // The destructor frees the second chain.
}

TEST(IndexedListConcurrencyTest, ConcurrentAppendsToDifferentListsAreSerialised) {
    constexpr int kPerThread = 2000;
    std::vector<Item> items(kPerThread);
    CIndexedList<Item> shared;
    auto appender = [&] {
        for (auto& item : items) {
            shared.Append(&item);
        }
    };
    std::thread first(appender);
    std::thread second(appender);
    first.join();
    second.join();
    ASSERT_EQ(shared.Count(), 2 * kPerThread);
    int walked = 0;
    for (auto* node = shared.Head(); node != nullptr; node = node->next.get()) {
        ++walked;
    }
    EXPECT_EQ(walked, 2 * kPerThread);
}

} // namespace
} // namespace quorvane
