#include "render/instance_buffers.h"

#include <gtest/gtest.h>
#include <vector>

namespace quorvane {
namespace {

TEST(InstanceBuffers, CapacityGrowsInStepsAlwaysAboveTwiceTheReferences) {
    EXPECT_EQ(InstanceCapacityFor(256, 0), 256u);
    EXPECT_EQ(InstanceCapacityFor(256, 127), 256u);
    EXPECT_EQ(InstanceCapacityFor(256, 128), 512u); // needed 256: capacity must exceed it
    EXPECT_EQ(InstanceCapacityFor(512, 300), 768u);
    EXPECT_EQ(InstanceCapacityFor(768, 300), 768u);
    EXPECT_EQ(InstanceCapacityFor(256, 1000), 2048u);
    EXPECT_EQ(InstanceCapacityFor(256, -5), 256u);
}

TEST(InstanceBuffers, AppendFillsOneMainAndThreeShadowRecordsUntilFull) {
    CInstanceBuffers buffers;
    EXPECT_FALSE(AppendInstance(buffers, {1, 2, 3, 1}, Identity(), Identity())); // no buffers yet
    std::vector<InstanceRecord> main(2);
    std::vector<InstanceRecord> shadow(6);
    buffers.capacity = 2;
    buffers.mainMapped = main.data();
    buffers.shadowMapped = shadow.data();
    Matrix4 world = Identity();
    world(3, 0) = 9; // translation row; records hold it transposed
    EXPECT_TRUE(AppendInstance(buffers, {1, 2, 3, 1}, world, Diagonal(2, 2, 2, 1)));
    EXPECT_TRUE(AppendInstance(buffers, {4, 5, 6, 1}, world, Identity()));
    EXPECT_FALSE(AppendInstance(buffers, {7, 8, 9, 1}, world, Identity()));
    EXPECT_EQ(buffers.mainCount, 2u);
    EXPECT_EQ(buffers.shadowCount, 6u);
    EXPECT_EQ(main[1].data0, (std::array<float, 4>{4, 5, 6, 1}));
    EXPECT_EQ(main[0].data1, (std::array<float, 4>{0, 0, 0, 0}));
    EXPECT_EQ(main[0].matrix[3], 9.0f);
    EXPECT_EQ(main[0].normalMatrix[0], 2.0f);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(shadow[static_cast<size_t>(c)].data1[0], static_cast<float>(c));
        EXPECT_EQ(shadow[static_cast<size_t>(c)].data0[0], 1.0f);
        EXPECT_EQ(shadow[static_cast<size_t>(3 + c)].data0[0], 4.0f);
    }
    BeginInstanceRefresh(buffers);
    EXPECT_EQ(buffers.mainCount, 0u);
    EXPECT_EQ(buffers.shadowCount, 0u);
}

// Culling rewrites the mapped buffers with what the view sees; the next cull
// (the camera turned) must start again from every refreshed instance, never
// from what the last cull left in the buffers.
TEST(InstanceBuffers, EachCullStartsFromEveryRefreshedInstance) {
    std::vector<InstanceRecord> main(4);
    std::vector<InstanceRecord> shadow(12);
    CInstanceBuffers buffers;
    buffers.capacity = 4;
    buffers.mainMapped = main.data();
    buffers.shadowMapped = shadow.data();
    BeginInstanceRefresh(buffers);
    for (const float y : {50.0f, -50.0f, -80.0f}) {
        const Vec4 position{0, y, 0, 1};
        ASSERT_TRUE(AppendInstance(buffers, position,
                                   InstanceWorldMatrix({1, 1, 1, 1}, {0, 0, 0, 1}, position), Identity()));
    }
    BoxCorners box = EmptyBoxCorners();
    ExtendBox(box, {-1, -1, -1});
    ExtendBox(box, {1, 1, 1});
    CInstanceCullSet set;
    CaptureInstances(buffers, box, {0, 0, 0}, set);
    ASSERT_EQ(set.records.size(), 3u);

    InstanceCullView ahead;
    ahead.eye = {0, 0, 0};
    ahead.target = {0, 10, 0};
    WriteVisibleInstances(buffers, set, ahead);
    ASSERT_EQ(buffers.mainCount, 1u);
    EXPECT_EQ(main[0].data0[1], 50.0f);

    CaptureInstances(buffers, box, {0, 0, 0}, set);
    ASSERT_EQ(set.records.size(), 3u) << "captured from the refresh, not from the culled buffer";
    InstanceCullView behind = ahead;
    behind.target = {0, -10, 0};
    WriteVisibleInstances(buffers, set, behind);
    ASSERT_EQ(buffers.mainCount, 2u);
    EXPECT_EQ(main[0].data0[1], -50.0f);
    EXPECT_EQ(main[1].data0[1], -80.0f);
}

TEST(InstanceBuffers, RefreshRunsOnNewContentAndThenEveryHundredthCall) {
    CInstanceRefreshCounter counter;
    std::vector<int> runs;
    for (int i = 1; i <= 250; ++i) {
        if (counter.Tick(7)) {
            runs.push_back(i);
        }
    }
    EXPECT_EQ(runs, (std::vector<int>{1, 101, 201}));
    EXPECT_TRUE(counter.Tick(8)) << "changed content refreshes at once";
    EXPECT_FALSE(counter.Tick(8));
    EXPECT_TRUE(counter.Tick(7)) << "and so does changing back";
}

} // namespace
} // namespace quorvane
