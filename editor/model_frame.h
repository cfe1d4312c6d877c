#pragma once

#include "editor/model_entry.h"

#include <array>
#include <optional>

namespace quorvane {

// A copy's model-to-world mapping, built as the renderer builds its world
// matrix for row vectors: world = local × (scale × Rx × Ry × Rz) + position,
// angles in degrees (π as five digits, like the renderer).
class CModelFrame {
public:
    // nullopt when the mapping has no finite inverse: a zero or non-finite
    // scale component, or a non-finite angle or position.
    static std::optional<CModelFrame> Of(const CModelTransform& transform);

    Vector4 PointToWorld(const Vector4& local) const;
    Vector4 PointToLocal(const Vector4& world) const;
    Vector4 DirectionToLocal(const Vector4& world) const;

private:
    CModelFrame() = default;

    // Row j is where the rotation takes local axis j; the rows are orthonormal,
    // so the inverse rotation is a dot product with each row.
    std::array<std::array<float, 3>, 3> rotation_{};
    std::array<float, 3> scale_{};
    std::array<float, 3> position_{};
};

} // namespace quorvane
