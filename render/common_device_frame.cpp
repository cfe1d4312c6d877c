// One frame: begin (acquire), compose into the output, overlay, submit and present.
#include "render/common_device.h"
#include "render/common_device_internal.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace quorvane {

using common_device_detail::kZeroHead;
using common_device_detail::SetViewport;

VkPipeline CCommonDevice::OutputPipeline(bool overlay, VkFormat format) {
    auto& cache = overlay ? overlayPipelines_ : outputPipelines_;
    for (const auto& [f, pipeline] : cache) {
        if (f == format) {
            return pipeline;
        }
    }
    VkPipeline pipeline = overlay ? CreateOverlayPipeline(format) : CreateComposePipeline(format);
    cache.emplace_back(format, pipeline); // a failure is remembered too: no retry every frame
    return pipeline;
}

bool CCommonDevice::BeginFrame() {
    if (device_ == VK_NULL_HANDLE) {
        return false;
    }
    if (submitted_) {
        WaitForGpu();
    }
    if (!IsHeadless()) {
        const VkExtent2D size = surface_->PixelSize();
        if (size.width == 0 || size.height == 0) {
            return false;
        }
        // Compare with the size the swapchain was made for: the surface may
        // report a slightly different extent, which must not re-create it every frame.
        if (swapchain_ == VK_NULL_HANDLE || swapchainStale_ || size.width != swapchainRequested_.width ||
            size.height != swapchainRequested_.height) {
            vkDeviceWaitIdle(device_);
            if (!CreateSwapchain()) {
                return false;
            }
        }
        const VkResult acquired = vkAcquireNextImageKHR(device_, swapchain_, UINT64_MAX, imageAcquired_,
                                                        VK_NULL_HANDLE, &backBufferIndex_);
        if (acquired == VK_ERROR_OUT_OF_DATE_KHR) {
            swapchainStale_ = true;
            return false;
        }
        if (acquired == VK_SUBOPTIMAL_KHR) {
            swapchainStale_ = true; // draw this one, re-create before the next
        } else if (acquired != VK_SUCCESS) {
            return false;
        }
    }
    vkResetCommandPool(device_, framePool_, 0);
    VkCommandBufferBeginInfo begin{VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO};
    begin.flags = VK_COMMAND_BUFFER_USAGE_ONE_TIME_SUBMIT_BIT;
    vkBeginCommandBuffer(frameCommands_, &begin);
    recording_ = true;
    ringHead_ = kZeroHead;
    pass_ = Pass::None;
    scenePassDone_ = false;
    currentPipeline_ = -1;
    pipelineUsable_ = false;
    constantOffsets_.fill(0);
    for (int t = 0; t < kTableParameterCount; ++t) {
        boundTables_[static_cast<size_t>(t)] = VK_NULL_HANDLE;
    }
    // Every table starts at slot 0, so shaders never read an unbound set.
    for (int parameter = kFirstTableParameter; parameter < kFirstTableParameter + 3; ++parameter) {
        SetDescriptorTable(parameter, 0);
    }
    MarkAllStateDirty(); // a new command buffer has nothing bound
    overlay_.Clear();
    readbackRecorded_ = false;
    readbackReady_ = false;
    return true;
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

    VkImageView target = VK_NULL_HANDLE;
    VkExtent2D extent{kWidth, kHeight};
    VkFormat format = kColorFormat;
    if (IsHeadless()) {
        TransitionImage(frameCommands_, outputImage_, VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL);
        target = outputImage_.view;
    } else {
        TransitionImage(frameCommands_, swapchainImages_[backBufferIndex_], VK_IMAGE_ASPECT_COLOR_BIT, 1,
                        VK_IMAGE_LAYOUT_UNDEFINED, VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL);
        target = swapchainViews_[backBufferIndex_];
        extent = swapchainExtent_;
        format = swapchainFormat_;
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
    // The 1920 x 1080 image is stretched over whatever size the output has.
    SetViewport(frameCommands_, extent);
    pass_ = Pass::Output;

    if (VkPipeline compose = OutputPipeline(false, format); compose != VK_NULL_HANDLE) {
        vkCmdBindPipeline(frameCommands_, VK_PIPELINE_BIND_POINT_GRAPHICS, compose);
        SetDescriptorTable(kFirstTableParameter, sceneSrvSlot);
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
    VkPipeline pipeline = OutputPipeline(true, format);
    if (pipeline == VK_NULL_HANDLE) {
        return;
    }
    const size_t bytes = vertices.size() * sizeof(OverlayVertex);
    VkDeviceSize offset = 0;
    void* mapped = nullptr;
    if (bytes > ring_.size / 2 || !AllocateRing(bytes, 0, offset, mapped)) {
        std::fprintf(stderr, "render: the overlay does not fit this frame\n");
        return;
    }
    std::memcpy(mapped, vertices.data(), bytes);
    vkCmdBindPipeline(frameCommands_, VK_PIPELINE_BIND_POINT_GRAPHICS, pipeline);
    vkCmdBindVertexBuffers(frameCommands_, 0, 1, &ring_.buffer, &offset);
    vkCmdDraw(frameCommands_, static_cast<uint32_t>(vertices.size()), 1, 0, 0);
}

bool CCommonDevice::EndFrame(std::span<const VkCommandBuffer> extraCommandBuffers) {
    if (!recording_) {
        return false;
    }
    if (pass_ != Pass::Output) {
        ComposeFrame(nullptr);
    }
    RecordOverlay(outputTarget_.view, outputTarget_.extent, outputTarget_.format);
    EndPass();
    if (IsHeadless()) {
        RecordReadbackCopy();
    } else {
        TransitionImage(frameCommands_, swapchainImages_[backBufferIndex_], VK_IMAGE_ASPECT_COLOR_BIT, 1,
                        VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL, VK_IMAGE_LAYOUT_PRESENT_SRC_KHR);
    }
    TransitionImage(frameCommands_, sceneColor_, VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL);
    vkEndCommandBuffer(frameCommands_);
    recording_ = false;

    std::vector<VkCommandBuffer> buffers{frameCommands_};
    buffers.insert(buffers.end(), extraCommandBuffers.begin(), extraCommandBuffers.end());
    VkSubmitInfo submit{VK_STRUCTURE_TYPE_SUBMIT_INFO};
    submit.commandBufferCount = static_cast<uint32_t>(buffers.size());
    submit.pCommandBuffers = buffers.data();
    const VkPipelineStageFlags waitStage = VK_PIPELINE_STAGE_ALL_COMMANDS_BIT;
    if (!IsHeadless()) {
        submit.waitSemaphoreCount = 1;
        submit.pWaitSemaphores = &imageAcquired_;
        submit.pWaitDstStageMask = &waitStage;
        submit.signalSemaphoreCount = 1;
        submit.pSignalSemaphores = &renderDone_[backBufferIndex_];
    }
    if (vkQueueSubmit(queue_, 1, &submit, frameFence_) != VK_SUCCESS) {
        std::fprintf(stderr, "render: the frame could not be submitted\n");
        return false;
    }
    submitted_ = true;
    if (!IsHeadless()) {
        VkPresentInfoKHR present{VK_STRUCTURE_TYPE_PRESENT_INFO_KHR};
        present.waitSemaphoreCount = 1;
        present.pWaitSemaphores = &renderDone_[backBufferIndex_];
        present.swapchainCount = 1;
        present.pSwapchains = &swapchain_;
        present.pImageIndices = &backBufferIndex_;
        const VkResult presented = vkQueuePresentKHR(queue_, &present);
        if (presented == VK_ERROR_OUT_OF_DATE_KHR || presented == VK_SUBOPTIMAL_KHR) {
            swapchainStale_ = true;
        }
    }
    return true;
}

void CCommonDevice::WaitForGpu() {
    if (device_ == VK_NULL_HANDLE) {
        return;
    }
    if (submitted_) {
        vkWaitForFences(device_, 1, &frameFence_, VK_TRUE, UINT64_MAX);
        vkResetFences(device_, 1, &frameFence_);
        submitted_ = false;
        if (readbackRecorded_) {
            readbackReady_ = true;
            readbackRecorded_ = false;
        }
    }
}

} // namespace quorvane
