#include "render/loader_slots.h"

#include "render/common_device.h"

#include <thread>
#include <utility>

namespace quorvane {

void SleepThisThread(std::chrono::milliseconds duration) {
    std::this_thread::sleep_for(duration);
}

std::optional<uint32_t> AcquireLoaderSlot(CUploadCommandPool& pool, int32_t attempts,
                                          std::chrono::milliseconds retrySleep, const SleepFunction& sleep) {
    for (int32_t attempt = 0; attempt < attempts; ++attempt) {
        // TryAcquire holds the busy byte (30 ms looks while another holds it).
        if (std::optional<uint32_t> slot = pool.TryAcquire()) {
            return slot;
        }
        if (attempt + 1 < attempts) {
            sleep(retrySleep);
        }
    }
    return std::nullopt;
}

std::optional<uint32_t> AcquireLoaderSlot(CUploadCommandPool& pool, const LoaderSlotPolicy& policy,
                                          const SleepFunction& sleep) {
    return AcquireLoaderSlot(pool, policy.attempts, policy.retrySleep, sleep);
}

CLoaderSlot& CLoaderSlot::operator=(CLoaderSlot&& other) noexcept {
    if (this != &other) {
        ReleaseAfterGpu();
        device_ = std::exchange(other.device_, nullptr);
        index_ = std::exchange(other.index_, -1);
    }
    return *this;
}

void CLoaderSlot::ReleaseNow() {
    if (Held()) {
        device_->UploadPool().Release(static_cast<uint32_t>(index_));
    }
    device_ = nullptr;
    index_ = -1;
}

void CLoaderSlot::ReleaseAfterGpu() {
    if (Held()) {
        CCommonDevice* device = device_;
        const auto index = static_cast<uint32_t>(index_);
        device->DeferRelease([device, index] { device->UploadPool().Release(index); });
    }
    device_ = nullptr;
    index_ = -1;
}

} // namespace quorvane
