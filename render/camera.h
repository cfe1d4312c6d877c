#pragma once

#include "render/matrix.h"

#include <array>
#include <cstddef>
#include <optional>

namespace quorvane {

// The camera record of one 3D view. Orbit and distance controls live with the
// editor; this holds what the frame constants and screen mappings need.
struct CCamera {
    Matrix4 view;
    Matrix4 projection;
    // The render image's size, as the last frame constants were built for.
    int width = 1920;
    int height = 1080;
    float aspect = 0.5625f;
    float fovDegrees = 45.0f;
    float targetLift = 0.0f;
    float angleDegrees = -90.0f;
    Vec3 light{};
    float lightIntensity = 1.0f;
    Vec3 lightTarget{};
    Vec3 target{};
    Vec3 eye{};
};

// Byte offsets of the 960-byte frame uniform block.
namespace frame_offset {
inline constexpr size_t kView = 0;
inline constexpr size_t kProjection = 64;
inline constexpr size_t kLightView = 128;
inline constexpr size_t kCascade0 = 192;
inline constexpr size_t kCascade1 = 256;
inline constexpr size_t kCascade2 = 320;
inline constexpr size_t kLightColors = 384;
inline constexpr size_t kLightPositions = 640;
inline constexpr size_t kEye = 896;
inline constexpr size_t kTarget = 912;
inline constexpr size_t kPassValues = 928;
inline constexpr size_t kAnimationPhases = 944;
} // namespace frame_offset

// The per-frame constants as the shaders read them: floats, matrices transposed.
struct FrameConstantsBlock {
    static constexpr size_t kBytes = 960;
    std::array<float, kBytes / sizeof(float)> values{};

    // Stores m transposed at a byte offset.
    void SetMatrix(size_t byteOffset, const Matrix4& m);
    void SetVec4(size_t byteOffset, const Vec4& v);
    Vec4 GetVec4(size_t byteOffset) const;
    float At(size_t byteOffset) const { return values[byteOffset / sizeof(float)]; }
    const void* Data() const { return values.data(); }
};
static_assert(sizeof(FrameConstantsBlock) == FrameConstantsBlock::kBytes);

// The camera's vertical-field-of-view factor cot(fov / 2), with pi as 3.14159.
float ProjectionFactor(float fovDegrees);
Matrix4 CameraView(const CCamera& camera, bool withTargetLift);
Matrix4 RenderProjection(const CCamera& camera);
// Fixed shadow cascade projection (0..2), in its stored (transposed) form.
Matrix4 StoredCascadeProjection(int cascade);

// Fills camera.view / camera.projection, takes the device's size and writes
// the whole block.
void BuildCameraAndFrameConstants(CCamera& camera, int deviceWidth, int deviceHeight,
                                  FrameConstantsBlock& block);

struct ScreenPoint {
    float x = 0;
    float y = 0;
};

// A world point in pixels of the render image (camera.width x camera.height)
// and of the 2D overlay. Empty when the point lies on the eye plane.
std::optional<ScreenPoint> ProjectToScreen(const CCamera& camera, const Vec3& point);

// A world point in pixels of a client area of the given size, as ViewRayUnder
// takes them. Empty when it lies on or behind the eye plane, or for no area.
std::optional<ScreenPoint> ProjectToClient(const CCamera& camera, int clientWidth, int clientHeight,
                                           const Vec3& point);

// The line of sight under a pixel of a client area of the given size, from
// the near plane to the far plane. Empty for a degenerate camera.
struct ViewRay {
    Vec3 nearPoint;
    Vec3 farPoint;
};
std::optional<ViewRay> ViewRayUnder(const CCamera& camera, int clientWidth, int clientHeight, float pixelX,
                                    float pixelY);

// The point on z = 0 under a pixel of a client area of the given size. Empty
// for a degenerate camera, a ray parallel to the ground, or ground behind the eye.
std::optional<Vec4> PickGround(const CCamera& camera, int clientWidth, int clientHeight, float pixelX,
                               float pixelY);

} // namespace quorvane
