// Scene and shadow passes and the draw state a scene callback sets between
// BeginFrame and EndFrame: pipeline, uniform ring, texture sets.
#include "modeldata/scalar_math.h"
#include "render/common_device.h"
#include "render/common_device_internal.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace quorvane {

using common_device_detail::SetViewport;

VkPipeline CCommonDevice::Pipeline(PipelineId pipeline) const {
    return pipelineSet_ ? pipelineSet_->Pipeline(pipeline) : VK_NULL_HANDLE;
}

VkShaderModule CCommonDevice::Shader(const std::string& name) const {
    return pipelineSet_ ? pipelineSet_->Shader(name) : VK_NULL_HANDLE;
}

const std::vector<std::string>& CCommonDevice::MissingShaderFiles() const {
    static const std::vector<std::string> kNone;
    return pipelineSet_ ? pipelineSet_->MissingShaderFiles() : kNone;
}

bool CCommonDevice::SetUniformBlock(UniformBlock block, const void* data, size_t bytes) {
    FlushCopies();
    return recording_ && uniforms_.SetBlock(block, data, bytes);
}

bool CCommonDevice::BindTextureSet(TextureSet textureSet, uint32_t firstSlot) {
    FlushCopies();
    const size_t index = static_cast<size_t>(textureSet) - 1;
    if (!recording_ || index >= kTextureSetCount || !pipelineSet_) {
        return false;
    }
    VkDescriptorSet set = descriptors_->GetSet(pipelineSet_->TextureSetShape(textureSet),
                                               pipelineSet_->TextureSetLayout(textureSet), firstSlot);
    if (set == VK_NULL_HANDLE) {
        return false;
    }
    if (boundTextureSets_[index] != set) {
        boundTextureSets_[index] = set;
        textureSetsDirty_ |= 1u << index;
    }
    return true;
}

void CCommonDevice::CommitFrameConstants() {
    std::memcpy(frameMapped_, frameConstants_.Data(), FrameConstantsBlock::kBytes);
    SetUniformBlock(UniformBlock::Frame, frameMapped_, FrameConstantsBlock::kBytes);
}

bool CCommonDevice::MergeCopy(CDrawModel& model) {
    return recording_ && pipelineUsable_ && copies_.Add(*this, model, pipeline_);
}

bool CCommonDevice::AllocateFrameBytes(size_t bytes, VkDeviceSize& offset, void*& mapped) {
    return recording_ && uniforms_.Allocate(bytes, 0, offset, mapped);
}

void CCommonDevice::SetVertexBuffer(uint32_t binding, VkBuffer buffer, VkDeviceSize offset) {
    FlushCopies();
    if (recording_ && buffer != VK_NULL_HANDLE) {
        vkCmdBindVertexBuffers(frameCommands_, binding, 1, &buffer, &offset);
    }
}

bool CCommonDevice::SetPipeline(PipelineId id) {
    FlushCopies();
    const VkPipeline pipeline = Pipeline(id);
    // A shadow pipeline writes depth only: it fits the shadow pass, every other one the scene pass.
    const uint32_t wantedTargets = pass_ == Pass::Shadow ? 0u : 1u;
    pipeline_ = id;
    pipelineUsable_ = recording_ && pipeline != VK_NULL_HANDLE &&
                      (pass_ == Pass::Scene || pass_ == Pass::Shadow) &&
                      pipelineSet_->ColorTargets(id) == wantedTargets;
    if (pipelineUsable_) {
        vkCmdBindPipeline(frameCommands_, VK_PIPELINE_BIND_POINT_GRAPHICS, pipeline);
    }
    return pipelineUsable_;
}

void CCommonDevice::MarkAllStateDirty() {
    uniforms_.MarkDirty();
    textureSetsDirty_ = ~0u;
}

void CCommonDevice::BindPendingState() {
    const VkPipelineLayout layout = Layout();
    if (layout == VK_NULL_HANDLE || !uniforms_.Ready()) {
        return;
    }
    uniforms_.Bind(frameCommands_, layout);
    for (size_t t = 0; t < boundTextureSets_.size(); ++t) {
        if ((textureSetsDirty_ & (1u << t)) != 0 && boundTextureSets_[t] != VK_NULL_HANDLE) {
            vkCmdBindDescriptorSets(frameCommands_, VK_PIPELINE_BIND_POINT_GRAPHICS, layout,
                                    static_cast<uint32_t>(t + 1), 1, &boundTextureSets_[t], 0, nullptr);
        }
    }
    textureSetsDirty_ = 0;
}

bool CCommonDevice::Draw(uint32_t vertexCount, uint32_t instanceCount, uint32_t firstVertex,
                         uint32_t firstInstance) {
    FlushCopies();
    if (!pipelineUsable_ || !uniforms_.Ready()) {
        return false;
    }
    BindPendingState();
    vkCmdDraw(frameCommands_, vertexCount, instanceCount, firstVertex, firstInstance);
    return true;
}

void CCommonDevice::BeginScenePass(bool clearColor, bool clearDepth) {
    FlushCopies();
    if (!recording_) {
        return;
    }
    EndPass();
    TransitionImage(frameCommands_, sceneColor_, VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL);
    TransitionImage(frameCommands_, depthBuffer_, VK_IMAGE_LAYOUT_DEPTH_ATTACHMENT_OPTIMAL);
    VkRenderingAttachmentInfo color{VK_STRUCTURE_TYPE_RENDERING_ATTACHMENT_INFO};
    color.imageView = sceneColor_.view;
    color.imageLayout = VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL;
    color.loadOp = clearColor || !scenePassDone_ ? VK_ATTACHMENT_LOAD_OP_CLEAR : VK_ATTACHMENT_LOAD_OP_LOAD;
    color.storeOp = VK_ATTACHMENT_STORE_OP_STORE;
    color.clearValue.color = {{0.8f, 0.8f, 0.8f, 1.0f}};
    VkRenderingAttachmentInfo depth{VK_STRUCTURE_TYPE_RENDERING_ATTACHMENT_INFO};
    depth.imageView = depthBuffer_.view;
    depth.imageLayout = VK_IMAGE_LAYOUT_DEPTH_ATTACHMENT_OPTIMAL;
    depth.loadOp = clearDepth || !scenePassDone_ ? VK_ATTACHMENT_LOAD_OP_CLEAR : VK_ATTACHMENT_LOAD_OP_LOAD;
    depth.storeOp = VK_ATTACHMENT_STORE_OP_STORE;
    depth.clearValue.depthStencil = {1.0f, 0};
    VkRenderingInfo info{VK_STRUCTURE_TYPE_RENDERING_INFO};
    info.renderArea = {{0, 0}, renderSize_};
    info.layerCount = 1;
    info.colorAttachmentCount = 1;
    info.pColorAttachments = &color;
    info.pDepthAttachment = &depth;
    vkCmdBeginRendering(frameCommands_, &info);
    SetViewport(frameCommands_, renderSize_);
    pass_ = Pass::Scene;
    scenePassDone_ = true;
    pipelineUsable_ = false;
}

void CCommonDevice::BeginShadowPass() {
    FlushCopies();
    if (!recording_) {
        return;
    }
    EndPass();
    TransitionImage(frameCommands_, shadowMap_, VK_IMAGE_LAYOUT_DEPTH_ATTACHMENT_OPTIMAL);
    VkRenderingAttachmentInfo depth{VK_STRUCTURE_TYPE_RENDERING_ATTACHMENT_INFO};
    depth.imageView = shadowMap_.view;
    depth.imageLayout = VK_IMAGE_LAYOUT_DEPTH_ATTACHMENT_OPTIMAL;
    depth.loadOp = VK_ATTACHMENT_LOAD_OP_CLEAR;
    depth.storeOp = VK_ATTACHMENT_STORE_OP_STORE;
    depth.clearValue.depthStencil = {1.0f, 0};
    VkRenderingInfo info{VK_STRUCTURE_TYPE_RENDERING_INFO};
    info.renderArea = {{0, 0}, {kShadowSize, kShadowSize}};
    info.layerCount = kShadowSlices;
    info.pDepthAttachment = &depth;
    vkCmdBeginRendering(frameCommands_, &info);
    SetViewport(frameCommands_, {kShadowSize, kShadowSize});
    pass_ = Pass::Shadow;
    pipelineUsable_ = false;
}

void CCommonDevice::EndPass() {
    FlushCopies();
    if (pass_ == Pass::None) {
        return;
    }
    vkCmdEndRendering(frameCommands_);
    if (pass_ == Pass::Shadow) {
        TransitionImage(frameCommands_, shadowMap_, VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL);
    }
    pass_ = Pass::None;
    pipelineUsable_ = false;
}

} // namespace quorvane
