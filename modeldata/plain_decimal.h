#pragma once

#include <cstdint>

namespace quorvane {

// Reads a plain decimal ("12", "-0.375": optional '-', digits, optional
// fraction, at most 19 digits, no exponent) at p. Such a number is an exact
// 64-bit integer over an exact power of ten, so one division rounds exactly as
// strtod does. On success p moves past it; the caller checks what follows and
// hands anything else to the general atof reader.
inline bool TryPlainDecimal(const char*& p, const char* end, double& value) {
    static constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,
                                              1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19};
    const char* q = p;
    const bool negative = q < end && *q == '-';
    q += negative ? 1 : 0;
    uint64_t mantissa = 0;
    int digits = 0;
    int fractionDigits = 0;
    while (q < end && static_cast<unsigned>(*q - '0') < 10 && digits < 20) {
        mantissa = mantissa * 10 + static_cast<unsigned>(*q - '0');
        ++digits;
        ++q;
    }
    if (q < end && *q == '.') {
        ++q;
        while (q < end && static_cast<unsigned>(*q - '0') < 10 && digits < 20) {
            mantissa = mantissa * 10 + static_cast<unsigned>(*q - '0');
            ++digits;
            ++fractionDigits;
            ++q;
        }
    }
    if (digits == 0 || digits > 19 || mantissa > (uint64_t{1} << 53)) {
        return false;
    }
    const double magnitude = static_cast<double>(mantissa) / kPowersOfTen[fractionDigits];
    value = negative ? -magnitude : magnitude;
    p = q;
    return true;
}

} // namespace quorvane
