#include "app/field_view_camera.h"

namespace quorvane {
namespace {

constexpr float kStartZoom = 3.0f;
constexpr float kStartPitch = 20.0f;
constexpr float kStartYaw = -90.0f;

} // namespace

void PlaceStartCamera(CCamera& camera, CameraControl& control) {
    control = CameraControl{kStartZoom, kStartPitch, kStartYaw};
    camera.target = {0, 0, 0};
    camera.eye = {0, 0, 1};
    camera.angleDegrees = control.yaw;
    camera.light = {1, -1, -1};
    camera.lightIntensity = 0.8f;
    camera.lightTarget = {0, 0, 0};
    Zoom(camera, control, 0); // zoom^4 along the present direction
    PlaceEyeOnOrbit(camera, control);
}

std::optional<Vector4> GroundHit(const FieldCameraView& view, PixelPoint client) {
    const auto point = PickGround(view.camera, view.clientWidth, view.clientHeight,
                                  static_cast<float>(client.x), static_cast<float>(client.y));
    if (!point) {
        return std::nullopt;
    }
    return Vector4{point->x, point->y, 0.0f, point->w};
}

Vector4 GroundPointUnder(const FieldCameraView& view, float pixelX, float pixelY) {
    if (const auto point = PickGround(view.camera, view.clientWidth, view.clientHeight, pixelX, pixelY)) {
        return {point->x, point->y, 0.0f, point->w};
    }
    return {view.camera.target.x, view.camera.target.y, 0.0f, 1.0f};
}

bool CFieldCameraDrag::Step(FieldCameraView& view, CameraControl& control, const InputState& input) {
    // A new press starts the drag at the pressed point; between frames the
    // drag goes on from where the last step left it.
    const bool newPress = input.buttonScreen != seenButtonScreen_ || (input.leftHeld && !seenLeft_) ||
                          (input.rightHeld && !seenRight_);
    if (newPress) {
        lastPoint_ = input.buttonScreen;
    }
    seenButtonScreen_ = input.buttonScreen;
    seenLeft_ = input.leftHeld;
    seenRight_ = input.rightHeld;

    bool moved = false;
    CCamera& camera = view.camera;
    if (input.rightHeld) {
        Orbit(camera, control, static_cast<float>(input.latestScreen.x - lastPoint_.x),
              static_cast<float>(input.latestScreen.y - lastPoint_.y));
        moved = true;
    } else if (input.leftHeld && !input.leftSelects) { // a drag from a selecting press draws a rectangle
        // Screen points back to client points: the ground pick works in the client area.
        const PixelPoint origin{input.latestScreen.x - input.mouseClient.x,
                                input.latestScreen.y - input.mouseClient.y};
        const PixelPoint previousClient{lastPoint_.x - origin.x, lastPoint_.y - origin.y};
        const auto previous = GroundHit(view, previousClient);
        const auto latest = GroundHit(view, input.mouseClient);
        // Either ray in the sky: no ground to hold under the mouse, so no jump.
        if (previous && latest) {
            Pan(camera, {previous->x, previous->y, 0.0f}, {latest->x, latest->y, 0.0f});
            moved = true;
        }
    }
    lastPoint_ = input.latestScreen;
    return moved;
}

} // namespace quorvane
