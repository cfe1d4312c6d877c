#include "render/camera.h"

#include "modeldata/scalar_math.h"

#include <cmath>
#include <cstring>

namespace quorvane {
namespace {

constexpr float kMappingNear = 0.1f;
constexpr float kMappingFar = 10000.0f;
constexpr float kRenderDepthScale = 3000.0f / 2999.0f;
constexpr Vec3 kUp{0, 0, 1};

Matrix4 MirrorX() {
    return Diagonal(-1, 1, 1, 1);
}

Matrix4 MappingViewProjection(const CCamera& camera) {
    return Multiply(CameraView(camera, false), Perspective(ProjectionFactor(camera.fovDegrees), camera.aspect,
                                                           kMappingNear, kMappingFar));
}

} // namespace

void FrameConstantsBlock::SetMatrix(size_t byteOffset, const Matrix4& m) {
    const Matrix4 t = Transpose(m);
    std::memcpy(&values[byteOffset / sizeof(float)], t.m.data(), sizeof(t.m));
}

void FrameConstantsBlock::SetVec4(size_t byteOffset, const Vec4& v) {
    float* at = &values[byteOffset / sizeof(float)];
    at[0] = v.x, at[1] = v.y, at[2] = v.z, at[3] = v.w;
}

Vec4 FrameConstantsBlock::GetVec4(size_t byteOffset) const {
    const float* at = &values[byteOffset / sizeof(float)];
    return {at[0], at[1], at[2], at[3]};
}

float ProjectionFactor(float fovDegrees) {
    const float half = fovDegrees * kPiFiveDigits / 360.0f;
    return std::cos(half) / std::sin(half);
}

Matrix4 CameraView(const CCamera& camera, bool withTargetLift) {
    Vec3 direction = camera.target - camera.eye;
    if (withTargetLift) {
        direction.z += camera.targetLift;
    }
    return Multiply(LookTo(camera.eye, direction, kUp), MirrorX());
}

Matrix4 RenderProjection(const CCamera& camera) {
    const float c = ProjectionFactor(camera.fovDegrees);
    Matrix4 p;
    p(0, 0) = c / camera.aspect;
    p(1, 1) = c;
    p(2, 2) = kRenderDepthScale;
    p(2, 3) = 1;
    p(3, 2) = -kRenderDepthScale;
    return p;
}

Matrix4 StoredCascadeProjection(int cascade) {
    static constexpr float kScale[3] = {0.02f, 1.0f / 150.0f, 0.002f};
    static constexpr float kDepth[3] = {1.0f / 300.0f, 1.0f / 900.0f, 1.0f / 1900.0f};
    static constexpr float kOffset[3] = {-1.0f / 3.0f, -1.0f / 9.0f, -1.0f / 19.0f};
    Matrix4 m;
    m(0, 0) = kScale[cascade];
    m(1, 1) = kScale[cascade];
    m(2, 2) = kDepth[cascade];
    m(2, 3) = kOffset[cascade];
    m(3, 3) = 1;
    return m;
}

void BuildCameraAndFrameConstants(CCamera& camera, int deviceWidth, int deviceHeight,
                                  FrameConstantsBlock& block) {
    using namespace frame_offset;
    const Matrix4 lightView =
        Multiply(LookTo(camera.light, camera.lightTarget - camera.light, kUp), MirrorX());
    camera.width = deviceWidth;
    camera.height = deviceHeight;
    camera.view = CameraView(camera, true);
    camera.projection = RenderProjection(camera);

    block.SetMatrix(kView, camera.view);
    block.SetMatrix(kProjection, camera.projection);
    block.SetMatrix(kLightView, lightView);
    // The cascades are stored as given; SetMatrix would transpose them again.
    for (int c = 0; c < 3; ++c) {
        const Matrix4 stored = StoredCascadeProjection(c);
        std::memcpy(&block.values[(kCascade0 + 64 * static_cast<size_t>(c)) / sizeof(float)], stored.m.data(),
                    sizeof(stored.m));
    }
    for (size_t i = 0; i < 16; ++i) {
        block.SetVec4(kLightColors + 16 * i, {});
        block.SetVec4(kLightPositions + 16 * i, {});
    }
    block.SetVec4(kLightColors, {1, 1, 1, camera.lightIntensity});
    block.SetVec4(kLightPositions, {camera.light.x, camera.light.y, camera.light.z, 0});
    block.SetVec4(kTarget, {camera.target.x, camera.target.y, camera.target.z, 0});
    block.SetVec4(kPassValues, {0, static_cast<float>(deviceWidth), static_cast<float>(deviceHeight), 0});
}

std::optional<ScreenPoint> ProjectToScreen(const CCamera& camera, const Vec3& point) {
    const Vec4 clip = Transform({point.x, point.y, point.z, 1}, MappingViewProjection(camera));
    if (clip.w == 0.0f) {
        return std::nullopt;
    }
    const float ndcX = clip.x / clip.w;
    const float ndcY = clip.y / clip.w;
    return ScreenPoint{(ndcX + 1.0f) * static_cast<float>(camera.width) / 2.0f,
                       (1.0f - ndcY) * static_cast<float>(camera.height) / 2.0f};
}

std::optional<ScreenPoint> ProjectToClient(const CCamera& camera, int clientWidth, int clientHeight,
                                           const Vec3& point) {
    const Vec4 clip = Transform({point.x, point.y, point.z, 1}, MappingViewProjection(camera));
    if (clip.w <= 0.0f || clientWidth <= 0 || clientHeight <= 0) {
        return std::nullopt;
    }
    return ScreenPoint{(clip.x / clip.w + 1.0f) * static_cast<float>(clientWidth) / 2.0f,
                       (1.0f - clip.y / clip.w) * static_cast<float>(clientHeight) / 2.0f};
}

std::optional<ViewRay> ViewRayUnder(const CCamera& camera, int clientWidth, int clientHeight, float pixelX,
                                    float pixelY) {
    if (clientWidth <= 0 || clientHeight <= 0 || Length(camera.target - camera.eye) == 0.0f) {
        return std::nullopt;
    }
    // The ground is drawn without a world transform, so the ray is unprojected
    // with none; anything else would miss the point under the cursor.
    Matrix4 inverse;
    if (!Inverse(MappingViewProjection(camera), inverse)) {
        return std::nullopt;
    }
    const float ndcX = pixelX * 2.0f / static_cast<float>(clientWidth) - 1.0f;
    const float ndcY = 1.0f - pixelY * 2.0f / static_cast<float>(clientHeight);
    auto unproject = [&](float depth) -> std::optional<Vec3> {
        const Vec4 p = Transform({ndcX, ndcY, depth, 1}, inverse);
        if (p.w == 0.0f) {
            return std::nullopt;
        }
        return Vec3{p.x / p.w, p.y / p.w, p.z / p.w};
    };
    const std::optional<Vec3> p0 = unproject(-1.0f);
    const std::optional<Vec3> p1 = unproject(1.0f);
    if (!p0 || !p1) {
        return std::nullopt;
    }
    return ViewRay{*p0, *p1};
}

std::optional<Vec4> PickGround(const CCamera& camera, int clientWidth, int clientHeight, float pixelX,
                               float pixelY) {
    const std::optional<ViewRay> ray = ViewRayUnder(camera, clientWidth, clientHeight, pixelX, pixelY);
    if (!ray) {
        return std::nullopt;
    }
    const Vec3* p0 = &ray->nearPoint;
    const Vec3* p1 = &ray->farPoint;
    const float rise = p0->z - p1->z;
    const Vec3 segment = *p1 - *p0;
    const float length = Length(segment);
    // A slope this flat meets the ground far past the far plane, if at all.
    if (length == 0.0f || std::fabs(rise) <= 1e-4f * length) {
        return std::nullopt;
    }
    const float t = length * p0->z / rise;
    if (t < 0.0f) {
        return std::nullopt; // the ground lies behind the eye
    }
    const Vec3 hit = *p0 + Normalize(segment) * t;
    return Vec4{hit.x, hit.y, 0.0f, 1.0f};
}

} // namespace quorvane
