#pragma once

#include "render/gpu_memory.h"

#include <vulkan/vulkan.h>

namespace quorvane {

// A buffer with its piece of a memory block. Plain record: Destroy frees it.
struct GpuBuffer {
    VkBuffer buffer = VK_NULL_HANDLE;
    GpuAllocation memory;
    VkDeviceSize size = 0;

    void* Mapped() const { return memory.mapped; }
    explicit operator bool() const { return buffer != VK_NULL_HANDLE; }
};

// An image, its default view and the layout the frame recording left it in.
struct GpuImage {
    VkImage image = VK_NULL_HANDLE;
    VkImageView view = VK_NULL_HANDLE;
    GpuAllocation memory;
    VkFormat format = VK_FORMAT_UNDEFINED;
    VkExtent2D extent{};
    uint32_t layers = 1;
    VkImageAspectFlags aspect = VK_IMAGE_ASPECT_COLOR_BIT;
    VkImageLayout layout = VK_IMAGE_LAYOUT_UNDEFINED;

    explicit operator bool() const { return image != VK_NULL_HANDLE; }
};

// Creation returns an empty record when any step fails, with nothing left behind.
GpuBuffer CreateGpuBuffer(VkDevice device, CGpuMemory& memory, VkDeviceSize size, VkBufferUsageFlags usage,
                          bool hostVisible);
void DestroyGpuBuffer(VkDevice device, CGpuMemory& memory, GpuBuffer& buffer);

// A 2D image (layers > 1: an array) with a view of all its layers.
GpuImage CreateGpuImage(VkDevice device, CGpuMemory& memory, VkFormat format, VkExtent2D extent,
                        uint32_t layers, VkImageUsageFlags usage);
void DestroyGpuImage(VkDevice device, CGpuMemory& memory, GpuImage& image);
VkImageView CreateImageView(VkDevice device, const GpuImage& image, VkImageViewType type);

// Moves an image to a new layout with a full barrier (simple and always right).
void TransitionImage(VkCommandBuffer commands, GpuImage& image, VkImageLayout newLayout);
void TransitionImage(VkCommandBuffer commands, VkImage image, VkImageAspectFlags aspect, uint32_t layers,
                     VkImageLayout oldLayout, VkImageLayout newLayout);

} // namespace quorvane
