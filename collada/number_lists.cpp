#include "collada/number_lists.h"

#include "modeldata/plain_decimal.h"
#include "modeldata/text_numbers.h"

#include <algorithm>

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

bool TryPlainFloat(const char*& p, const char* end, float& value) {
    const char* q = p;
    double plain = 0.0;
    if (!TryPlainDecimal(q, end, plain) || (q < end && !IsXmlSpace(*q))) {
        return false;
    }
    value = static_cast<float>(plain);
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
