#pragma once

#include "render/gpu_memory.h"
#include "render/gpu_resources.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vulkan/vulkan.h>

namespace quorvane {

// Set 0 of the one pipeline layout: the uniform blocks, bindings 0-4, as
// dynamic uniform buffers in the frame's ring; then the texture sampler and
// the composition's sampler.
enum class UniformBlock : uint32_t { Frame = 0, Material = 1, Model = 2, ColliderShapes = 3, Highlight = 4 };
inline constexpr uint32_t kUniformBlockCount = 5;
// Bytes each uniform block declares (the model block with its palette). Each
// binding covers exactly its block: drivers copy the whole range when an offset moves.
inline constexpr std::array<uint32_t, kUniformBlockCount> kUniformBlockBytes = {960, 80, 8400, 12240, 16};

// The frame's uniform ring: one host-visible buffer, filled from its start
// again each frame, into which every draw's uniform blocks are copied and
// bound by dynamic offset, so each draw reads its own. It begins with a
// block that stays zero, which a block not set this frame reads. The
// overlay's vertices come from it too. Render thread only.
class CUniformRing {
public:
    static constexpr VkDeviceSize kBytes = 16ull << 20;
    static constexpr VkDeviceSize kZeroHead = 65536;

    CUniformRing() = default;
    CUniformRing(const CUniformRing&) = delete;
    CUniformRing& operator=(const CUniformRing&) = delete;

    // The buffer, with the device's offset alignment and the most one binding may cover.
    bool Create(VkDevice device, CGpuMemory& memory, VkDeviceSize alignment, VkDeviceSize maxRange);
    // Set 0 over the ring, once its layout exists.
    bool CreateSet(VkDescriptorSetLayout layout);
    void Destroy(CGpuMemory* memory);

    // A new frame: writes start after the zero block, and every block reads it.
    void StartFrame();
    // Room for bytes, its binding (when range > 0) covering range: the offset and the mapped memory.
    bool Allocate(size_t bytes, VkDeviceSize range, VkDeviceSize& offset, void*& mapped);
    // Copies a block in; false when it is too large, has no data or the ring is full.
    bool SetBlock(UniformBlock block, const void* data, size_t bytes);
    // Binds set 0 with this frame's offsets when a block moved since the last bind.
    void Bind(VkCommandBuffer commands, VkPipelineLayout layout);
    void MarkDirty() { dirty_ = true; }

    bool Ready() const { return set_ != VK_NULL_HANDLE; }
    VkBuffer Buffer() const { return buffer_.buffer; }
    VkDeviceSize Size() const { return buffer_.size; }

private:
    VkDeviceSize Range(UniformBlock block) const;

    VkDevice device_ = VK_NULL_HANDLE;
    GpuBuffer buffer_;
    VkDeviceSize head_ = 0;
    VkDeviceSize alignment_ = 256;
    VkDeviceSize maxRange_ = 65536;
    VkDescriptorPool pool_ = VK_NULL_HANDLE;
    VkDescriptorSet set_ = VK_NULL_HANDLE;
    std::array<uint32_t, kUniformBlockCount> offsets_{};
    bool dirty_ = true;
};

} // namespace quorvane
