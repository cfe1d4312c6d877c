#include "render/descriptor_cache.h"

#include "render/vulkan_result.h"

#include <cstdio>

namespace quorvane {
namespace {
constexpr std::chrono::milliseconds kLockPoll{10};
constexpr uint32_t kMaxCachedSets = 4096;
constexpr uint32_t kMaxCachedImages = kMaxCachedSets * 16;
} // namespace

CDescriptorCache::CDescriptorCache(VkDevice device)
    : device_(device), busy_(kLockPoll), tag_(kSlotCount, 0), views_(kSlotCount) {
    if (device_ == VK_NULL_HANDLE) {
        return;
    }
    const VkDescriptorPoolSize size{VK_DESCRIPTOR_TYPE_SAMPLED_IMAGE, kMaxCachedImages};
    VkDescriptorPoolCreateInfo info{VK_STRUCTURE_TYPE_DESCRIPTOR_POOL_CREATE_INFO};
    info.flags = VK_DESCRIPTOR_POOL_CREATE_FREE_DESCRIPTOR_SET_BIT;
    info.maxSets = kMaxCachedSets;
    info.poolSizeCount = 1;
    info.pPoolSizes = &size;
    if (const VkResult created = vkCreateDescriptorPool(device_, &info, nullptr, &pool_);
        created != VK_SUCCESS) {
        std::fprintf(stderr, "render: %s\n",
                     DescribeVulkanFailure("creating the descriptor pool", created).c_str());
        pool_ = VK_NULL_HANDLE;
    }
}

CDescriptorCache::~CDescriptorCache() {
    if (pool_ != VK_NULL_HANDLE) {
        vkDestroyDescriptorPool(device_, pool_, nullptr);
    }
}

bool CDescriptorCache::AllocateOne(uint32_t& outSlot) {
    return AllocateRange(outSlot, 1);
}

bool CDescriptorCache::AllocateRange(uint32_t& outFirstSlot, uint32_t count) {
    if (count == 0 || count > kSlotCount) {
        return false;
    }
    CBusyFlagGuard lock(busy_);
    uint32_t first = 0;
    while (first + count <= kSlotCount) {
        uint32_t used = kSlotCount;
        for (uint32_t k = first; k < first + count; ++k) {
            if (tag_[k] != 0) {
                used = k;
                break;
            }
        }
        if (used == kSlotCount) {
            for (uint32_t k = first; k < first + count; ++k) {
                tag_[k] = first + 1;
                views_[k] = {};
            }
            InvalidateSetsCovering(first, count);
            outFirstSlot = first;
            return true;
        }
        first = used + 1;
    }
    return false;
}

bool CDescriptorCache::Release(uint32_t firstSlot) {
    if (firstSlot >= kSlotCount) {
        return false;
    }
    CBusyFlagGuard lock(busy_);
    if (tag_[firstSlot] != firstSlot + 1) {
        return false;
    }
    uint32_t end = firstSlot;
    while (end < kSlotCount && tag_[end] == firstSlot + 1) {
        tag_[end] = 0;
        views_[end] = {};
        ++end;
    }
    InvalidateSetsCovering(firstSlot, end - firstSlot);
    return true;
}

bool CDescriptorCache::SetView(uint32_t slot, const DescriptorView& view) {
    if (slot >= kSlotCount) {
        return false;
    }
    CBusyFlagGuard lock(busy_);
    if (tag_[slot] == 0) {
        return false;
    }
    views_[slot] = view;
    InvalidateSetsCovering(slot, 1);
    return true;
}

DescriptorView CDescriptorCache::View(uint32_t slot) const {
    if (slot >= kSlotCount) {
        return {};
    }
    CBusyFlagGuard lock(busy_);
    return views_[slot];
}

uint32_t CDescriptorCache::Tag(uint32_t slot) const {
    if (slot >= kSlotCount) {
        return 0;
    }
    CBusyFlagGuard lock(busy_);
    return tag_[slot];
}

void CDescriptorCache::SetDefaultViews(VkImageView view2D, VkImageView view2DArray) {
    CBusyFlagGuard lock(busy_);
    default2D_ = view2D;
    default2DArray_ = view2DArray;
    InvalidateSetsCovering(0, kSlotCount);
}

void CDescriptorCache::InvalidateSetsCovering(uint32_t first, uint32_t count) {
    for (auto it = sets_.begin(); it != sets_.end();) {
        const uint32_t base = it->first.second;
        if (base < first + count && first < base + it->second.count) {
            retired_.push_back(it->second.set);
            it = sets_.erase(it);
        } else {
            ++it;
        }
    }
}

VkDescriptorSet CDescriptorCache::GetSet(const DescriptorSetShape& shape, VkDescriptorSetLayout layout,
                                         uint32_t baseSlot) {
    const auto count = static_cast<uint32_t>(shape.bindings.size());
    if (pool_ == VK_NULL_HANDLE || layout == VK_NULL_HANDLE || baseSlot >= kSlotCount) {
        return VK_NULL_HANDLE;
    }
    CBusyFlagGuard lock(busy_);
    const auto key = std::make_pair(shape.set, baseSlot);
    if (auto it = sets_.find(key); it != sets_.end()) {
        return it->second.set;
    }
    VkDescriptorSet set = BuildSet(shape, layout, baseSlot);
    if (set != VK_NULL_HANDLE) {
        sets_[key] = {set, count};
    }
    return set;
}

VkDescriptorSet CDescriptorCache::BuildSet(const DescriptorSetShape& shape, VkDescriptorSetLayout layout,
                                           uint32_t baseSlot) {
    if (default2D_ == VK_NULL_HANDLE || default2DArray_ == VK_NULL_HANDLE) {
        return VK_NULL_HANDLE;
    }
    VkDescriptorSetAllocateInfo info{VK_STRUCTURE_TYPE_DESCRIPTOR_SET_ALLOCATE_INFO};
    info.descriptorPool = pool_;
    info.descriptorSetCount = 1;
    info.pSetLayouts = &layout;
    VkDescriptorSet set = VK_NULL_HANDLE;
    if (vkAllocateDescriptorSets(device_, &info, &set) != VK_SUCCESS) {
        // A full pool: drop what is retired later, but report the miss now.
        std::fprintf(stderr, "render: descriptor pool exhausted\n");
        return VK_NULL_HANDLE;
    }
    std::vector<VkDescriptorImageInfo> images(shape.bindings.size());
    std::vector<VkWriteDescriptorSet> writes(shape.bindings.size());
    for (size_t i = 0; i < shape.bindings.size(); ++i) {
        const VkImageViewType wanted = shape.bindings[i];
        const uint32_t slot = baseSlot + static_cast<uint32_t>(i);
        const DescriptorView* view = slot < kSlotCount ? &views_[slot] : nullptr;
        if (view != nullptr && view->kind == DescriptorView::Kind::Image && view->viewType == wanted) {
            images[i] = {VK_NULL_HANDLE, view->imageView, view->layout};
        } else {
            images[i] = {VK_NULL_HANDLE, wanted == VK_IMAGE_VIEW_TYPE_2D_ARRAY ? default2DArray_ : default2D_,
                         VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL};
        }
        VkWriteDescriptorSet& w = writes[i];
        w = {VK_STRUCTURE_TYPE_WRITE_DESCRIPTOR_SET};
        w.dstSet = set;
        w.dstBinding = static_cast<uint32_t>(i);
        w.descriptorCount = 1;
        w.descriptorType = VK_DESCRIPTOR_TYPE_SAMPLED_IMAGE;
        w.pImageInfo = &images[i];
    }
    vkUpdateDescriptorSets(device_, static_cast<uint32_t>(writes.size()), writes.data(), 0, nullptr);
    return set;
}

void CDescriptorCache::CollectRetiredSets() {
    CBusyFlagGuard lock(busy_);
    if (!retired_.empty() && pool_ != VK_NULL_HANDLE) {
        vkFreeDescriptorSets(device_, pool_, static_cast<uint32_t>(retired_.size()), retired_.data());
    }
    retired_.clear();
}

size_t CDescriptorCache::CachedSetCount() const {
    CBusyFlagGuard lock(busy_);
    return sets_.size();
}

} // namespace quorvane
