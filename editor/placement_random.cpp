#include "editor/placement_random.h"

#include <algorithm>
#include <cmath>

namespace quorvane {

float WrapAngle(float degrees) {
    if (!std::isfinite(degrees)) {
        return degrees; // the loops below would never end
    }
    if (std::fabs(degrees) > 3600.0f) {
        // Far out, a step of 360 is lost in rounding; bring it near first.
        degrees = std::fmod(degrees, 360.0f);
    }
    while (degrees > 180.0f) {
        degrees -= 360.0f;
    }
    while (degrees < -180.0f) {
        degrees += 360.0f;
    }
    return degrees;
}

CursorDraw DrawNextCursor(CPlacementRandom& random, const RandomRanges& ranges, const Vector4& baseScale,
                          const Vector4& baseRotation) {
    constexpr float kMinimumScale = 0.01f;
    CursorDraw next;
    const float factor = static_cast<float>(random.Next() % 100000 - 9000) / 10000.0f;
    next.scale = baseScale;
    next.scale.x = std::max(factor * ranges.scale.x + baseScale.x, kMinimumScale);
    next.scale.y = std::max(factor * ranges.scale.y + baseScale.y, kMinimumScale);
    next.scale.z = std::max(factor * ranges.scale.z + baseScale.z, kMinimumScale);

    const auto angle = [&random] { return static_cast<float>(random.Next() % 10000) * 360.0f / 10000.0f; };
    next.rotation = baseRotation;
    next.rotation.x = WrapAngle(angle() * ranges.rotation.x + baseRotation.x);
    next.rotation.y = WrapAngle(angle() * ranges.rotation.y + baseRotation.y);
    next.rotation.z = WrapAngle(angle() * ranges.rotation.z + baseRotation.z);
    return next;
}

} // namespace quorvane
