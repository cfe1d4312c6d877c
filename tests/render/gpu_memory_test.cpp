#include "device_fixture.h"
#include "render/gpu_resources.h"

namespace quorvane {
namespace {

using GpuMemoryTest = test::HeadlessDeviceTest;

TEST_F(GpuMemoryTest, SmallResourcesShareBlocksAndFreedSpaceIsReused) {
    CGpuMemory& memory = device_->Memory();
    const size_t blocksBefore = memory.BlockCount();
    std::vector<GpuBuffer> buffers;
    for (int i = 0; i < 200; ++i) {
        buffers.push_back(CreateGpuBuffer(device_->Device(), memory, 4096 + static_cast<VkDeviceSize>(i),
                                          VK_BUFFER_USAGE_VERTEX_BUFFER_BIT, i % 2 == 0));
        ASSERT_TRUE(buffers.back());
    }
    // 200 buffers, at most one new block per memory type.
    EXPECT_LE(memory.BlockCount(), blocksBefore + 2);
    // No two live pieces of one block overlap.
    for (size_t a = 0; a < buffers.size(); ++a) {
        for (size_t b = a + 1; b < buffers.size(); ++b) {
            const GpuAllocation& x = buffers[a].memory;
            const GpuAllocation& y = buffers[b].memory;
            if (x.memory == y.memory) {
                EXPECT_TRUE(x.offset + x.size <= y.offset || y.offset + y.size <= x.offset);
            }
        }
    }
    const GpuAllocation freed = buffers[10].memory;
    DestroyGpuBuffer(device_->Device(), memory, buffers[10]);
    GpuBuffer again =
        CreateGpuBuffer(device_->Device(), memory, 4096, VK_BUFFER_USAGE_VERTEX_BUFFER_BIT, true);
    EXPECT_EQ(again.memory.memory, freed.memory);
    EXPECT_LE(again.memory.offset, freed.offset);
    buffers.push_back(again);
    for (GpuBuffer& buffer : buffers) {
        DestroyGpuBuffer(device_->Device(), memory, buffer);
    }
    EXPECT_EQ(memory.BlockCount(), blocksBefore);
}

TEST_F(GpuMemoryTest, LargeResourceGetsABlockOfItsOwnThatGoesBackWhenFreed) {
    CGpuMemory& memory = device_->Memory();
    const VkDeviceSize reserved = memory.ReservedBytes();
    GpuBuffer big = CreateGpuBuffer(device_->Device(), memory, CGpuMemory::kBlockSize + 4096,
                                    VK_BUFFER_USAGE_STORAGE_BUFFER_BIT, false);
    ASSERT_TRUE(big);
    EXPECT_GE(memory.ReservedBytes(), reserved + CGpuMemory::kBlockSize + 4096);
    DestroyGpuBuffer(device_->Device(), memory, big);
    EXPECT_EQ(memory.ReservedBytes(), reserved);
}

} // namespace
} // namespace quorvane
