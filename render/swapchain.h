#pragma once

#include "render/present_surface.h"

#include <cstdint>
#include <string>
#include <vector>
#include <vulkan/vulkan.h>

namespace quorvane {

class CCommonDevice;

// The window's swapchain: its images, their views and the semaphores that
// say an image's frame is drawn. Made again when the window's size changes
// or the driver calls it out of date. Render thread only.
class CSwapchain {
public:
    CSwapchain(CCommonDevice& device, IPresentSurface& surface) : device_(device), surface_(surface) {}
    ~CSwapchain() { Destroy(); }
    CSwapchain(const CSwapchain&) = delete;
    CSwapchain& operator=(const CSwapchain&) = delete;

    // For the surface's size now; false, told once per run of failures, when it cannot be made.
    bool Create();
    void Destroy();
    // The next image to draw into, the swapchain made again first when stale
    // or resized. False: nothing to draw into this turn (no size, out of
    // date, device lost).
    bool Acquire(VkSemaphore imageAcquired);
    // Presents the acquired image once RenderDone() is signalled; false when the device is lost.
    bool Present(VkQueue queue);
    // A frame dropped after its acquire: made again before the next one.
    void MarkStale() { stale_ = true; }

    VkImage Image() const { return images_[index_]; }
    VkImageView View() const { return views_[index_]; }
    VkSemaphore RenderDone() const { return renderDone_[index_]; }
    VkExtent2D Extent() const { return extent_; }
    VkFormat Format() const { return format_; }

private:
    bool CreateImageObjects();
    void ReportFailure(const std::string& message, VkResult result);

    CCommonDevice& device_;
    IPresentSurface& surface_;
    VkSwapchainKHR swapchain_ = VK_NULL_HANDLE;
    VkFormat format_ = VK_FORMAT_UNDEFINED;
    VkExtent2D extent_{};
    VkExtent2D requested_{}; // the window's size when it was made
    std::vector<VkImage> images_;
    std::vector<VkImageView> views_;
    std::vector<VkSemaphore> renderDone_;
    uint32_t index_ = 0;
    bool stale_ = false;
    bool failureTold_ = false; // once per run of failed re-creations
};

} // namespace quorvane
