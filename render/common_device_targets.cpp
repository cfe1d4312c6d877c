// Off-screen targets, the default texture, the fixed descriptor slots and the
// uniform ring.
#include "render/common_device.h"
#include "render/common_device_internal.h"
#include "render/vulkan_result.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <utility>

namespace quorvane {

namespace {

constexpr float kQuad[4][8] = {
    {-1, 1, 0, 0, 0, 0, 0, 0},
    {-1, -1, 0, 0, 0, 0, 0, 1},
    {1, 1, 0, 0, 0, 0, 1, 0},
    {1, -1, 0, 0, 0, 0, 1, 1},
};

} // namespace

bool CCommonDevice::CreateSizedTargets() {
    CGpuMemory& memory = *memory_;
    depthBuffer_ = CreateGpuImage(device_, memory, kDepthFormat, renderSize_, 1,
                                  VK_IMAGE_USAGE_DEPTH_STENCIL_ATTACHMENT_BIT);
    sceneColor_ = CreateGpuImage(device_, memory, kColorFormat, renderSize_, 1,
                                 VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT | VK_IMAGE_USAGE_SAMPLED_BIT);
    if (!depthBuffer_ || !sceneColor_) {
        return false;
    }
    if (IsHeadless()) {
        outputImage_ = CreateGpuImage(device_, memory, kColorFormat, renderSize_, 1,
                                      VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT | VK_IMAGE_USAGE_TRANSFER_SRC_BIT);
        readbackBuffer_ =
            CreateGpuBuffer(device_, memory, VkDeviceSize{renderSize_.width} * renderSize_.height * 4,
                            VK_BUFFER_USAGE_TRANSFER_DST_BIT, true);
        if (!outputImage_ || !readbackBuffer_) {
            return false;
        }
    }
    return true;
}

void CCommonDevice::DestroySizedTargets() {
    for (GpuImage* image : {&sceneColor_, &depthBuffer_, &outputImage_}) {
        DestroyGpuImage(device_, *memory_, *image);
    }
    DestroyGpuBuffer(device_, *memory_, readbackBuffer_);
}

void CCommonDevice::SetRenderSize(uint32_t width, uint32_t height) {
    requestedSize_ = {std::max(width, 1u), std::max(height, 1u)};
}

VkExtent2D CCommonDevice::WantedSize() const {
    const VkExtent2D wanted = IsHeadless() ? requestedSize_ : surface_->PixelSize();
    return {std::min(wanted.width, maxImageSide_), std::min(wanted.height, maxImageSide_)};
}

bool CCommonDevice::ResizeTargets(VkExtent2D size) {
    // The new targets are made before the old go: a size the memory cannot
    // hold leaves the view drawing at the old one, stretched.
    GpuImage oldColor = std::exchange(sceneColor_, {});
    GpuImage oldDepth = std::exchange(depthBuffer_, {});
    GpuImage oldOutput = std::exchange(outputImage_, {});
    GpuBuffer oldReadback = std::exchange(readbackBuffer_, {});
    const VkExtent2D oldSize = std::exchange(renderSize_, size);
    if (!CreateSizedTargets()) {
        DestroySizedTargets();
        std::fprintf(stderr,
                     "render: the view's images of %u x %u pixels could not be made; it stays at %u x %u\n",
                     size.width, size.height, oldSize.width, oldSize.height);
        sceneColor_ = oldColor;
        depthBuffer_ = oldDepth;
        outputImage_ = oldOutput;
        readbackBuffer_ = oldReadback;
        renderSize_ = oldSize;
        return false;
    }
    for (GpuImage* image : {&oldColor, &oldDepth, &oldOutput}) {
        DestroyGpuImage(device_, *memory_, *image);
    }
    DestroyGpuBuffer(device_, *memory_, oldReadback);
    readbackReady_ = false; // its picture had the old size
    refusedSize_ = {};
    DescriptorView sceneView;
    sceneView.kind = DescriptorView::Kind::Image;
    sceneView.imageView = sceneColor_.view;
    descriptors_->SetView(sceneColorSlot, sceneView);
    return true;
}

bool CCommonDevice::CreateTargets() {
    CGpuMemory& memory = *memory_;
    if (const VkExtent2D wanted = WantedSize(); wanted.width > 0 && wanted.height > 0) {
        renderSize_ = wanted;
    }
    if (!CreateSizedTargets()) {
        return false;
    }
    shadowMap_ = CreateGpuImage(device_, memory, kDepthFormat, {kShadowSize, kShadowSize}, kShadowSlices,
                                VK_IMAGE_USAGE_DEPTH_STENCIL_ATTACHMENT_BIT | VK_IMAGE_USAGE_SAMPLED_BIT);
    defaultTexture_ = CreateGpuImage(device_, memory, kColorFormat, {1, 1}, 1,
                                     VK_IMAGE_USAGE_SAMPLED_BIT | VK_IMAGE_USAGE_TRANSFER_DST_BIT);
    if (!shadowMap_ || !defaultTexture_) {
        return false;
    }
    defaultArrayView_ = CreateImageView(device_, defaultTexture_, VK_IMAGE_VIEW_TYPE_2D_ARRAY);
    if (defaultArrayView_ == VK_NULL_HANDLE) {
        return false;
    }
    descriptors_->SetDefaultViews(defaultTexture_.view, defaultArrayView_);

    // Slots in this order: frame constants, shadow map, scene colour.
    frameBuffer_ =
        CreateGpuBuffer(device_, memory, kFrameBufferBytes, VK_BUFFER_USAGE_UNIFORM_BUFFER_BIT, true);
    if (!frameBuffer_ || !descriptors_->AllocateOne(frameBufferSlot)) {
        return false;
    }
    frameMapped_ = frameBuffer_.Mapped();
    std::memset(frameMapped_, 0, kFrameBufferBytes);
    DescriptorView frameView;
    frameView.kind = DescriptorView::Kind::Buffer;
    frameView.buffer = frameBuffer_.buffer;
    frameView.range = kFrameBufferBytes;
    descriptors_->SetView(frameBufferSlot, frameView);

    quadBuffer_ = CreateGpuBuffer(device_, memory, sizeof(kQuad), VK_BUFFER_USAGE_VERTEX_BUFFER_BIT, true);
    if (!quadBuffer_) {
        return false;
    }
    std::memcpy(quadBuffer_.Mapped(), kQuad, sizeof(kQuad));

    if (!descriptors_->AllocateOne(shadowMapSlot)) {
        return false;
    }
    DescriptorView shadowView;
    shadowView.kind = DescriptorView::Kind::Image;
    shadowView.imageView = shadowMap_.view;
    shadowView.viewType = VK_IMAGE_VIEW_TYPE_2D_ARRAY;
    descriptors_->SetView(shadowMapSlot, shadowView);

    if (!descriptors_->AllocateOne(sceneColorSlot)) {
        return false;
    }
    DescriptorView sceneView;
    sceneView.kind = DescriptorView::Kind::Image;
    sceneView.imageView = sceneColor_.view;
    descriptors_->SetView(sceneColorSlot, sceneView);

    return uniforms_.Create(device_, memory, uniformAlignment_, uniformRange_);
}

bool CCommonDevice::InitialiseImages() {
    // One-off: a white default texture and a cleared shadow map, both readable.
    VkCommandBufferBeginInfo begin{VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO};
    begin.flags = VK_COMMAND_BUFFER_USAGE_ONE_TIME_SUBMIT_BIT;
    if (const VkResult begun = vkBeginCommandBuffer(frameCommands_, &begin); begun != VK_SUCCESS) {
        std::fprintf(stderr, "render: %s\n",
                     DescribeVulkanFailure("starting the first image commands", begun).c_str());
        return false;
    }
    TransitionImage(frameCommands_, defaultTexture_, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL);
    const VkClearColorValue white{{1, 1, 1, 1}};
    const VkImageSubresourceRange colorRange{VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
    vkCmdClearColorImage(frameCommands_, defaultTexture_.image, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, &white,
                         1, &colorRange);
    TransitionImage(frameCommands_, defaultTexture_, VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL);
    TransitionImage(frameCommands_, shadowMap_, VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL);
    if (const VkResult ended = vkEndCommandBuffer(frameCommands_); ended != VK_SUCCESS) {
        std::fprintf(stderr, "render: %s\n",
                     DescribeVulkanFailure("recording the first image commands", ended).c_str());
        return false;
    }
    VkSubmitInfo submit{VK_STRUCTURE_TYPE_SUBMIT_INFO};
    submit.commandBufferCount = 1;
    submit.pCommandBuffers = &frameCommands_;
    const VkResult real = vkQueueSubmit(queue_, 1, &submit, frameFence_);
    submitted_ = real == VK_SUCCESS;
    if (const VkResult seen = CheckDeviceResult(real, "submitting the first image commands");
        seen != VK_SUCCESS) {
        std::fprintf(stderr, "render: %s\n",
                     DescribeVulkanFailure("submitting the first image commands", seen).c_str());
        return false;
    }
    WaitForGpu();
    return !DeviceLost();
}

} // namespace quorvane
