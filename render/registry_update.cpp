// The render thread's per-frame work on the registry lists.
#include "render/animation.h"
#include "render/collider_skinning.h"
#include "render/common_device.h"
#include "render/model_loaders.h"
#include "render/model_registry.h"
#include "render/registry_payload.h"

#include <unordered_map>

namespace quorvane {
namespace {

bool SameTransform(const CModelTransform& a, const CModelTransform& b) {
    return a.scale == b.scale && a.rotation == b.rotation && a.position == b.position;
}

// True when the transform differs from the one last applied (and records it).
bool TransformChanged(CRegistryPayload& payload, const CModelTransform& transform) {
    if (payload.appliedTransform && SameTransform(*payload.appliedTransform, transform)) {
        return false;
    }
    payload.appliedTransform = transform;
    return true;
}

// The few entries walked whole every frame; the placed models and the grid
// files' groups, thousands of copies that mostly stand still, go through a
// CGridEntryWalk after them.
template <typename Visit> void ForEachListEntry(CRegistryLists& lists, Visit visit) {
    for (COwnedList<CModelEntry>* list :
         {&lists.characters, &lists.fieldTiles, &lists.lowDetailField, &lists.sharedModels}) {
        list->ForEach(visit);
    }
}

} // namespace

std::vector<VkCommandBuffer> CModelRegistry::FinishUploads() {
    std::vector<VkCommandBuffer> commands;
    const uint64_t key = GridContentKey();
    ForEachListEntry(lists_, [&](CModelEntry& entry) { FinishEntryUploads(entry, commands); });
    uploadWalk_.Run(lists_, key, [&](CModelEntry& entry) { return FinishEntryUploads(entry, commands); });
    return commands;
}

bool CModelRegistry::FinishEntryUploads(CModelEntry& entry, std::vector<VkCommandBuffer>& commands) {
    // Loading and readiness changes are counted, so a settled entry stays
    // settled until the content key changes.
    if (!entry.loaded.load(std::memory_order_acquire)) {
        return false;
    }
    if (entry.isInstance) {
        const bool sourceReady =
            entry.source != nullptr && entry.source->ready.load(std::memory_order_acquire);
        SetEntryReady(entry, sourceReady);
        return false;
    }
    if (entry.ready.load(std::memory_order_acquire)) {
        return false;
    }
    if (entry.payload && AdvanceUploads(*entry.payload, commands)) {
        entry.gpuSlot = -1;
        SetEntryReady(entry, true);
        return false;
    }
    return true;
}

bool CModelRegistry::AdvanceUploads(CModelEntryPayload& payload, std::vector<VkCommandBuffer>& commands) {
    auto* registryPayload = dynamic_cast<CRegistryPayload*>(&payload);
    if (registryPayload == nullptr || !registryPayload->drawModel) {
        return false;
    }
    if (!registryPayload->drawModel->AdvanceUpload(commands)) {
        return false;
    }
    // Its commands have run (or there were none): the slot can be reset now.
    registryPayload->slot.ReleaseNow();
    return true;
}

void CModelRegistry::UpdateEntries(int32_t frameStep) {
    const uint64_t key = GridContentKey();
    // True for an entry that needs this work again next frame.
    const auto update = [this, frameStep](CModelEntry& entry) {
        if (!entry.loaded.load(std::memory_order_acquire)) {
            return false;
        }
        if (entry.isInstance) {
            return UpdateInstance(entry);
        }
        UpdateEntry(entry, frameStep);
        return true; // its animation time moves every frame
    };
    ForEachListEntry(lists_, update);
    updateWalk_.Run(lists_, key, update);
}

void CModelRegistry::UpdateEntryPose(CModelEntry& entry) {
    if (!entry.loaded.load(std::memory_order_acquire) || entry.isInstance) {
        return;
    }
    UpdateEntry(entry, 0);
}

void CModelRegistry::UpdateEntry(CModelEntry& entry, int32_t frameStep) {
    CRegistryPayload* payload = RegistryPayloadOf(entry.payload);
    if (payload == nullptr || !payload->drawModel) {
        return;
    }
    std::lock_guard lock(payload->poseMutex);
    CDrawModel& drawModel = *payload->drawModel;
    drawModel.frameCounter += frameStep;
    drawModel.scale = entry.transform.scale;
    drawModel.rotation = entry.transform.rotation;
    drawModel.position = entry.transform.position;
    UpdateDrawModel(drawModel);
    if (entry.colliderSet) {
        if (TransformChanged(*payload, entry.transform)) {
            entry.colliderSet->needsUpdate = 1;
        }
        std::vector<Matrix4> palette;
        UpdateColliderSet(*entry.colliderSet, ColliderPoseOf(drawModel, palette), true, drawModel.animated);
    }
}

bool CModelRegistry::UpdateInstance(CModelEntry& instance) {
    CModelEntry* source = instance.source;
    CRegistryPayload* own = RegistryPayloadOf(instance.payload);
    if (!instance.colliderSet || source == nullptr || own == nullptr) {
        return false;
    }
    CRegistryPayload* sourcePayload = RegistryPayloadOf(source->payload);
    if (sourcePayload == nullptr || !sourcePayload->drawModel) {
        return false;
    }
    if (TransformChanged(*own, instance.transform)) {
        instance.colliderSet->needsUpdate = 1;
    }
    std::vector<Matrix4> palette;
    bool animated = false;
    {
        std::lock_guard lock(sourcePayload->poseMutex);
        animated = sourcePayload->drawModel->animated;
        if (instance.colliderSet->needsUpdate == 0 && !animated) {
            return false; // unmoved and still: its skinned colliders stand as they are
        }
        ColliderPoseOf(*sourcePayload->drawModel, palette);
    }
    ColliderPose pose;
    pose.palette = palette;
    pose.world = InstanceWorldMatrix(instance.transform.scale, instance.transform.rotation,
                                     instance.transform.position);
    pose.rotationScale = InstanceRotationScale(instance.transform.scale, instance.transform.rotation);
    UpdateColliderSet(*instance.colliderSet, pose, true, animated);
    // A still copy moves only when the editor changes its transform, and
    // that is counted.
    return animated;
}

// Read before the walk: a change made during it shows as a new key next
// frame. Mixed, not summed: a group that goes with its file must not cancel
// another's growth.
uint64_t CModelRegistry::GridContentKey() const {
    uint64_t key = 1469598103934665603ull;
    const auto mix = [&key](uint64_t value) {
        key ^= value;
        key *= 1099511628211ull;
    };
    mix(EntryStateChanges().load(std::memory_order_acquire));
    mix(lists_.sharedModels.Version());
    mix(lists_.placedModels.Version());
    mix(lists_.gridFiles.Version());
    lists_.gridFiles.ForEach([&](const GridFileEntry& file) {
        mix(reinterpret_cast<uintptr_t>(&file));
        for (const auto& group : file.groups) {
            mix(reinterpret_cast<uintptr_t>(group.get()));
            mix(group->Version());
        }
    });
    return key;
}

bool CModelRegistry::RefreshInstanceData() {
    // Nobody came, went or changed state since the last walk: its content
    // signature would be the same, so only the periodic refresh can be due.
    const uint64_t key = GridContentKey();
    const bool unchanged = walkedKey_ == key;
    if (unchanged && !refreshCounter_.TickUnchanged()) {
        return false;
    }
    walkedKey_ = key;
    // Entries leave the lists only on this thread, so what is collected here
    // stays alive until the refresh below is done.
    std::vector<const CModelEntry*> sourceEntries;
    std::vector<InstancedSource> sources;
    lists_.sharedModels.ForEach([&](CModelEntry& shared) {
        CRegistryPayload* payload = RegistryPayloadOf(shared.payload);
        if (!shared.loaded.load(std::memory_order_acquire) || payload == nullptr) {
            return;
        }
        InstancedSource source;
        source.buffers = &payload->instanceBuffers;
        source.ready = shared.ready.load(std::memory_order_acquire);
        sourceEntries.push_back(&shared);
        sources.push_back(source);
    });
    std::unordered_map<const CModelEntry*, InstancedSource*> sourceOf;
    for (size_t i = 0; i < sources.size(); ++i) {
        sourceOf.emplace(sourceEntries[i], &sources[i]);
    }

    std::vector<InstanceReference> references;
    // Written and unwritten copies alike: a copy drawn alone (selected) or
    // not at all (hidden) stays out of its batch.
    const auto take = [&](const CModelEntry& entry) {
        if (!entry.loaded.load(std::memory_order_acquire) || !entry.isInstance ||
            entry.hidden.load(std::memory_order_relaxed) || entry.selected.load(std::memory_order_relaxed)) {
            return;
        }
        const auto found = sourceOf.find(entry.source);
        if (found == sourceOf.end()) {
            return;
        }
        InstanceReference reference;
        reference.source = found->second;
        reference.scale = entry.transform.scale;
        reference.rotation = entry.transform.rotation;
        reference.position = entry.transform.position;
        reference.ready = entry.ready.load(std::memory_order_acquire);
        ++found->second->referenceCount;
        references.push_back(reference);
    };
    lists_.placedModels.ForEach(take);
    lists_.gridFiles.ForEach([&](GridFileEntry& file) {
        for (auto& group : file.groups) {
            group->ForEach(take);
        }
    });
    if (unchanged) {
        FillInstanceData(device_, sources, references);
        return true;
    }
    return RebuildInstanceData(device_, refreshCounter_, sources, references);
}

} // namespace quorvane
