#include "device_fixture.h"
#include "platform/thread_priority.h"
#include "render/disp_window.h"
#include "render/texture_loader.h"
#include "tests/file_faults.h"
#include "tests/work_failures.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace quorvane {
namespace {

using test::HeadlessDeviceTest;

TEST_F(HeadlessDeviceTest, CreatesTheDeviceSlotsPipelinesAndLimits) {
    EXPECT_FALSE(device_->DeviceName().empty());
    EXPECT_TRUE(device_->IsHeadless());
    if (CVulkanInstance::ValidationWanted() &&
        std::filesystem::exists("/usr/share/vulkan/explicit_layer.d/VkLayer_khronos_validation.json")) {
        EXPECT_TRUE(device_->ValidationActive());
    }
    // Frame constants, shadow map and scene colour take the first three slots.
    EXPECT_EQ((std::array{device_->frameBufferSlot, device_->shadowMapSlot, device_->sceneColorSlot}),
              (std::array<uint32_t, 3>{0, 1, 2}));
    EXPECT_EQ(device_->Descriptors().Tag(3), 0u);
    EXPECT_EQ(device_->CreatedPipelineCount(), kPipelineCount);
    EXPECT_TRUE(device_->MissingShaderFiles().empty());
    // Without VK_EXT_memory_budget the budget reads 0, and the CPU device is unified.
    const VkDeviceSize budget = device_->VideoMemoryBudget();
    EXPECT_TRUE(budget == 0 || budget >= device_->VideoMemoryUsage());
    VkPhysicalDeviceProperties properties{};
    vkGetPhysicalDeviceProperties(device_->PhysicalDevice(), &properties);
    const bool gpu = properties.deviceType != VK_PHYSICAL_DEVICE_TYPE_CPU;
    EXPECT_TRUE(gpu || device_->uma);
    // Anisotropic filtering where a GPU does it, none on a rasteriser on the CPU.
    VkPhysicalDeviceFeatures features{};
    vkGetPhysicalDeviceFeatures(device_->PhysicalDevice(), &features);
    EXPECT_EQ(device_->MaxAnisotropy() > 1.0f, gpu && features.samplerAnisotropy == VK_TRUE);
    EXPECT_LE(device_->MaxAnisotropy(), std::max(1.0f, properties.limits.maxSamplerAnisotropy));
}

// GPU time by pass: the device's marks frame the view's, in order, and the
// times add up to no more than the frame took on the wall clock.
TEST_F(HeadlessDeviceTest, PassTimesNameEachMarkedPassOfTheLastFrame) {
    const auto start = std::chrono::steady_clock::now();
    RenderFrame(*device_, [](CCommonDevice& device) {
        device.MarkPass("clear");
        device.BeginScenePass(true, true);
        device.MarkPass("again");
        device.BeginScenePass(true, true);
    });
    const double wallMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    double total = 0;
    const auto names = [&] {
        std::vector<std::string> names;
        for (const PassTime& pass : device_->LastPassTimes()) {
            names.push_back(pass.name);
            EXPECT_GE(pass.milliseconds, 0.0) << pass.name;
            total += pass.milliseconds;
        }
        return names;
    };
    EXPECT_EQ(names(), (std::vector<std::string>{"scene", "clear", "again", "composition", "overlay"}));
    EXPECT_LE(total, wallMs);

    // The marks of a frame dropped unfinished do not reach the next.
    ASSERT_TRUE(device_->BeginFrame());
    device_->MarkPass("dropped");
    RenderFrame(*device_);
    EXPECT_EQ(names(), (std::vector<std::string>{"scene", "composition", "overlay"}));
}

// A view's own sizes: one pixel, odd, portrait, larger than the default and
// back, twice. Every pixel is the background (the scene pass covers the whole
// target) but the far corner, which the overlay fills in the image's pixels.
TEST_F(HeadlessDeviceTest, TargetsTakeTheAskedSizeFromTheNextFrame) {
    const std::array<uint8_t, 4> background{204, 204, 204, 255}; // 0.8 of 255, opaque
    const std::array<uint8_t, 4> red{255, 0, 0, 255};
    const std::array<uint32_t, 2> sizes[] = {{1, 1},       {333, 77},    {260, 701},
                                             {2561, 1440}, {1920, 1080}, {1920, 1080}};
    for (const auto [width, height] : sizes) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        device_->SetRenderSize(width, height);
        const auto w = static_cast<float>(width);
        const auto h = static_cast<float>(height);
        const auto pixels = RenderFrame(*device_, nullptr, [&](COverlay2D& overlay) {
            EXPECT_EQ(overlay.ImageWidth(), w);
            EXPECT_EQ(overlay.ImageHeight(), h);
            overlay.FillRect(w - 1, h - 1, w, h, {1, 0, 0, 1});
        });
        EXPECT_EQ(device_->Width(), width);
        EXPECT_EQ(device_->Height(), height);
        ASSERT_EQ(pixels.size(), size_t{width} * height * 4);
        size_t wrong = 0;
        for (size_t i = 0; i < pixels.size(); i += 4) {
            const auto& expected = i + 4 == pixels.size() ? red : background;
            wrong += std::equal(expected.begin(), expected.end(), pixels.begin() + i) ? 0 : 1;
        }
        EXPECT_EQ(wrong, 0u);
    }
    VkPhysicalDeviceProperties properties{};
    vkGetPhysicalDeviceProperties(device_->PhysicalDevice(), &properties);
    device_->SetRenderSize(100000, 50);
    const auto wide = RenderFrame(*device_);
    EXPECT_EQ(device_->Width(), properties.limits.maxImageDimension2D) << "cut to the device's limit";
    EXPECT_EQ(wide.size(), size_t{device_->Width()} * 50 * 4);
}

// Shadow pipelines are refused in the main pass and the others in the shadow
// pass; nothing is drawn without a pipeline. What a pipeline draws reaches the
// output in the model drawing tests.
TEST_F(HeadlessDeviceTest, PipelinesAreRefusedOutsideTheirPass) {
    RenderFrame(*device_, [&](CCommonDevice& device) {
        device.BeginShadowPass();
        EXPECT_TRUE(device.SetPipeline(PipelineId::ModelShadow));
        EXPECT_FALSE(device.SetPipeline(PipelineId::Model));
        device.EndPass();
        BeginLitScene(device);
        EXPECT_FALSE(device.SetPipeline(PipelineId::ModelShadow));
        EXPECT_FALSE(device.Draw(3));
        EXPECT_TRUE(device.SetPipeline(PipelineId::UntexturedModel));
    });
}

TEST_F(HeadlessDeviceTest, TablesAreCachedUntilASlotInTheirRangeChanges) {
    CDescriptorCache& slots = device_->Descriptors();
    ASSERT_TRUE(device_->BeginFrame());
    uint32_t first = 0;
    ASSERT_TRUE(slots.AllocateRange(first, 9));
    const size_t before = slots.CachedSetCount();
    EXPECT_TRUE(device_->BindTextureSet(TextureSet::Terrain, first));
    EXPECT_EQ(slots.CachedSetCount(), before + 1);
    EXPECT_TRUE(device_->BindTextureSet(TextureSet::Terrain, first));
    EXPECT_EQ(slots.CachedSetCount(), before + 1);
    // The scene colour view in the range drops the cached table.
    ASSERT_TRUE(slots.SetView(first + 3, slots.View(device_->sceneColorSlot)));
    EXPECT_EQ(slots.CachedSetCount(), before);
    EXPECT_TRUE(device_->BindTextureSet(TextureSet::Terrain, first));
    EXPECT_FALSE(device_->BindTextureSet(TextureSet::Terrain, CDescriptorCache::kSlotCount));
    EXPECT_TRUE(device_->EndFrame());
    device_->WaitForGpu();
    EXPECT_TRUE(slots.Release(first));
    device_->ReleaseFinishedObjects();
}

TEST_F(HeadlessDeviceTest, UniformRingRefusesWhenFullAndEmptiesEachFrame) {
    // One whole model block, the largest the model block takes.
    const std::vector<uint8_t> block(8400, 0x5A);
    const auto fill = [&] {
        int accepted = 0;
        while (accepted < 100000 &&
               device_->SetUniformBlock(UniformBlock::Model, block.data(), block.size())) {
            ++accepted;
        }
        return accepted;
    };
    EXPECT_FALSE(device_->SetUniformBlock(UniformBlock::Model, block.data(), 16)); // no frame recording
    ASSERT_TRUE(device_->BeginFrame());
    EXPECT_FALSE(
        device_->SetUniformBlock(UniformBlock::Model, block.data(), block.size() + 1)); // past one binding
    EXPECT_FALSE(device_->SetUniformBlock(UniformBlock::Model, nullptr, 16));
    testing::internal::CaptureStderr();
    const int firstFrame = fill();
    EXPECT_FALSE(device_->SetUniformBlock(UniformBlock::ColliderShapes, block.data(),
                                          16)); // full for small blocks too
    EXPECT_NE(testing::internal::GetCapturedStderr().find("uniform ring is full"), std::string::npos);
    EXPECT_GT(firstFrame, 1);
    EXPECT_LT(firstFrame, 100000);
    testing::internal::CaptureStderr();
    EXPECT_TRUE(device_->EndFrame()); // the frame constants no longer fit; the frame still composes
    device_->WaitForGpu();
    EXPECT_TRUE(device_->BeginFrame());
    EXPECT_EQ(fill(), firstFrame);
    EXPECT_TRUE(device_->EndFrame());
    testing::internal::GetCapturedStderr();
    device_->WaitForGpu();
}

// Each case, with a frame and its read-back begun, runs a step whose result
// the device is told to take as VK_ERROR_DEVICE_LOST.
struct DeviceLossCase {
    const char* name;
    void (*lose)(CCommonDevice& device);
    const char* reason;
};

const DeviceLossCase kDeviceLossCases[] = {
    {"FenceWait",
     [](CCommonDevice& device) {
         EXPECT_TRUE(device.EndFrame());
         device.TreatNextResultAsDeviceLost();
     },
     "waiting for the frame failed: VK_ERROR_DEVICE_LOST"},
    {"FrameSubmit",
     [](CCommonDevice& device) {
         device.TreatNextResultAsDeviceLost();
         EXPECT_FALSE(device.EndFrame());
     },
     "submitting the frame failed: VK_ERROR_DEVICE_LOST"},
    {"OneOffSubmit",
     [](CCommonDevice& device) {
         EXPECT_TRUE(device.EndFrame());
         device.TreatNextResultAsDeviceLost();
         EXPECT_FALSE(SubmitImmediately(device, [](VkCommandBuffer) {}));
     },
     "submitting one-off commands failed: VK_ERROR_DEVICE_LOST"},
};

class DeviceLossTest : public HeadlessDeviceTest, public ::testing::WithParamInterface<DeviceLossCase> {};

TEST_P(DeviceLossTest, ReadbackFailsAndNothingIsDrawnAfterALostDevice) {
    std::vector<uint8_t> pixels = RenderFrame(*device_);
    ASSERT_FALSE(pixels.empty()); // read-back works before the loss
    EXPECT_FALSE(device_->DeviceLost());
    EXPECT_EQ(device_->DeviceLostReason(), "");

    ASSERT_TRUE(device_->BeginFrame());
    device_->ComposeFrame(nullptr);
    device_->RequestReadback();
    testing::internal::CaptureStderr();
    GetParam().lose(*device_);
    device_->WaitForGpu();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(device_->DeviceLost());
    EXPECT_EQ(device_->DeviceLostReason(), GetParam().reason);
    EXPECT_NE(said.find(GetParam().reason), std::string::npos) << said;
    pixels.clear();
    EXPECT_FALSE(device_->TakeReadback(pixels));
    EXPECT_TRUE(pixels.empty());

    // No frame begins again; a later failure does not replace the first reason.
    EXPECT_FALSE(device_->BeginFrame());
    EXPECT_FALSE(device_->EndFrame());
    device_->MarkDeviceLost("a later failure");
    EXPECT_EQ(device_->DeviceLostReason(), GetParam().reason);
    device_->RequestReadback();
    device_->WaitForGpu();
    EXPECT_FALSE(device_->TakeReadback(pixels));
    device_->ReleaseFinishedObjects();
}

INSTANTIATE_TEST_SUITE_P(AtEachStep, DeviceLossTest, ::testing::ValuesIn(kDeviceLossCases),
                         [](const auto& info) { return std::string(info.param.name); });

// A shader file that is missing, cut short, a folder or unreadable is named;
// the pipelines needing it are skipped and frames still compose.
TEST(ShaderFiles, PipelinesNeedingABadFileAreSkippedAndTheFileIsNamedOnce) {
    ASSERT_TRUE(test::OpensButCannotBeRead(test::kUnreadableFile));
    const int errorsBefore = CVulkanInstance::ValidationErrorCount();
    for (const bool unreadable : {false, true}) {
        SCOPED_TRACE(unreadable);
        const test::CScratchDirectory shaders("quorvane_shader_faults");
        for (const auto& entry : std::filesystem::directory_iterator(QUORVANE_SHADER_DIR)) {
            const auto name = entry.path().filename();
            if (name != "vs1.spv" && name != "fs4.spv") {
                std::filesystem::copy_file(entry.path(), shaders / name);
            }
        }
        // vs1 (used by four pipelines) and fs4 (one more): missing and cut short, or a folder and unreadable.
        if (unreadable) {
            shaders.DirectoryNamed("vs1.spv");
            shaders.UnreadableNamed("fs4.spv");
        } else {
            std::ofstream(shaders / "fs4.spv", std::ios::binary) << "junk";
        }
        const auto device = test::HeadlessDeviceTest::MakeDevice(shaders.Path());
        ASSERT_TRUE(device);
        const std::vector<std::string> named = {(shaders / "vs1.spv").string(),
                                                (shaders / "fs4.spv").string()};
        EXPECT_EQ(device->MissingShaderFiles(), named);
        for (PipelineId id : {PipelineId::Model, PipelineId::UntexturedModel, PipelineId::PickMarker,
                              PipelineId::SelectedModel, PipelineId::Terrain}) {
            EXPECT_EQ(device->Pipeline(id), VK_NULL_HANDLE) << static_cast<int>(id);
        }
        EXPECT_NE(device->Pipeline(PipelineId::Compose), VK_NULL_HANDLE);
        EXPECT_EQ(device->CreatedPipelineCount(), kPipelineCount - 5);
        // Drawing with a missing pipeline is skipped; the frame still composes.
        ASSERT_TRUE(device->BeginFrame());
        device->ComposeFrame([](CCommonDevice& d) {
            d.BeginScenePass(true, true);
            EXPECT_FALSE(d.SetPipeline(PipelineId::Model));
            EXPECT_FALSE(d.Draw(3));
        });
        EXPECT_TRUE(device->EndFrame());
        device->WaitForGpu();
    }
    EXPECT_EQ(CVulkanInstance::ValidationErrorCount(), errorsBefore);
}

int ThreadNice(long thread = syscall(SYS_gettid)) {
    return getpriority(PRIO_PROCESS, static_cast<id_t>(thread));
}

// Counts every per-frame operation; the update and the scene may be told to throw.
class CountingView : public CDispWindow {
public:
    ~CountingView() override { StopRenderThread(); }

    std::atomic<int> updates{0}, overlays{0}, afterFrames{0}, frameUpdates{0}, scenes{0},
        uploadCollections{0}, frameThreadNice{0};
    std::atomic<bool> updateThrows{false}, sceneThrowsOnce{false};

protected:
    void UpdateWithTime(int, int) override {
        ++updates;
        frameThreadNice.store(ThreadNice());
    }
    void DrawOverlay(COverlay2D& overlay) override {
        ++overlays;
        overlay.FillCircle(960, 540, 10, {0, 1, 0, 1});
    }
    void AfterFrame() override { ++afterFrames; }
    void FrameUpdate() override {
        ++frameUpdates;
        if (updateThrows.load()) {
            throw std::runtime_error("the editing update failed");
        }
    }
    // A shadow pass, then the scene: a throw in between leaves the shadow map
    // where a finished frame would not.
    void DrawScene(CCommonDevice& device) override {
        ++scenes;
        device.BeginShadowPass();
        if (sceneThrowsOnce.exchange(false)) {
            throw std::runtime_error("the scene failed");
        }
        device.EndPass();
        device.BeginScenePass(true, true);
    }
    void CollectUploadCommands(std::vector<VkCommandBuffer>&) override { ++uploadCollections; }
};

class DispWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        errorsBefore_ = CVulkanInstance::ValidationErrorCount();
        ASSERT_TRUE(CreateDevice(view_));
    }
    void TearDown() override {
        view_.ReleaseDevice();
        EXPECT_EQ(CVulkanInstance::ValidationErrorCount(), errorsBefore_) << "Vulkan validation errors";
    }
    static bool CreateDevice(CDispWindow& view) {
        return view.CreateDevice(nullptr, {.instanceExtensions = {}, .shaderDirectory = QUORVANE_SHADER_DIR});
    }

    CountingView view_;
    int errorsBefore_ = 0;
};

std::map<long, int> ThreadNiceValues() {
    std::map<long, int> nice;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        const long id = std::stol(task.path().filename().string());
        nice[id] = ThreadNice(id);
    }
    return nice;
}

// Busy frames leave the window thread its share of the cores: the frame
// loop and whatever threads the device started (a CPU rasteriser's) run
// below the thread that made the view.
TEST_F(DispWindowTest, TheFrameLoopAndTheDevicesThreadsRunBelowTheWindowThread) {
    const int windowNice = ThreadNice();
    const int lowered = std::min(windowNice + kLowerPriorityStep, 19);
    const std::map<long, int> before = ThreadNiceValues();
    CountingView second;
    ASSERT_TRUE(CreateDevice(second));
    for (const auto& [thread, nice] : ThreadNiceValues()) {
        if (!before.contains(thread)) {
            EXPECT_EQ(nice, lowered) << "thread " << thread << " started with the device";
        }
    }
    ASSERT_TRUE(second.StartRenderThread());
    ASSERT_TRUE(test::WaitUntil([&] { return second.updates.load() > 0; }));
    second.StopRenderThread();
    EXPECT_EQ(second.frameThreadNice.load(), lowered);
    EXPECT_EQ(ThreadNice(), windowNice);
}

// The model viewer's limit: its loop spaces the frames, though a small image
// would let it run hundreds a second.
TEST_F(DispWindowTest, AFrameRateLimitSpacesTheLoopsFrames) {
    view_.Device()->SetRenderSize(64, 64);
    view_.SetFrameRateLimit(10);
    ASSERT_TRUE(view_.StartRenderThread());
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    view_.StopRenderThread();
    EXPECT_GE(view_.updates.load(), 1);
    EXPECT_LE(view_.updates.load(), 12);
}

// Two views, as the field view and the model viewer: each measures its own
// frame rate. With one timer for the program the views' frames were counted
// together, and only the view whose frame crossed each second got a rate.
TEST_F(DispWindowTest, TwoViewsEachMeasureTheirOwnFrameRate) {
    CountingView second;
    ASSERT_TRUE(CreateDevice(second));
    // Turns in step, so each view runs about half the frames of the two.
    const auto start = std::chrono::steady_clock::now();
    const auto turnUntil = [&](auto done) {
        while (!done()) {
            if (!view_.RunOneFrame() || !second.RunOneFrame() ||
                std::chrono::steady_clock::now() - start > std::chrono::seconds(60)) {
                return false;
            }
        }
        return true;
    };
    ASSERT_TRUE(turnUntil([&] {
        return std::chrono::steady_clock::now() - start > std::chrono::milliseconds(1500) &&
               view_.FrameRate() > 0.0 && second.FrameRate() > 0.0;
    }));
    // The own rate over the last stretch only: on a busy machine the first
    // frames come much slower than the later ones.
    const auto from = std::chrono::steady_clock::now();
    const int before[] = {view_.updates.load(), second.updates.load()};
    ASSERT_TRUE(
        turnUntil([&] { return std::chrono::steady_clock::now() - from > std::chrono::milliseconds(1500); }));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
    for (int i = 0; i < 2; ++i) {
        const CountingView* view = i == 0 ? &view_ : &second;
        const double ownRate = (view->updates.load() - before[i]) / seconds;
        EXPECT_GT(view->FrameRate(), 0.5 * ownRate);
        EXPECT_LT(view->FrameRate(), 1.5 * ownRate) << "counts the other view's frames too";
    }
}

// Paused frames do nothing; a frame left by an exception is dropped. After a
// lost device frames still update, but nothing is drawn or submitted.
TEST_F(DispWindowTest, FramesStopWhilePausedDropOneLeftByAnExceptionAndDrawNothingAfterALoss) {
    std::vector<std::string> told;
    view_.SetDeviceFailureHandler([&told](const std::string& reason) { told.push_back(reason); });
    EXPECT_TRUE(view_.RunOneFrame());
    EXPECT_TRUE(view_.RunOneFrame());
    view_.SetPaused(true);
    EXPECT_FALSE(view_.RunOneFrame());
    EXPECT_EQ(view_.updates.load(), 2);
    EXPECT_EQ(view_.overlays.load(), 2);
    EXPECT_EQ(view_.afterFrames.load(), 2);
    view_.SetPaused(false);
    view_.sceneThrowsOnce = true;
    EXPECT_THROW(view_.RunOneFrame(), std::runtime_error);
    EXPECT_TRUE(view_.RunOneFrame());
    EXPECT_TRUE(view_.RunOneFrame());
    EXPECT_EQ(view_.FramesSubmitted(), 4u);
    EXPECT_FALSE(view_.Device()->DeviceLost());
    EXPECT_TRUE(told.empty());

    const int updates = view_.frameUpdates.load();
    const int scenes = view_.scenes.load();
    const int collections = view_.uploadCollections.load();
    view_.Device()->TreatNextResultAsDeviceLost(); // the next frame's submit reports it
    testing::internal::CaptureStderr();
    for (int turn = 0; turn < 4; ++turn) {
        EXPECT_FALSE(view_.RunOneFrame()) << turn;
    }
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(view_.frameUpdates.load(), updates + 4);
    EXPECT_EQ(view_.scenes.load(), scenes + 1);                 // the lost frame was recorded; none after it
    EXPECT_EQ(view_.uploadCollections.load(), collections + 4); // collected and dropped after the loss
    EXPECT_EQ(view_.FramesSubmitted(), 4u);
    EXPECT_EQ(told, std::vector<std::string>{"submitting the frame failed: VK_ERROR_DEVICE_LOST"});
}

// The render thread's turns: a failing turn is told once per run of failures,
// with the work name the view gave, and the loop keeps going.
TEST_F(DispWindowTest, ExceptionsInTheRenderLoopAreToldOncePerRunAndTheLoopGoesOn) {
    test::CWorkFailureCapture captured;
    ASSERT_TRUE(view_.StartRenderThread("テストビューの描画"));
    for (int run = 0; run < 2; ++run) {
        const int updatesBefore = view_.frameUpdates.load();
        view_.updateThrows = true;
        ASSERT_TRUE(test::WaitUntil([&] { return view_.frameUpdates.load() >= updatesBefore + 5; }));
        view_.updateThrows = false;
        const uint64_t framesBefore = view_.FramesSubmitted();
        ASSERT_TRUE(test::WaitUntil([&] { return view_.FramesSubmitted() >= framesBefore + 2; }));
    }
    EXPECT_TRUE(view_.RenderThread().IsRunning());
    view_.StopRenderThread();
    const std::vector<test::WorkFailure> expected(2, {"テストビューの描画", "the editing update failed"});
    EXPECT_EQ(captured.Failures(), expected);
}

} // namespace
} // namespace quorvane
