#include "editor/character_collision.h"

#include "editor/triangle_tests.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace quorvane {
namespace {

// The vertical floor probe reaches this far below and above a capsule end.
constexpr float kProbeBottom = -100.0f;
constexpr float kProbeTop = 100.0f;
// A triangle whose normal leans further from straight up than this cosine is a wall.
constexpr double kWallCosine = 0.85;
constexpr double kWallSlack = 1e-6;

Vector4 PointOf(const std::array<float, 3>& xyz, float w) {
    return {xyz[0], xyz[1], xyz[2], w};
}

Vector4 WithRadius(Vector4 point, float radius) {
    point.w = radius;
    return point;
}

struct Triangle {
    Vector4 t0, t1, t2;
    Vector4 normal; // average of the corner normals, not normalised
    std::array<float, 3> minimum{};
    std::array<float, 3> maximum{};
};

// Corners first, first + 1 and first + 2 of a mesh collider's skinned records.
Triangle TriangleAt(const std::vector<CSkinRecord>& records, size_t first) {
    const CSkinRecord& a = records[first];
    const CSkinRecord& b = records[first + 1];
    const CSkinRecord& c = records[first + 2];
    Triangle triangle;
    triangle.t0 = PointOf(a.position, 0.0f);
    triangle.t1 = PointOf(b.position, 0.0f);
    triangle.t2 = PointOf(c.position, 0.0f);
    for (size_t axis = 0; axis < 3; ++axis) {
        triangle.minimum[axis] = std::min({a.position[axis], b.position[axis], c.position[axis]});
        triangle.maximum[axis] = std::max({a.position[axis], b.position[axis], c.position[axis]});
    }
    triangle.normal = {(a.normal[0] + b.normal[0] + c.normal[0]) / 3.0f,
                       (a.normal[1] + b.normal[1] + c.normal[1]) / 3.0f,
                       (a.normal[2] + b.normal[2] + c.normal[2]) / 3.0f, 0.0f};
    return triangle;
}

bool SpheresOverlap(const CColliderSet& a, const CColliderSet& b) {
    double squared = 0.0;
    for (size_t axis = 0; axis < 3; ++axis) {
        const double delta = static_cast<double>(a.center[axis]) - b.center[axis];
        squared += delta * delta;
    }
    return std::sqrt(squared) < static_cast<double>(a.radius) + b.radius;
}

// False also for a probe at NaN, which no triangle can meet.
bool ProbeWithinXYRange(const Triangle& triangle, float x, float y) {
    return triangle.minimum[0] <= x && x <= triangle.maximum[0] && triangle.minimum[1] <= y &&
           y <= triangle.maximum[1];
}

bool BoxesOverlap(const Triangle& triangle, const std::array<float, 3>& minimum,
                  const std::array<float, 3>& maximum) {
    for (size_t axis = 0; axis < 3; ++axis) {
        if (!(triangle.minimum[axis] <= maximum[axis] && triangle.maximum[axis] >= minimum[axis])) {
            return false;
        }
    }
    return true;
}

// Judged by the normal's direction: skinned normals carry the entry's scale,
// which must not turn a slope into a floor. The slack keeps a unit normal
// whose z is the limit to float precision a wall.
bool IsWallLike(const Vector4& n) {
    const double x = n.x, y = n.y, z = n.z;
    return z <= kWallCosine * (1.0 + kWallSlack) * std::sqrt(x * x + y * y + z * z);
}

struct Capsule {
    Vector4 a, b;                 // current ends, radius in w
    Vector4 acceptedA, acceptedB; // the ends at the last accepted step, radius in w
    // The character set's box grown to hold all four ends with their radius,
    // so that a wall passed since the last accepted step is not rejected.
    std::array<float, 3> reachMin{};
    std::array<float, 3> reachMax{};
};

void GrowReach(Capsule& capsule, const Vector4& end) {
    const std::array<float, 3> xyz{end.x, end.y, end.z};
    for (size_t axis = 0; axis < 3; ++axis) {
        capsule.reachMin[axis] = std::min(capsule.reachMin[axis], xyz[axis] - end.w);
        capsule.reachMax[axis] = std::max(capsule.reachMax[axis], xyz[axis] + end.w);
    }
}

void ProbeFloor(CCollisionResults& results, const Triangle& triangle, const Vector4& end,
                const CModelEntry& entry) {
    if (!ProbeWithinXYRange(triangle, end.x, end.y)) {
        return;
    }
    const Vector4 bottom{end.x, end.y, kProbeBottom, 0.0f};
    const Vector4 top{end.x, end.y, kProbeTop, 0.0f};
    Vector4 hit;
    if (TestSegmentTriangle(bottom, top, triangle.t0, triangle.t1, triangle.t2, triangle.normal, hit) &&
        hit.z > results.floorTop) {
        results.floorHit = true;
        results.floorTop = hit.z;
        results.floorPoint = hit;
        results.floorNormal = triangle.normal;
        results.floorEntry = &entry;
    }
}

void TestWall(CCollisionResults& results, const Triangle& triangle, const Capsule& capsule,
              const CModelEntry& entry) {
    const std::array<std::array<const Vector4*, 2>, 3> segments = {{
        {&capsule.a, &capsule.b},
        {&capsule.a, &capsule.acceptedA},
        {&capsule.b, &capsule.acceptedB},
    }};
    for (const auto& [start, end] : segments) {
        Vector4 hit;
        if (!TestSegmentTriangle(*start, *end, triangle.t0, triangle.t1, triangle.t2, triangle.normal, hit)) {
            continue;
        }
        SphereTriangleContact contact;
        TestSphereTriangle(*start, triangle.t0, triangle.t1, triangle.t2, triangle.normal, contact);
        if (contact.distance < results.nearestWall) {
            results.blocked = true;
            results.nearestWall = contact.distance;
            results.wallNormal = triangle.normal;
            results.wallPoint = hit;
            results.wallEntry = &entry;
        }
    }
}

void CollideCapsuleWithMesh(CModelEntry& character, const Capsule& capsule, const CCollider& mesh,
                            const CModelEntry& entry) {
    CCollisionResults& results = character.collision;
    const std::vector<CSkinRecord>& records = mesh.skinnedRecords;
    for (size_t first = 0; first + 3 <= records.size(); first += 3) {
        const Triangle triangle = TriangleAt(records, first);
        ProbeFloor(results, triangle, capsule.a, entry);
        ProbeFloor(results, triangle, capsule.b, entry);
        if (IsWallLike(triangle.normal) && BoxesOverlap(triangle, capsule.reachMin, capsule.reachMax)) {
            TestWall(results, triangle, capsule, entry);
        }
    }
}

// False for a collider that is not a capsule with both ends skinned.
bool CapsuleOf(const CModelEntry& character, size_t index, Capsule& capsule) {
    const CCollider& collider = *character.colliderSet->colliders[index];
    if (collider.type != ColliderType::kCapsule || collider.skinnedRecords.size() < 2) {
        return false;
    }
    const float radius = character.transform.scale.w * collider.radius;
    capsule.a = PointOf(collider.skinnedRecords[0].position, radius);
    capsule.b = PointOf(collider.skinnedRecords[1].position, radius);
    if (index < character.acceptedCapsulePoints.size()) {
        capsule.acceptedA = WithRadius(character.acceptedCapsulePoints[index][0], radius);
        capsule.acceptedB = WithRadius(character.acceptedCapsulePoints[index][1], radius);
    } else {
        capsule.acceptedA = capsule.a;
        capsule.acceptedB = capsule.b;
    }
    capsule.reachMin = character.colliderSet->boundsMin;
    capsule.reachMax = character.colliderSet->boundsMax;
    for (const Vector4* end : {&capsule.a, &capsule.b, &capsule.acceptedA, &capsule.acceptedB}) {
        GrowReach(capsule, *end);
    }
    return true;
}

bool TakesPartInCollision(const CModelEntry& entry) {
    return entry.ready && entry.hasColliders && entry.colliderSet != nullptr;
}

void CollideCharacterWithEntry(CModelEntry& character, const CModelEntry& entry) {
    if (entry.name == character.name || !TakesPartInCollision(entry) ||
        !SpheresOverlap(*character.colliderSet, *entry.colliderSet)) {
        return;
    }
    const auto& characterColliders = character.colliderSet->colliders;
    for (size_t index = 0; index < characterColliders.size(); ++index) {
        Capsule capsule;
        if (!characterColliders[index] || !CapsuleOf(character, index, capsule)) {
            continue;
        }
        for (const auto& mesh : entry.colliderSet->colliders) {
            if (mesh && mesh->type == ColliderType::kMesh) {
                CollideCapsuleWithMesh(character, capsule, *mesh, entry);
            }
        }
    }
}

} // namespace

void CollideCharacterWith(CModelEntry& character, const COwnedList<CModelEntry>& list) {
    if (!character.colliderSet) {
        return;
    }
    list.ForEach([&character](const CModelEntry& entry) {
        // A deleted written copy is gone for the walker too.
        if (&entry != &character && !entry.hidden.load(std::memory_order_relaxed)) {
            CollideCharacterWithEntry(character, entry);
        }
    });
}

void CollideCharacter(CRegistryLists& lists) {
    lists.characters.ForEach([&lists](CModelEntry& character) {
        if (!TakesPartInCollision(character)) {
            return;
        }
        character.collision = CCollisionResults{};
        CollideCharacterWith(character, lists.placedModels);
        lists.gridFiles.ForEach([&character](const GridFileEntry& file) {
            if (file.loaded && !file.groups.empty() && file.groups.front()) {
                CollideCharacterWith(character, *file.groups.front());
            }
        });
    });
}

void AcceptCapsulePoints(CModelEntry& character) {
    character.acceptedCapsulePoints.clear();
    if (!character.colliderSet) {
        return;
    }
    for (const auto& collider : character.colliderSet->colliders) {
        std::array<Vector4, 2> ends{};
        if (collider && !collider->skinnedRecords.empty()) {
            const auto& records = collider->skinnedRecords;
            ends[0] = PointOf(records[0].position, 1.0f);
            ends[1] = records.size() > 1 ? PointOf(records[1].position, 1.0f) : ends[0];
        }
        character.acceptedCapsulePoints.push_back(ends);
    }
}

} // namespace quorvane
