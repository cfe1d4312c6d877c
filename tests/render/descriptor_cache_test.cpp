#include "render/descriptor_cache.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(DescriptorAllocator, FirstFreeReusesTheLowestReleasedSlotAndRangesSkipPastUsedSlots) {
    CDescriptorCache slots(VK_NULL_HANDLE);
    uint32_t slot = 99;
    for (uint32_t expected = 0; expected < 3; ++expected) {
        ASSERT_TRUE(slots.AllocateOne(slot));
        EXPECT_EQ(slot, expected);
        EXPECT_EQ(slots.Tag(slot), expected + 1);
    }
    EXPECT_TRUE(slots.Release(1));
    EXPECT_EQ(slots.Tag(1), 0u);
    ASSERT_TRUE(slots.AllocateOne(slot));
    EXPECT_EQ(slot, 1u);

    // Ranges skip past a hole too small and tag every slot with their first.
    uint32_t first = 0;
    ASSERT_TRUE(slots.AllocateOne(first));
    ASSERT_TRUE(slots.AllocateOne(first));
    ASSERT_TRUE(slots.Release(2)); // a hole of one at 2
    ASSERT_TRUE(slots.AllocateRange(first, 2));
    EXPECT_EQ(first, 5u);
    EXPECT_EQ(slots.Tag(5), 6u);
    EXPECT_EQ(slots.Tag(6), 6u);
    ASSERT_TRUE(slots.AllocateRange(first, 1));
    EXPECT_EQ(first, 2u);

    // Releasing frees the whole range; a slot inside it is not a start.
    ASSERT_TRUE(slots.AllocateRange(first, 9));
    EXPECT_EQ(first, 7u);
    EXPECT_FALSE(slots.Release(8));
    EXPECT_TRUE(slots.Release(7));
    for (uint32_t s = 7; s < 16; ++s) {
        EXPECT_EQ(slots.Tag(s), 0u);
    }
    EXPECT_FALSE(slots.Release(7));
    EXPECT_FALSE(slots.Release(CDescriptorCache::kSlotCount));
}

TEST(DescriptorAllocator, FullHeapRefusesAndBadCountsAreRejected) {
    CDescriptorCache slots(VK_NULL_HANDLE);
    uint32_t first = 0;
    EXPECT_FALSE(slots.AllocateRange(first, 0));
    EXPECT_FALSE(slots.AllocateRange(first, CDescriptorCache::kSlotCount + 1));
    ASSERT_TRUE(slots.AllocateRange(first, CDescriptorCache::kSlotCount - 1));
    ASSERT_TRUE(slots.AllocateOne(first));
    EXPECT_EQ(first, CDescriptorCache::kSlotCount - 1);
    EXPECT_FALSE(slots.AllocateOne(first));
    EXPECT_FALSE(slots.AllocateRange(first, 1));
    // Views cannot be set on free or out-of-range slots.
    ASSERT_TRUE(slots.Release(0));
    EXPECT_EQ(slots.Tag(CDescriptorCache::kSlotCount - 2), 0u);
    EXPECT_FALSE(slots.SetView(0, {}));
    EXPECT_FALSE(slots.SetView(CDescriptorCache::kSlotCount, {}));
    // Only the last slot is still taken: the longest run left is one short of the heap.
    EXPECT_FALSE(slots.AllocateRange(first, CDescriptorCache::kSlotCount));
    ASSERT_TRUE(slots.AllocateRange(first, CDescriptorCache::kSlotCount - 1));
    EXPECT_EQ(first, 0u);
}

} // namespace
} // namespace quorvane
