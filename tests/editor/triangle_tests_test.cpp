#include "editor/triangle_tests.h"

#include <array>
#include <cmath>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

// A right triangle in the plane z = 2 with legs of 10 along x and y.
const Vector4 kT0{0, 0, 2, 0};
const Vector4 kT1{10, 0, 2, 0};
const Vector4 kT2{0, 10, 2, 0};
const Vector4 kUp{0, 0, 1, 0};

void ExpectPoint(const Vector4& actual, float x, float y, float z) {
    EXPECT_NEAR(actual.x, x, 1e-5f);
    EXPECT_NEAR(actual.y, y, 1e-5f);
    EXPECT_NEAR(actual.z, z, 1e-5f);
}

TEST(SphereTriangle, DistanceFootAndTouchPointFromEitherSide) {
    SphereTriangleContact contact;
    EXPECT_TRUE(TestSphereTriangle({1, 1, 3, 1.5f}, kT0, kT1, kT2, kUp, contact));
    EXPECT_FLOAT_EQ(contact.distance, 1.0f);
    ExpectPoint(contact.footPoint, 1, 1, 2);
    ExpectPoint(contact.touchPoint, 1, 1, 1.5f);

    EXPECT_TRUE(TestSphereTriangle({1, 1, 1, 1.5f}, kT0, kT1, kT2, kUp, contact));
    EXPECT_FLOAT_EQ(contact.distance, 1.0f);
    ExpectPoint(contact.footPoint, 1, 1, 2);
    ExpectPoint(contact.touchPoint, 1, 1, 2.5f);

    // Radius short of the plane: no hit, but the distance is still reported.
    EXPECT_FALSE(TestSphereTriangle({1, 1, 3, 0.5f}, kT0, kT1, kT2, kUp, contact));
    EXPECT_FLOAT_EQ(contact.distance, 1.0f);
}

TEST(SphereTriangle, NormalLengthAndDirectionDoNotChangeTheAnswer) {
    SphereTriangleContact contact;
    EXPECT_TRUE(TestSphereTriangle({1, 1, 5, 4}, kT0, kT1, kT2, {0, 0, 7, 0}, contact));
    EXPECT_FLOAT_EQ(contact.distance, 3.0f);
    EXPECT_TRUE(TestSphereTriangle({1, 1, 5, 4}, kT0, kT1, kT2, {0, 0, -1, 0}, contact));
    EXPECT_FLOAT_EQ(contact.distance, 3.0f);
    ExpectPoint(contact.footPoint, 1, 1, 2);
}

TEST(SphereTriangle, ProjectionOutsideMissesAndOnAnEdgeHits) {
    SphereTriangleContact contact;
    EXPECT_FALSE(TestSphereTriangle({9, 9, 2.5f, 5}, kT0, kT1, kT2, kUp, contact)); // x + y > 10
    EXPECT_FALSE(TestSphereTriangle({-1, 1, 2.5f, 5}, kT0, kT1, kT2, kUp, contact));
    // On the line of the edge t0-t1 but past t1.
    EXPECT_FALSE(TestSphereTriangle({11, 0, 2.5f, 5}, kT0, kT1, kT2, kUp, contact));
    EXPECT_TRUE(TestSphereTriangle({5, 0, 2.5f, 5}, kT0, kT1, kT2, kUp, contact)); // on the edge t0-t1
    EXPECT_TRUE(TestSphereTriangle({0, 0, 2.5f, 5}, kT0, kT1, kT2, kUp, contact)); // on the corner t0
}

TEST(SegmentTriangle, PointOnTheSharedDiagonalOfTwoTrianglesHitsBoth) {
    // The square (0, 0)-(10, 10) at height 2 as two triangles along x = y.
    const Vector4 a{0, 0, 2, 0}, b{10, 0, 2, 0}, c{10, 10, 2, 0}, d{0, 10, 2, 0};
    for (const auto& [t0, t1, t2] : {std::array{a, b, c}, std::array{a, c, d}}) {
        Vector4 crossing;
        EXPECT_TRUE(TestSegmentTriangle({5, 5, -100, 0}, {5, 5, 100, 0}, t0, t1, t2, kUp, crossing));
        EXPECT_FLOAT_EQ(crossing.z, 2.0f);
    }
}

TEST(SphereTriangle, DegenerateNormalIsAMissWithoutNaN) {
    SphereTriangleContact contact;
    EXPECT_FALSE(TestSphereTriangle({1, 1, 2, 5}, kT0, kT1, kT2, {0, 0, 0, 0}, contact));
    EXPECT_TRUE(std::isinf(contact.distance));
    ExpectPoint(contact.footPoint, 1, 1, 2);
    EXPECT_FALSE(TestSphereTriangle({1, 1, 2, 5}, kT0, kT1, kT2, {NAN, 0, 1, 0}, contact));
    EXPECT_FALSE(std::isnan(contact.footPoint.x));
}

TEST(SegmentTriangle, VerticalProbeFindsTheGroundHeight) {
    Vector4 hit{-1, -1, -1, -1};
    ASSERT_TRUE(TestSegmentTriangle({1, 1, -100, 0}, {1, 1, 100, 0}, kT0, kT1, kT2, kUp, hit));
    ExpectPoint(hit, 1, 1, 2);
    EXPECT_EQ(hit.w, 0.0f);
    // Downward probe and a slanted triangle: the plane x + z = 4 at x = 1 is z = 3.
    const Vector4 s0{0, 0, 4, 0}, s1{4, 0, 0, 0}, s2{0, 4, 4, 0};
    ASSERT_TRUE(TestSegmentTriangle({1, 1, 50, 0}, {1, 1, -50, 0}, s0, s1, s2, {1, 0, 1, 0}, hit));
    ExpectPoint(hit, 1, 1, 3);
    EXPECT_FALSE(TestSegmentTriangle({9, 9, -100, 0}, {9, 9, 100, 0}, kT0, kT1, kT2, kUp, hit));
}

TEST(SegmentTriangle, OneSideOfThePlaneHitsOnlyWithinTheRadius) {
    Vector4 hit;
    EXPECT_FALSE(TestSegmentTriangle({1, 1, 5, 0}, {1, 1, 10, 0}, kT0, kT1, kT2, kUp, hit));
    EXPECT_FALSE(TestSegmentTriangle({1, 1, 5, 2.9f}, {1, 1, 10, 2.9f}, kT0, kT1, kT2, kUp, hit));
    // Nearest end 3 above the plane, radius 4: the point is interpolated by the distances 3 and 8.
    ASSERT_TRUE(TestSegmentTriangle({1, 1, 5, 4}, {1, 1, 10, 4}, kT0, kT1, kT2, kUp, hit));
    ExpectPoint(hit, 1, 1, 5 + 5 * 3.0f / 11.0f);
}

TEST(SegmentTriangle, SegmentInThePlaneOrWithoutANormalNeverDividesByZero) {
    Vector4 hit{7, 7, 7, 7};
    ASSERT_TRUE(TestSegmentTriangle({1, 1, 2, 0}, {20, 1, 2, 0}, kT0, kT1, kT2, kUp, hit));
    ExpectPoint(hit, 1, 1, 2);
    ASSERT_TRUE(TestSegmentTriangle({20, 1, 2, 0}, {2, 3, 2, 0}, kT0, kT1, kT2, kUp, hit));
    ExpectPoint(hit, 2, 3, 2);
    hit = {7, 7, 7, 7};
    EXPECT_FALSE(TestSegmentTriangle({-5, 1, 2, 0}, {20, 1, 2, 0}, kT0, kT1, kT2, kUp, hit));
    EXPECT_FALSE(TestSegmentTriangle({1, 1, -100, 0}, {1, 1, 100, 0}, kT0, kT1, kT2, {0, 0, 0, 0}, hit));
    EXPECT_EQ(hit, (Vector4{7, 7, 7, 7})); // untouched on a miss
}

} // namespace
} // namespace quorvane
