#include "modeldata/collider.h"

namespace quorvane {

std::unique_ptr<CCollider> CCollider::MakeInstanceCopy() const {
    auto copy = std::make_unique<CCollider>();
    copy->name = name;
    copy->isCopy = 1;
    copy->bindShapeMatrix = bindShapeMatrix;
    copy->vertexCount = vertexCount;
    copy->floatArrays = floatArrays;
    copy->polygons = polygons;
    copy->weights = weights;
    copy->weightsSize = weightsSize;
    copy->type = type;
    copy->radius = radius;
    copy->restRecords = restRecords;
    copy->skinnedRecords.assign(skinnedRecords.size(), CSkinRecord{});
    return copy;
}

const CFloatArray* CCollider::FindFloatArray(std::string_view arrayId) const {
    for (const auto& array : floatArrays) {
        if (array->id == arrayId) {
            return array.get();
        }
    }
    return nullptr;
}

ColliderType ColliderTypeFromName(std::string_view value) {
    if (value == "COLLIDER_TYPE_SPHERE") {
        return ColliderType::kSphere;
    }
    if (value == "COLLIDER_TYPE_BOX") {
        return ColliderType::kBox;
    }
    if (value == "COLLIDER_TYPE_CAPSULE") {
        return ColliderType::kCapsule;
    }
    if (value == "COLLIDER_TYPE_RECT") {
        return ColliderType::kRect;
    }
    if (value == "COLLIDER_TYPE_MESH") {
        return ColliderType::kMesh;
    }
    return ColliderType::kUnknown;
}

std::array<int32_t, 6> CColliderSet::CountByType() const {
    std::array<int32_t, 6> counts{};
    for (const auto& collider : colliders) {
        const auto index = static_cast<size_t>(collider->type);
        if (index < counts.size()) {
            ++counts[index];
        }
    }
    return counts;
}

std::unique_ptr<CColliderSet> CColliderSet::MakeInstanceCopy() const {
    auto copy = std::make_unique<CColliderSet>();
    copy->name = name;
    copy->center = center;
    copy->radius = radius;
    copy->boundsMin = boundsMin;
    copy->boundsMax = boundsMax;
    for (const auto& collider : colliders) {
        copy->colliders.push_back(collider->MakeInstanceCopy());
    }
    return copy;
}

} // namespace quorvane
