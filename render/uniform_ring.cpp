#include "render/uniform_ring.h"

#include "modeldata/scalar_math.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace quorvane {

bool CUniformRing::Create(VkDevice device, CGpuMemory& memory, VkDeviceSize alignment,
                          VkDeviceSize maxRange) {
    device_ = device;
    alignment_ = alignment;
    maxRange_ = maxRange;
    buffer_ = CreateGpuBuffer(device, memory, kBytes,
                              VK_BUFFER_USAGE_UNIFORM_BUFFER_BIT | VK_BUFFER_USAGE_VERTEX_BUFFER_BIT, true);
    if (!buffer_) {
        return false;
    }
    std::memset(buffer_.Mapped(), 0, kZeroHead);
    return true;
}

bool CUniformRing::CreateSet(VkDescriptorSetLayout layout) {
    // The immutable samplers of set 0 take pool entries on some drivers.
    const VkDescriptorPoolSize sizes[2] = {{VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER_DYNAMIC, kUniformBlockCount},
                                           {VK_DESCRIPTOR_TYPE_SAMPLER, 2}};
    VkDescriptorPoolCreateInfo poolInfo{VK_STRUCTURE_TYPE_DESCRIPTOR_POOL_CREATE_INFO};
    poolInfo.maxSets = 1;
    poolInfo.poolSizeCount = 2;
    poolInfo.pPoolSizes = sizes;
    if (vkCreateDescriptorPool(device_, &poolInfo, nullptr, &pool_) != VK_SUCCESS) {
        pool_ = VK_NULL_HANDLE;
        return false;
    }
    VkDescriptorSetAllocateInfo info{VK_STRUCTURE_TYPE_DESCRIPTOR_SET_ALLOCATE_INFO};
    info.descriptorPool = pool_;
    info.descriptorSetCount = 1;
    info.pSetLayouts = &layout;
    if (vkAllocateDescriptorSets(device_, &info, &set_) != VK_SUCCESS) {
        set_ = VK_NULL_HANDLE;
        return false;
    }
    std::array<VkDescriptorBufferInfo, kUniformBlockCount> buffers{};
    std::array<VkWriteDescriptorSet, kUniformBlockCount> writes{};
    for (uint32_t i = 0; i < kUniformBlockCount; ++i) {
        buffers[i] = {buffer_.buffer, 0, Range(static_cast<UniformBlock>(i))};
        writes[i] = {VK_STRUCTURE_TYPE_WRITE_DESCRIPTOR_SET};
        writes[i].dstSet = set_;
        writes[i].dstBinding = i;
        writes[i].descriptorCount = 1;
        writes[i].descriptorType = VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER_DYNAMIC;
        writes[i].pBufferInfo = &buffers[i];
    }
    vkUpdateDescriptorSets(device_, kUniformBlockCount, writes.data(), 0, nullptr);
    return true;
}

void CUniformRing::Destroy(CGpuMemory* memory) {
    if (pool_ != VK_NULL_HANDLE) {
        vkDestroyDescriptorPool(device_, pool_, nullptr);
        pool_ = VK_NULL_HANDLE;
        set_ = VK_NULL_HANDLE;
    }
    if (memory != nullptr) {
        DestroyGpuBuffer(device_, *memory, buffer_);
    }
}

void CUniformRing::StartFrame() {
    head_ = kZeroHead;
    offsets_.fill(0);
    dirty_ = true;
}

bool CUniformRing::Allocate(size_t bytes, VkDeviceSize range, VkDeviceSize& offset, void*& mapped) {
    const VkDeviceSize start = AlignUp(head_, alignment_);
    // Keep the whole binding range inside the buffer past the offset.
    if (start + std::max<VkDeviceSize>(bytes, range) > buffer_.size) {
        return false;
    }
    head_ = start + bytes;
    offset = start;
    mapped = static_cast<char*>(buffer_.Mapped()) + start;
    return true;
}

bool CUniformRing::SetBlock(UniformBlock block, const void* data, size_t bytes) {
    const auto index = static_cast<size_t>(block);
    if (index >= kUniformBlockCount || bytes > Range(block) || (data == nullptr && bytes > 0)) {
        return false;
    }
    VkDeviceSize offset = 0;
    void* mapped = nullptr;
    if (!Allocate(bytes, Range(block), offset, mapped)) {
        std::fprintf(stderr, "render: the uniform ring is full this frame\n");
        return false;
    }
    std::memcpy(mapped, data, bytes);
    offsets_[index] = static_cast<uint32_t>(offset);
    dirty_ = true;
    return true;
}

void CUniformRing::Bind(VkCommandBuffer commands, VkPipelineLayout layout) {
    if (!dirty_ || set_ == VK_NULL_HANDLE) {
        return;
    }
    vkCmdBindDescriptorSets(commands, VK_PIPELINE_BIND_POINT_GRAPHICS, layout, 0, 1, &set_,
                            kUniformBlockCount, offsets_.data());
    dirty_ = false;
}

VkDeviceSize CUniformRing::Range(UniformBlock block) const {
    return std::min<VkDeviceSize>(kUniformBlockBytes[static_cast<size_t>(block)], maxRange_);
}

} // namespace quorvane
