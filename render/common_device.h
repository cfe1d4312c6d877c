#pragma once

#include "render/camera.h"
#include "render/copy_merger.h"
#include "render/descriptor_cache.h"
#include "render/gpu_memory.h"
#include "render/gpu_pass_timer.h"
#include "render/gpu_resources.h"
#include "render/overlay_2d.h"
#include "render/pipeline_id.h"
#include "render/pipeline_set.h"
#include "render/present_surface.h"
#include "render/swapchain.h"
#include "render/uniform_ring.h"
#include "render/upload_command_pool.h"
#include "render/vulkan_instance.h"

#include <array>
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>
#include <vulkan/vulkan.h>

namespace quorvane {

static_assert(kUniformBlockBytes[0] == FrameConstantsBlock::kBytes);

// "shader" in the working directory, or else beside the executable.
std::filesystem::path DefaultShaderDirectory();

// The GPU device wrapper of one 3D view: device, queue, frame command buffer,
// upload pool, off-screen targets, descriptor slots, frame constants, the
// full-screen quad and the composition into a window or an off-screen image.
class CCommonDevice {
public:
    static constexpr uint32_t kWidth = 1920;
    static constexpr uint32_t kHeight = 1080;
    static constexpr uint32_t kShadowSize = 2048;
    static constexpr uint32_t kShadowSlices = 3;
    static constexpr VkDeviceSize kFrameBufferBytes = 2560;
    static constexpr VkFormat kColorFormat = VK_FORMAT_R8G8B8A8_UNORM;
    static constexpr VkFormat kDepthFormat = VK_FORMAT_D32_SFLOAT;

    struct Options {
        bool validation = CVulkanInstance::ValidationWanted();
        std::vector<std::string> instanceExtensions;
        std::filesystem::path shaderDirectory = DefaultShaderDirectory();
    };

    CCommonDevice();
    explicit CCommonDevice(Options options);
    virtual ~CCommonDevice();
    CCommonDevice(const CCommonDevice&) = delete;
    CCommonDevice& operator=(const CCommonDevice&) = delete;

    // Set-up with a window surface, or headless when surface is null. False,
    // with the reason on stderr and nothing left created, when any step fails.
    bool CreateDeviceObjects(IPresentSurface* surface);
    // Then the pipeline layout, the shaders and the pipelines. False when the
    // layout could not be made: the device cannot draw. A pipeline whose
    // shader file is missing is named on stderr and not made.
    bool CreatePipelineObjects();

    // --- frame, render thread only ---
    // Starts the frame command buffer; in a window acquires the next image.
    // False: nothing to draw into this turn (minimised, swapchain re-created,
    // device lost). A frame left unfinished by the turn before is dropped.
    bool BeginFrame();
    // Scene into the off-screen target (the callback may open passes), then
    // the full-screen quad with the composition pipeline into the output image.
    void ComposeFrame(const std::function<void(CCommonDevice&)>& drawScene);
    // Records the overlay, ends the frame buffer and submits it together with
    // the extra (upload) buffers, then presents. False when the frame was lost.
    bool EndFrame(std::span<const VkCommandBuffer> extraCommandBuffers = {});
    // Waits until the last submission finished (or the device was lost).
    void WaitForGpu();
    // Runs the release list (after WaitForGpu) and frees dropped descriptor sets.
    void ReleaseFinishedObjects();
    // Queues a release to run after the GPU finished the current frame; any thread.
    void DeferRelease(std::function<void()> release);

    // Scene passes: the main pass into sceneColor + depth, or the shadow pass
    // into the three-slice shadow map (no colour target).
    void BeginScenePass(bool clearColor, bool clearDepth);
    void BeginShadowPass();
    void EndPass();

    // Draw state: the pipeline, the uniform blocks (copied into the frame's
    // ring) and the texture sets (descriptor slots from firstSlot on).
    bool SetPipeline(PipelineId pipeline);
    bool SetUniformBlock(UniformBlock block, const void* data, size_t bytes);
    bool BindTextureSet(TextureSet set, uint32_t firstSlot);
    void SetVertexBuffer(uint32_t binding, VkBuffer buffer, VkDeviceSize offset = 0);
    // The full-screen quad (four QuadVertex, a triangle strip) on stream 0.
    void BindFullScreenQuad() { SetVertexBuffer(0, quadBuffer_.buffer); }
    // Skipped when no usable pipeline is set.
    bool Draw(uint32_t vertexCount, uint32_t instanceCount = 1, uint32_t firstVertex = 0,
              uint32_t firstInstance = 0);
    // Writes the current frame constants into the frame buffer and the frame uniform block.
    void CommitFrameConstants();
    // A copy of a still model for the current pipeline, merged with the
    // copies of the same model drawn just before it into one instanced draw
    // (CCopyMerger). False when it cannot merge: draw it on its own then.
    bool MergeCopy(CDrawModel& model);
    // Room for bytes in the frame's ring, which vertex stream bindings may
    // read (FrameBytesBuffer at offset); false when the frame's ring is full.
    bool AllocateFrameBytes(size_t bytes, VkDeviceSize& offset, void*& mapped);
    VkBuffer FrameBytesBuffer() const { return uniforms_.Buffer(); }

    COverlay2D& Overlay() { return overlay_; }
    // GPU time: the view marks where its passes start (the device marks
    // "scene" at the start, then "composition", "overlay" and the end); the
    // times of the last finished frame, in order, empty without timestamps.
    void MarkPass(std::string_view name);
    const std::vector<PassTime>& LastPassTimes() const { return passTimer_.LastFrame(); }
    // Headless: copy the composed image to memory during the next EndFrame.
    void RequestReadback() { readbackRequested_ = true; }
    // RGBA, Width() x Height(), top row first; valid after WaitForGpu. False
    // when no finished frame holds one, and always once the device is lost.
    bool TakeReadback(std::vector<uint8_t>& rgba);

    // The size of the scene and output targets in pixels. A window's follow
    // its swapchain, so a view shades the pixels it shows; headless targets
    // keep 1920 x 1080 until SetRenderSize asks for another size, which the
    // next BeginFrame applies (before creation: the size they are made at).
    // Sides past the device's image limit are cut to it.
    void SetRenderSize(uint32_t width, uint32_t height);
    // Render thread, between frames: the targets take the view's size now,
    // so that the camera set up before BeginFrame already has it. A size the
    // memory refused is not tried again until the view's size changes.
    void FollowViewSize();
    uint32_t Width() const { return renderSize_.width; }
    uint32_t Height() const { return renderSize_.height; }

    // --- loss, any thread ---
    // True once the device is lost (VK_ERROR_DEVICE_LOST from any call) or a
    // frame could not be recorded, submitted, presented or waited for: from
    // then on nothing is drawn, and the device only waits to be destroyed.
    bool DeviceLost() const { return lost_.load(std::memory_order_acquire); }
    // What failed, for the user ("submitting the frame failed: VK_ERROR_DEVICE_LOST");
    // empty while the device is not lost.
    std::string DeviceLostReason() const;
    // Records the loss and names it on stderr; the first reason is kept.
    void MarkDeviceLost(const std::string& reason);
    // The result of a call that can report a lost device (a queue submit or
    // wait, a fence wait, an acquire or a present), as this device sees it:
    // VK_ERROR_DEVICE_LOST is recorded as the loss of the device.
    VkResult CheckDeviceResult(VkResult result, std::string_view what);
    // Test seam: the next result CheckDeviceResult sees becomes VK_ERROR_DEVICE_LOST,
    // whatever the driver said.
    void TreatNextResultAsDeviceLost() { forceDeviceLost_.store(true, std::memory_order_release); }
    // Render thread: waits until the device is idle; false, the device marked lost, when it cannot.
    bool WaitForDeviceIdle(std::string_view why);

    // --- state ---
    bool IsHeadless() const { return surface_ == nullptr; }
    bool IsReady() const { return device_ != VK_NULL_HANDLE; }
    bool ValidationActive() const { return instance_ && instance_->HasValidation(); }
    const std::string& DeviceName() const { return deviceName_; }
    VkDevice Device() const { return device_; }
    VkPhysicalDevice PhysicalDevice() const { return physical_; }
    VkQueue Queue() const { return queue_; }
    uint32_t QueueFamily() const { return queueFamily_; }
    VkCommandBuffer FrameCommandBuffer() const { return frameCommands_; }
    CGpuMemory& Memory() { return *memory_; }
    CDescriptorCache& Descriptors() { return *descriptors_; }
    CUploadCommandPool& UploadPool() { return *uploadPool_; }
    FrameConstantsBlock& FrameConstants() { return frameConstants_; }
    void* FrameMapped() const { return frameMapped_; }
    VkPipeline Pipeline(PipelineId pipeline) const;
    VkPipelineLayout Layout() const { return pipelineSet_ ? pipelineSet_->Layout() : VK_NULL_HANDLE; }
    VkShaderModule Shader(const std::string& name) const;
    int CreatedPipelineCount() const { return pipelineSet_ ? pipelineSet_->CreatedCount() : 0; }
    // Shader files that could not be read.
    const std::vector<std::string>& MissingShaderFiles() const;

    // Budget of the device-local heaps in bytes, 0 when the driver cannot tell
    // (no VK_EXT_memory_budget); then loaders take the host-visible path.
    VkDeviceSize VideoMemoryBudget() const;
    VkDeviceSize VideoMemoryUsage() const;
    // The texture sampler's anisotropy: 16 where the GPU filters so, 1 on a
    // rasteriser on the CPU, where it would cost most of the terrain's time.
    float MaxAnisotropy() const { return maxAnisotropy_; }

    bool uma = false;
    float videoMemoryLimit = 90.0f;
    // Descriptor slots of the device's own images and buffer.
    uint32_t frameBufferSlot = 0;
    uint32_t shadowMapSlot = 0;
    uint32_t sceneColorSlot = 0;

private:
    enum class Pass { None, Scene, Shadow, Output };

    // Set-up (common_device.cpp, common_device_create.cpp, common_device_targets.cpp).
    bool ChoosePhysicalDevice();
    bool CreateLogicalDevice();
    void QueryLimits();
    bool CreateFrameObjects();
    bool CreateHelpers();
    bool CreateTargets();
    // The targets whose size follows the view: colour, depth and, headless,
    // the output image and its read-back buffer.
    bool CreateSizedTargets();
    void DestroySizedTargets();
    // Between frames, with the last one finished: the sized targets again at size.
    bool ResizeTargets(VkExtent2D size);
    // The view's size (the surface's, or the one asked for headless), cut to the image limit.
    VkExtent2D WantedSize() const;
    bool InitialiseImages();
    // Frame start and end (common_device_frame.cpp).
    bool StartFrameCommands();
    void DropAbandonedFrame();
    bool SubmitFrame(std::span<const VkCommandBuffer> extraCommandBuffers);
    // Frame and draw state (common_device_frame.cpp, common_device_draw.cpp).
    void BindPendingState();
    // Every recording call first records the merged copies waiting.
    void FlushCopies() {
        if (copies_.Waiting()) {
            copies_.Flush(*this);
        }
    }
    void RecordOverlay(VkImageView target, VkExtent2D extent, VkFormat format);
    void MarkAllStateDirty();
    // Headless read-back (common_device_readback.cpp).
    void RecordReadbackCopy();
    // Teardown (common_device.cpp).
    void DestroyAll();

    // Device and its limits.
    std::shared_ptr<CVulkanInstance> instance_;
    IPresentSurface* surface_ = nullptr;
    VkPhysicalDevice physical_ = VK_NULL_HANDLE;
    VkDevice device_ = VK_NULL_HANDLE;
    VkQueue queue_ = VK_NULL_HANDLE;
    uint32_t queueFamily_ = 0;
    std::string deviceName_;
    bool hasMemoryBudget_ = false;
    VkDeviceSize uniformAlignment_ = 256;
    VkDeviceSize uniformRange_ = 65536;

    Options options_;
    bool hasShaderOutputLayer_ = false;
    float maxAnisotropy_ = 1.0f;
    bool softwareDevice_ = false;  // a rasteriser on the CPU (lavapipe)
    uint32_t maxImageSide_ = 4096; // the least every device allows
    std::unique_ptr<CGpuMemory> memory_;
    std::unique_ptr<CPipelineSet> pipelineSet_;
    std::unique_ptr<CDescriptorCache> descriptors_;
    std::unique_ptr<CUploadCommandPool> uploadPool_;

    CGpuPassTimer passTimer_;
    // Frame command buffer and its fence.
    VkCommandPool framePool_ = VK_NULL_HANDLE;
    VkCommandBuffer frameCommands_ = VK_NULL_HANDLE;
    VkFence frameFence_ = VK_NULL_HANDLE;
    bool submitted_ = false; // the fence will signal: waited for before anything is reused
    bool recording_ = false;
    // Layouts of the frame's targets when recording began: a frame dropped
    // unfinished never ran its transitions.
    std::array<VkImageLayout, 4> layoutsAtFrameStart_{};

    // Loss of the device.
    std::atomic<bool> lost_{false};
    std::atomic<bool> forceDeviceLost_{false};
    mutable std::mutex lostMutex_;
    std::string lostReason_;

    // Off-screen targets and read-back.
    GpuImage sceneColor_;
    GpuImage depthBuffer_;
    GpuImage shadowMap_;
    GpuImage defaultTexture_;
    VkImageView defaultArrayView_ = VK_NULL_HANDLE;
    VkImageView shadowSampledView_ = VK_NULL_HANDLE;
    GpuImage outputImage_; // headless composition target
    GpuBuffer readbackBuffer_;
    bool readbackRequested_ = false;
    bool readbackRecorded_ = false;
    bool readbackReady_ = false;
    VkExtent2D renderSize_{kWidth, kHeight};
    VkExtent2D requestedSize_{kWidth, kHeight};
    VkExtent2D refusedSize_{}; // not tried again until the view changes size

    // Frame constants, the full-screen quad and the uniform ring.
    GpuBuffer frameBuffer_;
    void* frameMapped_ = nullptr;
    FrameConstantsBlock frameConstants_;
    GpuBuffer quadBuffer_;
    CUniformRing uniforms_;

    // Draw state of the frame being recorded.
    Pass pass_ = Pass::None;
    bool scenePassDone_ = false;
    bool pipelineUsable_ = false;
    PipelineId pipeline_ = PipelineId::Model; // the last one set
    CCopyMerger copies_;
    std::array<VkDescriptorSet, kTextureSetCount> boundTextureSets_{};
    // The texture sets (bit t for set t + 1) the next draw must bind again. A
    // pipeline of the same layout keeps them; the uniform ring tracks set 0.
    uint32_t textureSetsDirty_ = ~0u;

    // Release list; loader threads queue releases too.
    std::mutex releaseMutex_;
    std::vector<std::function<void()>> releaseList_;

    // 2D overlay drawn over the composed image.
    COverlay2D overlay_;

    // Window output.
    std::unique_ptr<CSwapchain> swapchain_; // null when headless
    VkSemaphore imageAcquired_ = VK_NULL_HANDLE;
    struct OutputTarget {
        VkImageView view = VK_NULL_HANDLE;
        VkExtent2D extent{};
        VkFormat format = VK_FORMAT_UNDEFINED;
    } outputTarget_;
};

// The camera into the device's frame constants and its frame buffer.
void UpdateCameraAndFrameConstants(CCamera& camera, CCommonDevice& device);

} // namespace quorvane
