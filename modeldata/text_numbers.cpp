#include "modeldata/text_numbers.h"

#include <charconv>
#include <limits>

namespace quorvane {
namespace {

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view SkipLeadingSpace(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) {
        ++i;
    }
    return text.substr(i);
}

// Plain decimals ("-12.375", "0.5") with at most 19 digits: the integer of
// the digits and a power of ten up to 1e22 are both exact doubles, so one
// division rounds exactly as strtod does. Anything else (exponents, hex,
// inf, nan, long mantissas) goes to the general path.
bool TryParsePlainDecimal(std::string_view text, double& value) {
    static constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                              1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const char* p = text.data();
    const char* end = p + text.size();
    uint64_t mantissa = 0;
    int digits = 0;
    int fractionDigits = 0;
    while (p < end && *p >= '0' && *p <= '9') {
        mantissa = mantissa * 10 + static_cast<uint64_t>(*p - '0');
        ++digits;
        ++p;
    }
    if (p < end && *p == '.') {
        ++p;
        while (p < end && *p >= '0' && *p <= '9') {
            mantissa = mantissa * 10 + static_cast<uint64_t>(*p - '0');
            ++digits;
            ++fractionDigits;
            ++p;
        }
    }
    if (digits == 0 || digits > 19 || mantissa > (uint64_t{1} << 53)) {
        return false;
    }
    if (p < end && (*p == 'e' || *p == 'E' || *p == 'x' || *p == 'X')) {
        return false;
    }
    value = static_cast<double>(mantissa) / kPowersOfTen[fractionDigits];
    return true;
}

} // namespace

int32_t ParseIntLikeAtoi(std::string_view text) {
    text = SkipLeadingSpace(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int64_t magnitude = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            break;
        }
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > int64_t{std::numeric_limits<int32_t>::max()} + 1) {
            magnitude = int64_t{std::numeric_limits<int32_t>::max()} + 1;
        }
    }
    const int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<int32_t>::max()) {
        return std::numeric_limits<int32_t>::max();
    }
    return static_cast<int32_t>(value);
}

double ParseDoubleLikeAtof(std::string_view text) {
    text = SkipLeadingSpace(text);
    // from_chars takes no leading '+', atof does.
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
        if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
            return 0.0;
        }
    }
    double value = 0.0;
    if (TryParsePlainDecimal(text, value)) {
        return negative ? -value : value;
    }
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Too large saturates to infinity, too small to zero, as strtod does:
        // a negative exponent is what makes a finite literal underflow.
        const std::string_view literal(text.data(), static_cast<size_t>(result.ptr - text.data()));
        const size_t e = literal.find_first_of("eE");
        const bool tiny = e != std::string_view::npos && e + 1 < literal.size() && literal[e + 1] == '-';
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    } else if (result.ec != std::errc{}) {
        return 0.0;
    }
    return negative ? -value : value;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() &&
           (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n')) {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace quorvane
