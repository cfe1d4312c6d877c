#pragma once

#include "render/descriptor_cache.h"
#include "render/gpu_resources.h"
#include "render/texture_image.h"

#include <filesystem>
#include <functional>
#include <vector>
#include <vulkan/vulkan.h>

namespace quorvane {

class CCommonDevice;

// A sampled 2D texture with all its mip levels and a view of them.
struct GpuTexture {
    VkImage image = VK_NULL_HANDLE;
    VkImageView view = VK_NULL_HANDLE;
    GpuAllocation memory;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t mipLevels = 0;
    bool fallback = false; // the image could not be read: shows the checker

    explicit operator bool() const { return image != VK_NULL_HANDLE; }
};

// The pixels of a texture file: the full mip chain for model textures, one
// level for field textures. An unreadable file is reported (once per path)
// and gives the fallback checker, so a texture always results.
std::vector<RgbaImage> LoadTextureLevels(const std::filesystem::path& path, bool mipChain,
                                         CTextureErrorReporter& reporter, bool& usedFallback);

// Creates the image and a staging buffer holding every level, and records on
// commands the copies and the move to the shader-read layout. The staging
// buffer must live until the commands have run. False when a resource could
// not be created (nothing is left behind then).
bool RecordTextureUpload(CCommonDevice& device, VkCommandBuffer commands,
                         const std::vector<RgbaImage>& levels, GpuTexture& out, GpuBuffer& staging);
void DestroyTexture(CCommonDevice& device, GpuTexture& texture);
DescriptorView TextureDescriptorView(const GpuTexture& texture);

// Records with a transient command buffer, submits on the device queue and
// waits. Only for callers that own the queue at that moment (tools, tests,
// the CPU-visible build when no render thread runs).
bool SubmitImmediately(CCommonDevice& device, const std::function<void(VkCommandBuffer)>& record);

// Field texture: one level, recorded on commands, its view in slot at once;
// the staging buffer goes to the device's release list after the frame.
bool LoadFieldTexture(CCommonDevice& device, VkCommandBuffer commands, GpuTexture& out, uint32_t slot,
                      const std::filesystem::path& path,
                      CTextureErrorReporter& reporter = DefaultTextureErrorReporter());

} // namespace quorvane
