#pragma once

#include "render/camera.h"

namespace quorvane {

// The orbit values the camera record does not hold: the eye sits zoom^4 from
// the target (the wheel sets it), pitch degrees from straight down (90 is
// level), turned yaw degrees around the target.
struct CameraControl {
    float zoom = 1.0f;
    float pitch = 30.0f;
    float yaw = 0.0f;
};

inline constexpr float kMinPitch = 0.00001f;
inline constexpr float kMaxPitch = 90.0f;
inline constexpr float kHorizontalViewPitch = 89.9f;
inline constexpr float kVerticalViewPitch = 0.0001f;
inline constexpr float kOrbitDegreesPerPixel = 0.2f;
inline constexpr float kZoomPerWheelUnit = 0.001f;
// Closer than this the view direction is lost to rounding and the picture
// degenerates for good.
inline constexpr float kMinEyeDistance = 0.1f;

// Unit vector from the target towards the eye.
Vec3 OrbitDirection(float pitchDegrees, float yawDegrees);
float ClampPitch(float pitchDegrees);
// Into -180..180.
float WrapYaw(float yawDegrees);

// A drag of (dx, dy) pixels turns the eye around the target at its distance.
void Orbit(CCamera& camera, CameraControl& control, float dx, float dy);

// Eye and target move in x and y by previous - latest, the ground points under
// the previous and the latest mouse point, so that ground stays under the mouse.
void Pan(CCamera& camera, const Vec3& previousGround, const Vec3& latestGround);

// One wheel turn (120 per notch, forward zooms in): the eye keeps its
// direction at zoom^4 from the target, never nearer than kMinEyeDistance.
void Zoom(CCamera& camera, CameraControl& control, int wheelDelta);

// The fixed view angles of the two check boxes; vertical wins when both are on.
struct ViewPresets {
    bool horizontal = false;
    bool vertical = false;
};
void ApplyViewPresets(CameraControl& control, ViewPresets presets);

// Puts the eye on the orbit direction at its current distance, at least kMinEyeDistance.
void PlaceEyeOnOrbit(CCamera& camera, const CameraControl& control);

// The free camera of one frame: the target sits on the ground height, the
// presets fix the pitch and the eye follows on its orbit at the same distance.
void FollowGround(CCamera& camera, CameraControl& control, float groundHeight, ViewPresets presets);

// A short glide of the free camera to a kept view: the target, the yaw
// (the short way round), the pitch and the zoom ease from where they were,
// and the eye follows on the orbit at zoom^4 from the target.
class CCameraGlide {
public:
    static constexpr double kSeconds = 0.4;

    void Start(const CCamera& camera, const CameraControl& control, const Vec3& target,
               const CameraControl& to, double nowSeconds);
    // Moves camera and control to where the glide is at nowSeconds; false,
    // and the glide over, once it has arrived.
    bool Step(CCamera& camera, CameraControl& control, double nowSeconds);
    bool Active() const { return active_; }

private:
    bool active_ = false;
    double start_ = 0.0;
    Vec3 fromTarget_;
    Vec3 toTarget_;
    CameraControl from_;
    CameraControl to_;
};

} // namespace quorvane
