#pragma once

#include "render/camera.h"

namespace quorvane {

// The model viewer's orbit: the camera circles its target at a fixed height
// ratio. The yaw is the camera's angleDegrees; the eye lies at distance^1.2
// from the target.
struct ViewerOrbit {
    static constexpr float kElevationDegrees = 70.0f;
    static constexpr double kMinimumDistance = 0.0001;

    double distance = 1.0;
    float elevationDegrees = kElevationDegrees;
};

// The start-up camera of the viewer: square aspect, 45 degrees, yaw -90, the
// eye at (0, 50, 50) looking at the origin.
void ResetViewerCamera(CCamera& camera, ViewerOrbit& orbit);
// The viewer's light: from (100, -100, -100) at 0.7 towards the origin.
void SetViewerLight(CCamera& camera);
// Eye = target + d * distance^1.2, d the unit vector from the target to the
// old eye (zero stays zero).
void PlaceEyeAtDistance(CCamera& camera, double distance);
// Fits the camera to a model's bounding sphere: target = centre, distance =
// max(2 * radius, 0.1), elevation 70.
void FitViewerCamera(CCamera& camera, ViewerOrbit& orbit, const Vec3& centre, float radius);
// Puts the eye on the orbit at the camera's yaw, keeping its distance.
void PlaceEyeOnOrbit(CCamera& camera, const ViewerOrbit& orbit);
// One frame of the orbit: yaw += 1 degree (wrapping past 180), then the eye.
void OrbitViewerCamera(CCamera& camera, const ViewerOrbit& orbit);
// Wheel zoom: delta is 120 per notch, forward positive. Keeps the distance
// at or above the minimum.
void ZoomViewerCamera(CCamera& camera, ViewerOrbit& orbit, int wheelDelta);

} // namespace quorvane
