#include "render/camera.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <utility>

namespace quorvane {
namespace {

CCamera FieldCamera() {
    CCamera camera;
    camera.aspect = 16.0f / 9.0f;
    camera.eye = {30, -120, 80};
    camera.target = {10, 5, 0};
    camera.light = {1, -1, -1};
    camera.lightIntensity = 0.8f;
    return camera;
}

// With pi as 3.14159 the factor lands 2e-6 above cot(22.5 degrees).
TEST(Camera, ProjectionOf45DegreesAndWideAspect) {
    EXPECT_NEAR(ProjectionFactor(45.0f), 2.4142137f, 5e-6f);
    CCamera camera = FieldCamera();
    const Matrix4 p = RenderProjection(camera);
    EXPECT_NEAR(p(0, 0), 1.3579952f, 5e-6f);
    EXPECT_NEAR(p(1, 1), 2.4142137f, 5e-6f);
    EXPECT_NEAR(p(2, 2), 1.0003334f, 1e-6f);
    EXPECT_NEAR(p(3, 2), -1.0003334f, 1e-6f);
    EXPECT_EQ(p(2, 3), 1.0f);
}

TEST(Camera, FrameBlockHoldsTheExactLayout) {
    CCamera camera = FieldCamera();
    camera.targetLift = 2.0f;
    FrameConstantsBlock block;
    block.values.fill(7.0f); // stale values must be overwritten
    BuildCameraAndFrameConstants(camera, 1920, 1080, block);
    ASSERT_EQ(sizeof(block), 960u);

    // Matrices are stored transposed: stored[r][c] = m[c][r].
    using namespace frame_offset;
    EXPECT_FLOAT_EQ(block.At(kProjection + 4 * (3 * 4 + 2)), 1.0f);           // p[2][3]
    EXPECT_NEAR(block.At(kProjection + 4 * (2 * 4 + 3)), -1.0003334f, 1e-6f); // p[3][2]
    // Cascades in their stored form.
    EXPECT_FLOAT_EQ(block.At(kCascade0), 0.02f);
    EXPECT_NEAR(block.At(kCascade0 + 4 * 10), 0.0033333334f, 1e-9f);
    EXPECT_NEAR(block.At(kCascade0 + 4 * 11), -1.0f / 3.0f, 1e-7f);
    EXPECT_NEAR(block.At(kCascade1 + 4 * 5), 1.0f / 150.0f, 1e-9f);
    EXPECT_NEAR(block.At(kCascade2 + 4 * 10), 0.00052631577f, 1e-10f);
    EXPECT_FLOAT_EQ(block.At(kCascade2 + 4 * 15), 1.0f);
    EXPECT_FLOAT_EQ(block.At(kCascade2 + 4 * 3), 0.0f);
    // Light 0 and nothing else.
    const Vec4 color0 = block.GetVec4(kLightColors);
    EXPECT_FLOAT_EQ(color0.w, 0.8f);
    EXPECT_FLOAT_EQ(block.GetVec4(kLightColors + 16).x, 0.0f);
    EXPECT_FLOAT_EQ(block.GetVec4(kLightPositions).z, -1.0f);
    EXPECT_FLOAT_EQ(block.GetVec4(kLightPositions + 16 * 15).x, 0.0f);
    const Vec4 target = block.GetVec4(kTarget);
    EXPECT_FLOAT_EQ(target.x, 10);
    EXPECT_FLOAT_EQ(target.w, 0);
    const Vec4 pass = block.GetVec4(kPassValues);
    EXPECT_FLOAT_EQ(pass.x, 0);
    EXPECT_FLOAT_EQ(pass.y, 1920);
    EXPECT_FLOAT_EQ(pass.z, 1080);
    EXPECT_FLOAT_EQ(pass.w, 0);
}

TEST(Camera, ViewLooksAtTheLiftedTargetWithXMirrored) {
    CCamera camera = FieldCamera();
    camera.targetLift = 5.0f;
    FrameConstantsBlock block;
    BuildCameraAndFrameConstants(camera, 1920, 1080, block);
    const Vec4 lifted = Transform({10, 5, 5, 1}, camera.view);
    EXPECT_NEAR(lifted.x, 0, 1e-3);
    EXPECT_NEAR(lifted.y, 0, 1e-3);
    EXPECT_GT(lifted.z, 0);
    // The mirror: 30 along +x from the lifted target is (10, 125, -75) from the
    // eye; the unmirrored x axis, (-0.98744, -0.15799, 0), would put it at -29.623.
    EXPECT_NEAR(Transform({40, 5, 5, 1}, camera.view).x, 29.623, 1e-2);
}

// A selection rectangle is drawn in client pixels: a point on the ray under a
// pixel projects back onto that pixel, and a point behind the eye nowhere.
TEST(Camera, ProjectToClientIsTheInverseOfTheRayUnderAPixel) {
    const CCamera camera = FieldCamera();
    for (const auto& [width, height] : {std::pair{1280, 720}, std::pair{333, 901}}) {
        for (const auto& [x, y] :
             {std::pair{10.0f, 20.0f}, std::pair{640.5f, 300.0f}, std::pair{200.0f, 700.0f}}) {
            const auto ray = ViewRayUnder(camera, width, height, x, y);
            ASSERT_TRUE(ray);
            const Vec3 along = ray->nearPoint + (ray->farPoint - ray->nearPoint) * 0.01f;
            const auto pixel = ProjectToClient(camera, width, height, along);
            ASSERT_TRUE(pixel);
            EXPECT_NEAR(pixel->x, x, 0.05f) << width << "x" << height;
            EXPECT_NEAR(pixel->y, y, 0.05f) << width << "x" << height;
        }
    }
    const Vec3 behind = camera.eye + (camera.eye - camera.target);
    EXPECT_FALSE(ProjectToClient(camera, 1280, 720, behind));
    EXPECT_FALSE(ProjectToClient(camera, 0, 720, camera.target));
}

// Each view renders at its own size: whatever its shape, the pixels stay
// square (45 degrees from top to bottom, the width's share across), the target
// is in the middle, and the overlay draws a picked ground point back on the
// pixel it was picked under.
TEST(Camera, ViewsOfAnyShapePickAndDrawOnTheSamePixels) {
    const auto degreesBetween = [](const ViewRay& a, const ViewRay& b) {
        const Vec3 u = Normalize(a.farPoint - a.nearPoint);
        const Vec3 v = Normalize(b.farPoint - b.nearPoint);
        return std::acos(std::clamp(u.x * v.x + u.y * v.y + u.z * v.z, -1.0f, 1.0f)) * 180.0 /
               3.14159265358979;
    };
    for (const auto& [width, height] : {std::pair{1920, 1080}, std::pair{763, 731}, std::pair{260, 260},
                                        std::pair{333, 901}, std::pair{3840, 2160}}) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        CCamera camera = FieldCamera();
        camera.aspect = static_cast<float>(width) / static_cast<float>(height);
        FrameConstantsBlock block;
        BuildCameraAndFrameConstants(camera, width, height, block);
        const float w = static_cast<float>(width);
        const float h = static_cast<float>(height);

        const auto ray = [&](float x, float y) {
            const auto found = ViewRayUnder(camera, width, height, x, y);
            EXPECT_TRUE(found);
            return found.value_or(ViewRay{});
        };
        const double across =
            2.0 * std::atan(std::tan(22.5 * 3.14159265358979 / 180.0) * w / h) * 180.0 / 3.14159265358979;
        EXPECT_NEAR(degreesBetween(ray(0, h / 2), ray(w, h / 2)), across, 0.01);
        EXPECT_NEAR(degreesBetween(ray(w / 2, 0), ray(w / 2, h)), 45.0, 0.01);
        const auto centre = ProjectToScreen(camera, camera.target);
        ASSERT_TRUE(centre);
        EXPECT_NEAR(centre->x, w / 2, 0.01);
        EXPECT_NEAR(centre->y, h / 2, 0.01);

        for (const auto& [x, y] : {std::pair{0.5f, h - 0.5f}, std::pair{w - 0.5f, h - 0.5f},
                                   std::pair{w / 2, h / 2}, std::pair{w - 0.5f, h * 0.6f}}) {
            const auto ground = PickGround(camera, width, height, x, y);
            ASSERT_TRUE(ground);
            EXPECT_EQ(ground->z, 0.0f);
            const auto drawn = ProjectToScreen(camera, {ground->x, ground->y, ground->z});
            ASSERT_TRUE(drawn);
            // On the same pixel (its centre was picked): float rounding along
            // the 10 000-unit ray moves it by up to a third of a pixel at 4K.
            EXPECT_NEAR(drawn->x, x, 0.5f);
            EXPECT_NEAR(drawn->y, y, 0.5f);
        }
    }
}

// An eye on its target or a ray along the horizon gives no hit and finite
// constants, never a division by zero.
TEST(Camera, DegenerateViewsPickNothingAndStillWriteFiniteConstants) {
    CCamera degenerate = FieldCamera();
    degenerate.eye = degenerate.target;
    EXPECT_FALSE(PickGround(degenerate, 1920, 1080, 960, 540));
    FrameConstantsBlock block;
    BuildCameraAndFrameConstants(degenerate, 1920, 1080, block);
    EXPECT_TRUE(std::ranges::all_of(block.values, [](float value) { return std::isfinite(value); }));

    CCamera level = FieldCamera();
    level.eye = {0, 0, 10};
    level.target = {0, 100, 10};                           // looks along the horizon
    EXPECT_FALSE(PickGround(level, 1920, 1080, 960, 540)); // parallel ray
    EXPECT_FALSE(PickGround(level, 1920, 1080, 960, 100)); // sky: ground behind the eye
    EXPECT_TRUE(PickGround(level, 1920, 1080, 960, 1000)); // below the horizon
    EXPECT_FALSE(PickGround(level, 0, 1080, 960, 1000));
}

} // namespace
} // namespace quorvane
