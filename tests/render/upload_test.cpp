#include "device_fixture.h"
#include "render/gpu_resources.h"

#include <atomic>
#include <cstring>
#include <thread>

namespace quorvane {
namespace {

using UploadTest = test::HeadlessDeviceTest;

TEST_F(UploadTest, UploadListRidesAlongWithTheFrame) {
    CUploadCommandPool& pool = device_->UploadPool();
    GpuBuffer source =
        CreateGpuBuffer(device_->Device(), device_->Memory(), 256, VK_BUFFER_USAGE_TRANSFER_SRC_BIT, true);
    GpuBuffer target =
        CreateGpuBuffer(device_->Device(), device_->Memory(), 256, VK_BUFFER_USAGE_TRANSFER_DST_BIT, true);
    ASSERT_TRUE(source && target);
    std::memset(source.Mapped(), 0x5a, 256);
    std::memset(target.Mapped(), 0, 256);

    // A loader thread records into its entry; it never touches the queue.
    std::optional<uint32_t> entry;
    std::thread loader([&] {
        entry = pool.TryAcquire();
        if (!entry) {
            return;
        }
        VkCommandBuffer commands = pool.Buffer(*entry);
        VkCommandBufferBeginInfo begin{};
        begin.sType = VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO;
        begin.flags = VK_COMMAND_BUFFER_USAGE_ONE_TIME_SUBMIT_BIT;
        vkBeginCommandBuffer(commands, &begin);
        const VkBufferCopy region{0, 0, 256};
        vkCmdCopyBuffer(commands, source.buffer, target.buffer, 1, &region);
        vkEndCommandBuffer(commands);
    });
    loader.join();
    ASSERT_TRUE(entry);

    ASSERT_TRUE(device_->BeginFrame());
    device_->ComposeFrame(nullptr);
    const VkCommandBuffer uploads[] = {pool.Buffer(*entry)};
    ASSERT_TRUE(device_->EndFrame(uploads));
    device_->WaitForGpu();
    pool.Release(*entry);
    EXPECT_EQ(static_cast<const uint8_t*>(target.Mapped())[255], 0x5a);
    DestroyGpuBuffer(device_->Device(), device_->Memory(), source);
    DestroyGpuBuffer(device_->Device(), device_->Memory(), target);
}

TEST_F(UploadTest, TwoViewsShareTheInstanceAndRenderIndependently) {
    auto second = MakeDevice(QUORVANE_SHADER_DIR);
    ASSERT_TRUE(second);
    const auto first = RenderFrame(*device_, nullptr, [](COverlay2D& o) {
        o.FillRect(0, 0, 100, 100, {0, 1, 0, 1});
    });
    const auto other = RenderFrame(*second);
    EXPECT_EQ(Pixel(first, 50, 50), (std::array<uint8_t, 4>{0, 255, 0, 255}));
    EXPECT_EQ(Pixel(other, 50, 50)[1], 204);
}

TEST_F(UploadTest, ReleasesQueuedFromAnyThreadRunAfterTheFrame) {
    std::atomic<int> released{0};
    ASSERT_TRUE(device_->BeginFrame());
    std::thread loader([&] { device_->DeferRelease([&] { released.fetch_add(1); }); });
    loader.join();
    device_->DeferRelease([&] { released.fetch_add(1); });
    ASSERT_TRUE(device_->EndFrame());
    device_->WaitForGpu();
    EXPECT_EQ(released.load(), 0);
    device_->ReleaseFinishedObjects();
    EXPECT_EQ(released.load(), 2);
    device_->ReleaseFinishedObjects();
    EXPECT_EQ(released.load(), 2);
}

} // namespace
} // namespace quorvane
