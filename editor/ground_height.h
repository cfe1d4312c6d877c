#pragma once

#include "editor/registry_lists.h"
#include "editor/vector4.h"

#include <array>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

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

// GroundAt for the thousands of points of one stroke: each block of ground
// gathers the triangles that reach into it once, so a point tests tens of
// triangles instead of all of its tile's. The tiles must stay as they are
// while it is used (the frame update's thread, between two streaming passes).
class CGroundBlocks {
public:
    static constexpr float kBlockSize = 16.0f;

    explicit CGroundBlocks(const CRegistryLists& lists) : lists_(lists) {}
    std::optional<GroundContact> At(float x, float y);

private:
    struct Triangle {
        std::array<CSkinRecord, 3> corners;
        std::array<float, 2> tileMin; // the collider rectangle of its tile
        std::array<float, 2> tileMax;
    };
    static uint64_t KeyOf(int64_t column, int64_t row);

    const CRegistryLists& lists_;
    std::unordered_map<uint64_t, std::vector<Triangle>> blocks_;
};

} // namespace quorvane
