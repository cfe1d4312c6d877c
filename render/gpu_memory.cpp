#include "render/gpu_memory.h"

#include "modeldata/scalar_math.h"

#include <algorithm>

namespace quorvane {

CGpuMemory::CGpuMemory(VkPhysicalDevice physical, VkDevice device) : device_(device) {
    vkGetPhysicalDeviceMemoryProperties(physical, &properties_);
    VkPhysicalDeviceProperties props{};
    vkGetPhysicalDeviceProperties(physical, &props);
    // Linear and optimal resources may share a block: keep them a page apart.
    granularity_ = std::max<VkDeviceSize>(1, props.limits.bufferImageGranularity);
}

CGpuMemory::~CGpuMemory() {
    for (Block& block : blocks_) {
        if (block.memory != VK_NULL_HANDLE) {
            vkFreeMemory(device_, block.memory, nullptr);
        }
    }
}

int CGpuMemory::FindMemoryType(uint32_t typeBits, VkMemoryPropertyFlags required) const {
    for (uint32_t i = 0; i < properties_.memoryTypeCount; ++i) {
        if ((typeBits & (1u << i)) && (properties_.memoryTypes[i].propertyFlags & required) == required) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool CGpuMemory::CarveFrom(Block& block, VkDeviceSize size, VkDeviceSize alignment, VkDeviceSize& offset) {
    for (size_t i = 0; i < block.freeRanges.size(); ++i) {
        Range& range = block.freeRanges[i];
        const VkDeviceSize start = AlignUp(range.offset, alignment);
        const VkDeviceSize end = start + size;
        if (end > range.offset + range.size) {
            continue;
        }
        const Range before{range.offset, start - range.offset};
        const Range after{end, range.offset + range.size - end};
        block.freeRanges.erase(block.freeRanges.begin() + static_cast<std::ptrdiff_t>(i));
        auto at = block.freeRanges.begin() + static_cast<std::ptrdiff_t>(i);
        if (after.size > 0) {
            at = block.freeRanges.insert(at, after);
        }
        if (before.size > 0) {
            block.freeRanges.insert(at, before);
        }
        offset = start;
        block.used += size;
        return true;
    }
    return false;
}

GpuAllocation CGpuMemory::Allocate(const VkMemoryRequirements& requirements, VkMemoryPropertyFlags required,
                                   VkMemoryPropertyFlags preferred) {
    int type = FindMemoryType(requirements.memoryTypeBits, required | preferred);
    if (type < 0) {
        type = FindMemoryType(requirements.memoryTypeBits, required);
    }
    if (type < 0) {
        return {};
    }
    const auto memoryType = static_cast<uint32_t>(type);
    const bool hostVisible =
        (properties_.memoryTypes[memoryType].propertyFlags & VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT) != 0;
    const VkDeviceSize alignment = std::max(requirements.alignment, granularity_);
    const VkDeviceSize size = AlignUp(requirements.size, granularity_);

    std::lock_guard lock(mutex_);
    for (size_t b = 0; b < blocks_.size(); ++b) {
        Block& block = blocks_[b];
        VkDeviceSize offset = 0;
        if (block.memory != VK_NULL_HANDLE && block.memoryType == memoryType &&
            CarveFrom(block, size, alignment, offset)) {
            return {block.memory, offset,
                    size,         block.mapped ? static_cast<char*>(block.mapped) + offset : nullptr,
                    memoryType,   static_cast<uint32_t>(b)};
        }
    }
    Block block;
    block.size = std::max(kBlockSize, size);
    block.memoryType = memoryType;
    VkMemoryAllocateInfo info{VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO};
    info.allocationSize = block.size;
    info.memoryTypeIndex = memoryType;
    if (vkAllocateMemory(device_, &info, nullptr, &block.memory) != VK_SUCCESS) {
        return {};
    }
    if (hostVisible && vkMapMemory(device_, block.memory, 0, VK_WHOLE_SIZE, 0, &block.mapped) != VK_SUCCESS) {
        vkFreeMemory(device_, block.memory, nullptr);
        return {};
    }
    block.freeRanges.push_back({0, block.size});
    VkDeviceSize offset = 0;
    CarveFrom(block, size, alignment, offset);
    // Reuse a slot of a released block so indices stay stable.
    auto empty = std::find_if(blocks_.begin(), blocks_.end(),
                              [](const Block& b) { return b.memory == VK_NULL_HANDLE; });
    size_t index = static_cast<size_t>(empty - blocks_.begin());
    if (empty == blocks_.end()) {
        blocks_.push_back(std::move(block));
    } else {
        *empty = std::move(block);
    }
    Block& stored = blocks_[index];
    return {stored.memory, offset,
            size,          stored.mapped ? static_cast<char*>(stored.mapped) + offset : nullptr,
            memoryType,    static_cast<uint32_t>(index)};
}

void CGpuMemory::Free(const GpuAllocation& allocation) {
    if (!allocation) {
        return;
    }
    std::lock_guard lock(mutex_);
    if (allocation.block >= blocks_.size() || blocks_[allocation.block].memory != allocation.memory) {
        return;
    }
    Block& block = blocks_[allocation.block];
    auto& ranges = block.freeRanges;
    auto at = std::lower_bound(ranges.begin(), ranges.end(), allocation.offset,
                               [](const Range& r, VkDeviceSize offset) { return r.offset < offset; });
    at = ranges.insert(at, {allocation.offset, allocation.size});
    // Merge with the neighbours.
    if (at + 1 != ranges.end() && at->offset + at->size == (at + 1)->offset) {
        at->size += (at + 1)->size;
        ranges.erase(at + 1);
    }
    if (at != ranges.begin() && (at - 1)->offset + (at - 1)->size == at->offset) {
        (at - 1)->size += at->size;
        at = ranges.erase(at) - 1;
    }
    block.used -= allocation.size;
    // Give whole blocks back once empty, except the first of each type.
    if (block.used == 0) {
        const bool another = std::any_of(blocks_.begin(), blocks_.end(), [&](const Block& b) {
            return &b != &block && b.memory != VK_NULL_HANDLE && b.memoryType == block.memoryType;
        });
        if (another) {
            vkFreeMemory(device_, block.memory, nullptr);
            block = Block{};
        }
    }
}

VkDeviceSize CGpuMemory::UsedDeviceLocalBytes() const {
    std::lock_guard lock(mutex_);
    VkDeviceSize used = 0;
    for (const Block& block : blocks_) {
        if (block.memory != VK_NULL_HANDLE &&
            (properties_.memoryTypes[block.memoryType].propertyFlags & VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT)) {
            used += block.used;
        }
    }
    return used;
}

VkDeviceSize CGpuMemory::ReservedBytes() const {
    std::lock_guard lock(mutex_);
    VkDeviceSize total = 0;
    for (const Block& block : blocks_) {
        total += block.memory != VK_NULL_HANDLE ? block.size : 0;
    }
    return total;
}

size_t CGpuMemory::BlockCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<size_t>(std::count_if(blocks_.begin(), blocks_.end(),
                                             [](const Block& b) { return b.memory != VK_NULL_HANDLE; }));
}

} // namespace quorvane
