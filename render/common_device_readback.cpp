// Headless read-back of the composed image to host memory.
#include "render/common_device.h"

namespace quorvane {

void CCommonDevice::RecordReadbackCopy() {
    if (!readbackRequested_) {
        return;
    }
    TransitionImage(frameCommands_, outputImage_, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL);
    VkBufferImageCopy region{};
    region.imageSubresource = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1};
    region.imageExtent = {renderSize_.width, renderSize_.height, 1};
    vkCmdCopyImageToBuffer(frameCommands_, outputImage_.image, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL,
                           readbackBuffer_.buffer, 1, &region);
    readbackRequested_ = false;
    readbackRecorded_ = true;
}

bool CCommonDevice::TakeReadback(std::vector<uint8_t>& rgba) {
    if (DeviceLost() || !readbackReady_ || !readbackBuffer_) {
        return false;
    }
    const auto* bytes = static_cast<const uint8_t*>(readbackBuffer_.Mapped());
    rgba.assign(bytes, bytes + size_t{renderSize_.width} * renderSize_.height * 4);
    readbackReady_ = false;
    return true;
}

} // namespace quorvane
