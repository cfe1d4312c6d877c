#include "collada/number_lists.h"

#include "modeldata/plain_decimal.h"
#include "modeldata/text_numbers.h"

#include <algorithm>
#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quorvane {
namespace {

// Number lists are most of a document's text, so the common forms ("12",
// "-0.375") are converted here in one pass; anything else (exponents, nan,
// long digit runs, trailing junk) goes to the general atof/atoi readers,
// which give the same value for the common forms too.

// Bit i set where p[i] is XML white space, for the 64 characters at p.
uint64_t SpaceMask64(const char* p) {
#if defined(__SSE2__)
    uint64_t mask = 0;
    for (int part = 0; part < 4; ++part) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * part));
        const __m128i space = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(chunk, _mm_set1_epi8(' ')),
                                                        _mm_cmpeq_epi8(chunk, _mm_set1_epi8('\n'))),
                                           _mm_or_si128(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('\t')),
                                                        _mm_cmpeq_epi8(chunk, _mm_set1_epi8('\r'))));
        mask |= uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(space))} << (16 * part);
    }
    return mask;
#else
    uint64_t mask = 0;
    for (int i = 0; i < 64; ++i) {
        mask |= uint64_t{IsXmlSpace(p[i])} << i;
    }
    return mask;
#endif
}

// How many entries the text holds: characters that follow a separator or
// start the text.
size_t CountEntries(std::string_view text) {
    const char* p = text.data();
    const char* const end = p + text.size();
    size_t count = 0;
    uint64_t previousSpace = 1;
    for (; end - p >= 64; p += 64) {
        const uint64_t space = SpaceMask64(p);
        count += static_cast<size_t>(std::popcount(~space & ((space << 1) | previousSpace)));
        previousSpace = space >> 63;
    }
    for (; p < end; ++p) {
        const bool space = IsXmlSpace(*p);
        count += static_cast<size_t>(previousSpace != 0 && !space);
        previousSpace = space ? 1 : 0;
    }
    return count;
}

// The room for a list: the declared count where it is smaller than the
// entries the text can hold (a character and a separator each), else the
// entries counted. Lists without a count (index lists) are often moved into
// the model as they are, so room taken on a guess would stay taken.
size_t ReserveFor(std::string_view text, size_t maxCount) {
    const size_t bound = text.size() / 2 + 1;
    return maxCount < bound ? maxCount : std::min(maxCount, CountEntries(text));
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
