#pragma once

#include "editor/vector4.h"

#include <cstdint>

namespace quorvane {

// Brings an angle in degrees into -180..180: first down while above 180, then up while below -180.
float WrapAngle(float degrees);

// The classic 15-bit linear congruential generator, so that a run of placements
// draws the same scales and rotations on every platform.
class CPlacementRandom {
public:
    static constexpr uint32_t kDefaultSeed = 1234;

    explicit CPlacementRandom(uint32_t seed = kDefaultSeed) : state_(seed) {}

    // 0..32767
    int Next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFFu);
    }

private:
    uint32_t state_;
};

// The ranges typed into the six numeric fields.
struct RandomRanges {
    Vector4 scale;
    Vector4 rotation;
};

struct CursorDraw {
    Vector4 scale;
    Vector4 rotation;
};

// Scale and rotation of the next cursor: one draw gives a factor shared by the
// three scale axes (clamped to at least 0.01), three more the angles (wrapped).
// With every range at 0 the result is exactly the base values.
CursorDraw DrawNextCursor(CPlacementRandom& random, const RandomRanges& ranges, const Vector4& baseScale,
                          const Vector4& baseRotation);

} // namespace quorvane
