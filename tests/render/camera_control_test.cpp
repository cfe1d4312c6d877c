// Orbit, pan, zoom and the free camera's ground following, worked by hand.
#include "render/camera_control.h"

#include <cmath>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

// Eye 10 units straight above the target.
CCamera CameraAbove(const Vec3& target) {
    CCamera camera;
    camera.target = target;
    camera.eye = target + Vec3{0, 0, 10};
    camera.aspect = 16.0f / 9.0f;
    return camera;
}

void ExpectNear(const Vec3& actual, const Vec3& expected, float tolerance) {
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
    EXPECT_NEAR(actual.z, expected.z, tolerance);
}

// Each drag from the last: pitch moves 0.2 degrees a pixel between level and
// just short of straight down, yaw wraps past half a turn either way.
TEST(CameraOrbit, PitchStopsAtLevelAndJustShortOfStraightDownAndYawWraps) {
    CCamera camera = CameraAbove({0, 0, 0});
    CameraControl control{1.0f, 10.0f, 179.5f};
    const struct {
        float dx, dy, pitch, yaw;
    } drags[] = {{0, -1000, 90, 179.5f},
                 {0, 1000, 0.00001f, 179.5f},
                 {0, -5, 1.00001f, 179.5f},
                 {-5, 0, 1.00001f, -179.5f},
                 {5, 0, 1.00001f, 179.5f}};
    for (const auto& drag : drags) {
        SCOPED_TRACE(std::to_string(drag.dx) + ", " + std::to_string(drag.dy));
        Orbit(camera, control, drag.dx, drag.dy);
        EXPECT_NEAR(control.pitch, drag.pitch, 1e-5f);
        EXPECT_NEAR(control.yaw, drag.yaw, 1e-4f);
        EXPECT_NEAR(camera.angleDegrees, drag.yaw, 1e-4f);
    }
    // A wild drag still lands inside the range.
    Orbit(camera, control, 1.0e7f, 0.0f);
    EXPECT_GE(control.yaw, -180.0f);
    EXPECT_LE(control.yaw, 180.0f);
}

TEST(CameraOrbit, EyeKeepsItsDistanceOnTheNewDirection) {
    CCamera camera = CameraAbove({2, 3, 4});
    CameraControl control{1.0f, 0.0f, 0.0f};
    Orbit(camera, control, 0.0f, -450.0f); // pitch 90, yaw 0: level, on +x
    ExpectNear(camera.eye, {12, 3, 4}, 1e-3f);
    Orbit(camera, control, -450.0f, 0.0f); // yaw 90: on +y
    ExpectNear(camera.eye, {2, 13, 4}, 1e-3f);
}

TEST(CameraPan, GroundUnderTheMouseStaysUnderIt) {
    CCamera camera;
    camera.target = {0, 0, 0};
    camera.eye = {0, -30, 40};
    camera.aspect = 16.0f / 9.0f;
    const auto ground = [&camera](float x, float y) {
        const auto point = PickGround(camera, 1600, 900, x, y);
        EXPECT_TRUE(point.has_value());
        return point ? Vec3{point->x, point->y, point->z} : Vec3{};
    };
    const Vec3 previous = ground(700.0f, 400.0f);
    const Vec3 latest = ground(760.0f, 430.0f);
    Pan(camera, previous, latest);
    const Vec3 underMouse = ground(760.0f, 430.0f);
    EXPECT_NEAR(underMouse.x, previous.x, 1e-3f);
    EXPECT_NEAR(underMouse.y, previous.y, 1e-3f);
}

TEST(CameraZoom, ANotchBackFromOneGivesOnePointOneTwoToTheFourth) {
    CCamera camera = CameraAbove({0, 0, 0});
    CameraControl control{1.0f, 0.00001f, 0.0f};
    Zoom(camera, control, -120); // 1 + 0.12
    EXPECT_NEAR(control.zoom, 1.12f, 1e-6f);
    // 1.12^2 = 1.2544, 1.2544^2 = 1.57351936; straight up as before.
    ExpectNear(camera.eye, {0, 0, 1.5735194f}, 1e-5f);
    Zoom(camera, control, 240); // 1.12 - 0.24 = 0.88, 0.88^4 = 0.59969536
    EXPECT_NEAR(camera.eye.z, 0.5996954f, 1e-5f);
}

TEST(CameraZoom, FarInStopsATenthFromTheTargetAndZoomsOutAgain) {
    CCamera camera = CameraAbove({5, 5, 5});
    CameraControl control{0.6f, 0.00001f, 0.0f};
    Zoom(camera, control, 12000);
    EXPECT_NEAR(Length(camera.eye - camera.target), 0.1f, 1e-5f);
    EXPECT_GT(camera.eye.z, 5.0f);
    Zoom(camera, control, -120);
    EXPECT_GT(Length(camera.eye - camera.target), 0.1f);
    // Eye on the target: the orbit direction gives the way back.
    camera.eye = camera.target;
    control = CameraControl{1.0f, 90.0f, 0.0f};
    Zoom(camera, control, 0);
    ExpectNear(camera.eye, {6, 5, 5}, 1e-4f);
}

TEST(CameraPresets, HorizontalIsEyeLevelAndVerticalWins) {
    CameraControl control{1.0f, 45.0f, 0.0f};
    ApplyViewPresets(control, {});
    EXPECT_FLOAT_EQ(control.pitch, 45.0f);
    ApplyViewPresets(control, {.horizontal = true, .vertical = true});
    EXPECT_FLOAT_EQ(control.pitch, 0.0001f);
}

TEST(CameraFollowGround, TargetSitsOnTheGroundAndTheEyeKeepsItsDistance) {
    CCamera camera = CameraAbove({7, 8, 0});
    CameraControl control{1.0f, 45.0f, 0.0f};
    FollowGround(camera, control, 2.0f, {.horizontal = true});
    EXPECT_FLOAT_EQ(camera.target.z, 2.0f);
    EXPECT_FLOAT_EQ(control.pitch, 89.9f);
    // sin 89.9 = 0.9999985, cos 89.9 = 0.0017453.
    ExpectNear(camera.eye, {7.0f + 9.999985f, 8, 2.0f + 0.017453f}, 1e-3f);

    // An eye on the target is put a tenth away.
    camera.eye = camera.target;
    FollowGround(camera, control, 2.0f, {.vertical = true});
    ExpectNear(camera.eye, {7, 8, 2.1f}, 1e-5f);
}

TEST(CameraAngles, ClampAndWrapRefuseNonNumbers) {
    EXPECT_FLOAT_EQ(ClampPitch(std::nanf("")), 0.00001f);
    EXPECT_FLOAT_EQ(WrapYaw(std::nanf("")), 0.0f);
    EXPECT_FLOAT_EQ(WrapYaw(540.0f), 180.0f);
    EXPECT_FLOAT_EQ(WrapYaw(-190.0f), 170.0f);
}

// A bookmark's glide eases from the camera as it was to the kept one in
// 0.4 s: unchanged at the start, half way at 0.2 s (an eased curve's middle),
// there at the end, turning the short way across 180 degrees.
TEST(CameraGlide, EasesToTheKeptViewTheShortWayRound) {
    CCamera camera = CameraAbove({0, 0, 0});
    CameraControl control{.zoom = 2.0f, .pitch = 30.0f, .yaw = 170.0f};
    CCameraGlide glide;
    glide.Start(camera, control, {100, -40, 6}, {.zoom = 3.0f, .pitch = 60.0f, .yaw = -170.0f}, 10.0);
    ASSERT_TRUE(glide.Step(camera, control, 10.0));
    EXPECT_FLOAT_EQ(camera.target.x, 0.0f);
    EXPECT_FLOAT_EQ(control.yaw, 170.0f);

    ASSERT_TRUE(glide.Step(camera, control, 10.2));
    EXPECT_NEAR(camera.target.x, 50.0f, 1e-3f);
    EXPECT_NEAR(camera.target.y, -20.0f, 1e-3f);
    EXPECT_NEAR(std::fabs(control.yaw), 180.0f, 1e-3f) << "through 180, not through 0";
    EXPECT_NEAR(control.pitch, 45.0f, 1e-3f);
    EXPECT_NEAR(control.zoom, 2.5f, 1e-4f);

    EXPECT_FALSE(glide.Step(camera, control, 10.5)) << "arrived";
    EXPECT_FALSE(glide.Active());
    EXPECT_FLOAT_EQ(camera.target.z, 6.0f);
    EXPECT_NEAR(control.yaw, -170.0f, 1e-3f);
    EXPECT_FLOAT_EQ(control.pitch, 60.0f);
    // The eye stands zoom^4 = 81 from the target, on the orbit of pitch and yaw.
    ExpectNear(camera.eye - camera.target, OrbitDirection(60.0f, -170.0f) * 81.0f, 1e-3f);
}

} // namespace
} // namespace quorvane
