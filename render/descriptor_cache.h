#pragma once

#include "platform/busy_flag.h"

#include <array>
#include <cstdint>
#include <map>
#include <vector>
#include <vulkan/vulkan.h>

namespace quorvane {

// What a slot holds: an image view in a known layout, or a buffer range.
struct DescriptorView {
    enum class Kind { None, Image, Buffer };
    Kind kind = Kind::None;
    VkImageView imageView = VK_NULL_HANDLE;
    VkImageViewType viewType = VK_IMAGE_VIEW_TYPE_2D;
    VkImageLayout layout = VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL;
    VkBuffer buffer = VK_NULL_HANDLE;
    VkDeviceSize offset = 0;
    VkDeviceSize range = 0;
};

// The bindings of one texture set: its set number and one sampled image per binding.
struct DescriptorSetShape {
    uint32_t set = 0;
    std::vector<VkImageViewType> bindings;
};

// The device's 20000 descriptor slots, and the descriptor sets built from
// them. Allocation is first-free under a busy byte polled every 10 ms. A set
// is built from the views of a range of slots and kept until a slot in that
// range changes; empty slots and mismatched views read the 1 x 1 default texture.
class CDescriptorCache {
public:
    static constexpr uint32_t kSlotCount = 20000;

    // device may be null: then only the slot bookkeeping works (no sets).
    explicit CDescriptorCache(VkDevice device);
    ~CDescriptorCache();
    CDescriptorCache(const CDescriptorCache&) = delete;
    CDescriptorCache& operator=(const CDescriptorCache&) = delete;

    // False when the device was given but its descriptor pool could not be made.
    bool CanBuildSets() const { return pool_ != VK_NULL_HANDLE; }
    bool AllocateOne(uint32_t& outSlot);
    bool AllocateRange(uint32_t& outFirstSlot, uint32_t count);
    // Frees the allocation that starts at firstSlot (all its slots).
    // False when firstSlot is not the start of an allocation.
    bool Release(uint32_t firstSlot);

    bool SetView(uint32_t slot, const DescriptorView& view);
    DescriptorView View(uint32_t slot) const;
    // 0 = free; otherwise the first slot of its allocation plus one.
    uint32_t Tag(uint32_t slot) const;

    // Defaults for empty slots, one per view type.
    void SetDefaultViews(VkImageView view2D, VkImageView view2DArray);
    // The set of shape for the range starting at baseSlot; built on
    // first use. Render thread only. Null on failure or a range past the end.
    VkDescriptorSet GetSet(const DescriptorSetShape& shape, VkDescriptorSetLayout layout, uint32_t baseSlot);
    // Frees sets dropped by slot changes; call once the GPU finished the frame.
    void CollectRetiredSets();
    size_t CachedSetCount() const;

private:
    void InvalidateSetsCovering(uint32_t first, uint32_t count); // lock held
    VkDescriptorSet BuildSet(const DescriptorSetShape& shape, VkDescriptorSetLayout layout,
                             uint32_t baseSlot); // lock held

    struct CachedSet {
        VkDescriptorSet set = VK_NULL_HANDLE;
        uint32_t count = 0;
    };

    VkDevice device_;
    VkDescriptorPool pool_ = VK_NULL_HANDLE;
    mutable CBusyFlag busy_;
    std::vector<uint32_t> tag_;
    std::vector<DescriptorView> views_;
    VkImageView default2D_ = VK_NULL_HANDLE;
    VkImageView default2DArray_ = VK_NULL_HANDLE;
    std::map<std::pair<uint32_t, uint32_t>, CachedSet> sets_; // (set number, base slot)
    std::vector<VkDescriptorSet> retired_;
};

} // namespace quorvane
