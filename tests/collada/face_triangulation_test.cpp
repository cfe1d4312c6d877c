#include "collada/face_triangulation.h"
#include "collada_test_support.h"

#include <cmath>
#include <gtest/gtest.h>
#include <initializer_list>
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

// The triangles' corner positions; every index must name a point.
test::Corners CornersOf(const Points& points, const std::vector<int32_t>& triangles) {
    test::Corners corners;
    for (const int32_t index : triangles) {
        if (index < 0 || static_cast<size_t>(index) >= points.size()) {
            ADD_FAILURE() << "corner index " << index << " names no point";
            return {};
        }
        const FacePoint& p = points[static_cast<size_t>(index)];
        corners.push_back({p[0], p[1], p[2]});
    }
    return corners;
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

TEST(FaceTriangulation, ConvexFacesAndFacesWithoutACleanSplitAreFansAndTooFewCornersNothing) {
    EXPECT_EQ(Triangulate({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}), (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(Triangulate({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}), Fan(4));
    // A straight corner along an edge is still convex.
    EXPECT_EQ(Triangulate({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {2, 1, 0}, {0, 1, 0}}), Fan(5));
    // Holes of fewer than three corners leave nothing out.
    EXPECT_EQ(Triangulate({{0, 0, 0}, {4, 0, 0}, {4, 4, 0}, {0, 4, 0}, {1, 1, 0}, {2, 2, 0}}, {4}), Fan(4));
    // Fewer than three corners give nothing; the outer ring ends where the first hole starts.
    EXPECT_TRUE(Triangulate({}).empty());
    EXPECT_TRUE(Triangulate({{0, 0, 0}, {1, 0, 0}}).empty());
    EXPECT_TRUE(Triangulate({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {2}).empty());
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

struct FaceCase {
    const char* name;
    Points points;
    std::vector<size_t> holeStarts;
    size_t triangles;
    double area;
    std::array<double, 3> facing;                     // the way every triangle must turn, like the face
    std::vector<std::pair<double, double>> uncovered; // (x, y) outside the face
};

Points Tilted(const Points& flat) {
    // On the orthonormal axes u = (0.6, 0, 0.8), v = (0, 1, 0), away from the
    // origin; the normal u x v is (-0.8, 0, 0.6).
    Points tilted;
    for (const FacePoint& p : flat) {
        tilted.push_back({10.0f + 0.6f * p[0], -3.0f + p[1], 5.0f + 0.8f * p[0]});
    }
    return tilted;
}

// Corners alternate between radius 1 and 0.4: each of the 80 triangles from
// the centre has area 0.5 * 1 * 0.4 * sin(2 pi / 80), 16 sin(pi / 40) in all.
Points Star() {
    Points star;
    const double pi = std::acos(-1.0);
    for (int i = 0; i < 80; ++i) {
        const double angle = 2.0 * pi * i / 80.0;
        const double radius = i % 2 == 0 ? 1.0 : 0.4;
        star.push_back(
            {static_cast<float>(radius * std::cos(angle)), static_cast<float>(radius * std::sin(angle)), 0});
    }
    return star;
}

// Points in the plane z = 0 from x, y pairs.
Points Flat(std::initializer_list<float> xy) {
    Points points;
    for (auto p = xy.begin(); p + 1 < xy.end(); p += 2) {
        points.push_back({p[0], p[1], 0});
    }
    return points;
}

// A 4 x 4 square with a 2 x 2 hole, wound against the ring or with it.
const Points kFrame = Flat({0, 0, 4, 0, 4, 4, 0, 4, 1, 1, 1, 3, 3, 3, 3, 1});
const Points kFrameSameWay = Flat({0, 0, 4, 0, 4, 4, 0, 4, 1, 1, 3, 1, 3, 3, 1, 3});
// Two holes stacked at the same x, one beside them: 6 x 6 minus three unit squares.
const Points kThreeHoles =
    Flat({0, 0, 6, 0, 6, 6, 0, 6, 1, 1, 1, 2, 2, 2, 2, 1, 1, 4, 1, 5, 2, 5, 2, 4, 4, 1, 4, 2, 5, 2, 5, 1});
// A notch hangs between the hole and the far end of the edge its ray meets:
// 10 x 10, minus the notch (area 4), minus the hole (0.5).
const Points kNotched =
    Flat({0, 0, 10, 0, 10, 10, 7, 10, 6, 6, 5, 10, 0, 10, 1, 5, 1.5, 5.5, 2, 5, 1.5, 4.5});
// The ray from the hole runs exactly through an outer corner (5, 2).
const Points kPentagon = Flat({0, 0, 4, 0, 5, 2, 4, 4, 0, 4, 1, 2, 2, 3, 3, 2, 2, 1});

// Triangles of a face of n corners and h holes: n + 2 h - 2, as bridges add two corners per hole.
TEST(FaceTriangulation, FacesAreCoveredExactlyAndHolesLeftOpen) {
    const FaceCase cases[] = {
        {"concave", kL, {}, 4, 3.0, {0, 0, 1}, {{1.5, 1.5}, {1.1, 1.9}, {1.9, 1.1}}},
        {"clockwise", Points(kL.rbegin(), kL.rend()), {}, 4, 3.0, {0, 0, -1}, {{1.5, 1.5}}},
        {"tilted", Tilted(kL), {}, 4, 3.0, {-0.8, 0, 0.6}, {}},
        {"star", Star(), {}, 78, 16.0 * std::sin(std::acos(-1.0) / 40.0), {0, 0, 1}, {}},
        {"frame", kFrame, {4}, 8, 12.0, {0, 0, 1}, {{2, 2}, {1.2, 2.8}}},
        {"hole wound like the ring", kFrameSameWay, {4}, 8, 12.0, {0, 0, 1}, {{2, 2}}},
        {"three holes", kThreeHoles, {4, 8, 12}, 20, 33.0, {0, 0, 1}, {{1.5, 1.5}, {1.5, 4.5}, {4.5, 1.5}}},
        {"notch blocks the view", kNotched, {7}, 11, 95.5, {0, 0, 1}, {{6, 8}, {1.5, 5}}},
        {"ray through a corner", kPentagon, {5}, 9, 16.0, {0, 0, 1}, {{2, 2}}},
    };
    for (const FaceCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<int32_t> triangles = Triangulate(c.points, c.holeStarts);
        EXPECT_EQ(triangles.size(), c.triangles * 3u);
        const test::Corners corners = CornersOf(c.points, triangles);
        EXPECT_NEAR(test::AreaFacing(corners, c.facing), c.area, 1e-5);
        for (const auto& [x, y] : c.uncovered) {
            EXPECT_FALSE(test::CoversXY(corners, x, y)) << x << ", " << y;
        }
    }
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

TEST(FaceTriangulation, RandomFacesGiveTheirCornerCountLessTwoAndStarShapedOnesTheirArea) {
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
        EXPECT_NEAR(test::AreaFacing(CornersOf(face, triangles), {0, 0, 1}), area, 1e-9);

        const double turn = unit(random) * pi;
        for (int i = 0; i < 4; ++i) {
            const double angle = turn - i * pi / 2.0; // clockwise
            face.push_back(
                {static_cast<float>(0.1 * std::cos(angle)), static_cast<float>(0.1 * std::sin(angle)), 0});
        }
        const std::vector<int32_t> holed = Triangulate(face, {static_cast<size_t>(corners)});
        EXPECT_EQ(holed.size(), static_cast<size_t>(corners + 4) * 3u);
        const test::Corners holedCorners = CornersOf(face, holed);
        EXPECT_NEAR(test::AreaFacing(holedCorners, {0, 0, 1}), area - 0.02, 1e-6);
        EXPECT_FALSE(test::CoversXY(holedCorners, 0.0, 0.0));
    }

    // Random corners cross and double back; whatever the split, every
    // corner index is valid and no face is lost.
    std::mt19937 crossing(11);
    std::uniform_int_distribution<int> coordinate(-3, 3);
    for (int round = 0; round < 500; ++round) {
        Points face(static_cast<size_t>(3 + round % 12));
        for (FacePoint& point : face) {
            point = {static_cast<float>(coordinate(crossing)), static_cast<float>(coordinate(crossing)),
                     static_cast<float>(coordinate(crossing) * (round % 3 == 0))};
        }
        const std::vector<int32_t> triangles = Triangulate(face);
        ASSERT_EQ(triangles.size(), (face.size() - 2) * 3u) << round;
        ASSERT_EQ(CornersOf(face, triangles).size(), triangles.size()) << round;
    }

    // Triangles are appended to what the output holds.
    std::vector<int32_t> triangles = {7};
    TriangulateFace(kL, {}, triangles);
    TriangulateFace(Points{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {}, triangles);
    ASSERT_EQ(triangles.size(), 1u + 12u + 3u);
    EXPECT_EQ(triangles.front(), 7);
    EXPECT_EQ((std::vector<int32_t>(triangles.end() - 3, triangles.end())), (std::vector<int32_t>{0, 1, 2}));
}

} // namespace
} // namespace quorvane
