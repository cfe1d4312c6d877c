#pragma once

#include <vulkan/vulkan.h>

namespace quorvane {

// A window's Vulkan surface, given to the device by the platform layer.
class IPresentSurface {
public:
    virtual ~IPresentSurface() = default;
    virtual VkSurfaceKHR Surface() const = 0;
    // Current size in pixels; safe to call from the render thread.
    virtual VkExtent2D PixelSize() const = 0;
};

} // namespace quorvane
