#include "editor/character_collision.h"

#include <cmath>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace quorvane {
namespace {

using Xyz = std::array<float, 3>;

struct TestTriangle {
    Xyz t0, t1, t2;
    Xyz normal; // given to all three corners
};

std::unique_ptr<CCollider> Collider(ColliderType type, float radius, std::vector<CSkinRecord> records) {
    auto collider = std::make_unique<CCollider>();
    collider->type = type;
    collider->radius = radius;
    collider->skinnedRecords = std::move(records);
    return collider;
}

// A ready entry whose one mesh collider holds the triangles; its bounding
// sphere reaches everything near the origin unless the test moves it.
std::unique_ptr<CModelEntry> MeshEntry(const std::string& name, const std::vector<TestTriangle>& triangles) {
    auto entry = std::make_unique<CModelEntry>();
    entry->name = name;
    entry->ready = true;
    entry->colliderSet = std::make_unique<CColliderSet>();
    std::vector<CSkinRecord> corners;
    for (const TestTriangle& triangle : triangles) {
        for (const Xyz& corner : {triangle.t0, triangle.t1, triangle.t2}) {
            corners.push_back({corner, triangle.normal, {}});
        }
    }
    entry->colliderSet->colliders.push_back(Collider(ColliderType::kMesh, 0.0f, std::move(corners)));
    entry->colliderSet->center = {0, 0, 0};
    entry->colliderSet->radius = 50.0f;
    return entry;
}

// A horizontal triangle at height z, wide around the origin.
TestTriangle Floor(float z) {
    return {{-10, -10, z}, {10, -10, z}, {0, 10, z}, {0, 0, 1}};
}

// A wall in the plane x = at, facing +x, from z -5 to 10.
TestTriangle WallAtX(float at) {
    return {{at, -10, -5}, {at, 10, -5}, {at, 0, 10}, {1, 0, 0}};
}

// A character with one capsule from A = (0, 0, 1) to B = (0, 0, 3), radius
// 0.5, and a sphere collider the query walks past; bounds set by hand.
std::unique_ptr<CModelEntry> Character() {
    auto character = std::make_unique<CModelEntry>();
    character->name = "SKELTON";
    character->ready = true;
    character->colliderSet = std::make_unique<CColliderSet>();
    character->colliderSet->colliders.push_back(Collider(ColliderType::kSphere, 5.0f, {{{0, 0, 2}, {}, {}}}));
    character->colliderSet->colliders.push_back(
        Collider(ColliderType::kCapsule, 0.5f, {{{0, 0, 1}, {}, {}}, {{0, 0, 3}, {}, {}}}));
    character->colliderSet->boundsMin = {-0.5f, -0.5f, 0.5f};
    character->colliderSet->boundsMax = {0.5f, 0.5f, 3.5f};
    character->colliderSet->center = {0, 0, 2};
    character->colliderSet->radius = 2.0f;
    return character;
}

// The list owns the entries, which must outlive the results that point at them.
struct Scene {
    COwnedList<CModelEntry> list;
    std::unique_ptr<CModelEntry> character = Character();

    CModelEntry* Add(std::unique_ptr<CModelEntry> entry) { return list.Append(std::move(entry)); }

    CCollisionResults Collide(CModelEntry& who) const {
        who.collision = CCollisionResults{};
        CollideCharacterWith(who, list);
        return who.collision;
    }
    CCollisionResults Collide() const { return Collide(*character); }
};

TEST(CharacterCollisionTest, HigherOfTwoOverlappingFloorsWins) {
    for (const bool higherFirst : {true, false}) {
        SCOPED_TRACE(higherFirst);
        Scene entries;
        entries.Add(MeshEntry("first", {Floor(higherFirst ? 0.8f : 0.5f)}));
        entries.Add(MeshEntry("second", {Floor(higherFirst ? 0.5f : 0.8f)}));
        const CCollisionResults results = entries.Collide();
        EXPECT_TRUE(results.floorHit);
        EXPECT_NEAR(results.floorTop, 0.8f, 1e-4f);
        ASSERT_NE(results.floorEntry, nullptr);
        EXPECT_EQ(results.floorEntry->name, higherFirst ? "first" : "second");
    }
}

TEST(CharacterCollisionTest, SlopeAtTheWallLimitIsAWallAndSteeperUpIsNot) {
    // A plane through (0, 0, 2) with normal (s, 0, c): the capsule crosses it at z = 2.
    const auto slope = [](double c, float scale) {
        const auto s = static_cast<float>(std::sqrt(1.0 - c * c));
        const auto zAt = [&](float x) { return static_cast<float>((2.0 * c - s * x) / c); };
        const Xyz normal{scale * s, 0.0f, scale * static_cast<float>(c)};
        return TestTriangle{{-1, -5, zAt(-1)}, {-1, 5, zAt(-1)}, {1, 0, zAt(1)}, normal};
    };
    struct Case {
        double cosine;
        float scale; // skinned normals carry the entry's scale
        bool wall;
    };
    // The flat one cuts the capsule A-B too: as a wall it would block.
    for (const Case& c :
         {Case{1.0, 1.0f, false}, Case{0.85, 1.0f, true}, Case{0.86, 1.0f, false}, Case{0.8, 2.0f, true}}) {
        SCOPED_TRACE(c.cosine);
        Scene entries;
        const CModelEntry* slopeEntry = entries.Add(MeshEntry("slope", {slope(c.cosine, c.scale)}));
        const CCollisionResults results = entries.Collide();
        EXPECT_EQ(results.blocked, c.wall);
        EXPECT_EQ(results.wallEntry, c.wall ? slopeEntry : nullptr);
        EXPECT_TRUE(results.floorHit); // the probes meet it either way
        EXPECT_NEAR(results.floorTop, 2.0f, 1e-4f);
        EXPECT_NEAR(results.floorPoint.z, 2.0f, 1e-4f);
        EXPECT_NEAR(results.floorNormal.z, c.scale * c.cosine, 1e-5);
        EXPECT_EQ(results.floorEntry, slopeEntry);
        if (!c.wall) {
            EXPECT_EQ(results.nearestWall, 10000.0f);
        } else {
            EXPECT_NEAR(results.wallPoint.x, 0.0f, 1e-4f);
            EXPECT_NEAR(results.wallPoint.z, 2.0f, 1e-4f);
            // A = (0, 0, 1) lies c below the plane along its unit normal.
            EXPECT_NEAR(results.nearestWall, c.cosine, 1e-4);
            EXPECT_NEAR(results.wallNormal.z, c.scale * c.cosine, 1e-5);
        }
    }
}

TEST(CharacterCollisionTest, SkippedEntriesGiveNothing) {
    const auto floorEntry = [](const std::string& name) {
        return MeshEntry(name, {Floor(0.5f), WallAtX(-0.2f)});
    };
    Scene entries;
    entries.Add(floorEntry("SKELTON")); // named like the character
    entries.Add(floorEntry("not ready"))->ready = false;
    entries.Add(floorEntry("colliders off"))->hasColliders = false;
    entries.Add(floorEntry("no set"))->colliderSet.reset();
    // Centres 52 apart, radii 50 and 2: no overlap.
    entries.Add(floorEntry("sphere apart"))->colliderSet->center = {52.0f, 0, 2};
    const CCollisionResults results = entries.Collide();
    EXPECT_FALSE(results.floorHit);
    EXPECT_FALSE(results.blocked);
    EXPECT_EQ(results.floorTop, -10000.0f);

    // Control: the same entry under another name collides.
    entries.Add(floorEntry("rock"));
    const CCollisionResults hit = entries.Collide();
    EXPECT_TRUE(hit.floorHit);
    EXPECT_TRUE(hit.blocked);
}

TEST(CharacterCollisionTest, DegenerateTrianglesGiveNothingAndNoNaN) {
    Scene entries;
    entries.Add(MeshEntry("zero normal", {{{-10, -10, 2}, {10, -10, 2}, {0, 10, 2}, {0, 0, 0}},
                                          {{0, -10, -5}, {0, 10, -5}, {0, 0, 10}, {0, 0, 0}}}));
    entries.Add(MeshEntry("zero area", {{{-10, 0, 2}, {0, 0, 2}, {10, 0, 2}, {0, 0, 1}},
                                        {{0, -10, 2}, {0, -10, 2}, {0, -10, 2}, {1, 0, 0}},
                                        {{0, 0, -5}, {0, 0, 2}, {0, 0, 10}, {1, 0, 0}}}));
    const CCollisionResults results = entries.Collide();
    EXPECT_FALSE(results.floorHit);
    EXPECT_FALSE(results.blocked);
    EXPECT_EQ(results.floorTop, -10000.0f);
    EXPECT_EQ(results.nearestWall, 10000.0f);
    for (const Vector4& v :
         {results.floorPoint, results.floorNormal, results.wallPoint, results.wallNormal}) {
        EXPECT_TRUE(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z) && std::isfinite(v.w));
    }
}

TEST(CharacterCollisionTest, WallPassedWithinOneStepIsFoundOnTheEndPaths) {
    // The capsule stepped from x = -2 to x = 0 through the wall at x = -1; the
    // capsule itself is 1 away from it, beyond its radius and its set's box.
    auto character = Character();
    Scene entries;
    entries.Add(MeshEntry("far wall", {WallAtX(-1.5f)}));
    entries.Add(MeshEntry("near wall", {WallAtX(-1.0f)}));
    character->acceptedCapsulePoints = {{}, {Vector4{-2, 0, 1, 1}, Vector4{-2, 0, 3, 1}}};
    const CCollisionResults results = entries.Collide(*character);
    EXPECT_TRUE(results.blocked);
    EXPECT_FLOAT_EQ(results.nearestWall, 1.0f);
    EXPECT_FLOAT_EQ(results.wallPoint.x, -1.0f);
    EXPECT_FLOAT_EQ(results.wallPoint.z, 1.0f); // on A-A', which is tested before B-B'
    EXPECT_EQ(results.wallNormal, (Vector4{1, 0, 0, 0}));
    ASSERT_NE(results.wallEntry, nullptr);
    EXPECT_EQ(results.wallEntry->name, "near wall");

    // Once the current points are accepted, the same wall is out of reach.
    AcceptCapsulePoints(*character);
    ASSERT_EQ(character->acceptedCapsulePoints.size(), 2u);
    EXPECT_EQ(character->acceptedCapsulePoints[1], (std::array{Vector4{0, 0, 1, 1}, Vector4{0, 0, 3, 1}}));
    EXPECT_FALSE(entries.Collide(*character).blocked);
}

// Characters not ready or without colliders are left alone.
TEST(CharacterCollisionTest, OnlyGroupZeroOfLoadedGridFilesAndPlacedModelsCollide) {
    CRegistryLists lists;
    CModelEntry* character = lists.characters.Append(Character());
    const auto addGridFile = [&lists](bool loaded, int groupCount) -> GridFileEntry& {
        auto file = std::make_unique<GridFileEntry>();
        file->loaded = loaded;
        for (int i = 0; i < groupCount; ++i) {
            file->groups.push_back(std::make_unique<COwnedList<CModelEntry>>());
        }
        return *lists.gridFiles.Append(std::move(file));
    };
    addGridFile(true, 2).groups[1]->Append(MeshEntry("decoration", {WallAtX(-0.2f)}));
    addGridFile(false, 1).groups[0]->Append(MeshEntry("still loading", {WallAtX(-0.2f)}));
    character->collision.blocked = true; // stale from the last query
    CollideCharacter(lists);
    EXPECT_FALSE(character->collision.blocked);
    EXPECT_FALSE(character->collision.floorHit);

    addGridFile(true, 1).groups[0]->Append(MeshEntry("grid wall", {WallAtX(-0.2f)}));
    lists.placedModels.Append(MeshEntry("placed floor", {Floor(0.25f)}));
    CollideCharacter(lists);
    EXPECT_TRUE(character->collision.blocked);
    ASSERT_NE(character->collision.wallEntry, nullptr);
    EXPECT_EQ(character->collision.wallEntry->name, "grid wall");
    EXPECT_NEAR(character->collision.floorTop, 0.25f, 1e-4f);

    for (const auto& [ready, colliders] : {std::pair{false, true}, {true, false}}) {
        character->ready = ready;
        character->hasColliders = colliders;
        character->collision.floorTop = 123.0f;
        CollideCharacter(lists);
        EXPECT_EQ(character->collision.floorTop, 123.0f) << ready;
    }
}

} // namespace
} // namespace quorvane
