// The shadow-map pass of the field view and the per-frame culling of the
// shared models' instance records.
#include "render/common_device.h"
#include "render/field_scene.h"
#include "render/model_draw.h"
#include "render/registry_payload.h"
#include "render/view_cone.h"

#include <cstdio>

namespace quorvane {
namespace {

CDrawModel* ReadyShadowModel(const CModelEntry& entry) {
    if (!entry.ready.load(std::memory_order_acquire)) {
        return nullptr;
    }
    CDrawModel* model = DrawModelOf(entry);
    return model != nullptr && model->LoadState() == 4 ? model : nullptr;
}

void SetShadowPassValues(CCommonDevice& device, float instancedGroups) {
    device.FrameConstants().SetVec4(
        frame_offset::kPassValues,
        {1, static_cast<float>(device.Width()), static_cast<float>(device.Height()), instancedGroups});
    device.CommitFrameConstants();
}

bool SameView(const InstanceCullView& a, const InstanceCullView& b) {
    const auto same = [](const Vec3& p, const Vec3& q) { return p.x == q.x && p.y == q.y && p.z == q.z; };
    return same(a.eye, b.eye) && same(a.target, b.target) && a.shadows == b.shadows &&
           (!a.shadows || a.lightView.m == b.lightView.m);
}

} // namespace

void CFieldScene::DrawShadowPass(CCommonDevice& device, CRegistryLists& lists, uint64_t key,
                                 const CCamera& camera) {
    using namespace frame_offset;
    device.BeginShadowPass();
    ++shadowPasses_;
    FrameConstantsBlock& block = device.FrameConstants();
    block.SetMatrix(kLightView, ShadowLightView(camera));
    for (size_t i = 0; i < 16; ++i) {
        block.SetVec4(kLightColors + 16 * i, {});
        block.SetVec4(kLightPositions + 16 * i, {});
    }
    block.SetVec4(kLightColors, {1, 1, 1, 0.5f});
    const Vec3 light = camera.light * 200.0f;
    block.SetVec4(kLightPositions, {light.x, light.y, light.z, 0});
    block.SetVec4(kEye, {camera.eye.x, camera.eye.y, camera.eye.z, 0});
    SetShadowPassValues(device, 0);

    // Pipeline 7 sends each of the three instances into its cascade.
    device.SetPipeline(PipelineId::ModelShadow);
    lists.fieldTiles.ForEach([&](CModelEntry& entry) {
        if (CDrawModel* model = ReadyShadowModel(entry); model != nullptr && IsInViewCone(camera, *model)) {
            DrawModelInstanced(*model, device, CInstanceBuffers::kShadowRecords);
        }
    });
    // A copy of a shared model casts its shadow with its batch, or none while
    // drawn alone, as a written copy does.
    placedShadowWalk_.Run(lists, key, [&](CModelEntry& entry) {
        if (entry.isInstance) {
            return false;
        }
        if (CDrawModel* model = ReadyShadowModel(entry)) {
            DrawModelInstanced(*model, device, CInstanceBuffers::kShadowRecords);
        }
        return true;
    });

    SetShadowPassValues(device, 1);
    DrawShadowGroups(device, lists, camera);

    lists.characters.ForEach([&](CModelEntry& entry) {
        if (CDrawModel* model = ReadyShadowModel(entry); model != nullptr && IsInViewCone(camera, *model)) {
            DrawModelInstanced(*model, device, CInstanceBuffers::kShadowRecords);
        }
    });
    device.EndPass();
}

void CFieldScene::DrawShadowGroups(CCommonDevice& device, CRegistryLists& lists, const CCamera& camera) {
    device.SetPipeline(PipelineId::ModelShadow);
    lists.gridFiles.ForEach([&](GridFileEntry& file) {
        for (auto& group : file.groups) {
            group->ForEach([&](CModelEntry& entry) {
                CDrawModel* model = entry.isInstance ? nullptr : ReadyShadowModel(entry);
                if (model != nullptr && IsInViewCone(camera, *model)) {
                    DrawModelInstanced(*model, device, CInstanceBuffers::kShadowRecords);
                }
            });
        }
    });

    // Shared models draw their copies from the shadow records (one per
    // instance and cascade it reaches). Only the tessellated pipelines read
    // instance records in this pass, so every draw kind goes through them:
    // 5 with a pipeline of its own (today of the same shaders), any other kind like 4.
    lists.sharedModels.ForEach([&](CModelEntry& entry) {
        CDrawModel* model = entry.isInstance ? nullptr : ReadyShadowModel(entry);
        CRegistryPayload* payload = RegistryPayloadOf(entry.payload);
        if (model == nullptr || payload == nullptr || !payload->instanceBuffers.HasBuffers() ||
            payload->instanceBuffers.shadowCount == 0) {
            return;
        }
        const PipelineId pipeline =
            entry.shader == 5 ? PipelineId::InstanceShadowShaderFive : PipelineId::InstanceShadow;
        if (device.Pipeline(pipeline) == VK_NULL_HANDLE) {
            if (!patchWarningGiven_) {
                std::fprintf(stderr, "field scene: no tessellated shadow pipeline on this device; "
                                     "shared models cast no shadow\n");
                patchWarningGiven_ = true;
            }
            return;
        }
        device.SetPipeline(pipeline);
        device.SetVertexBuffer(1, payload->instanceBuffers.shadow.buffer);
        DrawModelInstanced(*model, device, payload->instanceBuffers.shadowCount);
    });
    device.SetPipeline(PipelineId::ModelShadow);
}

void CFieldScene::CullInstances(CRegistryLists& lists, const CCamera& camera, bool refreshed, bool shadows) {
    InstanceCullView view;
    view.eye = camera.eye;
    view.target = camera.target;
    view.shadows = shadows;
    if (shadows) {
        view.lightView = ShadowLightView(camera);
        for (int c = 0; c < static_cast<int>(CInstanceBuffers::kShadowRecords); ++c) {
            view.cascades[static_cast<size_t>(c)] = CascadeBoxOf(c);
        }
    }
    if (refreshed) {
        // The refresh has just written every instance: keep them all, then
        // write back only what is seen.
        cullSets_.clear();
        lists.sharedModels.ForEach([&](CModelEntry& entry) {
            CRegistryPayload* payload = RegistryPayloadOf(entry.payload);
            CDrawModel* model = entry.isInstance ? nullptr : ReadyShadowModel(entry);
            if (payload != nullptr && model != nullptr && payload->instanceBuffers.HasBuffers()) {
                CaptureInstances(payload->instanceBuffers, model->boxCorners, model->center,
                                 cullSets_[&entry]);
            }
        });
        cullCaptured_ = true;
    }
    if (!cullCaptured_ || (!refreshed && lastCullValid_ && SameView(view, lastCull_))) {
        return;
    }
    lists.sharedModels.ForEach([&](CModelEntry& entry) {
        const auto found = cullSets_.find(&entry);
        CRegistryPayload* payload = RegistryPayloadOf(entry.payload);
        if (found != cullSets_.end() && payload != nullptr) {
            WriteVisibleInstances(payload->instanceBuffers, found->second, view);
        }
    });
    lastCull_ = view;
    lastCullValid_ = true;
}

} // namespace quorvane
