// The release list: objects dropped while the GPU may still use them.
#include "render/common_device.h"

#include <mutex>

namespace quorvane {

void CCommonDevice::DeferRelease(std::function<void()> release) {
    std::lock_guard lock(releaseMutex_);
    releaseList_.push_back(std::move(release));
}

void CCommonDevice::ReleaseFinishedObjects() {
    std::vector<std::function<void()>> pending;
    {
        std::lock_guard lock(releaseMutex_);
        pending.swap(releaseList_);
    }
    for (auto& release : pending) {
        release();
    }
    if (descriptors_) {
        descriptors_->CollectRetiredSets();
    }
}

} // namespace quorvane
