#include "modeldata/collider_skin_records.h"

#include <algorithm>

namespace quorvane {
namespace {

constexpr const char* kDefaultPositionId = "position";
constexpr const char* kDefaultNormalId = "normal";

// The array named id, else the one named fallbackId, else the collider's first.
const CFloatArray* FindArrayOrDefault(const CCollider& collider, const std::string& id,
                                      const char* fallbackId) {
    if (const CFloatArray* named = collider.FindFloatArray(id)) {
        return named;
    }
    if (const CFloatArray* fallback = collider.FindFloatArray(fallbackId)) {
        return fallback;
    }
    return collider.floatArrays.empty() ? nullptr : collider.floatArrays.front().get();
}

bool HasVector(const CFloatArray* array, int64_t index) {
    return array != nullptr && index >= 0 && index < array->VectorCount();
}

// Up to three components of vector index; missing components stay zero.
std::array<float, 3> VectorXyz(const CFloatArray* array, int64_t index) {
    std::array<float, 3> xyz{};
    if (!HasVector(array, index)) {
        return xyz;
    }
    const std::span<const float> vector = array->Vector(index);
    std::copy_n(vector.begin(), std::min<size_t>(vector.size(), xyz.size()), xyz.begin());
    return xyz;
}

void CopyWeights(const CCollider& collider, int64_t row, CSkinRecord& record) {
    if (collider.weights && row >= 0 && row < static_cast<int64_t>(collider.weights->size())) {
        record.influences = (*collider.weights)[static_cast<size_t>(row)].influences;
    }
}

std::vector<CSkinRecord> ControlPointRecords(const CCollider& collider) {
    const CFloatArray* positions = FindArrayOrDefault(collider, kDefaultPositionId, kDefaultPositionId);
    std::vector<CSkinRecord> records(static_cast<size_t>(ControlPointCount(collider.type)));
    for (size_t i = 0; i < records.size(); ++i) {
        const auto index = static_cast<int64_t>(i);
        records[i].position = VectorXyz(positions, index);
        CopyWeights(collider, index, records[i]);
    }
    return records;
}

// Appends the polygon's whole triangles whose indices all name existing
// vectors; a missing normal array leaves the normals zero.
void AppendPolygonRecords(const CCollider& collider, CColliderPolygon& polygon,
                          std::vector<CSkinRecord>& records) {
    polygon.firstRecord = static_cast<int32_t>(records.size());
    polygon.recordCount = 0;
    const CFloatArray* positions = FindArrayOrDefault(collider, polygon.vertexId, kDefaultPositionId);
    if (positions == nullptr) {
        return;
    }
    const CFloatArray* normals = collider.FindFloatArray(polygon.normalId);
    if (normals == nullptr) {
        normals = collider.FindFloatArray(kDefaultNormalId);
    }
    const size_t pairs = std::min({static_cast<size_t>(std::max(polygon.cornerCount, 0)),
                                   polygon.positionIndices.size(), polygon.normalIndices.size()});
    const size_t corners = pairs - pairs % 3;
    for (size_t first = 0; first < corners; first += 3) {
        bool whole = true;
        for (size_t c = first; c < first + 3; ++c) {
            whole = whole && HasVector(positions, polygon.positionIndices[c]) &&
                    (normals == nullptr || HasVector(normals, polygon.normalIndices[c]));
        }
        if (!whole) {
            continue;
        }
        for (size_t c = first; c < first + 3; ++c) {
            CSkinRecord record;
            record.position = VectorXyz(positions, polygon.positionIndices[c]);
            record.normal = VectorXyz(normals, polygon.normalIndices[c]);
            CopyWeights(collider, polygon.positionIndices[c], record);
            records.push_back(record);
        }
        polygon.recordCount += 3;
    }
}

} // namespace

int32_t ControlPointCount(ColliderType type) {
    switch (type) {
    case ColliderType::kSphere:
    case ColliderType::kBox:
        return 1;
    case ColliderType::kCapsule:
    case ColliderType::kRect:
        return 2;
    default:
        return 0;
    }
}

void BuildColliderSkinRecords(CCollider& collider) {
    std::vector<CSkinRecord> records;
    if (collider.type == ColliderType::kMesh) {
        for (const auto& polygon : collider.polygons) {
            if (polygon) {
                AppendPolygonRecords(collider, *polygon, records);
            }
        }
    } else {
        records = ControlPointRecords(collider);
    }
    collider.skinnedRecords.assign(records.size(), CSkinRecord{});
    collider.restRecords = std::make_shared<const std::vector<CSkinRecord>>(std::move(records));
}

void BuildColliderSkinRecords(CColliderSet& set) {
    for (const auto& collider : set.colliders) {
        if (collider) {
            BuildColliderSkinRecords(*collider);
        }
    }
}

} // namespace quorvane
