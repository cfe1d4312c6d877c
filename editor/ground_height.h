#pragma once

#include "editor/registry_lists.h"
#include "editor/vector4.h"

#include <optional>

namespace quorvane {

// The highest point where the vertical line through (x, y), from z -1000 to
// 1000, meets a triangle of a mesh collider of a ready field tile whose
// collider rectangle holds (x, y): (x, y, z, 0), or nothing when no tile is
// met. Ground at exactly z = 0 counts like any other height.
std::optional<Vector4> GroundHeight(const CRegistryLists& lists, float x, float y);

} // namespace quorvane
