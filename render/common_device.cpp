// CCommonDevice lifetime: the set-up order and the teardown of everything it owns.
#include "render/common_device.h"

#include "render/vulkan_result.h"

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
    // Teardown goes on whatever the wait says: a lost device runs nothing more.
    vkDeviceWaitIdle(device_);
    submitted_ = false;
    recording_ = false;
    ReleaseFinishedObjects();
    swapchain_.reset();
    pipelineSet_.reset();
    uniforms_.Destroy(memory_.get());
    descriptors_.reset();
    uploadPool_.reset();
    if (memory_) {
        for (GpuImage* image : {&sceneColor_, &depthBuffer_, &shadowMap_, &defaultTexture_, &outputImage_}) {
            DestroyGpuImage(device_, *memory_, *image);
        }
        for (GpuBuffer* buffer : {&readbackBuffer_, &frameBuffer_, &quadBuffer_}) {
            DestroyGpuBuffer(device_, *memory_, *buffer);
        }
    }
    for (VkImageView view : {defaultArrayView_, shadowSampledView_}) {
        if (view != VK_NULL_HANDLE) {
            vkDestroyImageView(device_, view, nullptr);
        }
    }
    memory_.reset();
    passTimer_.Destroy();
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

bool CCommonDevice::CreatePipelineObjects() {
    if (device_ == VK_NULL_HANDLE || pipelineSet_) {
        return false;
    }
    pipelineSet_ = std::make_unique<CPipelineSet>(
        device_, CPipelineSet::Options{options_.shaderDirectory, kColorFormat, kDepthFormat,
                                       hasShaderOutputLayer_, maxAnisotropy_});
    if (!pipelineSet_->CreateLayouts() || !uniforms_.CreateSet(pipelineSet_->UniformSetLayout())) {
        std::fprintf(stderr, "render: the pipeline layout could not be created\n");
        return false;
    }
    pipelineSet_->CreatePipelines();
    return true;
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
    if (!CreateFrameObjects() || !CreateHelpers()) {
        DestroyAll();
        return false;
    }
    if (!CreateTargets() || !InitialiseImages()) {
        std::fprintf(stderr, "render: the render targets could not be created\n");
        DestroyAll();
        return false;
    }
    // A window may have no size yet: the first frame tries again.
    if (surface_ != nullptr) {
        swapchain_ = std::make_unique<CSwapchain>(*this, *surface_);
    }
    if (swapchain_ && !swapchain_->Create()) {
        std::fprintf(stderr, "render: the swapchain could not be created\n");
    }
    return true;
}

namespace {

bool Created(VkResult result, std::string_view what) {
    if (result != VK_SUCCESS) {
        std::fprintf(stderr, "render: %s\n", DescribeVulkanFailure(what, result).c_str());
        return false;
    }
    return true;
}

} // namespace

bool CCommonDevice::CreateFrameObjects() {
    VkCommandPoolCreateInfo poolInfo{VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO};
    poolInfo.queueFamilyIndex = queueFamily_;
    if (!Created(vkCreateCommandPool(device_, &poolInfo, nullptr, &framePool_),
                 "creating the frame command pool")) {
        framePool_ = VK_NULL_HANDLE;
        return false;
    }
    VkCommandBufferAllocateInfo allocInfo{VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO};
    allocInfo.commandPool = framePool_;
    allocInfo.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
    allocInfo.commandBufferCount = 1;
    if (!Created(vkAllocateCommandBuffers(device_, &allocInfo, &frameCommands_),
                 "allocating the frame command buffer")) {
        frameCommands_ = VK_NULL_HANDLE;
        return false;
    }
    VkFenceCreateInfo fenceInfo{VK_STRUCTURE_TYPE_FENCE_CREATE_INFO};
    if (!Created(vkCreateFence(device_, &fenceInfo, nullptr, &frameFence_), "creating the frame fence")) {
        frameFence_ = VK_NULL_HANDLE;
        return false;
    }
    passTimer_.Create(device_, physical_, queueFamily_); // without timestamps there are no pass times
    VkSemaphoreCreateInfo semaphoreInfo{VK_STRUCTURE_TYPE_SEMAPHORE_CREATE_INFO};
    if (!Created(vkCreateSemaphore(device_, &semaphoreInfo, nullptr, &imageAcquired_),
                 "creating the image semaphore")) {
        imageAcquired_ = VK_NULL_HANDLE;
        return false;
    }
    return true;
}

bool CCommonDevice::CreateHelpers() {
    uploadPool_ = std::make_unique<CUploadCommandPool>(device_, queueFamily_);
    if (!uploadPool_->IsValid()) {
        std::fprintf(stderr, "render: the upload command pools could not be created\n");
        return false;
    }
    descriptors_ = std::make_unique<CDescriptorCache>(device_);
    if (!descriptors_->CanBuildSets()) {
        std::fprintf(stderr, "render: the descriptor slots could not be created\n");
        return false;
    }
    return true;
}

void UpdateCameraAndFrameConstants(CCamera& camera, CCommonDevice& device) {
    BuildCameraAndFrameConstants(camera, static_cast<int>(device.Width()), static_cast<int>(device.Height()),
                                 device.FrameConstants());
    if (device.FrameMapped() != nullptr) {
        std::memcpy(device.FrameMapped(), device.FrameConstants().Data(), FrameConstantsBlock::kBytes);
    }
}

} // namespace quorvane
