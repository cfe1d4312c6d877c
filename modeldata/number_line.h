#pragma once

#include "modeldata/plain_decimal.h"
#include "modeldata/text_numbers.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quorvane {

// Number lines hold numbers separated by spaces (a line feed also separates).
// These walk such a line once, converting plain decimals on the spot and
// handing anything else (exponents, junk after digits) to the atof/atoi
// helpers, so the result is the same as splitting first and converting each
// token. They stop after maxCount numbers.

namespace number_line_detail {

inline bool IsSeparator(char c) {
    return c == ' ' || c == '\n';
}

inline const char* SkipSeparators(const char* p, const char* end) {
    while (p < end && IsSeparator(*p)) {
        ++p;
    }
    return p;
}

inline const char* TokenEnd(const char* p, const char* end) {
    while (p < end && !IsSeparator(*p)) {
        ++p;
    }
    return p;
}

} // namespace number_line_detail

// emit(double) for each number, atof rules.
template <typename Emit> size_t ForEachDoubleOnLine(std::string_view line, size_t maxCount, Emit&& emit) {
    using namespace number_line_detail;
    const char* p = line.data();
    const char* end = p + line.size();
    size_t count = 0;
    while (count < maxCount) {
        p = SkipSeparators(p, end);
        if (p == end) {
            break;
        }
        const char* start = p;
        const char* q = p;
        double value = 0.0;
        if (TryPlainDecimal(q, end, value) && (q == end || IsSeparator(*q))) {
            emit(value);
            p = q;
        } else {
            p = TokenEnd(start, end);
            emit(ParseDoubleLikeAtof(std::string_view(start, static_cast<size_t>(p - start))));
        }
        ++count;
    }
    return count;
}

// emit(int32_t) for each number, atoi rules.
template <typename Emit> size_t ForEachIntOnLine(std::string_view line, size_t maxCount, Emit&& emit) {
    using namespace number_line_detail;
    const char* p = line.data();
    const char* end = p + line.size();
    size_t count = 0;
    while (count < maxCount) {
        p = SkipSeparators(p, end);
        if (p == end) {
            break;
        }
        const char* start = p;
        int32_t value = 0;
        int digits = 0;
        while (p < end && static_cast<unsigned>(*p - '0') < 10 && digits < 9) {
            value = value * 10 + static_cast<int32_t>(*p - '0');
            ++digits;
            ++p;
        }
        if (digits > 0 && (p == end || IsSeparator(*p))) {
            emit(value);
        } else {
            p = TokenEnd(start, end);
            emit(ParseIntLikeAtoi(std::string_view(start, static_cast<size_t>(p - start))));
        }
        ++count;
    }
    return count;
}

} // namespace quorvane
