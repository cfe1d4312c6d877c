#include "editor/model_frame.h"

#include "editor/rotation_matrix.h"

#include <cmath>

namespace quorvane {
namespace {

bool IsFinite(const Vector4& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

} // namespace

std::optional<CModelFrame> CModelFrame::Of(const CModelTransform& transform) {
    const Vector4& s = transform.scale;
    if (!IsFinite(s) || !IsFinite(transform.rotation) || !IsFinite(transform.position)) {
        return std::nullopt;
    }
    // A scale too small to divide by is as flat as zero.
    for (const float component : {s.x, s.y, s.z}) {
        if (!std::isfinite(1.0f / component)) {
            return std::nullopt;
        }
    }
    CModelFrame frame;
    frame.rotation_ = RotationOfAngles(transform.rotation);
    frame.scale_ = {s.x, s.y, s.z};
    frame.position_ = {transform.position.x, transform.position.y, transform.position.z};
    return frame;
}

Vector4 CModelFrame::PointToWorld(const Vector4& local) const {
    const std::array<float, 3> scaled{local.x * scale_[0], local.y * scale_[1], local.z * scale_[2]};
    std::array<float, 3> world = position_;
    for (size_t j = 0; j < 3; ++j) {
        for (size_t i = 0; i < 3; ++i) {
            world[j] += scaled[i] * rotation_[i][j];
        }
    }
    return {world[0], world[1], world[2], 1.0f};
}

Vector4 CModelFrame::DirectionToLocal(const Vector4& world) const {
    std::array<float, 3> local{};
    for (size_t i = 0; i < 3; ++i) {
        const auto& row = rotation_[i];
        local[i] = (world.x * row[0] + world.y * row[1] + world.z * row[2]) / scale_[i];
    }
    return {local[0], local[1], local[2], 0.0f};
}

Vector4 CModelFrame::PointToLocal(const Vector4& world) const {
    Vector4 local =
        DirectionToLocal({world.x - position_[0], world.y - position_[1], world.z - position_[2], 0.0f});
    local.w = 1.0f;
    return local;
}

} // namespace quorvane
