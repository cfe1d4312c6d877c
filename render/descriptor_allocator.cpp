#include "render/descriptor_allocator.h"

#include "render/vulkan_result.h"

#include <cstdio>

namespace quorvane {
namespace {
constexpr std::chrono::milliseconds kLockPoll{10};
constexpr uint32_t kMaxTableSets = 4096;
constexpr uint32_t kMaxTableImages = kMaxTableSets * 16;
} // namespace

CDescriptorAllocator::CDescriptorAllocator(VkDevice device)
    : device_(device), busy_(kLockPoll), tag_(kSlotCount, 0), views_(kSlotCount) {
    if (device_ == VK_NULL_HANDLE) {
        return;
    }
    const VkDescriptorPoolSize size{VK_DESCRIPTOR_TYPE_SAMPLED_IMAGE, kMaxTableImages};
    VkDescriptorPoolCreateInfo info{VK_STRUCTURE_TYPE_DESCRIPTOR_POOL_CREATE_INFO};
    info.flags = VK_DESCRIPTOR_POOL_CREATE_FREE_DESCRIPTOR_SET_BIT;
    info.maxSets = kMaxTableSets;
    info.poolSizeCount = 1;
    info.pPoolSizes = &size;
    if (const VkResult created = vkCreateDescriptorPool(device_, &info, nullptr, &pool_);
        created != VK_SUCCESS) {
        std::fprintf(stderr, "render: %s\n",
                     DescribeVulkanFailure("creating the descriptor table pool", created).c_str());
        pool_ = VK_NULL_HANDLE;
    }
}

CDescriptorAllocator::~CDescriptorAllocator() {
    if (pool_ != VK_NULL_HANDLE) {
        vkDestroyDescriptorPool(device_, pool_, nullptr);
    }
}

bool CDescriptorAllocator::AllocateOne(uint32_t& outSlot) {
    return AllocateRange(outSlot, 1);
}

bool CDescriptorAllocator::AllocateRange(uint32_t& outFirstSlot, uint32_t count) {
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
            InvalidateTablesCovering(first, count);
            outFirstSlot = first;
            return true;
        }
        first = used + 1;
    }
    return false;
}

bool CDescriptorAllocator::Release(uint32_t firstSlot) {
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
    InvalidateTablesCovering(firstSlot, end - firstSlot);
    return true;
}

bool CDescriptorAllocator::SetView(uint32_t slot, const DescriptorView& view) {
    if (slot >= kSlotCount) {
        return false;
    }
    CBusyFlagGuard lock(busy_);
    if (tag_[slot] == 0) {
        return false;
    }
    views_[slot] = view;
    InvalidateTablesCovering(slot, 1);
    return true;
}

DescriptorView CDescriptorAllocator::View(uint32_t slot) const {
    if (slot >= kSlotCount) {
        return {};
    }
    CBusyFlagGuard lock(busy_);
    return views_[slot];
}

uint32_t CDescriptorAllocator::Tag(uint32_t slot) const {
    if (slot >= kSlotCount) {
        return 0;
    }
    CBusyFlagGuard lock(busy_);
    return tag_[slot];
}

void CDescriptorAllocator::SetDefaultViews(VkImageView view2D, VkImageView view2DArray) {
    CBusyFlagGuard lock(busy_);
    default2D_ = view2D;
    default2DArray_ = view2DArray;
    InvalidateTablesCovering(0, kSlotCount);
}

void CDescriptorAllocator::InvalidateTablesCovering(uint32_t first, uint32_t count) {
    for (auto it = tables_.begin(); it != tables_.end();) {
        const uint32_t base = it->first.second;
        if (base < first + count && first < base + it->second.count) {
            retired_.push_back(it->second.set);
            it = tables_.erase(it);
        } else {
            ++it;
        }
    }
}

VkDescriptorSet CDescriptorAllocator::GetTable(const DescriptorTableShape& shape,
                                               VkDescriptorSetLayout layout, uint32_t baseSlot) {
    const auto count = static_cast<uint32_t>(shape.bindings.size());
    if (pool_ == VK_NULL_HANDLE || layout == VK_NULL_HANDLE || baseSlot >= kSlotCount) {
        return VK_NULL_HANDLE;
    }
    CBusyFlagGuard lock(busy_);
    const auto key = std::make_pair(shape.rootParameter, baseSlot);
    if (auto it = tables_.find(key); it != tables_.end()) {
        return it->second.set;
    }
    VkDescriptorSet set = BuildTable(shape, layout, baseSlot);
    if (set != VK_NULL_HANDLE) {
        tables_[key] = {set, count};
    }
    return set;
}

VkDescriptorSet CDescriptorAllocator::BuildTable(const DescriptorTableShape& shape,
                                                 VkDescriptorSetLayout layout, uint32_t baseSlot) {
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
        std::fprintf(stderr, "render: descriptor table pool exhausted\n");
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

void CDescriptorAllocator::CollectRetiredTables() {
    CBusyFlagGuard lock(busy_);
    if (!retired_.empty() && pool_ != VK_NULL_HANDLE) {
        vkFreeDescriptorSets(device_, pool_, static_cast<uint32_t>(retired_.size()), retired_.data());
    }
    retired_.clear();
}

size_t CDescriptorAllocator::CachedTableCount() const {
    CBusyFlagGuard lock(busy_);
    return tables_.size();
}

} // namespace quorvane
