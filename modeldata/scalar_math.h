#pragma once

#include <concepts>
#include <cstdint>
#include <numbers>

namespace quorvane {

// Exact pi, for new maths.
template <std::floating_point T> inline constexpr T kPi = std::numbers::pi_v<T>;

// Pi as five digits. The stored camera and rotation figures of the field were
// made with this value, so the code that must reproduce them uses it by name.
inline constexpr float kPiFiveDigits = 3.14159f;

template <std::floating_point T> constexpr T DegreesToRadians(T degrees) {
    return degrees * kPi<T> / T(180);
}

// Degrees to radians the way the stored figures were computed (pi as 3.14159).
constexpr float DegreesToRadiansFiveDigits(float degrees) {
    return degrees / 360.0f * 2.0f * kPiFiveDigits;
}

// value rounded up to a multiple of alignment; alignments 0 and 1 leave it as it is.
template <std::unsigned_integral T> constexpr T AlignUp(T value, T alignment) {
    return alignment <= 1 ? value : (value + alignment - 1) / alignment * alignment;
}

} // namespace quorvane
