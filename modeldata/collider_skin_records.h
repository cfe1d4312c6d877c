#pragma once

#include "modeldata/collider.h"

#include <cstdint>

namespace quorvane {

// Builds each collider's rest skin records from its file data and sizes its
// skinned records to match. Sphere and box take vector 0 of the position
// array as point A, capsule and rectangle vectors 0 and 1 as A and B, each
// with the weight row of the same index. A mesh takes one record per corner
// of its polygons: the position and weight row of the position index, the
// normal of the normal index. A polygon's arrays are the ones it names, else
// "position" (else the first array) and "normal". Only whole triangles whose
// indices all name existing vectors are kept; trailing corners are dropped.
// Missing data leaves a point at the origin, a normal zero or a triangle out;
// never fails.
void BuildColliderSkinRecords(CColliderSet& set);
// The points a shape collider keeps: A for a sphere or a box, A and B for a
// capsule or a rectangle; 0 for a mesh, whose records are its polygons' corners.
int32_t ControlPointCount(ColliderType type);
void BuildColliderSkinRecords(CCollider& collider);

} // namespace quorvane
