#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>
#include <vulkan/vulkan.h>

namespace quorvane {

// One piece of a large device-memory block.
struct GpuAllocation {
    VkDeviceMemory memory = VK_NULL_HANDLE;
    VkDeviceSize offset = 0;
    VkDeviceSize size = 0;
    void* mapped = nullptr; // set for host-visible memory
    uint32_t memoryType = 0;
    uint32_t block = 0;

    explicit operator bool() const { return memory != VK_NULL_HANDLE; }
};

// Sub-allocates device memory from large blocks: many drivers allow only a few
// thousand allocations. Host-visible blocks stay mapped for their lifetime.
// Thread-safe: loader threads allocate while the render thread frees.
class CGpuMemory {
public:
    static constexpr VkDeviceSize kBlockSize = 64ull << 20;

    CGpuMemory(VkPhysicalDevice physical, VkDevice device);
    ~CGpuMemory();
    CGpuMemory(const CGpuMemory&) = delete;
    CGpuMemory& operator=(const CGpuMemory&) = delete;

    GpuAllocation Allocate(const VkMemoryRequirements& requirements, VkMemoryPropertyFlags required,
                           VkMemoryPropertyFlags preferred = 0);
    void Free(const GpuAllocation& allocation);

    // Bytes handed out in device-local heaps, and the blocks' total.
    VkDeviceSize UsedDeviceLocalBytes() const;
    VkDeviceSize ReservedBytes() const;
    size_t BlockCount() const;

private:
    struct Range {
        VkDeviceSize offset;
        VkDeviceSize size;
    };
    struct Block {
        VkDeviceMemory memory = VK_NULL_HANDLE;
        VkDeviceSize size = 0;
        uint32_t memoryType = 0;
        void* mapped = nullptr;
        std::vector<Range> freeRanges; // sorted by offset, coalesced
        VkDeviceSize used = 0;
    };

    int FindMemoryType(uint32_t typeBits, VkMemoryPropertyFlags required) const;
    bool CarveFrom(Block& block, VkDeviceSize size, VkDeviceSize alignment, VkDeviceSize& offset);

    VkDevice device_;
    VkPhysicalDeviceMemoryProperties properties_{};
    VkDeviceSize granularity_ = 1;
    mutable std::mutex mutex_;
    std::vector<Block> blocks_;
};

} // namespace quorvane
