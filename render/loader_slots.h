#pragma once

#include "render/upload_command_pool.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

namespace quorvane {

class CCommonDevice;

// How hard a loader tries for a loader slot: attempts, and the sleep after an
// attempt that found all sixteen slots taken.
struct LoaderSlotPolicy {
    int32_t attempts = 1;
    std::chrono::milliseconds retrySleep{0};
};

// A placed model or the low-detail field waits about eleven seconds at most.
inline constexpr LoaderSlotPolicy kByPathSlotPolicy{11, std::chrono::milliseconds(1000)};
// The character at start-up waits about five seconds.
inline constexpr LoaderSlotPolicy kCharacterSlotPolicy{101, std::chrono::milliseconds(50)};
// A loader thread is only started when a slot is free now.
inline constexpr LoaderSlotPolicy kLoaderThreadSlotPolicy{1, std::chrono::milliseconds(0)};

using SleepFunction = std::function<void(std::chrono::milliseconds)>;
void SleepThisThread(std::chrono::milliseconds duration);

// Each attempt waits while the pool's busy byte is set (30 ms looks), takes
// the first free slot and clears the byte. No sleep follows the last attempt.
std::optional<uint32_t> AcquireLoaderSlot(CUploadCommandPool& pool, int32_t attempts,
                                          std::chrono::milliseconds retrySleep,
                                          const SleepFunction& sleep = SleepThisThread);
std::optional<uint32_t> AcquireLoaderSlot(CUploadCommandPool& pool, const LoaderSlotPolicy& policy,
                                          const SleepFunction& sleep = SleepThisThread);

// A held loader slot. Dropping it gives the slot back once the GPU has
// finished the frame in flight, since its commands may have gone with it.
class CLoaderSlot {
public:
    CLoaderSlot() = default;
    CLoaderSlot(CCommonDevice& device, uint32_t index)
        : device_(&device), index_(static_cast<int32_t>(index)) {}
    ~CLoaderSlot() { ReleaseAfterGpu(); }
    CLoaderSlot(CLoaderSlot&& other) noexcept { *this = std::move(other); }
    CLoaderSlot& operator=(CLoaderSlot&& other) noexcept;
    CLoaderSlot(const CLoaderSlot&) = delete;
    CLoaderSlot& operator=(const CLoaderSlot&) = delete;

    bool Held() const { return index_ >= 0; }
    int32_t Index() const { return index_; } // -1 when none
    // Gives the slot back now: its commands never reached the GPU, or the
    // frame that ran them has finished.
    void ReleaseNow();
    void ReleaseAfterGpu();

private:
    CCommonDevice* device_ = nullptr;
    int32_t index_ = -1;
};

} // namespace quorvane
