#pragma once

#include "modeldata/collider.h"
#include "render/matrix.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace quorvane {

class CCommonDevice;
class CDrawModel;

// Shape list of root parameter 3: points A and B of shape k at floats 8k and
// 8k + 4 (normalised device coordinates, w = 1; B zero for spheres and
// boxes), then (type, projected radius, 0, 0) of shape k at float 2040 + 4k.
inline constexpr size_t kColliderShapeListBytes = 12240;
inline constexpr size_t kMaxColliderShapes = 255;
using ColliderShapeList = std::array<float, kColliderShapeListBytes / sizeof(float)>;

// The shape list of a set's sphere, box, capsule and rectangle colliders from
// their skinned points; shapes past 255 are left out. scaleW is the owner's
// scale w component.
ColliderShapeList BuildColliderShapeList(const CColliderSet& set, float scaleW, const Matrix4& view,
                                         const Matrix4& projection);

// Vertex buffers of the mesh colliders' polygons (from their rest records),
// shared with instance copies through the polygons. False when a buffer could
// not be created; the set then draws without the meshes that failed.
bool CreateColliderGpuData(CColliderSet& set, CCommonDevice& device);

// Collider display: the analytic shapes with one full-screen quad (pipeline
// pipelineShapes; the quad is bound by the caller), then the mesh colliders
// (pipeline pipelineMeshes) with the owner's model block and each collider's
// own matrix. Highlight: 2 when flagA, else 1 when flagB, else 0.
bool DrawColliders(const CColliderSet& set, CDrawModel& owner, CCommonDevice& device, const Matrix4& view,
                   const Matrix4& projection, int pipelineShapes, int pipelineMeshes, bool flagA, bool flagB);
// The mesh colliders only, with the pipeline the caller set; once or instanced.
bool DrawColliderMeshes(const CColliderSet& set, CDrawModel& owner, CCommonDevice& device);
bool DrawColliderMeshesInstanced(const CColliderSet& set, CDrawModel& owner, CCommonDevice& device,
                                 uint32_t instanceCount);

} // namespace quorvane
