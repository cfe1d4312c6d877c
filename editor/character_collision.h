#pragma once

#include "editor/model_entry.h"
#include "editor/owned_list.h"
#include "editor/registry_lists.h"

namespace quorvane {

// The walking character's capsules against the mesh colliders of one list:
// floor probes under each capsule end (highest hit wins) and wall tests of
// the capsule and of the paths its ends took since the last accepted step
// (nearest hit wins). Results accumulate in character.collision; the caller
// resets them. Entries named like the character, not ready, without colliders
// or out of reach of the character's bounding sphere are skipped.
void CollideCharacterWith(CModelEntry& character, const COwnedList<CModelEntry>& list);

// For every ready character with colliders: resets its results, then collides
// it with the placed models and with group 0 of every loaded grid file
// (models of higher list numbers take no part in collision).
void CollideCharacter(CRegistryLists& lists);

// Remembers every collider's current points A and B as A' and B', after a
// step that was not blocked.
void AcceptCapsulePoints(CModelEntry& character);

} // namespace quorvane
