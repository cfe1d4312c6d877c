#pragma once

#include "editor/vector4.h"
#include "render/camera.h"

namespace quorvane {

// The orbit values the camera record does not hold: the eye sits zoom^4 from
// the target, pitch degrees from straight down, turned yaw degrees around it.
struct FieldCameraControl {
    float zoom = 3.0f;
    float pitch = 20.0f;
    float yaw = -90.0f;
};

// The camera as the field view opens: looking at the origin from 81 units,
// light at (1, -1, -1) with intensity 0.8.
void PlaceStartCamera(CCamera& camera, FieldCameraControl& control);

// One wheel turn (120 per notch): forward zooms in, the eye keeps its direction
// and stays at least 0.1 from the target.
void ApplyWheelZoom(CCamera& camera, FieldCameraControl& control, int wheelDelta);

// The camera and client size a ground pick needs, as the render thread last set them.
struct FieldCameraView {
    CCamera camera;
    int clientWidth = 0;
    int clientHeight = 0;
};

// The point on z = 0 under a client pixel; where the ray misses the ground,
// the point of the ground under the camera target.
Vector4 GroundPointUnder(const FieldCameraView& view, float pixelX, float pixelY);

} // namespace quorvane
