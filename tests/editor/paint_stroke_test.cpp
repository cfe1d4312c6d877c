#include "editor/paint_stroke.h"
#include "editor/rotation_matrix.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <iterator>
#include <numbers>
#include <random>

namespace quorvane {
namespace {

constexpr float kFlatHeight = 2.0f;

std::optional<GroundPoint> Flat(float, float) {
    return GroundPoint{kFlatHeight, {0, 0, 1, 0}};
}

BrushSettings Brush(float radius, float density, float spacing) {
    BrushSettings brush;
    brush.radius = radius;
    brush.density = density;
    brush.spacing = spacing;
    return brush;
}

// Paints a straight stroke along x from 0 to length in small mouse moves.
std::vector<PaintedSpot> StrokeAlongX(CPaintStroke& stroke, float length, float y = 0.0f) {
    std::vector<PaintedSpot> spots;
    for (float x = 0.0f; x <= length; x += 0.7f) {
        std::ranges::copy(stroke.MoveTo(x, y), std::back_inserter(spots));
    }
    return spots;
}

TEST(PaintStroke, ALongStrokeGetsDensityTimesTheAreaItSwept) {
    struct Case {
        float radius;
        float density; // per 100 square units
    };
    for (const Case c : {Case{5, 10}, Case{10, 4}, Case{20, 25}, Case{3, 200}}) {
        CSpacingGrid taken(0.0f);
        CPaintStroke stroke(Brush(c.radius, c.density, 0.0f), Flat, taken, 7);
        const float length = 400.0f;
        const std::vector<PaintedSpot> spots = StrokeAlongX(stroke, length);
        // A capsule: the band the circle swept and its two half-circle ends.
        const double area = 2.0 * c.radius * length + std::numbers::pi * c.radius * c.radius;
        const double expected = c.density / 100.0 * area;
        EXPECT_NEAR(static_cast<double>(spots.size()), expected, 0.15 * expected)
            << c.radius << " " << c.density;
        EXPECT_EQ(taken.Count(), spots.size());
        for (const PaintedSpot& spot : spots) {
            ASSERT_LE(std::fabs(spot.position.y), c.radius);
            ASSERT_GE(spot.position.x, -c.radius);
            ASSERT_LE(spot.position.x, length + c.radius);
            ASSERT_EQ(spot.position.z, kFlatHeight);
        }
    }
}

// Copies already in the level and those painted earlier in the stroke count
// alike, over many random strokes and settings.
TEST(PaintStroke, NoCopyIsPaintedNearerThanTheSpacingToAnyOther) {
    std::mt19937 random(11);
    const auto uniform = [&random](float low, float high) {
        return std::uniform_real_distribution<float>(low, high)(random);
    };
    size_t painted = 0;
    for (int trial = 0; trial < 25; ++trial) {
        const BrushSettings brush = Brush(uniform(2, 15), uniform(5, 80), uniform(0.3f, 4));
        CSpacingGrid taken(brush.spacing);
        std::vector<Vector4> existing;
        for (int i = 0; i < 150; ++i) {
            existing.push_back({uniform(-60, 60), uniform(-60, 60), 0, 1});
            taken.Add(existing.back().x, existing.back().y);
        }
        CPaintStroke stroke(brush, Flat, taken, static_cast<uint32_t>(trial));
        std::vector<Vector4> spots;
        float x = 0;
        float y = 0;
        for (int move = 0; move < 40; ++move) {
            x += uniform(-8, 8);
            y += uniform(-8, 8);
            std::ranges::transform(stroke.MoveTo(x, y), std::back_inserter(spots), &PaintedSpot::position);
        }
        painted += spots.size();
        const auto tooNear = [&](const Vector4& a, const Vector4& b) {
            return std::hypot(a.x - b.x, a.y - b.y) < brush.spacing;
        };
        for (size_t i = 0; i < spots.size(); ++i) {
            for (const Vector4& other : existing) {
                ASSERT_FALSE(tooNear(spots[i], other)) << "trial " << trial;
            }
            for (size_t j = i + 1; j < spots.size(); ++j) {
                ASSERT_FALSE(tooNear(spots[i], spots[j])) << "trial " << trial;
            }
        }
    }
    EXPECT_GT(painted, 1000u);
}

// Flat for x < 0, a ramp of the given slope for x >= 0; nothing for y > 30.
GroundQuery RampGround(float slopeDegrees) {
    const float rise = std::tan(slopeDegrees * std::numbers::pi_v<float> / 180.0f);
    return [rise](float x, float y) -> std::optional<GroundPoint> {
        if (y > 30.0f) {
            return std::nullopt;
        }
        if (x < 0.0f) {
            return GroundPoint{0.0f, {0, 0, 1, 0}};
        }
        return GroundPoint{rise * x, {-rise, 0, 1, 0}};
    };
}

TEST(PaintStroke, SteepGroundAndGroundOffTheFieldStayEmpty) {
    struct Case {
        float rampDegrees;
        float limitDegrees;
        bool rampPainted;
    };
    for (const Case c : {Case{45, 30, false}, Case{20, 30, true}, Case{45, 50, true}, Case{89, 88, false}}) {
        BrushSettings brush = Brush(10, 20, 0.5f);
        brush.maxSlopeDegrees = c.limitDegrees;
        CSpacingGrid taken(brush.spacing);
        CPaintStroke stroke(brush, RampGround(c.rampDegrees), taken, 3);
        size_t onRamp = 0;
        size_t onFlat = 0;
        // Up and down across the edge of the field at y = 30.
        for (float y : {0.0f, 20.0f, 40.0f}) {
            for (float x = -60.0f; x <= 60.0f; x += 1.0f) {
                for (const PaintedSpot& spot : stroke.MoveTo(x, y)) {
                    ASSERT_LE(spot.position.y, 30.0f) << "off the field";
                    (spot.position.x < 0.0f ? onFlat : onRamp) += 1;
                }
            }
        }
        EXPECT_GT(onFlat, 100u);
        EXPECT_EQ(onRamp > 0, c.rampPainted) << c.rampDegrees << " against " << c.limitDegrees;
    }
    EXPECT_FLOAT_EQ(SlopeDegrees({0, 0, 0, 0}), 90.0f);
}

TEST(PaintStroke, BrushesThatCannotPaintPaintNothingAndHugeOnesStayBounded) {
    const float nan = std::nanf("");
    const float inf = std::numeric_limits<float>::infinity();
    for (const BrushSettings& brush :
         {Brush(0, 10, 1), Brush(-5, 10, 1), Brush(nan, 10, 1), Brush(inf, 10, 1), Brush(10, 0, 1),
          Brush(10, -3, 1), Brush(10, nan, 1), Brush(10, inf, 1)}) {
        CSpacingGrid taken(brush.spacing);
        CPaintStroke stroke(brush, Flat, taken, 1);
        EXPECT_TRUE(stroke.MoveTo(0, 0).empty()) << brush.radius << " " << brush.density;
        EXPECT_TRUE(stroke.MoveTo(50, 0).empty());
    }
    CSpacingGrid taken(0.0f);
    CPaintStroke dense(Brush(10, 1e9f, 0), Flat, taken, 1);
    EXPECT_EQ(dense.MoveTo(0, 0).size(), 65536u);
    CPaintStroke far(Brush(1, 1, 0), Flat, taken, 1);
    far.MoveTo(0, 0);
    // Across any field: at most 4,096 places along the jump, and it ends.
    EXPECT_LE(far.MoveTo(1e7f, 0).size(), 4096u);
}

// "Align to normal": the copy's up axis stands along the ground's normal,
// whatever yaw it drew.
TEST(AlignToGround, TheUpAxisLandsOnTheNormalAndTheYawStays) {
    for (const Vector4& normal : {Vector4{0, 0, 1, 0}, Vector4{-0.5f, 0, 1, 0}, Vector4{0.3f, -0.4f, 1, 0},
                                  Vector4{1, 1, 0.2f, 0}, Vector4{0, 0, 0, 0}}) {
        const float length = std::hypot(normal.x, normal.y, normal.z);
        const Vector4 unit = length > 0 ? Vector4{normal.x / length, normal.y / length, normal.z / length, 0}
                                        : Vector4{0, 0, 1, 0};
        for (const float yaw : {0.0f, 37.0f, -120.0f, 180.0f}) {
            const Vector4 angles = AnglesStandingOn(normal, yaw);
            EXPECT_EQ(angles.z, yaw);
            const Vector4 up = TurnRow({0, 0, 1, 0}, RotationOfAngles(angles));
            EXPECT_NEAR(up.x, unit.x, 1e-4f) << normal.x << " " << normal.y << " yaw " << yaw;
            EXPECT_NEAR(up.y, unit.y, 1e-4f);
            EXPECT_NEAR(up.z, unit.z, 1e-4f);
        }
    }
    // By hand: the ramp z = 0.5 x tilts about y by -atan(0.5); flat ground tilts nothing.
    const Vector4 ramp = AnglesStandingOn({-0.5f, 0, 1, 0}, 0.0f);
    EXPECT_NEAR(ramp.x, 0.0f, 1e-4f);
    EXPECT_NEAR(ramp.y, -26.5651f, 1e-3f);
    const Vector4 flat = AnglesStandingOn({0, 0, 3, 0}, 25.0f);
    EXPECT_NEAR(flat.x, 0.0f, 1e-6f);
    EXPECT_NEAR(flat.y, 0.0f, 1e-6f);
}

} // namespace
} // namespace quorvane
