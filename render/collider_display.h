#pragma once

#include "modeldata/collider.h"
#include "render/matrix.h"
#include "render/pipeline_id.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace quorvane {

class CCommonDevice;
class CDrawModel;

// Shape list of the collider shapes uniform block: points A and B of shape k at floats 8k and
// 8k + 4 (normalised device coordinates, w = 1; B zero for spheres and
// boxes), then (type, projected radius, 0, 0) of shape k at float 2040 + 4k.
inline constexpr size_t kColliderShapeListBytes = 12240;
inline constexpr size_t kMaxColliderShapes = 255;
using ColliderShapeList = std::array<float, kColliderShapeListBytes / sizeof(float)>;

// The shape list of a set's sphere, box, capsule and rectangle colliders from
// their skinned points (record 0 is A, record 1 is B), in collider order;
// shapes past 255 are left out. The radius is scaleW x radius / w of A, where
// scaleW is the owner's scale w component; the fragment shader multiplies it by
// the projection's x and y scales. A shape with a point at or behind the eye
// plane (w <= 0), or without its skinned points, is left out: its division
// by w would give nothing drawable.
ColliderShapeList BuildColliderShapeList(const CColliderSet& set, float scaleW, const Matrix4& view,
                                         const Matrix4& projection);

// Vertex buffers of the mesh colliders' polygons (from their rest records),
// shared with instance copies through the polygons, and each mesh collider's
// vertexCount. False when a buffer could not be created or a polygon's
// records lie outside the collider's; the set then draws without those
// polygons. The buffers go back through the device's release list when the
// polygons die, so the set must not outlive the device.
bool CreateColliderGpuData(CColliderSet& set, CCommonDevice& device);

// Collider display: the analytic shapes with one full-screen quad (pipeline
// pipelineShapes, a four-vertex strip; the quad is bound by the caller and
// not drawn when there is no shape), then the mesh colliders (pipeline
// pipelineMeshes) with the owner's model block and each collider's own
// matrix. Highlight block (read by both): 2 when flagA, else 1 when flagB,
// else 0. Meshes need a ready owner (state 4). False when nothing was drawn.
bool DrawColliders(const CColliderSet& set, CDrawModel& owner, CCommonDevice& device, const Matrix4& view,
                   const Matrix4& projection, PipelineId pipelineShapes, PipelineId pipelineMeshes,
                   bool flagA, bool flagB);
// The mesh colliders only, with the pipeline the caller set; once or
// instanced. The vertices are ModelVertex records: the pipeline must read them.
bool DrawColliderMeshes(const CColliderSet& set, CDrawModel& owner, CCommonDevice& device);
bool DrawColliderMeshesInstanced(const CColliderSet& set, CDrawModel& owner, CCommonDevice& device,
                                 uint32_t instanceCount);

} // namespace quorvane
