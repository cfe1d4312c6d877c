#include "render/gpu_resources.h"

namespace quorvane {

GpuBuffer CreateGpuBuffer(VkDevice device, CGpuMemory& memory, VkDeviceSize size, VkBufferUsageFlags usage,
                          bool hostVisible) {
    GpuBuffer result;
    VkBufferCreateInfo info{VK_STRUCTURE_TYPE_BUFFER_CREATE_INFO};
    info.size = size;
    info.usage = usage;
    info.sharingMode = VK_SHARING_MODE_EXCLUSIVE;
    if (vkCreateBuffer(device, &info, nullptr, &result.buffer) != VK_SUCCESS) {
        return {};
    }
    VkMemoryRequirements requirements{};
    vkGetBufferMemoryRequirements(device, result.buffer, &requirements);
    result.memory = hostVisible ? memory.Allocate(requirements, VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT |
                                                                    VK_MEMORY_PROPERTY_HOST_COHERENT_BIT)
                                : memory.Allocate(requirements, VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT);
    if (!result.memory ||
        vkBindBufferMemory(device, result.buffer, result.memory.memory, result.memory.offset) != VK_SUCCESS) {
        DestroyGpuBuffer(device, memory, result);
        return {};
    }
    result.size = size;
    return result;
}

void DestroyGpuBuffer(VkDevice device, CGpuMemory& memory, GpuBuffer& buffer) {
    if (buffer.buffer != VK_NULL_HANDLE) {
        vkDestroyBuffer(device, buffer.buffer, nullptr);
    }
    memory.Free(buffer.memory);
    buffer = {};
}

VkImageView CreateImageView(VkDevice device, const GpuImage& image, VkImageViewType type) {
    VkImageViewCreateInfo info{VK_STRUCTURE_TYPE_IMAGE_VIEW_CREATE_INFO};
    info.image = image.image;
    info.viewType = type;
    info.format = image.format;
    info.subresourceRange = {image.aspect, 0, 1, 0, image.layers};
    VkImageView view = VK_NULL_HANDLE;
    if (vkCreateImageView(device, &info, nullptr, &view) != VK_SUCCESS) {
        return VK_NULL_HANDLE;
    }
    return view;
}

GpuImage CreateGpuImage(VkDevice device, CGpuMemory& memory, VkFormat format, VkExtent2D extent,
                        uint32_t layers, VkImageUsageFlags usage) {
    GpuImage result;
    result.format = format;
    result.extent = extent;
    result.layers = layers;
    result.aspect = format == VK_FORMAT_D32_SFLOAT ? VK_IMAGE_ASPECT_DEPTH_BIT : VK_IMAGE_ASPECT_COLOR_BIT;
    VkImageCreateInfo info{VK_STRUCTURE_TYPE_IMAGE_CREATE_INFO};
    info.imageType = VK_IMAGE_TYPE_2D;
    info.format = format;
    info.extent = {extent.width, extent.height, 1};
    info.mipLevels = 1;
    info.arrayLayers = layers;
    info.samples = VK_SAMPLE_COUNT_1_BIT;
    info.tiling = VK_IMAGE_TILING_OPTIMAL;
    info.usage = usage;
    info.sharingMode = VK_SHARING_MODE_EXCLUSIVE;
    info.initialLayout = VK_IMAGE_LAYOUT_UNDEFINED;
    if (vkCreateImage(device, &info, nullptr, &result.image) != VK_SUCCESS) {
        return {};
    }
    VkMemoryRequirements requirements{};
    vkGetImageMemoryRequirements(device, result.image, &requirements);
    result.memory = memory.Allocate(requirements, VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT);
    if (!result.memory ||
        vkBindImageMemory(device, result.image, result.memory.memory, result.memory.offset) != VK_SUCCESS) {
        DestroyGpuImage(device, memory, result);
        return {};
    }
    result.view =
        CreateImageView(device, result, layers > 1 ? VK_IMAGE_VIEW_TYPE_2D_ARRAY : VK_IMAGE_VIEW_TYPE_2D);
    if (result.view == VK_NULL_HANDLE) {
        DestroyGpuImage(device, memory, result);
        return {};
    }
    return result;
}

void DestroyGpuImage(VkDevice device, CGpuMemory& memory, GpuImage& image) {
    if (image.view != VK_NULL_HANDLE) {
        vkDestroyImageView(device, image.view, nullptr);
    }
    if (image.image != VK_NULL_HANDLE) {
        vkDestroyImage(device, image.image, nullptr);
    }
    memory.Free(image.memory);
    image = {};
}

void TransitionImage(VkCommandBuffer commands, VkImage image, VkImageAspectFlags aspect, uint32_t layers,
                     VkImageLayout oldLayout, VkImageLayout newLayout) {
    VkImageMemoryBarrier barrier{VK_STRUCTURE_TYPE_IMAGE_MEMORY_BARRIER};
    barrier.srcAccessMask = VK_ACCESS_MEMORY_WRITE_BIT;
    barrier.dstAccessMask = VK_ACCESS_MEMORY_READ_BIT | VK_ACCESS_MEMORY_WRITE_BIT;
    barrier.oldLayout = oldLayout;
    barrier.newLayout = newLayout;
    barrier.srcQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
    barrier.dstQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
    barrier.image = image;
    barrier.subresourceRange = {aspect, 0, 1, 0, layers};
    vkCmdPipelineBarrier(commands, VK_PIPELINE_STAGE_ALL_COMMANDS_BIT, VK_PIPELINE_STAGE_ALL_COMMANDS_BIT, 0,
                         0, nullptr, 0, nullptr, 1, &barrier);
}

void TransitionImage(VkCommandBuffer commands, GpuImage& image, VkImageLayout newLayout) {
    if (image.layout == newLayout) {
        return;
    }
    TransitionImage(commands, image.image, image.aspect, image.layers, image.layout, newLayout);
    image.layout = newLayout;
}

} // namespace quorvane
