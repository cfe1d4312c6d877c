#pragma once

#include "editor/model_entry.h"
#include "modeldata/model.h"
#include "render/draw_model.h"
#include "render/instance_buffers.h"
#include "render/loader_slots.h"

#include <memory>
#include <mutex>
#include <optional>

namespace quorvane {

class CCommonDevice;

// What the registry keeps in a model entry: the model data, its drawable
// model, the loader slot held until the uploads complete, and for a shared
// source the instance data of the entries that draw it. An instance entry
// carries one too, with no model, for its transform bookkeeping.
class CRegistryPayload : public CModelEntryPayload {
public:
    explicit CRegistryPayload(CCommonDevice* owner) : device(owner) {}
    ~CRegistryPayload() override {
        if (device != nullptr) {
            ReleaseInstanceBuffers(*device, instanceBuffers);
        }
    }
    CRegistryPayload(const CRegistryPayload&) = delete;
    CRegistryPayload& operator=(const CRegistryPayload&) = delete;

    CCommonDevice* device = nullptr;
    // The character's own model, which gets its animations after the build.
    std::unique_ptr<CModel> model;
    // The shared parse the drawable model was built from: while any payload
    // holds it, the next copy of the file builds from it without a read.
    std::shared_ptr<const CModel> parsed;
    std::unique_ptr<CDrawModel> drawModel;
    CLoaderSlot slot;
    CInstanceBuffers instanceBuffers;
    // The transform last applied to the colliders: a change skins them again.
    std::optional<CModelTransform> appliedTransform;
    // Held while the render thread poses the drawable model and skins the
    // colliders, and while another thread copies them for an instance.
    std::mutex poseMutex;
};

// The registry payload of an entry or cursor part; null when it has none.
inline CRegistryPayload* RegistryPayloadOf(const std::unique_ptr<CModelEntryPayload>& payload) {
    return dynamic_cast<CRegistryPayload*>(payload.get());
}

// The drawable model an entry draws: its own, or an instance's source's.
// Null until the entry (or its source) is loaded.
CDrawModel* DrawModelOf(const CModelEntry& entry);

} // namespace quorvane
