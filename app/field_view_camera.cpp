#include "app/field_view_camera.h"

#include "modeldata/scalar_math.h"

#include <algorithm>
#include <cmath>

namespace quorvane {
namespace {

constexpr float kStartZoom = 3.0f;
constexpr float kWheelZoomStep = 0.001f;
constexpr float kMinEyeDistance = 0.1f;

float FourthPower(float value) {
    return value * value * value * value;
}

// Unit vector from the target towards the eye for a pitch and yaw.
Vec3 OrbitDirection(float pitchDegrees, float yawDegrees) {
    const float pitch = DegreesToRadiansFiveDigits(pitchDegrees);
    const float yaw = DegreesToRadiansFiveDigits(yawDegrees);
    return {std::cos(yaw) * std::sin(pitch), std::sin(yaw) * std::sin(pitch), std::cos(pitch)};
}

} // namespace

void PlaceStartCamera(CCamera& camera, FieldCameraControl& control) {
    control = FieldCameraControl{kStartZoom, 20.0f, -90.0f};
    camera.target = {0, 0, 0};
    camera.eye = {0, 0, 1};
    camera.angleDegrees = control.yaw;
    camera.light = {1, -1, -1};
    camera.lightIntensity = 0.8f;
    camera.lightTarget = {0, 0, 0};
    camera.eye = camera.target + Normalize(camera.eye - camera.target) * FourthPower(control.zoom);
    const float distance = Length(camera.eye - camera.target);
    camera.eye = camera.target + OrbitDirection(control.pitch, control.yaw) * distance;
}

void ApplyWheelZoom(CCamera& camera, FieldCameraControl& control, int wheelDelta) {
    // The eye keeps a tenth of a unit from the target: closer, the view
    // direction is lost to rounding and the picture degenerates for good.
    const float minZoom = std::sqrt(std::sqrt(kMinEyeDistance));
    control.zoom = std::max(control.zoom - static_cast<float>(wheelDelta) * kWheelZoomStep, minZoom);
    Vec3 direction = Normalize(camera.eye - camera.target);
    if (Length(direction) == 0.0f) {
        direction = OrbitDirection(control.pitch, control.yaw);
    }
    camera.eye = camera.target + direction * FourthPower(control.zoom);
}

Vector4 GroundPointUnder(const FieldCameraView& view, float pixelX, float pixelY) {
    if (const auto point = PickGround(view.camera, view.clientWidth, view.clientHeight, pixelX, pixelY)) {
        return {point->x, point->y, 0.0f, point->w};
    }
    return {view.camera.target.x, view.camera.target.y, 0.0f, 1.0f};
}

} // namespace quorvane
