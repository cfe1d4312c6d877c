#include "render/upload_command_pool.h"

namespace quorvane {

CUploadCommandPool::CUploadCommandPool(VkDevice device, uint32_t queueFamily)
    : device_(device), busy_(std::chrono::milliseconds(30)) {
    valid_ = true;
    for (uint32_t i = 0; i < kEntryCount; ++i) {
        inUse_[i].store(0, std::memory_order_relaxed);
        VkCommandPoolCreateInfo poolInfo{VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO};
        poolInfo.queueFamilyIndex = queueFamily;
        if (vkCreateCommandPool(device_, &poolInfo, nullptr, &pools_[i]) != VK_SUCCESS) {
            pools_[i] = VK_NULL_HANDLE;
            valid_ = false;
            continue;
        }
        VkCommandBufferAllocateInfo info{VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO};
        info.commandPool = pools_[i];
        info.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
        info.commandBufferCount = 1;
        if (vkAllocateCommandBuffers(device_, &info, &buffers_[i]) != VK_SUCCESS) {
            valid_ = false;
        }
    }
}

CUploadCommandPool::~CUploadCommandPool() {
    for (VkCommandPool pool : pools_) {
        if (pool != VK_NULL_HANDLE) {
            vkDestroyCommandPool(device_, pool, nullptr);
        }
    }
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
        vkResetCommandPool(device_, pools_[entry], 0);
    }
    inUse_[entry].store(0, std::memory_order_release);
}

bool CUploadCommandPool::InUse(uint32_t entry) const {
    return entry < kEntryCount && inUse_[entry].load(std::memory_order_acquire) != 0;
}

} // namespace quorvane
