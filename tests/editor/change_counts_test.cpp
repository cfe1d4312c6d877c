// The counts that let the per-frame instance refresh skip its walk: they must
// grow with every change that can alter what is drawn, and only then.
#include "editor/model_entry.h"
#include "editor/owned_list.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(ChangeCounts, ListVersionGrowsWithEveryMembershipChangeOnly) {
    COwnedList<CModelEntry> list;
    uint64_t seen = list.Version();
    const auto grew = [&] {
        const uint64_t now = list.Version();
        const bool changed = now != seen;
        seen = now;
        return changed;
    };
    list.Append(std::make_unique<CModelEntry>());
    EXPECT_TRUE(grew());
    const CModelEntry* second = list.Append(std::make_unique<CModelEntry>());
    EXPECT_TRUE(grew());
    int visited = 0;
    list.ForEach([&](const CModelEntry&) { ++visited; });
    EXPECT_EQ(list.FindFirst([&](const CModelEntry& entry) { return &entry == second; }), second);
    EXPECT_EQ(visited, 2);
    EXPECT_FALSE(grew()) << "looking changes nothing";
    EXPECT_NE(list.RemoveAt(1), nullptr);
    EXPECT_TRUE(grew());
    EXPECT_EQ(list.ExtractIf([&](const CModelEntry& entry) { return &entry == second; }).size(), 1u);
    EXPECT_TRUE(grew());
    list.Append(std::make_unique<CModelEntry>());
    EXPECT_TRUE(grew());
    EXPECT_EQ(list.ExtractAll().size(), 1u);
    EXPECT_TRUE(grew());
}

TEST(ChangeCounts, EntryFlagsCountOnlyRealChanges) {
    CModelEntry entry;
    uint64_t seen = EntryStateChanges().load();
    const auto counted = [&] {
        const uint64_t now = EntryStateChanges().load();
        const uint64_t changes = now - seen;
        seen = now;
        return changes;
    };
    SetEntryLoaded(entry, true);
    EXPECT_EQ(counted(), 1u);
    EXPECT_TRUE(entry.loaded.load());
    // The render thread sets an instance's ready flag every frame: the same
    // value again must not look like news.
    for (int frame = 0; frame < 10; ++frame) {
        SetEntryReady(entry, true);
    }
    EXPECT_EQ(counted(), 1u);
    SetEntryLoaded(entry, true);
    EXPECT_EQ(counted(), 0u);
    SetEntryReady(entry, false);
    SetEntryLoaded(entry, false);
    EXPECT_EQ(counted(), 2u);
    EXPECT_FALSE(entry.ready.load());
}

} // namespace
} // namespace quorvane
