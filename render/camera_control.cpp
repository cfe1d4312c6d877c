#include "render/camera_control.h"

#include "modeldata/scalar_math.h"

#include <algorithm>
#include <cmath>

namespace quorvane {
namespace {

float FourthPower(float value) {
    return value * value * value * value;
}

} // namespace

Vec3 OrbitDirection(float pitchDegrees, float yawDegrees) {
    const float pitch = DegreesToRadiansFiveDigits(pitchDegrees);
    const float yaw = DegreesToRadiansFiveDigits(yawDegrees);
    return {std::cos(yaw) * std::sin(pitch), std::sin(yaw) * std::sin(pitch), std::cos(pitch)};
}

float ClampPitch(float pitchDegrees) {
    if (std::isnan(pitchDegrees)) {
        return kMinPitch;
    }
    return std::clamp(pitchDegrees, kMinPitch, kMaxPitch);
}

float WrapYaw(float yawDegrees) {
    if (!std::isfinite(yawDegrees)) {
        return 0.0f;
    }
    // fmod first: a huge drag must not loop for ever.
    yawDegrees = std::fmod(yawDegrees, 360.0f);
    while (yawDegrees < -180.0f) {
        yawDegrees += 360.0f;
    }
    while (yawDegrees > 180.0f) {
        yawDegrees -= 360.0f;
    }
    return yawDegrees;
}

void Orbit(CCamera& camera, CameraControl& control, float dx, float dy) {
    control.pitch = ClampPitch(control.pitch - dy * kOrbitDegreesPerPixel);
    control.yaw = WrapYaw(control.yaw - dx * kOrbitDegreesPerPixel);
    camera.angleDegrees = control.yaw;
    const float distance = Length(camera.eye - camera.target);
    camera.eye = camera.target + OrbitDirection(control.pitch, control.yaw) * distance;
}

void Pan(CCamera& camera, const Vec3& previousGround, const Vec3& latestGround) {
    const float dx = previousGround.x - latestGround.x;
    const float dy = previousGround.y - latestGround.y;
    camera.eye.x += dx;
    camera.eye.y += dy;
    camera.target.x += dx;
    camera.target.y += dy;
}

void Zoom(CCamera& camera, CameraControl& control, int wheelDelta) {
    const float minZoom = std::sqrt(std::sqrt(kMinEyeDistance));
    control.zoom = std::max(control.zoom - static_cast<float>(wheelDelta) * kZoomPerWheelUnit, minZoom);
    Vec3 direction = Normalize(camera.eye - camera.target);
    if (Length(direction) == 0.0f) {
        direction = OrbitDirection(control.pitch, control.yaw);
    }
    camera.eye = camera.target + direction * FourthPower(control.zoom);
}

void ApplyViewPresets(CameraControl& control, ViewPresets presets) {
    if (presets.horizontal) {
        control.pitch = kHorizontalViewPitch;
    }
    if (presets.vertical) {
        control.pitch = kVerticalViewPitch;
    }
}

void PlaceEyeOnOrbit(CCamera& camera, const CameraControl& control) {
    const float distance = std::max(Length(camera.eye - camera.target), kMinEyeDistance);
    camera.eye = camera.target + OrbitDirection(control.pitch, control.yaw) * distance;
}

void FollowGround(CCamera& camera, CameraControl& control, float groundHeight, ViewPresets presets) {
    // The distance is taken before the target moves: over hills it would
    // otherwise drift away from what the wheel set.
    const float distance = std::max(Length(camera.eye - camera.target), kMinEyeDistance);
    camera.target.z = groundHeight;
    ApplyViewPresets(control, presets);
    camera.angleDegrees = control.yaw;
    camera.eye = camera.target + OrbitDirection(control.pitch, control.yaw) * distance;
}

void CCameraGlide::Start(const CCamera& camera, const CameraControl& control, const Vec3& target,
                         const CameraControl& to, double nowSeconds) {
    active_ = true;
    start_ = nowSeconds;
    fromTarget_ = camera.target;
    toTarget_ = target;
    from_ = control;
    to_ = to;
    to_.pitch = ClampPitch(to.pitch);
    // The yaw turns the short way round.
    to_.yaw = from_.yaw + WrapYaw(WrapYaw(to.yaw) - WrapYaw(from_.yaw));
}

bool CCameraGlide::Step(CCamera& camera, CameraControl& control, double nowSeconds) {
    if (!active_) {
        return false;
    }
    const double progress = std::clamp((nowSeconds - start_) / kSeconds, 0.0, 1.0);
    // Eased in and out: the camera leaves and arrives without a jolt.
    const auto t = static_cast<float>(progress * progress * (3.0 - 2.0 * progress));
    const auto mix = [t](float a, float b) { return a + (b - a) * t; };
    camera.target = fromTarget_ + (toTarget_ - fromTarget_) * t;
    control.yaw = WrapYaw(mix(from_.yaw, to_.yaw));
    control.pitch = ClampPitch(mix(from_.pitch, to_.pitch));
    control.zoom = mix(from_.zoom, to_.zoom);
    const float distance = std::max(FourthPower(control.zoom), kMinEyeDistance);
    camera.eye = camera.target + OrbitDirection(control.pitch, control.yaw) * distance;
    active_ = progress < 1.0;
    return active_;
}

} // namespace quorvane
