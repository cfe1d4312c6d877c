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

void ProbeTriangle(const CSkinRecord& a, const CSkinRecord& b, const CSkinRecord& c, float x, float y,
                   std::optional<GroundContact>& best) {
    if (OutsideXYRange(a, b, c, x, y)) {
        return;
    }
    const Vector4 normal{(a.normal[0] + b.normal[0] + c.normal[0]) / 3.0f,
                         (a.normal[1] + b.normal[1] + c.normal[1]) / 3.0f,
                         (a.normal[2] + b.normal[2] + c.normal[2]) / 3.0f, 0.0f};
    const Vector4 bottom{x, y, kProbeBottom, 0.0f};
    const Vector4 top{x, y, kProbeTop, 0.0f};
    Vector4 crossing;
    if (TestSegmentTriangle(bottom, top, CornerOf(a), CornerOf(b), CornerOf(c), normal, crossing) &&
        (!best || crossing.z > best->point.z)) {
        best = GroundContact{{x, y, crossing.z, 0.0f}, UpwardUnit(normal)};
    }
}

void ProbeMesh(const CCollider& mesh, float x, float y, std::optional<GroundContact>& best) {
    const std::vector<CSkinRecord>& records = mesh.skinnedRecords;
    for (size_t first = 0; first + 3 <= records.size(); first += 3) {
        ProbeTriangle(records[first], records[first + 1], records[first + 2], x, y, best);
    }
}

// The tiles' mesh colliders that can answer for a point of the rectangle, each triangle once.
template <typename Visit>
void ForEachGroundTriangle(const CRegistryLists& lists, float minX, float minY, float maxX, float maxY,
                           Visit visit) {
    lists.fieldTiles.ForEach([&](const CModelEntry& tile) {
        if (!tile.ready || !tile.colliderSet) {
            return;
        }
        const CColliderSet& set = *tile.colliderSet;
        if (set.boundsMin[0] > maxX || set.boundsMax[0] < minX || set.boundsMin[1] > maxY ||
            set.boundsMax[1] < minY) {
            return;
        }
        for (const auto& collider : set.colliders) {
            if (!collider || collider->type != ColliderType::kMesh) {
                continue;
            }
            const std::vector<CSkinRecord>& records = collider->skinnedRecords;
            for (size_t first = 0; first + 3 <= records.size(); first += 3) {
                visit(set, records[first], records[first + 1], records[first + 2]);
            }
        }
    });
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

uint64_t CGroundBlocks::KeyOf(int64_t column, int64_t row) {
    return (static_cast<uint64_t>(column) << 32) ^ (static_cast<uint64_t>(row) & 0xFFFFFFFFull);
}

std::optional<GroundContact> CGroundBlocks::At(float x, float y) {
    if (!std::isfinite(x) || !std::isfinite(y)) {
        return std::nullopt;
    }
    const auto column = static_cast<int64_t>(std::floor(x / kBlockSize));
    const auto row = static_cast<int64_t>(std::floor(y / kBlockSize));
    const auto [block, added] = blocks_.try_emplace(KeyOf(column, row));
    std::vector<Triangle>& triangles = block->second;
    if (added) {
        const float minX = static_cast<float>(column) * kBlockSize;
        const float minY = static_cast<float>(row) * kBlockSize;
        const float maxX = minX + kBlockSize;
        const float maxY = minY + kBlockSize;
        ForEachGroundTriangle(
            lists_, minX, minY, maxX, maxY,
            [&](const CColliderSet& set, const CSkinRecord& a, const CSkinRecord& b, const CSkinRecord& c) {
                const auto beyond = [](float low, float high, float u, float v, float w) {
                    return (u > high && v > high && w > high) || (u < low && v < low && w < low);
                };
                if (beyond(minX, maxX, a.position[0], b.position[0], c.position[0]) ||
                    beyond(minY, maxY, a.position[1], b.position[1], c.position[1])) {
                    return;
                }
                triangles.push_back(
                    {{a, b, c}, {set.boundsMin[0], set.boundsMin[1]}, {set.boundsMax[0], set.boundsMax[1]}});
            });
    }
    std::optional<GroundContact> best;
    for (const Triangle& triangle : triangles) {
        // As GroundAt: only a tile whose collider rectangle holds the point answers.
        if (triangle.tileMin[0] <= x && x <= triangle.tileMax[0] && triangle.tileMin[1] <= y &&
            y <= triangle.tileMax[1]) {
            ProbeTriangle(triangle.corners[0], triangle.corners[1], triangle.corners[2], x, y, best);
        }
    }
    return best;
}

} // namespace quorvane
