#include "render/swapchain.h"

#include "render/common_device.h"
#include "render/vulkan_result.h"

#include <algorithm>
#include <cstdio>

namespace quorvane {

bool CSwapchain::Create() {
    VkSurfaceCapabilitiesKHR caps{};
    if (const VkResult queried =
            vkGetPhysicalDeviceSurfaceCapabilitiesKHR(device_.PhysicalDevice(), surface_.Surface(), &caps);
        queried != VK_SUCCESS) {
        ReportFailure("reading the window surface's capabilities", queried);
        return false;
    }
    requested_ = surface_.PixelSize();
    VkExtent2D extent = caps.currentExtent;
    if (extent.width == 0xFFFFFFFFu) {
        extent = surface_.PixelSize();
        extent.width = std::clamp(extent.width, caps.minImageExtent.width, caps.maxImageExtent.width);
        extent.height = std::clamp(extent.height, caps.minImageExtent.height, caps.maxImageExtent.height);
    }
    if (extent.width == 0 || extent.height == 0) {
        return false;
    }
    uint32_t formatCount = 0;
    VkResult listed = vkGetPhysicalDeviceSurfaceFormatsKHR(device_.PhysicalDevice(), surface_.Surface(),
                                                           &formatCount, nullptr);
    std::vector<VkSurfaceFormatKHR> formats(formatCount);
    if (listed == VK_SUCCESS) {
        listed = vkGetPhysicalDeviceSurfaceFormatsKHR(device_.PhysicalDevice(), surface_.Surface(),
                                                      &formatCount, formats.data());
        formats.resize(formatCount);
    }
    if (listed != VK_SUCCESS && listed != VK_INCOMPLETE) {
        ReportFailure("reading the window surface's formats", listed);
        return false;
    }
    if (formats.empty()) {
        ReportFailure("reading the window surface's formats", VK_ERROR_FORMAT_NOT_SUPPORTED);
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
    info.surface = surface_.Surface();
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
    const VkResult result = device_.CheckDeviceResult(
        vkCreateSwapchainKHR(device_.Device(), &info, nullptr, &created), "creating the window swapchain");
    Destroy(); // the old one is retired, made or not
    if (result != VK_SUCCESS) {
        ReportFailure("creating the window swapchain", result);
        return false;
    }
    swapchain_ = created;
    format_ = chosen.format;
    extent_ = extent;
    if (!CreateImageObjects()) {
        Destroy();
        return false;
    }
    stale_ = false;
    failureTold_ = false;
    return true;
}

bool CSwapchain::CreateImageObjects() {
    uint32_t count = 0;
    VkResult listed = vkGetSwapchainImagesKHR(device_.Device(), swapchain_, &count, nullptr);
    if (listed == VK_SUCCESS) {
        images_.resize(count);
        listed = vkGetSwapchainImagesKHR(device_.Device(), swapchain_, &count, images_.data());
        images_.resize(count);
    }
    if (listed != VK_SUCCESS) {
        ReportFailure("listing the swapchain images", listed);
        return false;
    }
    VkSemaphoreCreateInfo semaphoreInfo{VK_STRUCTURE_TYPE_SEMAPHORE_CREATE_INFO};
    for (VkImage image : images_) {
        VkImageViewCreateInfo viewInfo{VK_STRUCTURE_TYPE_IMAGE_VIEW_CREATE_INFO};
        viewInfo.image = image;
        viewInfo.viewType = VK_IMAGE_VIEW_TYPE_2D;
        viewInfo.format = format_;
        viewInfo.subresourceRange = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
        VkImageView view = VK_NULL_HANDLE;
        if (const VkResult made = vkCreateImageView(device_.Device(), &viewInfo, nullptr, &view);
            made != VK_SUCCESS) {
            ReportFailure("creating a swapchain image view", made);
            return false;
        }
        views_.push_back(view);
        VkSemaphore done = VK_NULL_HANDLE;
        if (const VkResult made = vkCreateSemaphore(device_.Device(), &semaphoreInfo, nullptr, &done);
            made != VK_SUCCESS) {
            ReportFailure("creating a swapchain semaphore", made);
            return false;
        }
        renderDone_.push_back(done);
    }
    return true;
}

void CSwapchain::ReportFailure(const std::string& message, VkResult result) {
    if (result == VK_ERROR_SURFACE_LOST_KHR) {
        // The window's surface is gone: no swapchain can be made on it again.
        device_.MarkDeviceLost(DescribeVulkanFailure(message, result));
        return;
    }
    // Re-creation is tried every frame: one line per run of failures.
    if (!failureTold_ && !device_.DeviceLost()) {
        std::fprintf(stderr, "render: %s\n", DescribeVulkanFailure(message, result).c_str());
    }
    failureTold_ = true;
}

void CSwapchain::Destroy() {
    for (VkImageView view : views_) {
        vkDestroyImageView(device_.Device(), view, nullptr);
    }
    for (VkSemaphore semaphore : renderDone_) {
        vkDestroySemaphore(device_.Device(), semaphore, nullptr);
    }
    views_.clear();
    renderDone_.clear();
    images_.clear();
    if (swapchain_ != VK_NULL_HANDLE) {
        vkDestroySwapchainKHR(device_.Device(), swapchain_, nullptr);
        swapchain_ = VK_NULL_HANDLE;
    }
}

bool CSwapchain::Acquire(VkSemaphore imageAcquired) {
    const VkExtent2D size = surface_.PixelSize();
    if (size.width == 0 || size.height == 0) {
        return false;
    }
    // Compare with the size the swapchain was made for: the surface may
    // report a slightly different extent, which must not re-create it every frame.
    if (swapchain_ == VK_NULL_HANDLE || stale_ || size.width != requested_.width ||
        size.height != requested_.height) {
        if (!device_.WaitForDeviceIdle("waiting for the device before the swapchain is made again") ||
            !Create()) {
            return false;
        }
    }
    const VkResult acquired =
        device_.CheckDeviceResult(vkAcquireNextImageKHR(device_.Device(), swapchain_, UINT64_MAX,
                                                        imageAcquired, VK_NULL_HANDLE, &index_),
                                  "acquiring the next window image");
    switch (acquired) {
    case VK_SUCCESS:
        return true;
    case VK_SUBOPTIMAL_KHR:
        stale_ = true; // draw this one, re-create before the next
        return true;
    case VK_ERROR_OUT_OF_DATE_KHR:
        stale_ = true;
        return false;
    default:
        device_.MarkDeviceLost(DescribeVulkanFailure("acquiring the next window image", acquired));
        return false;
    }
}

bool CSwapchain::Present(VkQueue queue) {
    VkPresentInfoKHR present{VK_STRUCTURE_TYPE_PRESENT_INFO_KHR};
    present.waitSemaphoreCount = 1;
    present.pWaitSemaphores = &renderDone_[index_];
    present.swapchainCount = 1;
    present.pSwapchains = &swapchain_;
    present.pImageIndices = &index_;
    const VkResult presented =
        device_.CheckDeviceResult(vkQueuePresentKHR(queue, &present), "presenting the frame");
    switch (presented) {
    case VK_SUCCESS:
        return true;
    case VK_SUBOPTIMAL_KHR:
    case VK_ERROR_OUT_OF_DATE_KHR:
        stale_ = true; // the frame was drawn; the next one re-creates
        return true;
    default:
        device_.MarkDeviceLost(DescribeVulkanFailure("presenting the frame", presented));
        return false;
    }
}

} // namespace quorvane
