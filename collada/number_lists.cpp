#include "collada/number_lists.h"

#include "modeldata/text_numbers.h"

#include <algorithm>
#include <bit>

namespace quorvane {
namespace {

// Number lists are most of a document's text, so the common forms ("12",
// "-0.375") are converted here in one pass; anything else (exponents, nan,
// long digit runs, trailing junk) goes to the general atof/atoi readers,
// which give the same value for the common forms too.

// Every entry needs at least one character and one separator, so this bounds
// the reservation however large a declared count is.
size_t ReserveFor(std::string_view text, size_t maxCount) {
    return std::min(maxCount, text.size() / 2 + 1);
}

const char* SkipSpace(const char* p, const char* end) {
    while (p < end && IsXmlSpace(*p)) {
        ++p;
    }
    return p;
}

const char* TokenEnd(const char* p, const char* end) {
    while (p < end && !IsXmlSpace(*p)) {
        ++p;
    }
    return p;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A plain decimal of at most 19 digits is exactly a 64-bit integer over an
// exact power of ten, so one division rounds as strtod does.
bool TryPlainFloat(const char*& p, const char* end, float& value) {
    static constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,
                                              1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19};
    const char* q = p;
    const bool negative = q < end && *q == '-';
    q += negative ? 1 : 0;
    uint64_t mantissa = 0;
    int digits = 0;
    while (q < end && IsDigit(*q)) {
        mantissa = mantissa * 10 + static_cast<uint64_t>(*q++ - '0');
        ++digits;
    }
    int fractionDigits = 0;
    if (q < end && *q == '.') {
        ++q;
        while (q < end && IsDigit(*q)) {
            mantissa = mantissa * 10 + static_cast<uint64_t>(*q++ - '0');
            ++fractionDigits;
        }
    }
    digits += fractionDigits;
    if (digits == 0 || digits > 19 || mantissa > (uint64_t{1} << 53) || (q < end && !IsXmlSpace(*q))) {
        return false;
    }
    // The sign goes in as a bit: signs vary too much for a branch to guess.
    const double magnitude = static_cast<double>(mantissa) / kPowersOfTen[fractionDigits];
    const uint64_t signBit = static_cast<uint64_t>(negative) << 63;
    value = static_cast<float>(std::bit_cast<double>(std::bit_cast<uint64_t>(magnitude) | signBit));
    p = q;
    return true;
}

bool TryPlainInt(const char*& p, const char* end, int32_t& value) {
    const char* q = p;
    const bool negative = q < end && *q == '-';
    q += negative ? 1 : 0;
    int64_t magnitude = 0;
    int digits = 0;
    while (q < end && IsDigit(*q) && digits < 10) {
        magnitude = magnitude * 10 + (*q++ - '0');
        ++digits;
    }
    if (digits == 0 || (q < end && !IsXmlSpace(*q)) || magnitude > int64_t{INT32_MAX}) {
        return false;
    }
    const int64_t sign = negative ? -1 : 1;
    value = static_cast<int32_t>(magnitude * sign);
    p = q;
    return true;
}

template <typename T, typename TryPlain, typename General>
std::vector<T> ReadList(std::string_view text, size_t maxCount, TryPlain tryPlain, General general) {
    std::vector<T> values;
    values.reserve(ReserveFor(text, maxCount));
    const char* p = text.data();
    const char* const end = p + text.size();
    while (values.size() < maxCount) {
        p = SkipSpace(p, end);
        if (p == end) {
            break;
        }
        T value{};
        if (!tryPlain(p, end, value)) {
            const char* const tokenEnd = TokenEnd(p, end);
            value = general(std::string_view(p, static_cast<size_t>(tokenEnd - p)));
            p = tokenEnd;
        }
        values.push_back(value);
    }
    return values;
}

} // namespace

std::vector<float> ReadFloatList(std::string_view text, size_t maxCount) {
    return ReadList<float>(text, maxCount, TryPlainFloat, ParseFloatLikeAtof);
}

std::vector<int32_t> ReadIntList(std::string_view text, size_t maxCount) {
    return ReadList<int32_t>(text, maxCount, TryPlainInt, ParseIntLikeAtoi);
}

std::vector<std::string_view> SplitNameList(std::string_view text) {
    std::vector<std::string_view> names;
    ForEachToken(text, kNoCountLimit, [&](std::string_view token) { names.push_back(token); });
    return names;
}

} // namespace quorvane
