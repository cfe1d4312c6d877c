#pragma once

#include "editor/character_walk.h"
#include "editor/registry_lists.h"
#include "render/model_registry.h"

namespace quorvane {

// The walking character once it is in the lists and loaded; null before or
// when it failed to load. Render thread.
CModelEntry* LoadedCharacter(const CRegistryLists& lists);

// Starts the character's animation of that name, passing blend as its speed
// value. False when the entry has no drawable model or no such animation.
bool StartNamedAnimation(CModelEntry& entry, const std::string& name, float blend);

// The walk's drawable side on the GPU registry: pose updates, animations by
// name and the stand animation's time value.
WalkHooks CharacterWalkHooks(CModelRegistry& registry);

} // namespace quorvane
