#include "render/texture_loader.h"

#include "render/common_device.h"
#include "render/vulkan_result.h"

#include <cstdio>
#include <cstring>

namespace quorvane {

std::vector<RgbaImage> LoadTextureLevels(const std::filesystem::path& path, bool mipChain,
                                         CTextureErrorReporter& reporter, bool& usedFallback) {
    RgbaImage image;
    std::string error;
    usedFallback = false;
    // An image that names no file has nothing to read or report; it shows the
    // checker all the same.
    const bool named = !path.empty();
    if (!named || !DecodeImageFile(path, image, error)) {
        if (named) {
            reporter.Report(path.string());
        }
        image = FallbackCheckerImage();
        usedFallback = true;
    }
    if (mipChain) {
        return BuildMipChain(std::move(image));
    }
    std::vector<RgbaImage> levels;
    levels.push_back(std::move(image));
    return levels;
}

bool RecordTextureUpload(CCommonDevice& device, VkCommandBuffer commands,
                         const std::vector<RgbaImage>& levels, GpuTexture& out, GpuBuffer& staging) {
    if (levels.empty() || !levels[0].IsValid() || commands == VK_NULL_HANDLE) {
        return false;
    }
    VkDevice vk = device.Device();
    CGpuMemory& memory = device.Memory();
    GpuTexture texture;
    texture.width = levels[0].width;
    texture.height = levels[0].height;
    texture.mipLevels = static_cast<uint32_t>(levels.size());

    VkImageCreateInfo info{VK_STRUCTURE_TYPE_IMAGE_CREATE_INFO};
    info.imageType = VK_IMAGE_TYPE_2D;
    info.format = VK_FORMAT_R8G8B8A8_UNORM;
    info.extent = {texture.width, texture.height, 1};
    info.mipLevels = texture.mipLevels;
    info.arrayLayers = 1;
    info.samples = VK_SAMPLE_COUNT_1_BIT;
    info.tiling = VK_IMAGE_TILING_OPTIMAL;
    info.usage = VK_IMAGE_USAGE_SAMPLED_BIT | VK_IMAGE_USAGE_TRANSFER_DST_BIT;
    info.sharingMode = VK_SHARING_MODE_EXCLUSIVE;
    info.initialLayout = VK_IMAGE_LAYOUT_UNDEFINED;
    if (vkCreateImage(vk, &info, nullptr, &texture.image) != VK_SUCCESS) {
        return false;
    }
    VkMemoryRequirements requirements{};
    vkGetImageMemoryRequirements(vk, texture.image, &requirements);
    texture.memory = memory.Allocate(requirements, VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT);
    if (!texture.memory ||
        vkBindImageMemory(vk, texture.image, texture.memory.memory, texture.memory.offset) != VK_SUCCESS) {
        DestroyTexture(device, texture);
        return false;
    }
    VkImageViewCreateInfo viewInfo{VK_STRUCTURE_TYPE_IMAGE_VIEW_CREATE_INFO};
    viewInfo.image = texture.image;
    viewInfo.viewType = VK_IMAGE_VIEW_TYPE_2D;
    viewInfo.format = info.format;
    viewInfo.subresourceRange = {VK_IMAGE_ASPECT_COLOR_BIT, 0, texture.mipLevels, 0, 1};
    if (vkCreateImageView(vk, &viewInfo, nullptr, &texture.view) != VK_SUCCESS) {
        DestroyTexture(device, texture);
        return false;
    }

    // Levels packed one after another; 16-byte alignment satisfies every copy.
    std::vector<VkDeviceSize> offsets;
    VkDeviceSize total = 0;
    for (const RgbaImage& level : levels) {
        total = (total + 15) & ~VkDeviceSize{15};
        offsets.push_back(total);
        total += level.pixels.size();
    }
    GpuBuffer buffer = CreateGpuBuffer(vk, memory, total, VK_BUFFER_USAGE_TRANSFER_SRC_BIT, true);
    if (!buffer || buffer.Mapped() == nullptr) {
        DestroyGpuBuffer(vk, memory, buffer);
        DestroyTexture(device, texture);
        return false;
    }
    std::vector<VkBufferImageCopy> regions;
    for (size_t i = 0; i < levels.size(); ++i) {
        std::memcpy(static_cast<char*>(buffer.Mapped()) + offsets[i], levels[i].pixels.data(),
                    levels[i].pixels.size());
        VkBufferImageCopy region{};
        region.bufferOffset = offsets[i];
        region.imageSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, static_cast<uint32_t>(i), 0, 1};
        region.imageExtent = {levels[i].width, levels[i].height, 1};
        regions.push_back(region);
    }

    VkImageMemoryBarrier barrier{VK_STRUCTURE_TYPE_IMAGE_MEMORY_BARRIER};
    barrier.srcQueueFamilyIndex = barrier.dstQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
    barrier.image = texture.image;
    barrier.subresourceRange = viewInfo.subresourceRange;
    barrier.oldLayout = VK_IMAGE_LAYOUT_UNDEFINED;
    barrier.newLayout = VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL;
    barrier.dstAccessMask = VK_ACCESS_TRANSFER_WRITE_BIT;
    vkCmdPipelineBarrier(commands, VK_PIPELINE_STAGE_TOP_OF_PIPE_BIT, VK_PIPELINE_STAGE_TRANSFER_BIT, 0, 0,
                         nullptr, 0, nullptr, 1, &barrier);
    vkCmdCopyBufferToImage(commands, buffer.buffer, texture.image, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL,
                           static_cast<uint32_t>(regions.size()), regions.data());
    barrier.oldLayout = VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL;
    barrier.newLayout = VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL;
    barrier.srcAccessMask = VK_ACCESS_TRANSFER_WRITE_BIT;
    barrier.dstAccessMask = VK_ACCESS_SHADER_READ_BIT;
    vkCmdPipelineBarrier(commands, VK_PIPELINE_STAGE_TRANSFER_BIT, VK_PIPELINE_STAGE_ALL_GRAPHICS_BIT, 0, 0,
                         nullptr, 0, nullptr, 1, &barrier);
    out = texture;
    staging = buffer;
    return true;
}

void DestroyTexture(CCommonDevice& device, GpuTexture& texture) {
    if (texture.view != VK_NULL_HANDLE) {
        vkDestroyImageView(device.Device(), texture.view, nullptr);
    }
    if (texture.image != VK_NULL_HANDLE) {
        vkDestroyImage(device.Device(), texture.image, nullptr);
    }
    device.Memory().Free(texture.memory);
    texture = {};
}

DescriptorView TextureDescriptorView(const GpuTexture& texture) {
    DescriptorView view;
    view.kind = DescriptorView::Kind::Image;
    view.imageView = texture.view;
    view.viewType = VK_IMAGE_VIEW_TYPE_2D;
    view.layout = VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL;
    return view;
}

bool SubmitImmediately(CCommonDevice& device, const std::function<void(VkCommandBuffer)>& record) {
    VkDevice vk = device.Device();
    VkCommandPoolCreateInfo poolInfo{VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO};
    poolInfo.flags = VK_COMMAND_POOL_CREATE_TRANSIENT_BIT;
    poolInfo.queueFamilyIndex = device.QueueFamily();
    VkCommandPool pool = VK_NULL_HANDLE;
    if (const VkResult made = vkCreateCommandPool(vk, &poolInfo, nullptr, &pool); made != VK_SUCCESS) {
        std::fprintf(stderr, "render: %s\n",
                     DescribeVulkanFailure("creating a one-off command pool", made).c_str());
        return false;
    }
    VkCommandBufferAllocateInfo allocate{VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO};
    allocate.commandPool = pool;
    allocate.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
    allocate.commandBufferCount = 1;
    VkCommandBuffer commands = VK_NULL_HANDLE;
    VkResult result = vkAllocateCommandBuffers(vk, &allocate, &commands);
    const char* step = "allocating a one-off command buffer";
    if (result == VK_SUCCESS) {
        VkCommandBufferBeginInfo begin{VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO};
        begin.flags = VK_COMMAND_BUFFER_USAGE_ONE_TIME_SUBMIT_BIT;
        result = vkBeginCommandBuffer(commands, &begin);
        step = "starting one-off commands";
    }
    if (result == VK_SUCCESS) {
        record(commands);
        result = vkEndCommandBuffer(commands);
        step = "recording one-off commands";
    }
    if (result == VK_SUCCESS) {
        VkSubmitInfo submit{VK_STRUCTURE_TYPE_SUBMIT_INFO};
        submit.commandBufferCount = 1;
        submit.pCommandBuffers = &commands;
        result = device.CheckDeviceResult(vkQueueSubmit(device.Queue(), 1, &submit, VK_NULL_HANDLE),
                                          "submitting one-off commands");
        step = "submitting one-off commands";
        if (result == VK_SUCCESS) {
            result =
                device.CheckDeviceResult(vkQueueWaitIdle(device.Queue()), "waiting for one-off commands");
            step = "waiting for one-off commands";
        }
    }
    if (result != VK_SUCCESS) {
        std::fprintf(stderr, "render: %s\n", DescribeVulkanFailure(step, result).c_str());
        if (result == VK_ERROR_DEVICE_LOST) {
            vkQueueWaitIdle(device.Queue()); // what reached the queue ends before its pool goes
        }
    }
    vkDestroyCommandPool(vk, pool, nullptr);
    return result == VK_SUCCESS;
}

bool LoadFieldTexture(CCommonDevice& device, VkCommandBuffer commands, GpuTexture& out, uint32_t slot,
                      const std::filesystem::path& path, CTextureErrorReporter& reporter) {
    bool fallback = false;
    const std::vector<RgbaImage> levels = LoadTextureLevels(path, false, reporter, fallback);
    GpuBuffer staging;
    if (!RecordTextureUpload(device, commands, levels, out, staging)) {
        return false;
    }
    out.fallback = fallback;
    device.Descriptors().SetView(slot, TextureDescriptorView(out));
    device.DeferRelease(
        [&device, staging]() mutable { DestroyGpuBuffer(device.Device(), device.Memory(), staging); });
    return true;
}

} // namespace quorvane
