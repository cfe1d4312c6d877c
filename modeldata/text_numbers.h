#pragma once

#include <cstdint>
#include <limits>
#include <string_view>

namespace quorvane {

// Number reading with the C library's atoi/atof rules, independent of the
// process locale: leading blanks skipped, optional sign, conversion stops at
// the first character that does not fit, 0 when nothing converts.
// Integers saturate at the int32 range instead of overflowing.
int32_t ParseIntLikeAtoi(std::string_view text);
double ParseDoubleLikeAtof(std::string_view text);

// Trims leading and trailing blanks and tabs (and a CR at the end).
std::string_view TrimBlanks(std::string_view text);

} // namespace quorvane

namespace quorvane {

// atof into a float: values beyond the float range become infinities instead
// of an undefined conversion.
inline float NarrowToFloat(double value) {
    constexpr double kMax = 3.4028234663852886e38;
    if (value > kMax) {
        return std::numeric_limits<float>::infinity();
    }
    if (value < -kMax) {
        return -std::numeric_limits<float>::infinity();
    }
    return static_cast<float>(value);
}

inline float ParseFloatLikeAtof(std::string_view text) {
    return NarrowToFloat(ParseDoubleLikeAtof(text));
}

} // namespace quorvane
