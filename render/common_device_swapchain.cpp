// The window swapchain: format, image count and per-image views and semaphores.
#include "render/common_device.h"
#include "render/vulkan_result.h"

#include <algorithm>
#include <cstdio>

namespace quorvane {

bool CCommonDevice::CreateSwapchain() {
    VkSurfaceCapabilitiesKHR caps{};
    if (const VkResult queried =
            vkGetPhysicalDeviceSurfaceCapabilitiesKHR(physical_, surface_->Surface(), &caps);
        queried != VK_SUCCESS) {
        ReportSwapchainFailure("reading the window surface's capabilities", queried);
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
    VkResult listed =
        vkGetPhysicalDeviceSurfaceFormatsKHR(physical_, surface_->Surface(), &formatCount, nullptr);
    std::vector<VkSurfaceFormatKHR> formats(formatCount);
    if (listed == VK_SUCCESS) {
        listed = vkGetPhysicalDeviceSurfaceFormatsKHR(physical_, surface_->Surface(), &formatCount,
                                                      formats.data());
        formats.resize(formatCount);
    }
    if (listed != VK_SUCCESS && listed != VK_INCOMPLETE) {
        ReportSwapchainFailure("reading the window surface's formats", listed);
        return false;
    }
    if (formats.empty()) {
        ReportSwapchainFailure("reading the window surface's formats", VK_ERROR_FORMAT_NOT_SUPPORTED);
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
    const VkResult result = CheckDeviceResult(vkCreateSwapchainKHR(device_, &info, nullptr, &created),
                                              "creating the window swapchain");
    DestroySwapchain(); // the old one is retired, made or not
    if (result != VK_SUCCESS) {
        ReportSwapchainFailure("creating the window swapchain", result);
        return false;
    }
    swapchain_ = created;
    swapchainFormat_ = chosen.format;
    swapchainExtent_ = extent;
    if (!CreateSwapchainImageObjects()) {
        DestroySwapchain();
        return false;
    }
    swapchainStale_ = false;
    swapchainFailureTold_ = false;
    return true;
}

bool CCommonDevice::CreateSwapchainImageObjects() {
    uint32_t count = 0;
    VkResult listed = vkGetSwapchainImagesKHR(device_, swapchain_, &count, nullptr);
    if (listed == VK_SUCCESS) {
        swapchainImages_.resize(count);
        listed = vkGetSwapchainImagesKHR(device_, swapchain_, &count, swapchainImages_.data());
        swapchainImages_.resize(count);
    }
    if (listed != VK_SUCCESS) {
        ReportSwapchainFailure("listing the swapchain images", listed);
        return false;
    }
    VkSemaphoreCreateInfo semaphoreInfo{VK_STRUCTURE_TYPE_SEMAPHORE_CREATE_INFO};
    for (VkImage image : swapchainImages_) {
        VkImageViewCreateInfo viewInfo{VK_STRUCTURE_TYPE_IMAGE_VIEW_CREATE_INFO};
        viewInfo.image = image;
        viewInfo.viewType = VK_IMAGE_VIEW_TYPE_2D;
        viewInfo.format = swapchainFormat_;
        viewInfo.subresourceRange = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
        VkImageView view = VK_NULL_HANDLE;
        if (const VkResult made = vkCreateImageView(device_, &viewInfo, nullptr, &view); made != VK_SUCCESS) {
            ReportSwapchainFailure("creating a swapchain image view", made);
            return false;
        }
        swapchainViews_.push_back(view);
        VkSemaphore done = VK_NULL_HANDLE;
        if (const VkResult made = vkCreateSemaphore(device_, &semaphoreInfo, nullptr, &done);
            made != VK_SUCCESS) {
            ReportSwapchainFailure("creating a swapchain semaphore", made);
            return false;
        }
        renderDone_.push_back(done);
    }
    return true;
}

void CCommonDevice::ReportSwapchainFailure(const std::string& message, VkResult result) {
    if (result == VK_ERROR_SURFACE_LOST_KHR) {
        // The window's surface is gone: no swapchain can be made on it again.
        MarkDeviceLost(DescribeVulkanFailure(message, result));
        return;
    }
    // Re-creation is tried every frame: one line per run of failures.
    if (!swapchainFailureTold_ && !DeviceLost()) {
        std::fprintf(stderr, "render: %s\n", DescribeVulkanFailure(message, result).c_str());
    }
    swapchainFailureTold_ = true;
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

} // namespace quorvane
