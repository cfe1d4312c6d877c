#pragma once

#include "render/common_device.h"
#include "render/vulkan_instance.h"

#include <gtest/gtest.h>
#include <memory>

namespace quorvane::test {

// A headless device with its pipelines; validation errors fail the test.
class HeadlessDeviceTest : public ::testing::Test {
public:
    static std::unique_ptr<CCommonDevice> MakeDevice(const std::filesystem::path& shaders) {
        CCommonDevice::Options options;
        options.shaderDirectory = shaders;
        auto device = std::make_unique<CCommonDevice>(options);
        if (!device->CreateDeviceObjects(nullptr) || !device->CreatePipelineObjects()) {
            return nullptr;
        }
        return device;
    }

protected:
    void SetUp() override {
        errorsBefore_ = CVulkanInstance::ValidationErrorCount();
        device_ = MakeDevice(QUORVANE_SHADER_DIR);
        ASSERT_TRUE(device_) << "no Vulkan device";
    }
    void TearDown() override {
        device_.reset();
        EXPECT_EQ(CVulkanInstance::ValidationErrorCount(), errorsBefore_) << "Vulkan validation errors";
    }

    // One frame; the scene callback may draw. Returns the read-back image.
    std::vector<uint8_t> RenderFrame(CCommonDevice& device,
                                     const std::function<void(CCommonDevice&)>& scene = nullptr,
                                     const std::function<void(COverlay2D&)>& overlay = nullptr) {
        std::vector<uint8_t> pixels;
        EXPECT_TRUE(device.BeginFrame());
        device.ComposeFrame(scene);
        if (overlay) {
            overlay(device.Overlay());
        }
        device.RequestReadback();
        EXPECT_TRUE(device.EndFrame());
        device.WaitForGpu();
        device.ReleaseFinishedObjects();
        EXPECT_TRUE(device.TakeReadback(pixels));
        return pixels;
    }

    // View identity, the given projection, light head-on; opens the scene pass.
    static void BeginLitScene(CCommonDevice& device, const Matrix4& projection = Identity()) {
        FrameConstantsBlock& frame = device.FrameConstants();
        frame.SetMatrix(frame_offset::kView, Identity());
        frame.SetMatrix(frame_offset::kProjection, projection);
        frame.SetVec4(frame_offset::kLightPositions, {0, 0, -1, 0});
        frame.SetVec4(frame_offset::kLightColors, {1, 1, 1, 1});
        device.CommitFrameConstants();
        device.BeginScenePass(true, true);
    }

    static std::array<uint8_t, 4> Pixel(const std::vector<uint8_t>& rgba, int x, int y,
                                        uint32_t width = CCommonDevice::kWidth) {
        const size_t at = (static_cast<size_t>(y) * width + static_cast<size_t>(x)) * 4;
        return {rgba[at], rgba[at + 1], rgba[at + 2], rgba[at + 3]};
    }

    // Pixels whose colour differs between two read-back images of one size.
    static size_t ChangedPixels(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
        EXPECT_EQ(a.size(), b.size());
        size_t changed = 0;
        for (size_t i = 0; i + 3 < a.size() && i + 3 < b.size(); i += 4) {
            changed += (a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2]) ? 1 : 0;
        }
        return changed;
    }

    // Upload slots no loader holds.
    int FreeSlots() const {
        int free = 0;
        for (uint32_t i = 0; i < CUploadCommandPool::kEntryCount; ++i) {
            free += device_->UploadPool().InUse(i) ? 0 : 1;
        }
        return free;
    }

    std::unique_ptr<CCommonDevice> device_;
    int errorsBefore_ = 0;
};

} // namespace quorvane::test
