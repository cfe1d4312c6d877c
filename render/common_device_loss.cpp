// The record of a lost device: what failed, kept once, read from any thread.
#include "render/common_device.h"
#include "render/vulkan_result.h"

#include <cstdio>
#include <mutex>

namespace quorvane {

std::string CCommonDevice::DeviceLostReason() const {
    std::lock_guard lock(lostMutex_);
    return lostReason_;
}

void CCommonDevice::MarkDeviceLost(const std::string& reason) {
    {
        std::lock_guard lock(lostMutex_);
        if (lost_.load(std::memory_order_relaxed)) {
            return;
        }
        lostReason_ = reason;
        lost_.store(true, std::memory_order_release);
    }
    std::fprintf(stderr, "render: drawing stopped: %s\n", reason.c_str());
}

VkResult CCommonDevice::CheckDeviceResult(VkResult result, std::string_view what) {
    if (forceDeviceLost_.exchange(false, std::memory_order_acq_rel)) {
        result = VK_ERROR_DEVICE_LOST;
    }
    if (result == VK_ERROR_DEVICE_LOST) {
        MarkDeviceLost(DescribeVulkanFailure(what, result));
    }
    return result;
}

} // namespace quorvane
