#include "render/upload_command_pool.h"

#include "render/vulkan_result.h"

#include <cstdio>

namespace quorvane {

CUploadCommandPool::CUploadCommandPool(VkDevice device, uint32_t queueFamily)
    : device_(device), busy_(std::chrono::milliseconds(30)) {
    for (uint32_t i = 0; i < kEntryCount; ++i) {
        inUse_[i].store(0, std::memory_order_relaxed);
    }
    for (uint32_t i = 0; i < kEntryCount; ++i) {
        if (!CreateEntry(i, queueFamily)) {
            DestroyEntries(); // all sixteen or none
            return;
        }
    }
    valid_ = true;
}

bool CUploadCommandPool::CreateEntry(uint32_t entry, uint32_t queueFamily) {
    VkCommandPoolCreateInfo poolInfo{VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO};
    poolInfo.queueFamilyIndex = queueFamily;
    if (const VkResult created = vkCreateCommandPool(device_, &poolInfo, nullptr, &pools_[entry]);
        created != VK_SUCCESS) {
        pools_[entry] = VK_NULL_HANDLE;
        std::fprintf(stderr, "render: %s\n",
                     DescribeVulkanFailure("creating an upload command pool", created).c_str());
        return false;
    }
    VkCommandBufferAllocateInfo info{VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO};
    info.commandPool = pools_[entry];
    info.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
    info.commandBufferCount = 1;
    if (const VkResult allocated = vkAllocateCommandBuffers(device_, &info, &buffers_[entry]);
        allocated != VK_SUCCESS) {
        buffers_[entry] = VK_NULL_HANDLE;
        std::fprintf(stderr, "render: %s\n",
                     DescribeVulkanFailure("allocating an upload command buffer", allocated).c_str());
        return false;
    }
    return true;
}

void CUploadCommandPool::DestroyEntries() {
    for (uint32_t i = 0; i < kEntryCount; ++i) {
        if (pools_[i] != VK_NULL_HANDLE) {
            vkDestroyCommandPool(device_, pools_[i], nullptr); // frees its buffer too
        }
        pools_[i] = VK_NULL_HANDLE;
        buffers_[i] = VK_NULL_HANDLE;
    }
}

CUploadCommandPool::~CUploadCommandPool() {
    DestroyEntries();
}

std::optional<uint32_t> CUploadCommandPool::TryAcquire() {
    CBusyFlagGuard lock(busy_);
    for (uint32_t i = 0; i < kEntryCount; ++i) {
        if (buffers_[i] != VK_NULL_HANDLE && inUse_[i].load(std::memory_order_acquire) == 0) {
            inUse_[i].store(1, std::memory_order_release);
            return i;
        }
    }
    return std::nullopt;
}

void CUploadCommandPool::Release(uint32_t entry) {
    if (entry >= kEntryCount) {
        return;
    }
    if (pools_[entry] != VK_NULL_HANDLE) {
        if (const VkResult reset = vkResetCommandPool(device_, pools_[entry], 0); reset != VK_SUCCESS) {
            // Its buffer cannot be recorded again: the entry stays taken for good.
            std::fprintf(stderr, "render: %s\n",
                         DescribeVulkanFailure("resetting an upload command pool", reset).c_str());
            return;
        }
    }
    inUse_[entry].store(0, std::memory_order_release);
}

bool CUploadCommandPool::InUse(uint32_t entry) const {
    return entry < kEntryCount && inUse_[entry].load(std::memory_order_acquire) != 0;
}

} // namespace quorvane
