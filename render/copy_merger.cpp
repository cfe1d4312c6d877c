#include "render/copy_merger.h"

#include "render/common_device.h"
#include "render/draw_model.h"
#include "render/instance_buffers.h"
#include "render/model_draw.h"

#include <cstring>
#include <utility>

namespace quorvane {

bool CCopyMerger::Add(CCommonDevice& device, CDrawModel& model, PipelineId pipeline) {
    if (CopiesPipelineOf(pipeline) == pipeline || !model.bones.empty()) {
        return false;
    }
    if (model_ != &model || pipeline_ != pipeline) {
        Flush(device);
        model_ = &model;
        pipeline_ = pipeline;
    }
    copies_.push_back({model.worldMatrix, model.rotationScale});
    return true;
}

void CCopyMerger::Flush(CCommonDevice& device) {
    if (model_ == nullptr) {
        return;
    }
    // Emptied first: the device calls below come back here.
    CDrawModel& model = *std::exchange(model_, nullptr);
    flushing_.swap(copies_);
    const std::vector<Copy>& copies = flushing_;
    VkDeviceSize offset = 0;
    void* mapped = nullptr;
    const size_t bytes = copies.size() * sizeof(InstanceRecord);
    if (copies.size() == 1 || !device.AllocateFrameBytes(bytes, offset, mapped)) {
        // One copy, or no room for records this frame: drawn one by one.
        const Matrix4 world = model.worldMatrix;
        const Matrix4 rotationScale = model.rotationScale;
        for (const Copy& copy : copies) {
            model.worldMatrix = copy.world;
            model.rotationScale = copy.rotationScale;
            DrawModelParts(model, device, 1);
        }
        model.worldMatrix = world;
        model.rotationScale = rotationScale;
        flushing_.clear();
        return;
    }
    auto* records = static_cast<InstanceRecord*>(mapped);
    for (const Copy& copy : copies) {
        const InstanceRecord record =
            MakeInstanceRecord({copy.world(3, 0), copy.world(3, 1), copy.world(3, 2), 1.0f}, 0.0f, copy.world,
                               copy.rotationScale);
        std::memcpy(records++, &record, sizeof(record));
    }
    if (device.SetPipeline(CopiesPipelineOf(pipeline_))) {
        device.SetVertexBuffer(1, device.FrameBytesBuffer(), offset);
        DrawModelParts(model, device, static_cast<uint32_t>(copies.size()));
    }
    device.SetPipeline(pipeline_);
    flushing_.clear();
}

void CCopyMerger::Drop() {
    model_ = nullptr;
    copies_.clear();
}

} // namespace quorvane
