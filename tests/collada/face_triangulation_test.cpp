#include "collada/face_triangulation.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <vector>

namespace quorvane {
namespace {

using Points = std::vector<FacePoint>;

std::vector<int32_t> Triangulate(const Points& points, const std::vector<size_t>& holeStarts = {}) {
    std::vector<int32_t> triangles;
    TriangulateFace(points, holeStarts, triangles);
    return triangles;
}

// Twice the signed area of a triangle seen from +z.
double TwiceSignedAreaXY(const Points& points, int32_t a, int32_t b, int32_t c) {
    const FacePoint& p = points[static_cast<size_t>(a)];
    const FacePoint& q = points[static_cast<size_t>(b)];
    const FacePoint& r = points[static_cast<size_t>(c)];
    return (double{q[0]} - p[0]) * (double{r[1]} - p[1]) - (double{q[1]} - p[1]) * (double{r[0]} - p[0]);
}

// Checks every triangle names a point and turns like the face (sign +1:
// counter-clockwise seen from +z); returns the summed area.
double AreaXY(const Points& points, const std::vector<int32_t>& triangles, double sign = 1.0) {
    EXPECT_EQ(triangles.size() % 3, 0u);
    double sum = 0.0;
    for (size_t i = 0; i + 2 < triangles.size(); i += 3) {
        for (size_t k = 0; k < 3; ++k) {
            EXPECT_GE(triangles[i + k], 0);
            EXPECT_LT(triangles[i + k], static_cast<int32_t>(points.size()));
        }
        const double twice = TwiceSignedAreaXY(points, triangles[i], triangles[i + 1], triangles[i + 2]);
        EXPECT_GT(twice * sign, 0.0) << "triangle " << i / 3 << " is flat or turned over";
        sum += std::abs(twice) / 2.0;
    }
    return sum;
}

// Whether any triangle holds (x, y) strictly inside.
bool Covers(const Points& points, const std::vector<int32_t>& triangles, float x, float y) {
    Points probe = points;
    probe.push_back({x, y, 0.0f});
    const auto p = static_cast<int32_t>(points.size());
    for (size_t i = 0; i + 2 < triangles.size(); i += 3) {
        const double ab = TwiceSignedAreaXY(probe, triangles[i], triangles[i + 1], p);
        const double bc = TwiceSignedAreaXY(probe, triangles[i + 1], triangles[i + 2], p);
        const double ca = TwiceSignedAreaXY(probe, triangles[i + 2], triangles[i], p);
        if ((ab > 0 && bc > 0 && ca > 0) || (ab < 0 && bc < 0 && ca < 0)) {
            return true;
        }
    }
    return false;
}

std::vector<int32_t> Fan(int32_t corners) {
    std::vector<int32_t> fan;
    for (int32_t k = 1; k + 1 < corners; ++k) {
        fan.insert(fan.end(), {0, k, k + 1});
    }
    return fan;
}

// Three unit squares; the ring starts at a corner that does not see the
// whole shape, so a fan would leave it.
const Points kL = {{2, 0, 0}, {2, 1, 0}, {1, 1, 0}, {1, 2, 0}, {0, 2, 0}, {0, 0, 0}};

TEST(FaceTriangulation, TrianglesAndConvexFacesAreFansAroundTheFirstCorner) {
    EXPECT_EQ(Triangulate({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}), (std::vector<int32_t>{0, 1, 2}));
    const Points square = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    const std::vector<int32_t> triangles = Triangulate(square);
    EXPECT_EQ(triangles, (std::vector<int32_t>{0, 1, 2, 0, 2, 3}));
    EXPECT_DOUBLE_EQ(AreaXY(square, triangles), 1.0);
    // A straight corner along an edge is still convex.
    EXPECT_EQ(Triangulate({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}}), Fan(5));
    // Holes of fewer than three corners leave nothing out.
    EXPECT_EQ(Triangulate({{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}, {1, 1, 0}, {2, 2, 0}}, {4}), Fan(4));
}

TEST(FaceTriangulation, FewerThanThreeCornersGiveNothing) {
    EXPECT_TRUE(Triangulate({}).empty());
    EXPECT_TRUE(Triangulate({{0, 0, 0}, {1, 0, 0}}).empty());
    // The outer ring ends where the first hole starts.
    EXPECT_TRUE(Triangulate({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {2}).empty());
}

TEST(FaceTriangulation, ConcaveFaceIsCoveredExactly) {
    const std::vector<int32_t> triangles = Triangulate(kL);
    EXPECT_EQ(triangles.size(), 4u * 3u);
    EXPECT_DOUBLE_EQ(AreaXY(kL, triangles), 3.0);
    // Nothing reaches into the missing square.
    EXPECT_FALSE(Covers(kL, triangles, 1.5f, 1.5f));
    EXPECT_FALSE(Covers(kL, triangles, 1.1f, 1.9f));
    EXPECT_FALSE(Covers(kL, triangles, 1.9f, 1.1f));
}

TEST(FaceTriangulation, ClockwiseFaceKeepsItsWinding) {
    const Points reversed(kL.rbegin(), kL.rend());
    const std::vector<int32_t> triangles = Triangulate(reversed);
    EXPECT_EQ(triangles.size(), 4u * 3u);
    EXPECT_DOUBLE_EQ(AreaXY(reversed, triangles, -1.0), 3.0);
    EXPECT_FALSE(Covers(reversed, triangles, 1.5f, 1.5f));
}

TEST(FaceTriangulation, TiltedFaceIsSplitInItsOwnPlane) {
    // The L on the orthonormal axes u = (0.6, 0, 0.8), v = (0, 1, 0), moved
    // away from the origin; its normal u x v is (-0.8, 0, 0.6).
    Points tilted;
    for (const FacePoint& p : kL) {
        tilted.push_back({10.0f + 0.6f * p[0], -3.0f + p[1], 5.0f + 0.8f * p[0]});
    }
    const std::vector<int32_t> triangles = Triangulate(tilted);
    ASSERT_EQ(triangles.size(), 4u * 3u);
    double area = 0.0;
    for (size_t i = 0; i < triangles.size(); i += 3) {
        const FacePoint& a = tilted[static_cast<size_t>(triangles[i])];
        const FacePoint& b = tilted[static_cast<size_t>(triangles[i + 1])];
        const FacePoint& c = tilted[static_cast<size_t>(triangles[i + 2])];
        const double e1[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        const double e2[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        const double n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                             e1[0] * e2[1] - e1[1] * e2[0]};
        const double along = -0.8 * n[0] + 0.6 * n[2];
        EXPECT_GT(along, 0.0) << "triangle " << i / 3;
        area += std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]) / 2.0;
    }
    EXPECT_NEAR(area, 3.0, 1e-5);
}

TEST(FaceTriangulation, HolesAreLeftOpen) {
    // A 4 x 4 square with a 2 x 2 hole: the frame's area is 12; eight
    // triangles once the hole is joined to the outer ring by a bridge.
    const Points frame = {{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0},
                          {1, 1, 0}, {1, 3, 0}, {3, 3, 0}, {3, 1, 0}};
    const std::vector<int32_t> triangles = Triangulate(frame, {4});
    EXPECT_EQ(triangles.size(), 8u * 3u);
    EXPECT_DOUBLE_EQ(AreaXY(frame, triangles), 12.0);
    EXPECT_FALSE(Covers(frame, triangles, 2.0f, 2.0f));
    EXPECT_FALSE(Covers(frame, triangles, 1.2f, 2.8f));

    // The same hole wound like the outer ring.
    const Points sameWay = {{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0},
                            {1, 1, 0}, {3, 1, 0}, {3, 3, 0}, {1, 3, 0}};
    const std::vector<int32_t> sameWayTriangles = Triangulate(sameWay, {4});
    EXPECT_DOUBLE_EQ(AreaXY(sameWay, sameWayTriangles), 12.0);
    EXPECT_FALSE(Covers(sameWay, sameWayTriangles, 2.0f, 2.0f));
}

TEST(FaceTriangulation, SeveralHolesAndBlockedViews) {
    // Two holes stacked at the same x, and one beside them: 6 x 6 minus
    // three unit squares.
    const Points three = {{0, 0, 0}, {6, 0, 0}, {6, 6, 0}, {0, 6, 0}, {1, 1, 0}, {1, 2, 0},
                          {2, 2, 0}, {2, 1, 0}, {1, 4, 0}, {1, 5, 0}, {2, 5, 0}, {2, 4, 0},
                          {4, 1, 0}, {4, 2, 0}, {5, 2, 0}, {5, 1, 0}};
    const std::vector<int32_t> triangles = Triangulate(three, {4, 8, 12});
    EXPECT_EQ(triangles.size(), (16u + 3u * 2u - 2u) * 3u);
    EXPECT_NEAR(AreaXY(three, triangles), 33.0, 1e-9);
    for (const auto& [x, y] : {std::pair{1.5f, 1.5f}, {1.5f, 4.5f}, {4.5f, 1.5f}}) {
        EXPECT_FALSE(Covers(three, triangles, x, y)) << x << ", " << y;
    }

    // A notch hangs between the hole and the far end of the edge its ray
    // meets: 10 x 10, minus the notch (area 4), minus the hole (0.5).
    const Points notched = {{0, 0, 0},  {10, 0, 0}, {10, 10, 0},    {7, 10, 0}, {6, 6, 0},     {5, 10, 0},
                            {0, 10, 0}, {1, 5, 0},  {1.5, 5.5f, 0}, {2, 5, 0},  {1.5, 4.5f, 0}};
    const std::vector<int32_t> notchedTriangles = Triangulate(notched, {7});
    EXPECT_EQ(notchedTriangles.size(), (11u + 2u - 2u) * 3u);
    EXPECT_NEAR(AreaXY(notched, notchedTriangles), 95.5, 1e-9);
    EXPECT_FALSE(Covers(notched, notchedTriangles, 6.0f, 8.0f));
    EXPECT_FALSE(Covers(notched, notchedTriangles, 1.5f, 5.0f));

    // The ray from the hole runs exactly through an outer corner (5, 2).
    const Points pentagon = {{0, 0, 0}, {4, 0, 0}, {5, 2, 0}, {4, 4, 0}, {0, 4, 0},
                             {1, 2, 0}, {2, 3, 0}, {3, 2, 0}, {2, 1, 0}};
    const std::vector<int32_t> pentagonTriangles = Triangulate(pentagon, {5});
    EXPECT_EQ(pentagonTriangles.size(), 9u * 3u);
    EXPECT_NEAR(AreaXY(pentagon, pentagonTriangles), 18.0 - 2.0, 1e-9);
    EXPECT_FALSE(Covers(pentagon, pentagonTriangles, 2.0f, 2.0f));
}

TEST(FaceTriangulation, ManyCornerStarMatchesItsShoelaceArea) {
    // 40 spikes: corners alternate between radius 1 and 0.4.
    Points star;
    const double pi = std::acos(-1.0);
    for (int i = 0; i < 80; ++i) {
        const double angle = 2.0 * pi * i / 80.0;
        const double radius = i % 2 == 0 ? 1.0 : 0.4;
        star.push_back(
            {static_cast<float>(radius * std::cos(angle)), static_cast<float>(radius * std::sin(angle)), 0});
    }
    double shoelace = 0.0;
    for (size_t i = 0; i < star.size(); ++i) {
        const FacePoint& p = star[i];
        const FacePoint& q = star[(i + 1) % star.size()];
        shoelace += double{p[0]} * q[1] - double{q[0]} * p[1];
    }
    const std::vector<int32_t> triangles = Triangulate(star);
    EXPECT_EQ(triangles.size(), 78u * 3u);
    EXPECT_NEAR(AreaXY(star, triangles), shoelace / 2.0, 1e-9);
}

double ShoelaceXY(const Points& ring) {
    double twice = 0.0;
    for (size_t i = 0; i < ring.size(); ++i) {
        const FacePoint& p = ring[i];
        const FacePoint& q = ring[(i + 1) % ring.size()];
        twice += double{p[0]} * q[1] - double{q[0]} * p[1];
    }
    return twice / 2.0;
}

TEST(FaceTriangulation, RandomStarShapedFacesWithAndWithoutAHole) {
    // Corners at increasing angles around the origin, radii between 1 and 2:
    // simple, usually concave, and no edge comes nearer the origin than
    // cos(81 degrees), so a square of half-diagonal 0.1 (area 0.02) around it
    // is a hole inside.
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double pi = std::acos(-1.0);
    for (int round = 0; round < 200; ++round) {
        const int corners = 4 + round % 40;
        Points face;
        for (int i = 0; i < corners; ++i) {
            const double angle = 2.0 * pi * (i + 0.8 * unit(random)) / corners;
            const double radius = 1.0 + unit(random);
            face.push_back({static_cast<float>(radius * std::cos(angle)),
                            static_cast<float>(radius * std::sin(angle)), 0});
        }
        SCOPED_TRACE(round);
        const double area = ShoelaceXY(face);
        const std::vector<int32_t> triangles = Triangulate(face);
        EXPECT_EQ(triangles.size(), static_cast<size_t>(corners - 2) * 3u);
        EXPECT_NEAR(AreaXY(face, triangles), area, 1e-9);

        const double turn = unit(random) * pi;
        for (int i = 0; i < 4; ++i) {
            const double angle = turn - i * pi / 2.0; // clockwise
            face.push_back(
                {static_cast<float>(0.1 * std::cos(angle)), static_cast<float>(0.1 * std::sin(angle)), 0});
        }
        const Points& withHole = face;
        const std::vector<int32_t> holed = Triangulate(withHole, {static_cast<size_t>(corners)});
        EXPECT_EQ(holed.size(), static_cast<size_t>(corners + 4) * 3u);
        EXPECT_NEAR(AreaXY(withHole, holed), area - 0.02, 1e-6);
        EXPECT_FALSE(Covers(withHole, holed, 0.0f, 0.0f));
    }
}

TEST(FaceTriangulation, AnyFaceGivesItsCornerCountLessTwo) {
    // Random corners cross and double back; whatever the split, every
    // corner index is valid and no face is lost.
    std::mt19937 random(11);
    std::uniform_int_distribution<int> coordinate(-3, 3);
    for (int round = 0; round < 500; ++round) {
        Points face(static_cast<size_t>(3 + round % 12));
        for (FacePoint& point : face) {
            point = {static_cast<float>(coordinate(random)), static_cast<float>(coordinate(random)),
                     static_cast<float>(coordinate(random) * (round % 3 == 0))};
        }
        const std::vector<int32_t> triangles = Triangulate(face);
        ASSERT_EQ(triangles.size(), (face.size() - 2) * 3u) << round;
        for (const int32_t corner : triangles) {
            ASSERT_GE(corner, 0);
            ASSERT_LT(corner, static_cast<int32_t>(face.size()));
        }
    }
}

TEST(FaceTriangulation, FacesWithoutCleanSplitFallBackToTheFan) {
    // No area: a line, a point repeated.
    EXPECT_EQ(Triangulate({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}}), Fan(4));
    EXPECT_EQ(Triangulate({{1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}}), Fan(5));
    // A bow-tie, whose halves cancel.
    EXPECT_EQ(Triangulate({{0, 0, 0}, {1, 1, 0}, {1, 0, 0}, {0, 1, 0}}), Fan(4));
    // Crossing edges with area left over: (4, 3) -> (2, -1) cuts the bottom edge.
    EXPECT_EQ(Triangulate({{0, 0, 0}, {4, 0, 0}, {4, 3, 0}, {2, -1, 0}, {0, 3, 0}}), Fan(5));
    // A hole outside the face: the outer ring's fan.
    EXPECT_EQ(Triangulate({{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}, {6, 1, 0}, {6, 2, 0}, {7, 2, 0}}, {4}),
              Fan(4));
    // A concave face with a corner that is not a number.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    Points broken = kL;
    broken[3] = {nan, 2, 0};
    EXPECT_EQ(Triangulate(broken), Fan(6));
    broken[3] = {std::numeric_limits<float>::infinity(), 2, 0};
    EXPECT_EQ(Triangulate(broken), Fan(6));
}

TEST(FaceTriangulation, OutputIsAppended) {
    std::vector<int32_t> triangles = {7};
    TriangulateFace(kL, {}, triangles);
    TriangulateFace(Points{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {}, triangles);
    ASSERT_EQ(triangles.size(), 1u + 12u + 3u);
    EXPECT_EQ(triangles.front(), 7);
    EXPECT_EQ((std::vector<int32_t>(triangles.end() - 3, triangles.end())), (std::vector<int32_t>{0, 1, 2}));
}

} // namespace
} // namespace quorvane
