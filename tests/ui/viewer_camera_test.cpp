// The viewer's camera arithmetic; no display needed.
#include "render/viewer_camera.h"

#include <cmath>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

double EyeDistance(const CCamera& camera) {
    return Length(camera.eye - camera.target);
}

TEST(ViewerCamera, StartsAndFitsAsTheViewerDoes) {
    CCamera camera;
    ViewerOrbit orbit;
    orbit.distance = 7.0;
    ResetViewerCamera(camera, orbit);
    EXPECT_FLOAT_EQ(camera.aspect, 1.0f);
    EXPECT_FLOAT_EQ(camera.fovDegrees, 45.0f);
    EXPECT_FLOAT_EQ(camera.angleDegrees, -90.0f);
    EXPECT_EQ(orbit.distance, 1.0);
    EXPECT_FLOAT_EQ(orbit.elevationDegrees, 70.0f);
    EXPECT_FLOAT_EQ(camera.eye.y, 50.0f);
    EXPECT_FLOAT_EQ(camera.eye.z, 50.0f);

    // Radius 5: distance 10, the eye 10^1.2 = 15.85 along the old direction (0, 1, 1)/sqrt 2.
    FitViewerCamera(camera, orbit, Vec3{1, 2, 3}, 5.0f);
    EXPECT_EQ(orbit.distance, 10.0);
    EXPECT_NEAR(EyeDistance(camera), 15.8489, 1e-3);
    // Along the direction from the new target to the old eye.
    const Vec3 toOldEye{-1.0f, 48.0f, 47.0f};
    const double scale = 15.8489 / std::sqrt(1.0 + 48.0 * 48.0 + 47.0 * 47.0);
    EXPECT_NEAR(camera.eye.x, 1.0 + toOldEye.x * scale, 1e-3);
    EXPECT_NEAR(camera.eye.y, 2.0 + toOldEye.y * scale, 1e-3);
    EXPECT_NEAR(camera.eye.z, 3.0 + toOldEye.z * scale, 1e-3);

    // A point-sized model still gets a distance of 0.1.
    FitViewerCamera(camera, orbit, Vec3{}, 0.0f);
    EXPECT_EQ(orbit.distance, 0.1);
    EXPECT_NEAR(EyeDistance(camera), std::pow(0.1, 1.2), 1e-6);

    SetViewerLight(camera);
    EXPECT_FLOAT_EQ(camera.light.x, 100.0f);
    EXPECT_FLOAT_EQ(camera.light.y, -100.0f);
    EXPECT_FLOAT_EQ(camera.light.z, -100.0f);
    EXPECT_FLOAT_EQ(camera.lightIntensity, 0.7f);
}

TEST(ViewerCamera, OrbitsOneDegreePerFrameAndWrapsPast180) {
    CCamera camera;
    ViewerOrbit orbit;
    ResetViewerCamera(camera, orbit);
    FitViewerCamera(camera, orbit, Vec3{}, 1.0f);
    const double r = EyeDistance(camera);
    for (int frame = 0; frame < 270; ++frame) {
        OrbitViewerCamera(camera, orbit);
    }
    EXPECT_FLOAT_EQ(camera.angleDegrees, 180.0f);
    OrbitViewerCamera(camera, orbit);
    EXPECT_FLOAT_EQ(camera.angleDegrees, -179.0f);
    EXPECT_NEAR(EyeDistance(camera), r, 1e-4 * r);
    // Height ratio sin 70 against the unit circle in x-y.
    const double horizontal = std::hypot(camera.eye.x, camera.eye.y);
    EXPECT_NEAR(camera.eye.z / horizontal, std::sin(70.0 * 3.14159 / 180.0), 1e-4);
    // At yaw -179 the eye lies on the -x side, barely off the axis.
    EXPECT_LT(camera.eye.x, 0.0f);
    EXPECT_LT(camera.eye.y, 0.0f);
}

TEST(ViewerCamera, WheelZoomsBySixPercentANotchAndStopsAtTheMinimum) {
    CCamera camera;
    ViewerOrbit orbit;
    ResetViewerCamera(camera, orbit);
    FitViewerCamera(camera, orbit, Vec3{}, 50.0f);
    ZoomViewerCamera(camera, orbit, 120);
    EXPECT_NEAR(orbit.distance, 94.0, 1e-9);
    EXPECT_NEAR(EyeDistance(camera), std::pow(94.0, 1.2), 1e-3);
    ZoomViewerCamera(camera, orbit, -120);
    EXPECT_NEAR(orbit.distance, 94.0 * 1.06, 1e-9);
    for (int notch = 0; notch < 2000; ++notch) {
        ZoomViewerCamera(camera, orbit, 120 * 10);
    }
    EXPECT_EQ(orbit.distance, 0.0001);
    EXPECT_NEAR(EyeDistance(camera), std::pow(0.0001, 1.2), 1e-7);
}

} // namespace
} // namespace quorvane
