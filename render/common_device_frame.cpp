// One frame: begin (acquire), compose into the output, overlay, submit and present.
#include "render/common_device.h"
#include "render/common_device_internal.h"
#include "render/vulkan_result.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace quorvane {

using common_device_detail::SetViewport;

bool CCommonDevice::BeginFrame() {
    if (device_ == VK_NULL_HANDLE || DeviceLost()) {
        return false;
    }
    if (recording_) {
        DropAbandonedFrame();
    }
    if (submitted_) {
        WaitForGpu();
    }
    FollowViewSize();
    // The commands start before the image is acquired: a failed start leaves no
    // acquired image waiting, and a failed acquire leaves only a buffer that the
    // next start resets.
    if (DeviceLost() || !StartFrameCommands() || (!IsHeadless() && !swapchain_->Acquire(imageAcquired_))) {
        return false;
    }
    recording_ = true;
    copies_.Drop();
    passTimer_.StartFrame(frameCommands_);
    passTimer_.Mark(frameCommands_, "scene");
    layoutsAtFrameStart_ = {sceneColor_.layout, depthBuffer_.layout, shadowMap_.layout, outputImage_.layout};
    uniforms_.StartFrame();
    pass_ = Pass::None;
    scenePassDone_ = false;
    pipelineUsable_ = false;
    boundTextureSets_.fill(VK_NULL_HANDLE);
    // Every texture set starts at slot 0, so shaders never read an unbound set.
    for (const TextureSet set : {TextureSet::Model, TextureSet::Terrain, TextureSet::ShadowMap}) {
        BindTextureSet(set, 0);
    }
    MarkAllStateDirty(); // a new command buffer has nothing bound
    overlay_.Clear();
    overlay_.SetImageSize(static_cast<float>(renderSize_.width), static_cast<float>(renderSize_.height));
    readbackRecorded_ = false;
    readbackReady_ = false;
    return true;
}

void CCommonDevice::FollowViewSize() {
    if (device_ == VK_NULL_HANDLE || DeviceLost() || recording_) {
        return;
    }
    const VkExtent2D wanted = WantedSize();
    const auto same = [](VkExtent2D a, VkExtent2D b) { return a.width == b.width && a.height == b.height; };
    if (wanted.width == 0 || wanted.height == 0 || same(wanted, renderSize_) || same(wanted, refusedSize_)) {
        return; // minimised, unchanged, or a size the memory refused
    }
    if (submitted_) {
        WaitForGpu(); // the targets are the last frame's until it finished
    }
    if (!ResizeTargets(wanted)) {
        refusedSize_ = wanted;
    }
}

void CCommonDevice::MarkPass(std::string_view name) {
    FlushCopies(); // their time counts to the pass they were drawn in
    if (recording_) {
        passTimer_.Mark(frameCommands_, name);
    }
}

bool CCommonDevice::StartFrameCommands() {
    if (const VkResult reset = vkResetCommandPool(device_, framePool_, 0); reset != VK_SUCCESS) {
        std::fprintf(stderr, "render: %s\n",
                     DescribeVulkanFailure("resetting the frame commands", reset).c_str());
        return false;
    }
    VkCommandBufferBeginInfo begin{VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO};
    begin.flags = VK_COMMAND_BUFFER_USAGE_ONE_TIME_SUBMIT_BIT;
    if (const VkResult begun = vkBeginCommandBuffer(frameCommands_, &begin); begun != VK_SUCCESS) {
        std::fprintf(stderr, "render: %s\n",
                     DescribeVulkanFailure("starting the frame commands", begun).c_str());
        return false;
    }
    return true;
}

bool CCommonDevice::WaitForDeviceIdle(std::string_view why) {
    const VkResult idle = CheckDeviceResult(vkDeviceWaitIdle(device_), why);
    if (idle != VK_SUCCESS) {
        MarkDeviceLost(DescribeVulkanFailure(why, idle));
        return false;
    }
    return true;
}

void CCommonDevice::DropAbandonedFrame() {
    // Its commands are reset with the next start; only what it did outside
    // them needs undoing.
    recording_ = false;
    passTimer_.Discard();
    pass_ = Pass::None;
    sceneColor_.layout = layoutsAtFrameStart_[0];
    depthBuffer_.layout = layoutsAtFrameStart_[1];
    shadowMap_.layout = layoutsAtFrameStart_[2];
    outputImage_.layout = layoutsAtFrameStart_[3];
    if (IsHeadless()) {
        return;
    }
    // Its acquired image: an empty batch consumes the wait on the semaphore,
    // and the image goes back with the swapchain, made again before the next acquire.
    const VkPipelineStageFlags waitStage = VK_PIPELINE_STAGE_ALL_COMMANDS_BIT;
    VkSubmitInfo submit{VK_STRUCTURE_TYPE_SUBMIT_INFO};
    submit.waitSemaphoreCount = 1;
    submit.pWaitSemaphores = &imageAcquired_;
    submit.pWaitDstStageMask = &waitStage;
    const VkResult real = vkQueueSubmit(queue_, 1, &submit, frameFence_);
    submitted_ = real == VK_SUCCESS;
    if (const VkResult seen = CheckDeviceResult(real, "dropping an unfinished frame"); seen != VK_SUCCESS) {
        MarkDeviceLost(DescribeVulkanFailure("dropping an unfinished frame", seen));
    }
    swapchain_->MarkStale();
}

void CCommonDevice::ComposeFrame(const std::function<void(CCommonDevice&)>& drawScene) {
    if (!recording_) {
        return;
    }
    CommitFrameConstants();
    if (drawScene) {
        drawScene(*this);
    }
    EndPass();
    if (!scenePassDone_) {
        BeginScenePass(true, true);
        EndPass();
    }
    TransitionImage(frameCommands_, sceneColor_, VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL);
    MarkPass("composition");

    VkImageView target = VK_NULL_HANDLE;
    VkExtent2D extent = renderSize_;
    VkFormat format = kColorFormat;
    if (IsHeadless()) {
        TransitionImage(frameCommands_, outputImage_, VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL);
        target = outputImage_.view;
    } else {
        TransitionImage(frameCommands_, swapchain_->Image(), VK_IMAGE_ASPECT_COLOR_BIT, 1,
                        VK_IMAGE_LAYOUT_UNDEFINED, VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL);
        target = swapchain_->View();
        extent = swapchain_->Extent();
        format = swapchain_->Format();
    }
    VkRenderingAttachmentInfo color{VK_STRUCTURE_TYPE_RENDERING_ATTACHMENT_INFO};
    color.imageView = target;
    color.imageLayout = VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL;
    color.loadOp = VK_ATTACHMENT_LOAD_OP_CLEAR;
    color.storeOp = VK_ATTACHMENT_STORE_OP_STORE;
    color.clearValue.color = {{0, 0, 0, 0}};
    VkRenderingInfo info{VK_STRUCTURE_TYPE_RENDERING_INFO};
    info.renderArea = {{0, 0}, extent};
    info.layerCount = 1;
    info.colorAttachmentCount = 1;
    info.pColorAttachments = &color;
    vkCmdBeginRendering(frameCommands_, &info);
    // The scene has the output's size, but for a frame after a resize or a
    // size the memory refused: then it is stretched over the output.
    SetViewport(frameCommands_, extent);
    pass_ = Pass::Output;

    if (VkPipeline compose = (pipelineSet_ ? pipelineSet_->Output(false, format) : VK_NULL_HANDLE);
        compose != VK_NULL_HANDLE) {
        vkCmdBindPipeline(frameCommands_, VK_PIPELINE_BIND_POINT_GRAPHICS, compose);
        BindTextureSet(TextureSet::Model, sceneColorSlot); // the scene image, where a model's texture goes
        MarkAllStateDirty();
        BindPendingState();
        const VkDeviceSize offset = 0;
        vkCmdBindVertexBuffers(frameCommands_, 0, 1, &quadBuffer_.buffer, &offset);
        vkCmdDraw(frameCommands_, 4, 1, 0, 0);
    }
    outputTarget_ = {target, extent, format};
}

void CCommonDevice::RecordOverlay(VkImageView, VkExtent2D, VkFormat format) {
    const auto& vertices = overlay_.Vertices();
    if (vertices.empty()) {
        return;
    }
    VkPipeline pipeline = pipelineSet_ ? pipelineSet_->Output(true, format) : VK_NULL_HANDLE;
    if (pipeline == VK_NULL_HANDLE) {
        return;
    }
    const size_t bytes = vertices.size() * sizeof(OverlayVertex);
    VkDeviceSize offset = 0;
    void* mapped = nullptr;
    if (bytes > uniforms_.Size() / 2 || !uniforms_.Allocate(bytes, 0, offset, mapped)) {
        std::fprintf(stderr, "render: the overlay does not fit this frame\n");
        return;
    }
    // Pixels of the render image to clip space; the viewport maps that onto
    // the output, stretched if the two sizes differ for a frame.
    auto* out = static_cast<OverlayVertex*>(mapped);
    const float sx = 2.0f / static_cast<float>(renderSize_.width);
    const float sy = 2.0f / static_cast<float>(renderSize_.height);
    for (const OverlayVertex& vertex : vertices) {
        *out++ = {vertex.x * sx - 1.0f, vertex.y * sy - 1.0f, vertex.color};
    }
    vkCmdBindPipeline(frameCommands_, VK_PIPELINE_BIND_POINT_GRAPHICS, pipeline);
    const VkBuffer ring = uniforms_.Buffer();
    vkCmdBindVertexBuffers(frameCommands_, 0, 1, &ring, &offset);
    vkCmdDraw(frameCommands_, static_cast<uint32_t>(vertices.size()), 1, 0, 0);
}

bool CCommonDevice::EndFrame(std::span<const VkCommandBuffer> extraCommandBuffers) {
    if (!recording_) {
        return false;
    }
    if (DeviceLost()) {
        recording_ = false; // nothing is drawn any more
        return false;
    }
    if (pass_ != Pass::Output) {
        ComposeFrame(nullptr);
    }
    MarkPass("overlay");
    RecordOverlay(outputTarget_.view, outputTarget_.extent, outputTarget_.format);
    EndPass();
    if (IsHeadless()) {
        RecordReadbackCopy();
    } else {
        TransitionImage(frameCommands_, swapchain_->Image(), VK_IMAGE_ASPECT_COLOR_BIT, 1,
                        VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL, VK_IMAGE_LAYOUT_PRESENT_SRC_KHR);
    }
    TransitionImage(frameCommands_, sceneColor_, VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL);
    MarkPass("end");
    const VkResult ended = vkEndCommandBuffer(frameCommands_);
    recording_ = false;
    if (ended != VK_SUCCESS) {
        // In a window the acquired image can no longer be given back in order.
        MarkDeviceLost(DescribeVulkanFailure("recording the frame", ended));
        return false;
    }
    return SubmitFrame(extraCommandBuffers) && (IsHeadless() || swapchain_->Present(queue_));
}

bool CCommonDevice::SubmitFrame(std::span<const VkCommandBuffer> extraCommandBuffers) {
    std::vector<VkCommandBuffer> buffers{frameCommands_};
    buffers.insert(buffers.end(), extraCommandBuffers.begin(), extraCommandBuffers.end());
    VkSubmitInfo submit{VK_STRUCTURE_TYPE_SUBMIT_INFO};
    submit.commandBufferCount = static_cast<uint32_t>(buffers.size());
    submit.pCommandBuffers = buffers.data();
    const VkPipelineStageFlags waitStage = VK_PIPELINE_STAGE_ALL_COMMANDS_BIT;
    VkSemaphore renderDone = VK_NULL_HANDLE;
    if (!IsHeadless()) {
        submit.waitSemaphoreCount = 1;
        submit.pWaitSemaphores = &imageAcquired_;
        submit.pWaitDstStageMask = &waitStage;
        submit.signalSemaphoreCount = 1;
        renderDone = swapchain_->RenderDone();
        submit.pSignalSemaphores = &renderDone;
    }
    const VkResult real = vkQueueSubmit(queue_, 1, &submit, frameFence_);
    submitted_ = real == VK_SUCCESS;
    if (const VkResult seen = CheckDeviceResult(real, "submitting the frame"); seen != VK_SUCCESS) {
        MarkDeviceLost(DescribeVulkanFailure("submitting the frame", seen));
        return false;
    }
    return true;
}

void CCommonDevice::WaitForGpu() {
    if (device_ == VK_NULL_HANDLE || !submitted_) {
        return;
    }
    const VkResult real = vkWaitForFences(device_, 1, &frameFence_, VK_TRUE, UINT64_MAX);
    // Once the wait returns the submission counts as finished, even on a lost device.
    submitted_ = false;
    const VkResult seen = CheckDeviceResult(real, "waiting for the frame");
    if (seen != VK_SUCCESS) {
        MarkDeviceLost(DescribeVulkanFailure("waiting for the frame", seen));
    } else if (const VkResult reset = vkResetFences(device_, 1, &frameFence_); reset != VK_SUCCESS) {
        MarkDeviceLost(DescribeVulkanFailure("resetting the frame fence", reset));
    } else {
        passTimer_.Collect();
    }
    readbackReady_ = readbackRecorded_ && !DeviceLost();
    readbackRecorded_ = false;
}

} // namespace quorvane
