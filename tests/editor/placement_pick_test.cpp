#include "editor/placement_pick.h"
#include "editor/triangle_tests.h"

#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <optional>
#include <random>
#include <tuple>
#include <vector>

namespace quorvane {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// By default unscaled, unturned, its box from -1 to 1 on every axis.
PickCandidate Copy(Vector4 position, Vector4 scale = {1, 1, 1, 1}, Vector4 rotation = {0, 0, 0, 1},
                   CBoundingBox bounds = {{-1, -1, -1, 1}, {1, 1, 1, 1}}) {
    PickCandidate candidate;
    candidate.transform.position = position;
    candidate.transform.scale = scale;
    candidate.transform.rotation = rotation;
    candidate.bounds = bounds;
    return candidate;
}

constexpr PickRay kDown{{0, 0, 20, 1}, {0, 0, -2, 0}}; // straight down the z axis, not unit length

TEST(PickNearest, MissesBehindAndInsideAndRaysThatPointNowhere) {
    struct Case {
        const char* what;
        PickRay ray;
        std::optional<float> distance;
    };
    const Case cases[] = {
        {"beside", PickRay{{3, 0, 20, 1}, {0, 0, -1, 0}}, std::nullopt},
        {"past a corner", PickRay{{-5, 1.5f, 0, 1}, {1, 0.001f, 0, 0}}, std::nullopt},
        {"pointing away", PickRay{{0, 0, 20, 1}, {0, 0, 1, 0}}, std::nullopt},
        {"starting inside", PickRay{{0.5f, 0, 0, 1}, {1, 0, 0, 0}}, 0.0f},
        {"starting on the face", PickRay{{0, 0, 1, 1}, {0, 0, -1, 0}}, 0.0f},
        {"along the face", PickRay{{-5, 0, 1, 1}, {1, 0, 0, 0}}, 4.0f},
        {"no direction", PickRay{{0, 0, 20, 1}, {0, 0, 0, 0}}, std::nullopt},
        {"NaN direction", PickRay{{0, 0, 20, 1}, {0, 0, kNaN, 0}}, std::nullopt},
        {"infinite direction", PickRay{{0, 0, 20, 1}, {0, kInf, -1, 0}}, std::nullopt},
        {"NaN origin", PickRay{{0, kNaN, 20, 1}, {0, 0, -1, 0}}, std::nullopt},
        {"infinite origin", PickRay{{0, 0, kInf, 1}, {0, 0, -1, 0}}, std::nullopt},
        // Lengths far from 1 either way still find the box.
        {"tiny direction", PickRay{{0, 0, 20, 1}, {0, 0, -1e-30f, 0}}, 19.0f},
        {"huge direction", PickRay{{0, 0, 20, 1}, {0, 0, -1e30f, 0}}, 19.0f},
    };
    const std::vector<PickCandidate> copies{Copy({0, 0, 0, 1})};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<PickHit> hit = NearestPick(copies, c.ray);
        ASSERT_EQ(hit.has_value(), c.distance.has_value());
        if (hit) {
            EXPECT_NEAR(hit->distance, *c.distance, 1e-5f);
        }
    }
}

TEST(PickNearest, UndrawableCopiesAreNeverHitAndHideNothing) {
    struct Case {
        const char* what;
        PickCandidate copy; // at z = 5, in front of a good copy at the origin
    };
    const Vector4 at{0, 0, 5, 1};
    const Case cases[] = {
        {"zero scale", Copy(at, {1, 0, 1, 1})},
        {"denormal scale", Copy(at, {1, 1, 1e-40f, 1})},
        {"NaN scale", Copy(at, {kNaN, 1, 1, 1})},
        {"infinite scale", Copy(at, {1, kInf, 1, 1})},
        {"NaN rotation", Copy(at, {1, 1, 1, 1}, {0, kNaN, 0, 1})},
        {"infinite rotation", Copy(at, {1, 1, 1, 1}, {0, 0, kInf, 1})},
        {"NaN position", Copy({0, kNaN, 5, 1})},
        {"inverted bounds", Copy(at, {1, 1, 1, 1}, {0, 0, 0, 1}, {{-1, 1, -1, 1}, {1, -1, 1, 1}})},
        {"bounds of one point", Copy(at, {1, 1, 1, 1}, {0, 0, 0, 1}, {{0, 0, 0, 1}, {0, 0, 0, 1}})},
        {"NaN bounds", Copy(at, {1, 1, 1, 1}, {0, 0, 0, 1}, {{-1, -1, kNaN, 1}, {1, 1, 1, 1}})},
        {"infinite bounds", Copy(at, {1, 1, 1, 1}, {0, 0, 0, 1}, {{-kInf, -1, -1, 1}, {1, 1, 1, 1}})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<PickCandidate> copies{c.copy, Copy({0, 0, 0, 1})};
        const std::optional<PickHit> hit = NearestPick(copies, kDown);
        ASSERT_TRUE(hit);
        EXPECT_EQ(hit->index, 1u);
        EXPECT_NEAR(hit->distance, 19.0f, 1e-5f);
    }
}

TEST(PickRefine, BoxesAreAskedNearestFirstAndOnlyAnAcceptedHitCounts) {
    // Boxes entered at 14, 19 and 24 (listed far first); the middle one's model
    // is hit at 19.5, so the far one, entered at 24, is never asked.
    const std::vector<PickCandidate> three{Copy({0, 0, -5, 1}), Copy({0, 0, 5, 1}), Copy({0, 0, 0, 1})};
    std::vector<size_t> asked;
    const std::optional<PickHit> hit = NearestPick(three, kDown, [&](size_t index, const PickRay&) {
        asked.push_back(index);
        return index == 2 ? std::optional<float>(19.5f) : std::nullopt;
    });
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->index, 2u);
    EXPECT_FLOAT_EQ(hit->distance, 19.5f);
    EXPECT_EQ(asked, (std::vector<size_t>{1, 2}));

    for (const float t : {-1.0f, kNaN, kInf}) { // negative or non-finite answers are misses
        EXPECT_FALSE(NearestPick(three, kDown, [t](size_t, const PickRay&) { return std::optional(t); }))
            << t;
    }
}

TEST(PickRefine, LocalRayAndWorldDistanceUnderNonUniformScale) {
    // The model is the plane x = 0.5 in model space. Scaled (2, 1, 4), that
    // plane lies 1 from the copy's position along the turned local x. The ray
    // from the world origin along (0, 2, 0.5) or (2, 0, 0.5) meets it at
    // (0 or 11, 11 or 0, 2.75): sqrt(11² + 2.75²) away.
    struct Case {
        const char* what;
        Vector4 position;
        Vector4 rotation;
        Vector4 direction;
    };
    const Case cases[] = {
        {"unturned", {10, 0, 0, 1}, {0, 0, 0, 1}, {2, 0, 0.5f, 0}},
        // Turned +90 about z, local x points along world y and local y along world -x.
        {"turned about z", {0, 10, 0, 1}, {0, 0, 90, 1}, {0, 2, 0.5f, 0}},
    };
    // Either way the world origin is (-5, 0, 0) in model space, and the unit
    // world direction (1, 0, 0.125) / length.
    const float length = std::sqrt(4.25f);
    const Vector4 localOrigin{-5, 0, 0, 1};
    const Vector4 localDirection{1 / length, 0, 0.125f / length, 0};
    const float expected = std::sqrt(11.0f * 11.0f + 2.75f * 2.75f);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<PickCandidate> copies{Copy(c.position, {2, 1, 4, 1}, c.rotation)};
        std::optional<PickRay> seen;
        const std::optional<PickHit> hit =
            NearestPick(copies, PickRay{{0, 0, 0, 1}, c.direction}, [&](size_t, const PickRay& local) {
                seen = local;
                return std::optional<float>((0.5f - local.origin.x) / local.direction.x);
            });
        ASSERT_TRUE(seen);
        for (const auto& [got, want, tolerance] : {std::tuple{seen->origin, localOrigin, 1e-4f},
                                                   std::tuple{seen->direction, localDirection, 1e-5f}}) {
            EXPECT_NEAR(got.x, want.x, tolerance);
            EXPECT_NEAR(got.y, want.y, tolerance);
            EXPECT_NEAR(got.z, want.z, tolerance);
        }
        ASSERT_TRUE(hit);
        EXPECT_NEAR(hit->distance, expected, 1e-4f);
    }
}

// The reference turns each box's corners with the rotation written out for
// column vectors in double, as the renderer turns a model: +90 degrees about x
// takes +y to +z, about y +z to +x, about z +x to +y; x turns first, then y,
// then z. It meets the ray with the box's twelve triangles.
struct ReferenceBox {
    std::array<Vector4, 8> corners;

    explicit ReferenceBox(const PickCandidate& c) {
        const double toRadians = 3.14159 / 180.0;
        const Vector4 &lo = c.bounds.minimum, &hi = c.bounds.maximum;
        for (size_t i = 0; i < 8; ++i) {
            double x = ((i & 1) ? hi.x : lo.x) * double{c.transform.scale.x};
            double y = ((i & 2) ? hi.y : lo.y) * double{c.transform.scale.y};
            double z = ((i & 4) ? hi.z : lo.z) * double{c.transform.scale.z};
            const auto turn = [](double& u, double& v, double radians) {
                const double nu = u * std::cos(radians) - v * std::sin(radians);
                v = u * std::sin(radians) + v * std::cos(radians);
                u = nu;
            };
            turn(y, z, c.transform.rotation.x * toRadians); // about x: y towards z
            turn(z, x, c.transform.rotation.y * toRadians); // about y: z towards x
            turn(x, y, c.transform.rotation.z * toRadians); // about z: x towards y
            corners[i] = {static_cast<float>(x + c.transform.position.x),
                          static_cast<float>(y + c.transform.position.y),
                          static_cast<float>(z + c.transform.position.z), 0};
        }
    }

    std::optional<float> Distance(Vector4 from, const Vector4& unit) const {
        from.w = 0; // a plain crossing, no radius
        static constexpr std::array<std::array<size_t, 4>, 6> kFaces{
            {{0, 1, 3, 2}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 3, 7, 5}}};
        const Vector4 to{from.x + unit.x * 1000, from.y + unit.y * 1000, from.z + unit.z * 1000, 0};
        std::optional<float> nearest;
        for (const auto& face : kFaces) {
            for (const auto& [a, b, d] :
                 {std::array{face[0], face[1], face[2]}, std::array{face[0], face[2], face[3]}}) {
                const Vector4 &t0 = corners[a], &t1 = corners[b], &t2 = corners[d];
                const Vector4 e1{t1.x - t0.x, t1.y - t0.y, t1.z - t0.z, 0};
                const Vector4 e2{t2.x - t0.x, t2.y - t0.y, t2.z - t0.z, 0};
                const Vector4 n{e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z,
                                e1.x * e2.y - e1.y * e2.x, 0};
                Vector4 crossing;
                if (TestSegmentTriangle(from, to, t0, t1, t2, n, crossing)) {
                    const float distance =
                        std::hypot(crossing.x - from.x, crossing.y - from.y, crossing.z - from.z);
                    nearest = nearest ? std::min(*nearest, distance) : distance;
                }
            }
        }
        return nearest;
    }
};

TEST(PickNearest, AgreesWithTheTrianglesOfEveryTurnedBox) {
    std::mt19937 random(20240611u);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const auto between = [&](float lo, float hi) { return lo + (hi - lo) * unit(random); };
    std::vector<PickCandidate> copies;
    std::vector<ReferenceBox> reference;
    for (int i = 0; i < 300; ++i) {
        // Some scales mirror the model.
        const auto scale = [&] { return between(0.3f, 3.0f) * (unit(random) < 0.2f ? -1.0f : 1.0f); };
        const auto half = [&] { return between(0.5f, 5.0f); };
        const Vector4 lo{-half(), -half(), -half(), 1};
        const Vector4 hi{half(), half(), half(), 1};
        copies.push_back(
            Copy({between(0, 60), between(0, 60), between(0, 5), 1}, {scale(), scale(), scale(), 1},
                 {between(-180, 180), between(-180, 180), between(-180, 180), 1}, CBoundingBox{lo, hi}));
        reference.emplace_back(copies.back());
    }
    int hits = 0;
    for (int r = 0; r < 400; ++r) {
        const Vector4 from{between(0, 60), between(0, 60), 60, 1};
        const Vector4 target{between(0, 60), between(0, 60), between(0, 5), 1};
        const Vector4 d{target.x - from.x, target.y - from.y, target.z - from.z, 0};
        const float length = std::hypot(d.x, d.y, d.z);
        const Vector4 unitD{d.x / length, d.y / length, d.z / length, 0};
        std::optional<float> nearest;
        for (const ReferenceBox& box : reference) {
            if (const std::optional<float> distance = box.Distance(from, unitD)) {
                nearest = nearest ? std::min(*nearest, *distance) : *distance;
            }
        }
        SCOPED_TRACE(r);
        const std::optional<PickHit> hit = NearestPick(copies, PickRay{from, d});
        ASSERT_EQ(hit.has_value(), nearest.has_value());
        if (hit) {
            ++hits;
            EXPECT_NEAR(hit->distance, *nearest, 2e-3f);
            const std::optional<float> own = reference[hit->index].Distance(from, unitD);
            ASSERT_TRUE(own);
            EXPECT_NEAR(*own, *nearest, 2e-3f);
        }
    }
    EXPECT_GT(hits, 100); // the scene is dense enough to test the nearest, not only misses
}

// A camera at z = 10 looking down -z with a focal length of 100 pixels onto an
// 800 × 600 view: a point at height 0 lands at (400 + 10 x, 300 - 10 y).
class PickRectangle : public testing::Test {
protected:
    static constexpr int kWidth = 800;
    static constexpr int kHeight = 600;

    static std::optional<ViewPoint> Project(const Vector4& world) {
        const float depth = 10.0f - world.z;
        if (depth <= 0.1f) {
            return std::nullopt;
        }
        return ViewPoint{400.0f + 100.0f * world.x / depth, 300.0f - 100.0f * world.y / depth};
    }

    std::vector<size_t> Select(ViewPoint a, ViewPoint b, int width = kWidth, int height = kHeight) const {
        return SelectInRectangle(copies_, a, b, width, height, Project);
    }

    const std::vector<PickCandidate> copies_{
        Copy({0, 0, 0, 1}),    // 0: (400, 300)
        Copy({38, -28, 0, 1}), // 1: (780, 580), inside the bottom right corner
        Copy({45, 0, 0, 1}),   // 2: (850, 300), right of the view
        Copy({0, -35, 0, 1}),  // 3: (400, 650), below the view
        Copy({0, 0, 20, 1}),   // 4: behind the camera
        // 5: bounds centred 5 along local x, turned to world +y: centre (10, 15)
        // at (500, 150); unturned it would be (15, 10) at (550, 200).
        Copy({10, 10, 0, 1}, {1, 1, 1, 1}, {0, 0, 90, 1}, CBoundingBox{{4, -1, -1, 1}, {6, 1, 1, 1}}),
        Copy({0, 0, 0, 1}, {0, 1, 1, 1}), // 6: flat, never selected, would be at (400, 300)
        Copy({-45, 0, 0, 1}),             // 7: (-50, 300), left of the view
        Copy({40, 0, 0, 1}),              // 8: (800, 300), on the far edge: outside
        Copy({0, 30, 0, 1}),              // 9: (400, 0), on the near edge: inside
    };
};

TEST_F(PickRectangle, ClippedToTheViewInAnyCornerOrder) {
    struct Case {
        const char* what;
        ViewPoint a;
        ViewPoint b;
        std::vector<size_t> selected;
    };
    const Case cases[] = {
        {"past the right and bottom edges", {300, 100}, {900, 700}, {0, 1, 5}},
        {"the same, corners reversed", {900, 700}, {300, 100}, {0, 1, 5}},
        {"the same, other diagonal", {900, 100}, {300, 700}, {0, 1, 5}},
        {"past every edge", {-100, -100}, {2000, 2000}, {0, 1, 5, 9}},
        {"around the turned centre", {490, 140}, {510, 160}, {5}},
        {"around the unturned centre", {540, 190}, {560, 210}, {}},
        {"a click's point", {400, 300}, {400, 300}, {0}},
        {"outside the view entirely", {820, 250}, {900, 350}, {}},
        {"wholly above the view", {0, -300}, {800, -1}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Select(c.a, c.b), c.selected);
    }
}

TEST_F(PickRectangle, EmptyViewOrNoProjectionSelectsNothing) {
    EXPECT_TRUE(Select({-100, -100}, {2000, 2000}, 0, kHeight).empty());
    EXPECT_TRUE(Select({-100, -100}, {2000, 2000}, kWidth, -1).empty());
    EXPECT_TRUE(SelectInRectangle(copies_, {-100, -100}, {2000, 2000}, kWidth, kHeight, {}).empty());
    EXPECT_TRUE(Select({kNaN, 0}, {2000, 2000}).empty());
}

} // namespace
} // namespace quorvane
