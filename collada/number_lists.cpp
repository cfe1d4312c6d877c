#include "collada/number_lists.h"

#include "modeldata/text_numbers.h"

#include <algorithm>

namespace quorvane {
namespace {

// Every entry needs at least one character and one separator, so this bounds
// the reservation however large a declared count is.
size_t ReserveFor(std::string_view text, size_t maxCount) {
    return std::min(maxCount, text.size() / 2 + 1);
}

} // namespace

std::vector<float> ReadFloatList(std::string_view text, size_t maxCount) {
    std::vector<float> values;
    values.reserve(ReserveFor(text, maxCount));
    ForEachToken(text, maxCount,
                 [&](std::string_view token) { values.push_back(ParseFloatLikeAtof(token)); });
    return values;
}

std::vector<int32_t> ReadIntList(std::string_view text, size_t maxCount) {
    std::vector<int32_t> values;
    values.reserve(ReserveFor(text, maxCount));
    ForEachToken(text, maxCount, [&](std::string_view token) { values.push_back(ParseIntLikeAtoi(token)); });
    return values;
}

std::vector<std::string_view> SplitNameList(std::string_view text) {
    std::vector<std::string_view> names;
    ForEachToken(text, kNoCountLimit, [&](std::string_view token) { names.push_back(token); });
    return names;
}

} // namespace quorvane
