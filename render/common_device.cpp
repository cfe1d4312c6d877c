// CCommonDevice lifetime: the set-up order and the teardown of everything it owns.
#include "render/common_device.h"

#include <cstdio>
#include <cstring>

namespace quorvane {

std::filesystem::path DefaultShaderDirectory() {
    std::error_code error;
    if (std::filesystem::is_directory("shader", error)) {
        return "shader";
    }
    const auto exe = std::filesystem::canonical("/proc/self/exe", error);
    return error ? std::filesystem::path("shader") : exe.parent_path() / "shader";
}

CCommonDevice::CCommonDevice() : CCommonDevice(Options{}) {}

CCommonDevice::CCommonDevice(Options options) : options_(std::move(options)) {}

CCommonDevice::~CCommonDevice() {
    DestroyAll();
}

void CCommonDevice::DestroyAll() {
    if (device_ == VK_NULL_HANDLE) {
        return;
    }
    vkDeviceWaitIdle(device_);
    submitted_ = false;
    ReleaseFinishedObjects();
    DestroySwapchain();
    for (auto& [format, pipeline] : outputPipelines_) {
        vkDestroyPipeline(device_, pipeline, nullptr);
    }
    for (auto& [format, pipeline] : overlayPipelines_) {
        vkDestroyPipeline(device_, pipeline, nullptr);
    }
    outputPipelines_.clear();
    overlayPipelines_.clear();
    for (VkPipeline& pipeline : pipelines_) {
        if (pipeline != VK_NULL_HANDLE) {
            vkDestroyPipeline(device_, pipeline, nullptr);
            pipeline = VK_NULL_HANDLE;
        }
    }
    if (overlayPipeline_ != VK_NULL_HANDLE) {
        vkDestroyPipeline(device_, overlayPipeline_, nullptr);
    }
    if (overlayLayout_ != VK_NULL_HANDLE) {
        vkDestroyPipelineLayout(device_, overlayLayout_, nullptr);
    }
    if (pipelineLayout_ != VK_NULL_HANDLE) {
        vkDestroyPipelineLayout(device_, pipelineLayout_, nullptr);
    }
    for (VkDescriptorSetLayout& layout : setLayouts_) {
        if (layout != VK_NULL_HANDLE) {
            vkDestroyDescriptorSetLayout(device_, layout, nullptr);
        }
    }
    for (VkSampler sampler : {staticSampler_, composeSampler_}) {
        if (sampler != VK_NULL_HANDLE) {
            vkDestroySampler(device_, sampler, nullptr);
        }
    }
    if (constantPool_ != VK_NULL_HANDLE) {
        vkDestroyDescriptorPool(device_, constantPool_, nullptr);
    }
    descriptors_.reset();
    uploadPool_.reset();
    if (memory_) {
        for (GpuImage* image : {&sceneColor_, &depthBuffer_, &shadowMap_, &defaultTexture_, &outputImage_}) {
            DestroyGpuImage(device_, *memory_, *image);
        }
        for (GpuBuffer* buffer : {&readbackBuffer_, &frameBuffer_, &quadBuffer_, &ring_}) {
            DestroyGpuBuffer(device_, *memory_, *buffer);
        }
    }
    for (VkImageView view : {defaultArrayView_, shadowSampledView_}) {
        if (view != VK_NULL_HANDLE) {
            vkDestroyImageView(device_, view, nullptr);
        }
    }
    memory_.reset();
    if (imageAcquired_ != VK_NULL_HANDLE) {
        vkDestroySemaphore(device_, imageAcquired_, nullptr);
    }
    if (frameFence_ != VK_NULL_HANDLE) {
        vkDestroyFence(device_, frameFence_, nullptr);
    }
    if (framePool_ != VK_NULL_HANDLE) {
        vkDestroyCommandPool(device_, framePool_, nullptr);
    }
    vkDestroyDevice(device_, nullptr);
    device_ = VK_NULL_HANDLE;
}

bool CCommonDevice::CreateDeviceObjects(IPresentSurface* surface) {
    if (device_ != VK_NULL_HANDLE) {
        return false;
    }
    surface_ = surface;
    CVulkanInstance::Options instanceOptions{options_.validation, options_.instanceExtensions};
    instance_ = CVulkanInstance::Acquire(instanceOptions);
    if (!instance_ || !ChoosePhysicalDevice() || !CreateLogicalDevice()) {
        return false;
    }
    QueryLimits();
    memory_ = std::make_unique<CGpuMemory>(physical_, device_);

    VkCommandPoolCreateInfo poolInfo{VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO};
    poolInfo.queueFamilyIndex = queueFamily_;
    vkCreateCommandPool(device_, &poolInfo, nullptr, &framePool_);
    VkCommandBufferAllocateInfo allocInfo{VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO};
    allocInfo.commandPool = framePool_;
    allocInfo.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
    allocInfo.commandBufferCount = 1;
    vkAllocateCommandBuffers(device_, &allocInfo, &frameCommands_);
    VkFenceCreateInfo fenceInfo{VK_STRUCTURE_TYPE_FENCE_CREATE_INFO};
    vkCreateFence(device_, &fenceInfo, nullptr, &frameFence_);
    VkSemaphoreCreateInfo semaphoreInfo{VK_STRUCTURE_TYPE_SEMAPHORE_CREATE_INFO};
    vkCreateSemaphore(device_, &semaphoreInfo, nullptr, &imageAcquired_);

    uploadPool_ = std::make_unique<CUploadCommandPool>(device_, queueFamily_);
    if (surface_ != nullptr && !CreateSwapchain()) {
        std::fprintf(stderr, "render: the swapchain could not be created\n");
    }
    descriptors_ = std::make_unique<CDescriptorAllocator>(device_);
    if (!CreateTargets() || !InitialiseImages()) {
        std::fprintf(stderr, "render: the render targets could not be created\n");
        return false;
    }
    return true;
}

void UpdateCameraAndFrameConstants(CCamera& camera, CCommonDevice& device) {
    BuildCameraAndFrameConstants(camera, static_cast<int>(device.width), static_cast<int>(device.height),
                                 device.FrameConstants());
    if (device.FrameMapped() != nullptr) {
        std::memcpy(device.FrameMapped(), device.FrameConstants().Data(), FrameConstantsBlock::kBytes);
    }
}

} // namespace quorvane
