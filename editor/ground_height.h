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

// The ground there and its normal: the mean of the met triangle's corner
// normals, of unit length and pointing up (straight up when they cancel).
struct GroundContact {
    Vector4 point;  // (x, y, z, 0), as GroundHeight gives it
    Vector4 normal; // (nx, ny, nz, 0)
};
std::optional<GroundContact> GroundAt(const CRegistryLists& lists, float x, float y);

} // namespace quorvane
