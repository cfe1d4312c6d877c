#pragma once

#include "editor/main_field.h"
#include "editor/vector4.h"
#include "render/camera.h"
#include "render/camera_control.h"

#include <optional>

namespace quorvane {

// The camera as the field view opens: looking at the origin from 81 units
// (zoom 3), 20 degrees from straight down, from the -y side; light at
// (1, -1, -1) with intensity 0.8.
void PlaceStartCamera(CCamera& camera, CameraControl& control);

// The camera and client size a ground pick needs, as the render thread last set them.
struct FieldCameraView {
    CCamera camera;
    int clientWidth = 0;
    int clientHeight = 0;
};

// The point on z = 0 under a client pixel, if the ray through it meets the ground.
std::optional<Vector4> GroundHit(const FieldCameraView& view, PixelPoint client);

// The point on z = 0 under a client pixel; where the ray misses the ground,
// the point of the ground under the camera target.
Vector4 GroundPointUnder(const FieldCameraView& view, float pixelX, float pixelY);

// Turns the editing core's mouse state into camera drags, one step per frame
// in which the mouse moved: the right button orbits, else the left pans
// (unless its press may select, when its drag draws a selection rectangle).
// Render thread only.
class CFieldCameraDrag {
public:
    // True when the camera moved. view.camera is the camera to move.
    bool Step(FieldCameraView& view, CameraControl& control, const InputState& input);

private:
    PixelPoint lastPoint_;        // screen point of the last camera step
    PixelPoint seenButtonScreen_; // the press the last step knew of
    bool seenLeft_ = false;
    bool seenRight_ = false;
};

} // namespace quorvane
