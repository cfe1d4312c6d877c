#include "render/collider_skinning.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace quorvane {
namespace {

Matrix4 Translation(float x, float y, float z) {
    Matrix4 m = Identity();
    m(3, 0) = x;
    m(3, 1) = y;
    m(3, 2) = z;
    return m;
}

CSkinRecord Record(std::array<float, 3> position, std::array<float, 3> normal = {},
                   std::vector<CBoneWeight> influences = {}) {
    CSkinRecord record;
    record.position = position;
    record.normal = normal;
    for (size_t i = 0; i < influences.size(); ++i) {
        record.influences[i] = influences[i];
    }
    return record;
}

std::unique_ptr<CCollider> Collider(ColliderType type, float radius, std::vector<CSkinRecord> rest) {
    auto collider = std::make_unique<CCollider>();
    collider->type = type;
    collider->radius = radius;
    collider->restRecords = std::make_shared<const std::vector<CSkinRecord>>(std::move(rest));
    return collider;
}

void ExpectXyz(const std::array<float, 3>& actual, float x, float y, float z) {
    EXPECT_NEAR(actual[0], x, 1e-5f);
    EXPECT_NEAR(actual[1], y, 1e-5f);
    EXPECT_NEAR(actual[2], z, 1e-5f);
}

// Bone 0 moves by (4, 0, 0), bone 1 by (0, 8, 0); the world scales by 2 and
// moves by (10, 20, 30); the collider's own matrix lifts by 1 in z.
struct ColliderSkinningTest : testing::Test {
    std::vector<Matrix4> palette{Translation(4, 0, 0), Translation(0, 8, 0)};
    ColliderPose pose{palette, Multiply(Diagonal(2, 2, 2, 1), Translation(10, 20, 30)), Diagonal(2, 2, 2, 1)};
    Matrix4 local = Translation(0, 0, 1);
};

TEST_F(ColliderSkinningTest, WeightedBonesThenWorld) {
    // (1,2,3) -> local (1,2,4); 0.25 * (5,2,4) + 0.75 * (1,10,4) = (2,8,4);
    // world: 2 * (2,8,4) + (10,20,30) = (14,36,38). Normal (0,0,1) -> (0,0,2).
    const CSkinRecord in = Record({1, 2, 3}, {0, 0, 1}, {{0.0f, 0.25f}, {1.0f, 0.75f}});
    const CSkinRecord out = SkinColliderPoint(in, local, pose);
    ExpectXyz(out.position, 14, 36, 38);
    ExpectXyz(out.normal, 0, 0, 2);
    EXPECT_EQ(out.influences[1].weight, 0.75f);
}

TEST_F(ColliderSkinningTest, UnusableInfluencesLeaveOnlyLocalAndWorld) {
    // (1,2,4) through the world alone: (12,24,38).
    const std::vector<std::vector<CBoneWeight>> unusable = {
        {{1.0f, 1e-7f}},                                   // weight at the threshold
        {{2.0f, 1.0f}},                                    // one past the palette
        {{-1.0f, 1.0f}},                                   // negative index
        {{1.0f, -0.5f}, {0.0f, 0.0f}},                     // negative and zero weights
        {{std::numeric_limits<float>::quiet_NaN(), 1.0f}}, // no index at all
        {{1.0f, std::numeric_limits<float>::quiet_NaN()}}, // no weight at all
        {{std::numeric_limits<float>::infinity(), 1.0f}},  // index past everything
    };
    for (size_t i = 0; i < unusable.size(); ++i) {
        SCOPED_TRACE(i);
        const CSkinRecord out = SkinColliderPoint(Record({1, 2, 3}, {1, 0, 0}, unusable[i]), local, pose);
        ExpectXyz(out.position, 12, 24, 38);
        ExpectXyz(out.normal, 2, 0, 0);
    }
    EXPECT_TRUE(IsUsableInfluence({1.9f, 2e-7f}, 2));
    EXPECT_FALSE(IsUsableInfluence({0.0f, 1.0f}, 0));
}

TEST(ColliderMatrixTest, FileMatrixIsTransposedForRowVectors) {
    CCollider collider;
    collider.bindShapeMatrix = {1, 0, 0, 5, 0, 1, 0, 6, 0, 0, 1, 7, 0, 0, 0, 1};
    const Matrix4 m = ColliderMatrix(collider);
    EXPECT_EQ(m(3, 0), 5.0f);
    EXPECT_EQ(m(3, 1), 6.0f);
    EXPECT_EQ(m(3, 2), 7.0f);
    EXPECT_EQ(m(0, 3), 0.0f);
}

TEST(UpdateColliderSetTest, SkinsOnlyWhenReadyAndMovedOrAnimated) {
    CColliderSet set;
    set.colliders.push_back(Collider(ColliderType::kSphere, 0.0f, {Record({1, 0, 0}, {}, {{0.0f, 1.0f}})}));
    std::vector<Matrix4> palette{Translation(0, 0, 5)};
    ColliderPose pose{palette};

    EXPECT_FALSE(UpdateColliderSet(set, pose, false, true));
    EXPECT_EQ(set.needsUpdate, 1);

    EXPECT_TRUE(UpdateColliderSet(set, pose, true, false));
    EXPECT_EQ(set.needsUpdate, 0);
    ASSERT_EQ(set.colliders[0]->skinnedRecords.size(), 1u);
    ExpectXyz(set.colliders[0]->skinnedRecords[0].position, 1, 0, 5);

    // Not animated and not moved: the bones may change, the points stay.
    palette[0] = Translation(0, 0, 9);
    EXPECT_FALSE(UpdateColliderSet(set, pose, true, false));
    ExpectXyz(set.colliders[0]->skinnedRecords[0].position, 1, 0, 5);
    ExpectXyz(set.boundsMax, 1, 0, 5);

    EXPECT_TRUE(UpdateColliderSet(set, pose, true, true));
    ExpectXyz(set.colliders[0]->skinnedRecords[0].position, 1, 0, 9);
}

TEST(UpdateColliderSetTest, BoundsGrowByRadiusExceptForMeshCorners) {
    CColliderSet set;
    set.colliders.push_back(Collider(ColliderType::kSphere, 0.5f, {Record({1, 2, 3})}));
    set.colliders.push_back(Collider(ColliderType::kCapsule, 1.0f, {Record({0, 0, 0}), Record({0, 0, 4})}));
    set.colliders.push_back(
        Collider(ColliderType::kMesh, 100.0f, {Record({5, 0, 0}), Record({5, 1, 0}), Record({5, 0, 1})}));
    set.colliders.push_back(Collider(ColliderType::kUnknown, 50.0f, {Record({-40, -40, -40})}));
    ASSERT_TRUE(UpdateColliderSet(set, ColliderPose{}, true, false));
    // Sphere 0.5..1.5, 1.5..2.5, 2.5..3.5; capsule -1..1, -1..1, -1..5; mesh x 5, y 0..1, z 0..1.
    ExpectXyz(set.boundsMin, -1, -1, -1);
    ExpectXyz(set.boundsMax, 5, 2.5f, 5);
    ExpectXyz(set.center, 2, 0.75f, 2);
    EXPECT_NEAR(set.radius, std::sqrt(6.0 * 6.0 + 3.5 * 3.5 + 6.0 * 6.0) / 2.0, 1e-5);
    ExpectXyz(set.colliders[2]->skinnedRecords[1].position, 5, 1, 0);
}

TEST(UpdateColliderSetTest, SetWithoutPointsHasZeroBounds) {
    CColliderSet set;
    set.boundsMin = {1, 2, 3};
    set.boundsMax = {4, 5, 6};
    set.radius = 7;
    set.colliders.push_back(Collider(ColliderType::kMesh, 0.0f, {}));
    set.colliders.push_back(std::make_unique<CCollider>()); // no records at all
    EXPECT_TRUE(UpdateColliderSet(set, ColliderPose{}, true, false));
    ExpectXyz(set.boundsMin, 0, 0, 0);
    ExpectXyz(set.boundsMax, 0, 0, 0);
    ExpectXyz(set.center, 0, 0, 0);
    EXPECT_EQ(set.radius, 0.0f);
}

} // namespace
} // namespace quorvane
