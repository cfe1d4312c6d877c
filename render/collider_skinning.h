#pragma once

#include "modeldata/collider.h"
#include "render/matrix.h"

#include <span>

namespace quorvane {

// What moves a collider set: its drawable model's bone palette (final
// matrices in bone-table order) and world and rotation-scale matrices.
struct ColliderPose {
    std::span<const Matrix4> palette;
    Matrix4 world = Identity();
    Matrix4 rotationScale = Identity();
};

// An influence counts when its weight is above 1e-7 and its bone index
// (truncated) names a bone of the palette; index 0 is the first bone. The
// collider vertex shaders skin with the same rule.
bool IsUsableInfluence(const CBoneWeight& influence, size_t paletteSize);

// One control point or mesh corner in world space: position and normal
// through localMatrix, then the weighted sum of the usable bones (none: left
// as it is), then the world (position) and rotation-scale (normal) matrices.
// The influences are copied unchanged.
CSkinRecord SkinColliderPoint(const CSkinRecord& record, const Matrix4& localMatrix,
                              const ColliderPose& pose);

// Skins every collider's rest records into its skinned records and recomputes
// the set's bounds, centre and radius; clears needsUpdate. Does nothing and
// returns false unless ownerReady and (needsUpdate or ownerAnimated).
bool UpdateColliderSet(CColliderSet& set, const ColliderPose& pose, bool ownerReady, bool ownerAnimated);

// The collider's own matrix (its bind-shape matrix as the renderer stores matrices).
Matrix4 ColliderMatrix(const CCollider& collider);

} // namespace quorvane
