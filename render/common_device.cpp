#include "render/common_device.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace quorvane {
namespace {

constexpr VkDeviceSize kRingBytes = 16ull << 20;
// The ring starts with a block that stays zero: parameters not set this frame read it.
constexpr VkDeviceSize kZeroHead = 65536;
constexpr float kQuad[4][8] = {
    {-1, 1, 0, 0, 0, 0, 0, 0},
    {-1, -1, 0, 0, 0, 0, 0, 1},
    {1, 1, 0, 0, 0, 0, 1, 0},
    {1, -1, 0, 0, 0, 0, 1, 1},
};

VkDeviceSize AlignUp(VkDeviceSize value, VkDeviceSize alignment) {
    return (value + alignment - 1) / alignment * alignment;
}

bool IsSoftware(VkPhysicalDeviceType type) {
    return type == VK_PHYSICAL_DEVICE_TYPE_CPU;
}

bool HasDeviceExtension(VkPhysicalDevice physical, const char* name) {
    uint32_t count = 0;
    vkEnumerateDeviceExtensionProperties(physical, nullptr, &count, nullptr);
    std::vector<VkExtensionProperties> props(count);
    vkEnumerateDeviceExtensionProperties(physical, nullptr, &count, props.data());
    return std::any_of(props.begin(), props.end(), [name](const VkExtensionProperties& p) {
        return std::strcmp(p.extensionName, name) == 0;
    });
}

} // namespace

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

bool CCommonDevice::ChoosePhysicalDevice() {
    uint32_t count = 0;
    vkEnumeratePhysicalDevices(instance_->Handle(), &count, nullptr);
    std::vector<VkPhysicalDevice> devices(count);
    vkEnumeratePhysicalDevices(instance_->Handle(), &count, devices.data());

    auto usable = [&](VkPhysicalDevice candidate, uint32_t& family) {
        VkPhysicalDeviceProperties props{};
        vkGetPhysicalDeviceProperties(candidate, &props);
        if (props.apiVersion < VK_API_VERSION_1_3) {
            return false;
        }
        if (surface_ != nullptr && !HasDeviceExtension(candidate, VK_KHR_SWAPCHAIN_EXTENSION_NAME)) {
            return false;
        }
        uint32_t familyCount = 0;
        vkGetPhysicalDeviceQueueFamilyProperties(candidate, &familyCount, nullptr);
        std::vector<VkQueueFamilyProperties> families(familyCount);
        vkGetPhysicalDeviceQueueFamilyProperties(candidate, &familyCount, families.data());
        for (uint32_t i = 0; i < familyCount; ++i) {
            if (!(families[i].queueFlags & VK_QUEUE_GRAPHICS_BIT)) {
                continue;
            }
            VkBool32 present = VK_TRUE;
            if (surface_ != nullptr) {
                vkGetPhysicalDeviceSurfaceSupportKHR(candidate, i, surface_->Surface(), &present);
            }
            if (present) {
                family = i;
                return true;
            }
        }
        return false;
    };
    // Hardware first, in enumeration order; the CPU device stands in when none works.
    for (bool software : {false, true}) {
        for (VkPhysicalDevice candidate : devices) {
            VkPhysicalDeviceProperties props{};
            vkGetPhysicalDeviceProperties(candidate, &props);
            uint32_t family = 0;
            if (IsSoftware(props.deviceType) == software && usable(candidate, family)) {
                physical_ = candidate;
                queueFamily_ = family;
                deviceName_ = props.deviceName;
                uma = props.deviceType == VK_PHYSICAL_DEVICE_TYPE_INTEGRATED_GPU ||
                      props.deviceType == VK_PHYSICAL_DEVICE_TYPE_CPU;
                return true;
            }
        }
    }
    std::fprintf(stderr, "render: no Vulkan 1.3 device with a graphics queue\n");
    return false;
}

bool CCommonDevice::CreateLogicalDevice() {
    VkPhysicalDeviceFeatures supported{};
    vkGetPhysicalDeviceFeatures(physical_, &supported);
    VkPhysicalDeviceVulkan12Features supported12{VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_2_FEATURES};
    VkPhysicalDeviceVulkan13Features supported13{VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_3_FEATURES};
    supported12.pNext = &supported13;
    VkPhysicalDeviceFeatures2 supportedAll{VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_FEATURES_2};
    supportedAll.pNext = &supported12;
    vkGetPhysicalDeviceFeatures2(physical_, &supportedAll);
    if (!supported13.dynamicRendering) {
        std::fprintf(stderr, "render: the device lacks dynamic rendering\n");
        return false;
    }

    VkPhysicalDeviceVulkan13Features enable13{VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_3_FEATURES};
    enable13.dynamicRendering = VK_TRUE;
    VkPhysicalDeviceVulkan12Features enable12{VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_2_FEATURES};
    enable12.pNext = &enable13;
    enable12.shaderOutputLayer = supported12.shaderOutputLayer;
    hasShaderOutputLayer_ = supported12.shaderOutputLayer == VK_TRUE;
    VkPhysicalDeviceFeatures2 enable{VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_FEATURES_2};
    enable.pNext = &enable12;
    enable.features.geometryShader = supported.geometryShader;
    enable.features.tessellationShader = supported.tessellationShader;
    enable.features.samplerAnisotropy = supported.samplerAnisotropy;
    maxAnisotropy_ = supported.samplerAnisotropy ? 16.0f : 1.0f;

    std::vector<const char*> extensions;
    if (surface_ != nullptr) {
        extensions.push_back(VK_KHR_SWAPCHAIN_EXTENSION_NAME);
    }
    hasMemoryBudget_ = HasDeviceExtension(physical_, VK_EXT_MEMORY_BUDGET_EXTENSION_NAME);
    if (hasMemoryBudget_) {
        extensions.push_back(VK_EXT_MEMORY_BUDGET_EXTENSION_NAME);
    }
    const float priority = 1.0f;
    VkDeviceQueueCreateInfo queueInfo{VK_STRUCTURE_TYPE_DEVICE_QUEUE_CREATE_INFO};
    queueInfo.queueFamilyIndex = queueFamily_;
    queueInfo.queueCount = 1;
    queueInfo.pQueuePriorities = &priority;
    VkDeviceCreateInfo info{VK_STRUCTURE_TYPE_DEVICE_CREATE_INFO};
    info.pNext = &enable;
    info.queueCreateInfoCount = 1;
    info.pQueueCreateInfos = &queueInfo;
    info.enabledExtensionCount = static_cast<uint32_t>(extensions.size());
    info.ppEnabledExtensionNames = extensions.data();
    if (vkCreateDevice(physical_, &info, nullptr, &device_) != VK_SUCCESS) {
        std::fprintf(stderr, "render: the device could not be created on %s\n", deviceName_.c_str());
        device_ = VK_NULL_HANDLE;
        return false;
    }
    vkGetDeviceQueue(device_, queueFamily_, 0, &queue_);
    return true;
}

void CCommonDevice::QueryLimits() {
    VkPhysicalDeviceProperties props{};
    vkGetPhysicalDeviceProperties(physical_, &props);
    uniformAlignment_ = std::max<VkDeviceSize>(16, props.limits.minUniformBufferOffsetAlignment);
    uniformRange_ = std::min<VkDeviceSize>(65536, props.limits.maxUniformBufferRange);
    maxAnisotropy_ = std::min(maxAnisotropy_, props.limits.maxSamplerAnisotropy);
}

bool CCommonDevice::CreateTargets() {
    CGpuMemory& memory = *memory_;
    const VkExtent2D size{kWidth, kHeight};
    depthBuffer_ =
        CreateGpuImage(device_, memory, kDepthFormat, size, 1, VK_IMAGE_USAGE_DEPTH_STENCIL_ATTACHMENT_BIT);
    shadowMap_ = CreateGpuImage(device_, memory, kDepthFormat, {kShadowSize, kShadowSize}, kShadowSlices,
                                VK_IMAGE_USAGE_DEPTH_STENCIL_ATTACHMENT_BIT | VK_IMAGE_USAGE_SAMPLED_BIT);
    sceneColor_ = CreateGpuImage(device_, memory, kColorFormat, size, 1,
                                 VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT | VK_IMAGE_USAGE_SAMPLED_BIT);
    defaultTexture_ = CreateGpuImage(device_, memory, kColorFormat, {1, 1}, 1,
                                     VK_IMAGE_USAGE_SAMPLED_BIT | VK_IMAGE_USAGE_TRANSFER_DST_BIT);
    if (!depthBuffer_ || !shadowMap_ || !sceneColor_ || !defaultTexture_) {
        return false;
    }
    defaultArrayView_ = CreateImageView(device_, defaultTexture_, VK_IMAGE_VIEW_TYPE_2D_ARRAY);
    descriptors_->SetDefaultViews(defaultTexture_.view, defaultArrayView_);
    if (IsHeadless()) {
        outputImage_ = CreateGpuImage(device_, memory, kColorFormat, size, 1,
                                      VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT | VK_IMAGE_USAGE_TRANSFER_SRC_BIT);
        readbackBuffer_ = CreateGpuBuffer(device_, memory, VkDeviceSize{kWidth} * kHeight * 4,
                                          VK_BUFFER_USAGE_TRANSFER_DST_BIT, true);
        if (!outputImage_ || !readbackBuffer_) {
            return false;
        }
    }

    // Slots in this order: frame constants, shadow map, scene colour.
    frameBuffer_ =
        CreateGpuBuffer(device_, memory, kFrameBufferBytes, VK_BUFFER_USAGE_UNIFORM_BUFFER_BIT, true);
    if (!frameBuffer_ || !descriptors_->AllocateOne(frameCbvSlot)) {
        return false;
    }
    frameMapped_ = frameBuffer_.Mapped();
    std::memset(frameMapped_, 0, kFrameBufferBytes);
    DescriptorView frameView;
    frameView.kind = DescriptorView::Kind::Buffer;
    frameView.buffer = frameBuffer_.buffer;
    frameView.range = kFrameBufferBytes;
    descriptors_->SetView(frameCbvSlot, frameView);

    quadBuffer_ = CreateGpuBuffer(device_, memory, sizeof(kQuad), VK_BUFFER_USAGE_VERTEX_BUFFER_BIT, true);
    if (!quadBuffer_) {
        return false;
    }
    std::memcpy(quadBuffer_.Mapped(), kQuad, sizeof(kQuad));

    if (!descriptors_->AllocateOne(shadowSrvSlot)) {
        return false;
    }
    DescriptorView shadowView;
    shadowView.kind = DescriptorView::Kind::Image;
    shadowView.imageView = shadowMap_.view;
    shadowView.viewType = VK_IMAGE_VIEW_TYPE_2D_ARRAY;
    descriptors_->SetView(shadowSrvSlot, shadowView);

    if (!descriptors_->AllocateOne(sceneSrvSlot)) {
        return false;
    }
    DescriptorView sceneView;
    sceneView.kind = DescriptorView::Kind::Image;
    sceneView.imageView = sceneColor_.view;
    descriptors_->SetView(sceneSrvSlot, sceneView);

    ring_ = CreateGpuBuffer(device_, memory, kRingBytes,
                            VK_BUFFER_USAGE_UNIFORM_BUFFER_BIT | VK_BUFFER_USAGE_VERTEX_BUFFER_BIT, true);
    if (!ring_) {
        return false;
    }
    std::memset(ring_.Mapped(), 0, kZeroHead);
    return true;
}

bool CCommonDevice::InitialiseImages() {
    // One-off: a white default texture and a cleared shadow map, both readable.
    VkCommandBufferBeginInfo begin{VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO};
    begin.flags = VK_COMMAND_BUFFER_USAGE_ONE_TIME_SUBMIT_BIT;
    vkBeginCommandBuffer(frameCommands_, &begin);
    TransitionImage(frameCommands_, defaultTexture_, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL);
    const VkClearColorValue white{{1, 1, 1, 1}};
    const VkImageSubresourceRange colorRange{VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
    vkCmdClearColorImage(frameCommands_, defaultTexture_.image, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, &white,
                         1, &colorRange);
    TransitionImage(frameCommands_, defaultTexture_, VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL);
    TransitionImage(frameCommands_, shadowMap_, VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL);
    vkEndCommandBuffer(frameCommands_);
    VkSubmitInfo submit{VK_STRUCTURE_TYPE_SUBMIT_INFO};
    submit.commandBufferCount = 1;
    submit.pCommandBuffers = &frameCommands_;
    if (vkQueueSubmit(queue_, 1, &submit, frameFence_) != VK_SUCCESS) {
        return false;
    }
    submitted_ = true;
    WaitForGpu();
    return true;
}

bool CCommonDevice::CreateConstantBufferSet() {
    const VkDescriptorPoolSize size{VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER_DYNAMIC, kRootConstantBufferCount};
    VkDescriptorPoolCreateInfo poolInfo{VK_STRUCTURE_TYPE_DESCRIPTOR_POOL_CREATE_INFO};
    poolInfo.maxSets = 1;
    poolInfo.poolSizeCount = 1;
    poolInfo.pPoolSizes = &size;
    // The immutable sampler takes a pool entry on some drivers.
    const VkDescriptorPoolSize sizes[2] = {size, {VK_DESCRIPTOR_TYPE_SAMPLER, 2}};
    poolInfo.poolSizeCount = 2;
    poolInfo.pPoolSizes = sizes;
    if (vkCreateDescriptorPool(device_, &poolInfo, nullptr, &constantPool_) != VK_SUCCESS) {
        return false;
    }
    VkDescriptorSetAllocateInfo info{VK_STRUCTURE_TYPE_DESCRIPTOR_SET_ALLOCATE_INFO};
    info.descriptorPool = constantPool_;
    info.descriptorSetCount = 1;
    info.pSetLayouts = &setLayouts_[0];
    if (vkAllocateDescriptorSets(device_, &info, &constantSet_) != VK_SUCCESS) {
        return false;
    }
    std::array<VkDescriptorBufferInfo, kRootConstantBufferCount> buffers{};
    std::array<VkWriteDescriptorSet, kRootConstantBufferCount> writes{};
    for (uint32_t i = 0; i < kRootConstantBufferCount; ++i) {
        buffers[i] = {ring_.buffer, 0, uniformRange_};
        writes[i] = {VK_STRUCTURE_TYPE_WRITE_DESCRIPTOR_SET};
        writes[i].dstSet = constantSet_;
        writes[i].dstBinding = i;
        writes[i].descriptorCount = 1;
        writes[i].descriptorType = VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER_DYNAMIC;
        writes[i].pBufferInfo = &buffers[i];
    }
    vkUpdateDescriptorSets(device_, kRootConstantBufferCount, writes.data(), 0, nullptr);
    return true;
}

bool CCommonDevice::CreateSwapchain() {
    VkSurfaceCapabilitiesKHR caps{};
    if (vkGetPhysicalDeviceSurfaceCapabilitiesKHR(physical_, surface_->Surface(), &caps) != VK_SUCCESS) {
        return false;
    }
    swapchainRequested_ = surface_->PixelSize();
    VkExtent2D extent = caps.currentExtent;
    if (extent.width == 0xFFFFFFFFu) {
        extent = surface_->PixelSize();
        extent.width = std::clamp(extent.width, caps.minImageExtent.width, caps.maxImageExtent.width);
        extent.height = std::clamp(extent.height, caps.minImageExtent.height, caps.maxImageExtent.height);
    }
    if (extent.width == 0 || extent.height == 0) {
        return false;
    }
    uint32_t formatCount = 0;
    vkGetPhysicalDeviceSurfaceFormatsKHR(physical_, surface_->Surface(), &formatCount, nullptr);
    std::vector<VkSurfaceFormatKHR> formats(formatCount);
    vkGetPhysicalDeviceSurfaceFormatsKHR(physical_, surface_->Surface(), &formatCount, formats.data());
    if (formats.empty()) {
        return false;
    }
    VkSurfaceFormatKHR chosen = formats[0];
    for (VkFormat wanted : {VK_FORMAT_R8G8B8A8_UNORM, VK_FORMAT_B8G8R8A8_UNORM}) {
        auto it = std::find_if(formats.begin(), formats.end(),
                               [wanted](const VkSurfaceFormatKHR& f) { return f.format == wanted; });
        if (it != formats.end()) {
            chosen = *it;
            break;
        }
    }
    uint32_t imageCount = caps.minImageCount + 1;
    if (caps.maxImageCount > 0) {
        imageCount = std::min(imageCount, caps.maxImageCount);
    }
    VkCompositeAlphaFlagBitsKHR alpha = VK_COMPOSITE_ALPHA_OPAQUE_BIT_KHR;
    if (!(caps.supportedCompositeAlpha & alpha)) {
        for (VkCompositeAlphaFlagBitsKHR bit :
             {VK_COMPOSITE_ALPHA_INHERIT_BIT_KHR, VK_COMPOSITE_ALPHA_PRE_MULTIPLIED_BIT_KHR,
              VK_COMPOSITE_ALPHA_POST_MULTIPLIED_BIT_KHR}) {
            if (caps.supportedCompositeAlpha & bit) {
                alpha = bit;
                break;
            }
        }
    }
    VkSwapchainCreateInfoKHR info{VK_STRUCTURE_TYPE_SWAPCHAIN_CREATE_INFO_KHR};
    info.surface = surface_->Surface();
    info.minImageCount = imageCount;
    info.imageFormat = chosen.format;
    info.imageColorSpace = chosen.colorSpace;
    info.imageExtent = extent;
    info.imageArrayLayers = 1;
    info.imageUsage = VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT;
    info.imageSharingMode = VK_SHARING_MODE_EXCLUSIVE;
    info.preTransform = caps.currentTransform;
    info.compositeAlpha = alpha;
    info.presentMode = VK_PRESENT_MODE_FIFO_KHR; // vertical sync, always available
    info.clipped = VK_TRUE;
    info.oldSwapchain = swapchain_;
    VkSwapchainKHR created = VK_NULL_HANDLE;
    const VkResult result = vkCreateSwapchainKHR(device_, &info, nullptr, &created);
    DestroySwapchain();
    if (result != VK_SUCCESS) {
        return false;
    }
    swapchain_ = created;
    swapchainFormat_ = chosen.format;
    swapchainExtent_ = extent;
    uint32_t count = 0;
    vkGetSwapchainImagesKHR(device_, swapchain_, &count, nullptr);
    swapchainImages_.resize(count);
    vkGetSwapchainImagesKHR(device_, swapchain_, &count, swapchainImages_.data());
    VkSemaphoreCreateInfo semaphoreInfo{VK_STRUCTURE_TYPE_SEMAPHORE_CREATE_INFO};
    for (VkImage image : swapchainImages_) {
        VkImageViewCreateInfo viewInfo{VK_STRUCTURE_TYPE_IMAGE_VIEW_CREATE_INFO};
        viewInfo.image = image;
        viewInfo.viewType = VK_IMAGE_VIEW_TYPE_2D;
        viewInfo.format = swapchainFormat_;
        viewInfo.subresourceRange = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
        VkImageView view = VK_NULL_HANDLE;
        vkCreateImageView(device_, &viewInfo, nullptr, &view);
        swapchainViews_.push_back(view);
        VkSemaphore done = VK_NULL_HANDLE;
        vkCreateSemaphore(device_, &semaphoreInfo, nullptr, &done);
        renderDone_.push_back(done);
    }
    swapchainStale_ = false;
    return true;
}

void CCommonDevice::DestroySwapchain() {
    for (VkImageView view : swapchainViews_) {
        vkDestroyImageView(device_, view, nullptr);
    }
    for (VkSemaphore semaphore : renderDone_) {
        vkDestroySemaphore(device_, semaphore, nullptr);
    }
    swapchainViews_.clear();
    renderDone_.clear();
    swapchainImages_.clear();
    if (swapchain_ != VK_NULL_HANDLE) {
        vkDestroySwapchainKHR(device_, swapchain_, nullptr);
        swapchain_ = VK_NULL_HANDLE;
    }
}

VkPipeline CCommonDevice::Pipeline(int slot) const {
    return slot >= 0 && slot < kPipelineSlotCount ? pipelines_[static_cast<size_t>(slot)] : VK_NULL_HANDLE;
}

VkPipeline CCommonDevice::OutputPipeline(bool overlay, VkFormat format) {
    auto& cache = overlay ? overlayPipelines_ : outputPipelines_;
    for (const auto& [f, pipeline] : cache) {
        if (f == format) {
            return pipeline;
        }
    }
    VkPipeline pipeline = overlay ? CreateOverlayPipeline(format) : CreateComposePipeline(format);
    cache.emplace_back(format, pipeline); // a failure is remembered too: no retry every frame
    return pipeline;
}

// ---------------------------------------------------------------- frame

bool CCommonDevice::BeginFrame() {
    if (device_ == VK_NULL_HANDLE) {
        return false;
    }
    if (submitted_) {
        WaitForGpu();
    }
    if (!IsHeadless()) {
        const VkExtent2D size = surface_->PixelSize();
        if (size.width == 0 || size.height == 0) {
            return false;
        }
        // Compare with the size the swapchain was made for: the surface may
        // report a slightly different extent, which must not re-create it every frame.
        if (swapchain_ == VK_NULL_HANDLE || swapchainStale_ || size.width != swapchainRequested_.width ||
            size.height != swapchainRequested_.height) {
            vkDeviceWaitIdle(device_);
            if (!CreateSwapchain()) {
                return false;
            }
        }
        const VkResult acquired = vkAcquireNextImageKHR(device_, swapchain_, UINT64_MAX, imageAcquired_,
                                                        VK_NULL_HANDLE, &backBufferIndex_);
        if (acquired == VK_ERROR_OUT_OF_DATE_KHR) {
            swapchainStale_ = true;
            return false;
        }
        if (acquired == VK_SUBOPTIMAL_KHR) {
            swapchainStale_ = true; // draw this one, re-create before the next
        } else if (acquired != VK_SUCCESS) {
            return false;
        }
    }
    vkResetCommandPool(device_, framePool_, 0);
    VkCommandBufferBeginInfo begin{VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO};
    begin.flags = VK_COMMAND_BUFFER_USAGE_ONE_TIME_SUBMIT_BIT;
    vkBeginCommandBuffer(frameCommands_, &begin);
    recording_ = true;
    ringHead_ = kZeroHead;
    pass_ = Pass::None;
    scenePassDone_ = false;
    currentPipeline_ = -1;
    pipelineUsable_ = false;
    constantOffsets_.fill(0);
    for (int t = 0; t < kTableParameterCount; ++t) {
        boundTables_[static_cast<size_t>(t)] = VK_NULL_HANDLE;
    }
    // Every table starts at slot 0, so shaders never read an unbound set.
    for (int parameter = kFirstTableParameter; parameter < kFirstTableParameter + 3; ++parameter) {
        SetDescriptorTable(parameter, 0);
    }
    stateDirty_ = true;
    overlay_.Clear();
    readbackRecorded_ = false;
    readbackReady_ = false;
    return true;
}

bool CCommonDevice::AllocateRing(size_t bytes, VkDeviceSize& outOffset, void*& outMapped) {
    const VkDeviceSize start = AlignUp(ringHead_, uniformAlignment_);
    // Keep a whole binding range inside the buffer past any offset.
    if (start + std::max<VkDeviceSize>(bytes, uniformRange_) > ring_.size) {
        return false;
    }
    ringHead_ = start + bytes;
    outOffset = start;
    outMapped = static_cast<char*>(ring_.Mapped()) + start;
    return true;
}

bool CCommonDevice::SetConstantBuffer(int parameter, const void* data, size_t bytes) {
    if (!recording_ || parameter < 0 || parameter >= kRootConstantBufferCount || bytes > uniformRange_ ||
        (data == nullptr && bytes > 0)) {
        return false;
    }
    VkDeviceSize offset = 0;
    void* mapped = nullptr;
    if (!AllocateRing(bytes, offset, mapped)) {
        std::fprintf(stderr, "render: the constant ring is full this frame\n");
        return false;
    }
    std::memcpy(mapped, data, bytes);
    constantOffsets_[static_cast<size_t>(parameter)] = static_cast<uint32_t>(offset);
    stateDirty_ = true;
    return true;
}

bool CCommonDevice::SetDescriptorTable(int parameter, uint32_t baseSlot) {
    const int table = parameter - kFirstTableParameter;
    if (!recording_ || table < 0 || table >= kTableParameterCount) {
        return false;
    }
    const auto index = static_cast<size_t>(table);
    VkDescriptorSet set = descriptors_->GetTable(tableShapes_[index], setLayouts_[index + 1], baseSlot);
    if (set == VK_NULL_HANDLE) {
        return false;
    }
    boundTables_[index] = set;
    stateDirty_ = true;
    return true;
}

void CCommonDevice::CommitFrameConstants() {
    std::memcpy(frameMapped_, frameConstants_.Data(), FrameConstantsBlock::kBytes);
    SetConstantBuffer(0, frameMapped_, FrameConstantsBlock::kBytes);
}

void CCommonDevice::SetVertexBuffer(uint32_t binding, VkBuffer buffer, VkDeviceSize offset) {
    if (recording_ && buffer != VK_NULL_HANDLE) {
        vkCmdBindVertexBuffers(frameCommands_, binding, 1, &buffer, &offset);
    }
}

bool CCommonDevice::SetPipeline(int slot) {
    currentPipeline_ = slot;
    const VkPipeline pipeline = Pipeline(slot);
    const uint32_t wantedTargets = pass_ == Pass::Shadow ? 0u : 1u;
    pipelineUsable_ = recording_ && pipeline != VK_NULL_HANDLE &&
                      (pass_ == Pass::Scene || pass_ == Pass::Shadow) &&
                      pipelineColorTargets_[static_cast<size_t>(slot)] == wantedTargets;
    if (pipelineUsable_) {
        vkCmdBindPipeline(frameCommands_, VK_PIPELINE_BIND_POINT_GRAPHICS, pipeline);
        stateDirty_ = true;
    }
    return pipelineUsable_;
}

void CCommonDevice::BindPendingState() {
    if (!stateDirty_ || pipelineLayout_ == VK_NULL_HANDLE || constantSet_ == VK_NULL_HANDLE) {
        return;
    }
    vkCmdBindDescriptorSets(frameCommands_, VK_PIPELINE_BIND_POINT_GRAPHICS, pipelineLayout_, 0, 1,
                            &constantSet_, kRootConstantBufferCount, constantOffsets_.data());
    for (size_t t = 0; t < boundTables_.size(); ++t) {
        if (boundTables_[t] != VK_NULL_HANDLE) {
            vkCmdBindDescriptorSets(frameCommands_, VK_PIPELINE_BIND_POINT_GRAPHICS, pipelineLayout_,
                                    static_cast<uint32_t>(t + 1), 1, &boundTables_[t], 0, nullptr);
        }
    }
    stateDirty_ = false;
}

bool CCommonDevice::Draw(uint32_t vertexCount, uint32_t instanceCount, uint32_t firstVertex,
                         uint32_t firstInstance) {
    if (!pipelineUsable_ || constantSet_ == VK_NULL_HANDLE) {
        return false;
    }
    BindPendingState();
    vkCmdDraw(frameCommands_, vertexCount, instanceCount, firstVertex, firstInstance);
    return true;
}

namespace {
void SetViewport(VkCommandBuffer commands, VkExtent2D extent) {
    const VkViewport viewport{0, 0, static_cast<float>(extent.width), static_cast<float>(extent.height),
                              0, 1};
    const VkRect2D scissor{{0, 0}, extent};
    vkCmdSetViewport(commands, 0, 1, &viewport);
    vkCmdSetScissor(commands, 0, 1, &scissor);
}
} // namespace

void CCommonDevice::BeginScenePass(bool clearColor, bool clearDepth) {
    if (!recording_) {
        return;
    }
    EndPass();
    TransitionImage(frameCommands_, sceneColor_, VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL);
    TransitionImage(frameCommands_, depthBuffer_, VK_IMAGE_LAYOUT_DEPTH_ATTACHMENT_OPTIMAL);
    VkRenderingAttachmentInfo color{VK_STRUCTURE_TYPE_RENDERING_ATTACHMENT_INFO};
    color.imageView = sceneColor_.view;
    color.imageLayout = VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL;
    color.loadOp = clearColor || !scenePassDone_ ? VK_ATTACHMENT_LOAD_OP_CLEAR : VK_ATTACHMENT_LOAD_OP_LOAD;
    color.storeOp = VK_ATTACHMENT_STORE_OP_STORE;
    color.clearValue.color = {{0.8f, 0.8f, 0.8f, 1.0f}};
    VkRenderingAttachmentInfo depth{VK_STRUCTURE_TYPE_RENDERING_ATTACHMENT_INFO};
    depth.imageView = depthBuffer_.view;
    depth.imageLayout = VK_IMAGE_LAYOUT_DEPTH_ATTACHMENT_OPTIMAL;
    depth.loadOp = clearDepth || !scenePassDone_ ? VK_ATTACHMENT_LOAD_OP_CLEAR : VK_ATTACHMENT_LOAD_OP_LOAD;
    depth.storeOp = VK_ATTACHMENT_STORE_OP_STORE;
    depth.clearValue.depthStencil = {1.0f, 0};
    VkRenderingInfo info{VK_STRUCTURE_TYPE_RENDERING_INFO};
    info.renderArea = {{0, 0}, {kWidth, kHeight}};
    info.layerCount = 1;
    info.colorAttachmentCount = 1;
    info.pColorAttachments = &color;
    info.pDepthAttachment = &depth;
    vkCmdBeginRendering(frameCommands_, &info);
    SetViewport(frameCommands_, {kWidth, kHeight});
    pass_ = Pass::Scene;
    scenePassDone_ = true;
    currentPipeline_ = -1;
    pipelineUsable_ = false;
}

void CCommonDevice::BeginShadowPass() {
    if (!recording_) {
        return;
    }
    EndPass();
    TransitionImage(frameCommands_, shadowMap_, VK_IMAGE_LAYOUT_DEPTH_ATTACHMENT_OPTIMAL);
    VkRenderingAttachmentInfo depth{VK_STRUCTURE_TYPE_RENDERING_ATTACHMENT_INFO};
    depth.imageView = shadowMap_.view;
    depth.imageLayout = VK_IMAGE_LAYOUT_DEPTH_ATTACHMENT_OPTIMAL;
    depth.loadOp = VK_ATTACHMENT_LOAD_OP_CLEAR;
    depth.storeOp = VK_ATTACHMENT_STORE_OP_STORE;
    depth.clearValue.depthStencil = {1.0f, 0};
    VkRenderingInfo info{VK_STRUCTURE_TYPE_RENDERING_INFO};
    info.renderArea = {{0, 0}, {kShadowSize, kShadowSize}};
    info.layerCount = kShadowSlices;
    info.pDepthAttachment = &depth;
    vkCmdBeginRendering(frameCommands_, &info);
    SetViewport(frameCommands_, {kShadowSize, kShadowSize});
    pass_ = Pass::Shadow;
    currentPipeline_ = -1;
    pipelineUsable_ = false;
}

void CCommonDevice::EndPass() {
    if (pass_ == Pass::None) {
        return;
    }
    vkCmdEndRendering(frameCommands_);
    if (pass_ == Pass::Shadow) {
        TransitionImage(frameCommands_, shadowMap_, VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL);
    }
    pass_ = Pass::None;
    pipelineUsable_ = false;
}

void CCommonDevice::ComposeFrame(const std::function<void(CCommonDevice&)>& drawScene) {
    if (!recording_) {
        return;
    }
    CommitFrameConstants();
    if (drawScene) {
        drawScene(*this);
    }
    EndPass();
    if (!scenePassDone_) {
        BeginScenePass(true, true);
        EndPass();
    }
    TransitionImage(frameCommands_, sceneColor_, VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL);

    VkImageView target = VK_NULL_HANDLE;
    VkExtent2D extent{kWidth, kHeight};
    VkFormat format = kColorFormat;
    if (IsHeadless()) {
        TransitionImage(frameCommands_, outputImage_, VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL);
        target = outputImage_.view;
    } else {
        TransitionImage(frameCommands_, swapchainImages_[backBufferIndex_], VK_IMAGE_ASPECT_COLOR_BIT, 1,
                        VK_IMAGE_LAYOUT_UNDEFINED, VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL);
        target = swapchainViews_[backBufferIndex_];
        extent = swapchainExtent_;
        format = swapchainFormat_;
    }
    VkRenderingAttachmentInfo color{VK_STRUCTURE_TYPE_RENDERING_ATTACHMENT_INFO};
    color.imageView = target;
    color.imageLayout = VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL;
    color.loadOp = VK_ATTACHMENT_LOAD_OP_CLEAR;
    color.storeOp = VK_ATTACHMENT_STORE_OP_STORE;
    color.clearValue.color = {{0, 0, 0, 0}};
    VkRenderingInfo info{VK_STRUCTURE_TYPE_RENDERING_INFO};
    info.renderArea = {{0, 0}, extent};
    info.layerCount = 1;
    info.colorAttachmentCount = 1;
    info.pColorAttachments = &color;
    vkCmdBeginRendering(frameCommands_, &info);
    // The 1920 x 1080 image is stretched over whatever size the output has.
    SetViewport(frameCommands_, extent);
    pass_ = Pass::Output;

    if (VkPipeline compose = OutputPipeline(false, format); compose != VK_NULL_HANDLE) {
        vkCmdBindPipeline(frameCommands_, VK_PIPELINE_BIND_POINT_GRAPHICS, compose);
        SetDescriptorTable(kFirstTableParameter, sceneSrvSlot);
        stateDirty_ = true;
        BindPendingState();
        const VkDeviceSize offset = 0;
        vkCmdBindVertexBuffers(frameCommands_, 0, 1, &quadBuffer_.buffer, &offset);
        vkCmdDraw(frameCommands_, 4, 1, 0, 0);
    }
    outputTarget_ = {target, extent, format};
}

void CCommonDevice::RecordOverlay(VkImageView, VkExtent2D, VkFormat format) {
    const auto& vertices = overlay_.Vertices();
    if (vertices.empty()) {
        return;
    }
    VkPipeline pipeline = OutputPipeline(true, format);
    if (pipeline == VK_NULL_HANDLE) {
        return;
    }
    const size_t bytes = vertices.size() * sizeof(OverlayVertex);
    VkDeviceSize offset = 0;
    void* mapped = nullptr;
    if (bytes > ring_.size / 2 || !AllocateRing(bytes, offset, mapped)) {
        std::fprintf(stderr, "render: the overlay does not fit this frame\n");
        return;
    }
    std::memcpy(mapped, vertices.data(), bytes);
    vkCmdBindPipeline(frameCommands_, VK_PIPELINE_BIND_POINT_GRAPHICS, pipeline);
    vkCmdBindVertexBuffers(frameCommands_, 0, 1, &ring_.buffer, &offset);
    vkCmdDraw(frameCommands_, static_cast<uint32_t>(vertices.size()), 1, 0, 0);
}

bool CCommonDevice::EndFrame(std::span<const VkCommandBuffer> extraCommandBuffers) {
    if (!recording_) {
        return false;
    }
    if (pass_ != Pass::Output) {
        ComposeFrame(nullptr);
    }
    RecordOverlay(outputTarget_.view, outputTarget_.extent, outputTarget_.format);
    EndPass();
    if (IsHeadless()) {
        if (readbackRequested_) {
            TransitionImage(frameCommands_, outputImage_, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL);
            VkBufferImageCopy region{};
            region.imageSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
            region.imageExtent = {kWidth, kHeight, 1};
            vkCmdCopyImageToBuffer(frameCommands_, outputImage_.image, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL,
                                   readbackBuffer_.buffer, 1, &region);
            readbackRequested_ = false;
            readbackRecorded_ = true;
        }
    } else {
        TransitionImage(frameCommands_, swapchainImages_[backBufferIndex_], VK_IMAGE_ASPECT_COLOR_BIT, 1,
                        VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL, VK_IMAGE_LAYOUT_PRESENT_SRC_KHR);
    }
    TransitionImage(frameCommands_, sceneColor_, VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL);
    vkEndCommandBuffer(frameCommands_);
    recording_ = false;

    std::vector<VkCommandBuffer> buffers{frameCommands_};
    buffers.insert(buffers.end(), extraCommandBuffers.begin(), extraCommandBuffers.end());
    VkSubmitInfo submit{VK_STRUCTURE_TYPE_SUBMIT_INFO};
    submit.commandBufferCount = static_cast<uint32_t>(buffers.size());
    submit.pCommandBuffers = buffers.data();
    const VkPipelineStageFlags waitStage = VK_PIPELINE_STAGE_ALL_COMMANDS_BIT;
    if (!IsHeadless()) {
        submit.waitSemaphoreCount = 1;
        submit.pWaitSemaphores = &imageAcquired_;
        submit.pWaitDstStageMask = &waitStage;
        submit.signalSemaphoreCount = 1;
        submit.pSignalSemaphores = &renderDone_[backBufferIndex_];
    }
    if (vkQueueSubmit(queue_, 1, &submit, frameFence_) != VK_SUCCESS) {
        std::fprintf(stderr, "render: the frame could not be submitted\n");
        return false;
    }
    submitted_ = true;
    if (!IsHeadless()) {
        VkPresentInfoKHR present{VK_STRUCTURE_TYPE_PRESENT_INFO_KHR};
        present.waitSemaphoreCount = 1;
        present.pWaitSemaphores = &renderDone_[backBufferIndex_];
        present.swapchainCount = 1;
        present.pSwapchains = &swapchain_;
        present.pImageIndices = &backBufferIndex_;
        const VkResult presented = vkQueuePresentKHR(queue_, &present);
        if (presented == VK_ERROR_OUT_OF_DATE_KHR || presented == VK_SUBOPTIMAL_KHR) {
            swapchainStale_ = true;
        }
    }
    return true;
}

void CCommonDevice::WaitForGpu() {
    if (device_ == VK_NULL_HANDLE) {
        return;
    }
    if (submitted_) {
        vkWaitForFences(device_, 1, &frameFence_, VK_TRUE, UINT64_MAX);
        vkResetFences(device_, 1, &frameFence_);
        submitted_ = false;
        if (readbackRecorded_) {
            readbackReady_ = true;
            readbackRecorded_ = false;
        }
    }
}

void CCommonDevice::DeferRelease(std::function<void()> release) {
    std::lock_guard lock(releaseMutex_);
    releaseList_.push_back(std::move(release));
}

void CCommonDevice::ReleaseFinishedObjects() {
    std::vector<std::function<void()>> pending;
    {
        std::lock_guard lock(releaseMutex_);
        pending.swap(releaseList_);
    }
    for (auto& release : pending) {
        release();
    }
    if (descriptors_) {
        descriptors_->CollectRetiredTables();
    }
}

bool CCommonDevice::TakeReadback(std::vector<uint8_t>& rgba) {
    if (!readbackReady_ || !readbackBuffer_) {
        return false;
    }
    const auto* bytes = static_cast<const uint8_t*>(readbackBuffer_.Mapped());
    rgba.assign(bytes, bytes + size_t{kWidth} * kHeight * 4);
    readbackReady_ = false;
    return true;
}

namespace {

// Sums a per-heap figure of VK_EXT_memory_budget over the device-local heaps.
template <typename Pick> VkDeviceSize SumDeviceLocalHeaps(VkPhysicalDevice physical, Pick pick) {
    VkPhysicalDeviceMemoryBudgetPropertiesEXT budget{
        VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_MEMORY_BUDGET_PROPERTIES_EXT};
    VkPhysicalDeviceMemoryProperties2 props{VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_MEMORY_PROPERTIES_2};
    props.pNext = &budget;
    vkGetPhysicalDeviceMemoryProperties2(physical, &props);
    VkDeviceSize total = 0;
    for (uint32_t i = 0; i < props.memoryProperties.memoryHeapCount; ++i) {
        if (props.memoryProperties.memoryHeaps[i].flags & VK_MEMORY_HEAP_DEVICE_LOCAL_BIT) {
            total += pick(budget, i);
        }
    }
    return total;
}

} // namespace

VkDeviceSize CCommonDevice::VideoMemoryBudget() const {
    if (!hasMemoryBudget_) {
        return 0;
    }
    return SumDeviceLocalHeaps(physical_, [](const auto& b, uint32_t i) { return b.heapBudget[i]; });
}

VkDeviceSize CCommonDevice::VideoMemoryUsage() const {
    if (!hasMemoryBudget_) {
        return memory_ ? memory_->UsedDeviceLocalBytes() : 0;
    }
    return SumDeviceLocalHeaps(physical_, [](const auto& b, uint32_t i) { return b.heapUsage[i]; });
}

void UpdateCameraAndFrameConstants(CCamera& camera, CCommonDevice& device) {
    BuildCameraAndFrameConstants(camera, static_cast<int>(device.width), static_cast<int>(device.height),
                                 device.FrameConstants());
    if (device.FrameMapped() != nullptr) {
        std::memcpy(device.FrameMapped(), device.FrameConstants().Data(), FrameConstantsBlock::kBytes);
    }
}

} // namespace quorvane
