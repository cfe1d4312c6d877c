#pragma once

#include "platform/vulkan_surface_window.h"
#include "render/present_surface.h"

namespace quorvane {

// Hands a 3D view's window surface and its pixel size to the device.
class CSurfaceWindowPresent : public IPresentSurface {
public:
    explicit CSurfaceWindowPresent(const CVulkanSurfaceWindow& window) : window_(window) {}
    VkSurfaceKHR Surface() const override { return window_.Surface(); }
    VkExtent2D PixelSize() const override { return {window_.PixelWidth(), window_.PixelHeight()}; }

private:
    const CVulkanSurfaceWindow& window_;
};

} // namespace quorvane
