#include "app/field_view_character.h"

#include "render/animation.h"
#include "render/registry_payload.h"

#include <mutex>

namespace quorvane {

CModelEntry* LoadedCharacter(const CRegistryLists& lists) {
    // The character is appended once at start-up and never removed while the view lives.
    return lists.characters.FindFirst(
        [](const CModelEntry& entry) { return entry.loaded.load(std::memory_order_acquire); });
}

bool StartNamedAnimation(CModelEntry& entry, const std::string& name, float blend) {
    CRegistryPayload* payload = RegistryPayloadOf(entry.payload);
    if (payload == nullptr || !payload->drawModel) {
        return false;
    }
    std::lock_guard lock(payload->poseMutex);
    CDrawModel& model = *payload->drawModel;
    for (size_t i = 0; i < model.animations.size(); ++i) {
        if (model.animations[i]->name == name) {
            return StartAnimation(model, static_cast<int32_t>(i), blend);
        }
    }
    return false;
}

WalkHooks CharacterWalkHooks(CModelRegistry& registry) {
    WalkHooks hooks;
    hooks.updatePose = [&registry](CModelEntry& entry) { registry.UpdateEntryPose(entry); };
    hooks.startAnimation = [](CModelEntry& entry, const std::string& name, float blend) {
        StartNamedAnimation(entry, name, blend);
    };
    hooks.resetStandTime = [](CModelEntry& entry) {
        CRegistryPayload* payload = RegistryPayloadOf(entry.payload);
        if (payload == nullptr || !payload->drawModel) {
            return;
        }
        std::lock_guard lock(payload->poseMutex);
        SetStandAnimationValue(payload->drawModel.get(), 0.0f);
    };
    return hooks;
}

} // namespace quorvane
