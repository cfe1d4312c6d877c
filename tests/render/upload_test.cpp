#include "device_fixture.h"
#include "render/gpu_resources.h"

#include <atomic>
#include <thread>

namespace quorvane {
namespace {

using UploadTest = test::HeadlessDeviceTest;

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
