#include "modeldata/indexed_list.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <latch>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace quorvane {
namespace {

struct Item {
    char name;
};

class IndexedListTest : public ::testing::Test {
protected:
    Item items[4] = {{'A'}, {'B'}, {'C'}, {'D'}};
    Item &a = items[0], &b = items[1], &c = items[2], &d = items[3];
    CIndexedList<Item> list;

    void Append(std::string_view names) {
        for (char name : names) {
            list.Append(&items[name - 'A']);
        }
    }
    // The names by position, the way callers walk the list.
    std::string Names() const {
        std::string out;
        for (int32_t i = 1; i <= list.Count(); ++i) {
            out += list.ElementAt(i)->name;
        }
        return out;
    }
};

TEST_F(IndexedListTest, PositionsRunFromOneToCountAndRemovalsCloseTheGap) {
    EXPECT_EQ(list.ElementAt(1), nullptr);
    EXPECT_EQ(list.ElementAt(0), nullptr);
    Append("ABCD");
    EXPECT_EQ(Names(), "ABCD");
    EXPECT_EQ(list.ElementAt(0), nullptr);
    EXPECT_EQ(list.ElementAt(-1), nullptr);
    EXPECT_EQ(list.ElementAt(5), nullptr);
    // Positions in both halves, reached from either end.
    EXPECT_EQ(list.ElementAt(2), &b);
    EXPECT_EQ(list.ElementAt(3), &c);

    // Removing and clearing close the gap and hand the elements back.
    EXPECT_EQ(list.RemoveAt(0), nullptr);
    EXPECT_EQ(list.RemoveAt(5), nullptr);
    EXPECT_EQ(list.RemoveAt(-7), nullptr);
    EXPECT_EQ(Names(), "ABCD");

    EXPECT_EQ(list.RemoveAt(3), &c);
    EXPECT_EQ(Names(), "ABD");
    EXPECT_EQ(list.RemoveAt(1), &a);
    EXPECT_EQ(Names(), "BD");
    EXPECT_EQ(list.RemoveAt(2), &d);
    EXPECT_EQ(Names(), "B");
    EXPECT_EQ(list.RemoveAt(1), &b);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(list.Clear());
    Append("CA");
    EXPECT_EQ(Names(), "CA");
    EXPECT_TRUE(list.Clear());
    EXPECT_EQ(list.ElementAt(1), nullptr);
}

TEST_F(IndexedListTest, RemoveIfTakeAllForEachAndFindFirstGoInListOrder) {
    Append("ABCAD");
    const std::vector<Item*> removed = list.RemoveIf([](const Item& item) { return item.name != 'B'; });
    EXPECT_EQ(removed, (std::vector<Item*>{&a, &c, &a, &d}));
    EXPECT_EQ(Names(), "B");
    Append("DC");
    EXPECT_EQ(list.TakeAll(), (std::vector<Item*>{&b, &d, &c}));
    EXPECT_EQ(list.Count(), 0);

    Append("BADA");
    std::string visited;
    list.ForEach([&visited](Item& item) { visited += item.name; });
    EXPECT_EQ(visited, "BADA");
    EXPECT_EQ(list.FindFirst([](const Item& item) { return item.name == 'A'; }), &a);
    EXPECT_EQ(list.FindFirst([](const Item& item) { return item.name == 'C'; }), nullptr);
}

TEST_F(IndexedListTest, AWalkWithForEachKeepsRemovalsFromOtherThreadsOut) {
    Append("ABC");
    std::string visited;
    std::thread remover;
    list.ForEach([&](Item& item) {
        if (item.name == 'A') {
            remover = std::thread([this] { list.RemoveAt(2); });
            // Give the removal every chance to cut into the walk.
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        visited += item.name;
    });
    remover.join();
    EXPECT_EQ(visited, "ABC");
    EXPECT_EQ(Names(), "AC");
}

// One thread appends, one removes from the front and the middle, one walks by
// position and with ForEach; afterwards every element is either still listed or was handed back
// by exactly one removal.
TEST(IndexedListConcurrencyTest, AppendsRemovalsAndWalksOnOneListFromThreeThreads) {
    constexpr int kItems = 20000;
    std::vector<Item> items(kItems, Item{'x'});
    CIndexedList<Item> list;
    std::latch start(3);
    std::atomic<bool> appending{true};
    std::atomic<bool> removing{true};
    std::vector<Item*> removed;
    std::atomic<int> strayElements{0};

    std::thread appender([&] {
        start.arrive_and_wait();
        for (auto& item : items) {
            list.Append(&item);
        }
        appending = false;
    });
    std::thread remover([&] {
        start.arrive_and_wait();
        for (int turn = 0; appending || list.Count() > kItems / 2; ++turn) {
            const int32_t count = list.Count();
            if (Item* item = list.RemoveAt(turn % 2 == 0 ? 1 : count / 2 + 1)) {
                removed.push_back(item);
            }
        }
        removing = false;
    });
    std::thread walker([&] {
        start.arrive_and_wait();
        auto isStray = [&items](const Item* item) {
            return item < items.data() || item >= items.data() + kItems;
        };
        while (removing) {
            for (int32_t i = 1; i <= list.Count(); ++i) {
                // Null when a removal shortened the list under the walk; never anything else.
                const Item* item = list.ElementAt(i);
                if (item != nullptr && isStray(item)) {
                    ++strayElements;
                }
            }
            list.ForEach([&](const Item& item) {
                if (isStray(&item)) {
                    ++strayElements;
                }
            });
        }
    });
    appender.join();
    remover.join();
    walker.join();

    std::multiset<const Item*> seen(removed.begin(), removed.end());
    for (int32_t i = 1; i <= list.Count(); ++i) {
        seen.insert(list.ElementAt(i));
    }
    ASSERT_EQ(seen.size(), items.size());
    for (const Item& item : items) {
        EXPECT_EQ(seen.count(&item), 1u);
    }
    EXPECT_LE(list.Count(), kItems / 2);
    EXPECT_EQ(strayElements, 0);
}

} // namespace
} // namespace quorvane
