#pragma once

#include "platform/busy_flag.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <vulkan/vulkan.h>

namespace quorvane {

// Sixteen command pools with one command buffer each, for model uploads
// recorded on loader threads. An entry is taken under the busy byte and given
// back by the render thread once its upload finished on the GPU.
class CUploadCommandPool {
public:
    static constexpr uint32_t kEntryCount = 16;

    CUploadCommandPool(VkDevice device, uint32_t queueFamily);
    ~CUploadCommandPool();
    CUploadCommandPool(const CUploadCommandPool&) = delete;
    CUploadCommandPool& operator=(const CUploadCommandPool&) = delete;

    // False when an entry could not be made; then none of them exists.
    bool IsValid() const { return valid_; }
    // The first free entry, marked in use; empty when all sixteen are taken.
    std::optional<uint32_t> TryAcquire();
    // Resets the entry's pool and frees the entry (kept taken when the reset
    // fails). Render thread, after the fence.
    void Release(uint32_t entry);
    bool InUse(uint32_t entry) const;
    VkCommandBuffer Buffer(uint32_t entry) const { return buffers_[entry]; }
    CBusyFlag& Busy() { return busy_; }

private:
    bool CreateEntry(uint32_t entry, uint32_t queueFamily);
    void DestroyEntries();

    VkDevice device_;
    bool valid_ = false;
    CBusyFlag busy_;
    std::array<VkCommandPool, kEntryCount> pools_{};
    std::array<VkCommandBuffer, kEntryCount> buffers_{};
    std::array<std::atomic<uint32_t>, kEntryCount> inUse_{};
};

} // namespace quorvane
