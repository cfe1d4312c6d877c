#include "editor/ground_height.h"

#include "editor/triangle_tests.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace quorvane {
namespace {

constexpr float kProbeBottom = -1000.0f;
constexpr float kProbeTop = 1000.0f;

Vector4 CornerOf(const CSkinRecord& record) {
    return {record.position[0], record.position[1], record.position[2], 0.0f};
}

bool RectangleHolds(const CColliderSet& set, float x, float y) {
    return set.boundsMin[0] <= x && x <= set.boundsMax[0] && set.boundsMin[1] <= y && y <= set.boundsMax[1];
}

// Cheap rejection before the exact test: the point lies beyond all three
// corners along x or y.
bool OutsideXYRange(const CSkinRecord& a, const CSkinRecord& b, const CSkinRecord& c, float x, float y) {
    const auto outside = [](float p, float u, float v, float w) {
        return (u > p && v > p && w > p) || (u < p && v < p && w < p);
    };
    return outside(x, a.position[0], b.position[0], c.position[0]) ||
           outside(y, a.position[1], b.position[1], c.position[1]);
}

Vector4 UpwardUnit(const Vector4& normal) {
    const float length = std::sqrt(normal.x * normal.x + normal.y * normal.y + normal.z * normal.z);
    if (!(length > 0.0f) || !std::isfinite(length)) {
        return {0.0f, 0.0f, 1.0f, 0.0f};
    }
    const float sign = normal.z < 0.0f ? -1.0f : 1.0f;
    return {sign * normal.x / length, sign * normal.y / length, sign * normal.z / length, 0.0f};
}

void ProbeMesh(const CCollider& mesh, float x, float y, std::optional<GroundContact>& best) {
    const Vector4 bottom{x, y, kProbeBottom, 0.0f};
    const Vector4 top{x, y, kProbeTop, 0.0f};
    const std::vector<CSkinRecord>& records = mesh.skinnedRecords;
    for (size_t first = 0; first + 3 <= records.size(); first += 3) {
        const CSkinRecord& a = records[first];
        const CSkinRecord& b = records[first + 1];
        const CSkinRecord& c = records[first + 2];
        if (OutsideXYRange(a, b, c, x, y)) {
            continue;
        }
        const Vector4 normal{(a.normal[0] + b.normal[0] + c.normal[0]) / 3.0f,
                             (a.normal[1] + b.normal[1] + c.normal[1]) / 3.0f,
                             (a.normal[2] + b.normal[2] + c.normal[2]) / 3.0f, 0.0f};
        Vector4 crossing;
        if (TestSegmentTriangle(bottom, top, CornerOf(a), CornerOf(b), CornerOf(c), normal, crossing) &&
            (!best || crossing.z > best->point.z)) {
            best = GroundContact{{x, y, crossing.z, 0.0f}, UpwardUnit(normal)};
        }
    }
}

} // namespace

std::optional<Vector4> GroundHeight(const CRegistryLists& lists, float x, float y) {
    const std::optional<GroundContact> hit = GroundAt(lists, x, y);
    return hit ? std::optional<Vector4>(hit->point) : std::nullopt;
}

std::optional<GroundContact> GroundAt(const CRegistryLists& lists, float x, float y) {
    std::optional<GroundContact> best;
    lists.fieldTiles.ForEach([&](const CModelEntry& tile) {
        if (!tile.ready || !tile.colliderSet || !RectangleHolds(*tile.colliderSet, x, y)) {
            return;
        }
        for (const auto& collider : tile.colliderSet->colliders) {
            if (collider && collider->type == ColliderType::kMesh) {
                ProbeMesh(*collider, x, y, best);
            }
        }
    });
    return best;
}

} // namespace quorvane
