#pragma once

#include "modeldata/geometry.h"
#include "modeldata/model_types.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quorvane {

// Data that the collider display keeps in a collider record (buffers, mapped
// memory, skinned vertices). Defined by the renderer; released with its record.
class CColliderAttachment {
public:
    virtual ~CColliderAttachment() = default;
};

// One triangle list of a mesh collider: corner c uses positionIndices[c] and
// normalIndices[c].
struct CColliderPolygon {
    std::string vertexId;
    std::string normalId;
    std::vector<int32_t> positionIndices;
    std::vector<int32_t> normalIndices;
    int32_t cornerCount = 0; // pairs read; a last lone position index is not a corner
    // Its triangles' records in the collider's restRecords (whole triangles
    // only: one with an index out of range is left out).
    int32_t firstRecord = 0;
    int32_t recordCount = 0;
    std::unique_ptr<CColliderAttachment> gpu; // vertex buffer of its records; shared by instance copies
};

// A control point or mesh corner with its skin: position, normal and eight
// influences (bone index as a float, weight), the 88-byte layout of the
// collider mesh vertex, so mesh records go to the GPU as they are.
struct CSkinRecord {
    std::array<float, 3> position{};
    std::array<float, 3> normal{};
    std::array<CBoneWeight, CWeightRow::kInfluences> influences{};
};
static_assert(sizeof(CSkinRecord) == 88);

enum class ColliderType : int32_t {
    kUnknown = 0,
    kSphere = 1,
    kBox = 2,
    kCapsule = 3,
    kRect = 4,
    kMesh = 5,
};

// One collision shape. Its file data are shared: the copy made for an instance
// entry points at the same float arrays, polygons and weights as its source.
struct CCollider {
    std::string name;
    int32_t isCopy = 0;
    Matrix4x4 bindShapeMatrix = kIdentityMatrix;
    int32_t vertexCount = 0; // set by the collider display
    std::vector<std::shared_ptr<const CFloatArray>> floatArrays;
    std::vector<std::shared_ptr<CColliderPolygon>> polygons;
    std::shared_ptr<const std::vector<CWeightRow>> weights; // null when there is no skin
    int32_t weightsSize = 0;
    ColliderType type = ColliderType::kUnknown;
    float radius = 0.0f;
    std::unique_ptr<CColliderAttachment> gpu; // per collider, never shared

    // Built from the file data when the model loads. Sphere and box: point A;
    // capsule and rectangle: A then B; mesh: one record per corner, every
    // three a triangle. Shared by instance copies.
    std::shared_ptr<const std::vector<CSkinRecord>> restRecords;
    // The same records skinned into world space (position and normal) by the
    // last update; an instance copy has its own, zero until its first update.
    std::vector<CSkinRecord> skinnedRecords;

    // The instance copy: shares the file data, has no display data of its own yet.
    std::unique_ptr<CCollider> MakeInstanceCopy() const;
    const CFloatArray* FindFloatArray(std::string_view arrayId) const;
};

// Maps a COLLIDER_TYPE value to its type; anything else is kUnknown.
ColliderType ColliderTypeFromName(std::string_view value);

// The colliders of one model entry.
struct CColliderSet {
    std::string name; // MODEL_ID of the collider file
    std::vector<std::unique_ptr<CCollider>> colliders;
    // Bounding sphere of all colliders, computed with the display data.
    std::array<float, 3> center{};
    float radius = 0.0f;
    // World-space box of every skinned point (grown by its collider's radius)
    // and mesh corner; both corners zero when the set has no point.
    std::array<float, 3> boundsMin{};
    std::array<float, 3> boundsMax{};
    int32_t needsUpdate = 1; // the entry moved: skin again even when not animated
    std::unique_ptr<CColliderAttachment> gpu;

    // Counts of colliders per type, indexed by the type's value (0..5).
    std::array<int32_t, 6> CountByType() const;
    // The set of an instance entry: instance copies of every collider, the
    // same bounds, no display data yet.
    std::unique_ptr<CColliderSet> MakeInstanceCopy() const;
};

} // namespace quorvane
