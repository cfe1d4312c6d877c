#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

namespace quorvane {

inline constexpr size_t kNoCountLimit = std::numeric_limits<size_t>::max();

inline bool IsXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Calls onToken for every piece of text between runs of XML white space,
// at most maxCount times. Exporters separate list entries with spaces, line
// feeds and tabs alike.
template <typename OnToken> void ForEachToken(std::string_view text, size_t maxCount, OnToken&& onToken) {
    const char* p = text.data();
    const char* const end = p + text.size();
    size_t taken = 0;
    while (taken < maxCount) {
        while (p < end && IsXmlSpace(*p)) {
            ++p;
        }
        if (p == end) {
            return;
        }
        const char* const start = p;
        while (p < end && !IsXmlSpace(*p)) {
            ++p;
        }
        onToken(std::string_view(start, static_cast<size_t>(p - start)));
        ++taken;
    }
}

// Numbers of a list with the C library's atof/atoi rules per entry.
std::vector<float> ReadFloatList(std::string_view text, size_t maxCount = kNoCountLimit);
std::vector<int32_t> ReadIntList(std::string_view text, size_t maxCount = kNoCountLimit);
std::vector<std::string_view> SplitNameList(std::string_view text);

// A count attribute as a limit: negative counts take nothing.
inline size_t CountLimit(int32_t count) {
    return count > 0 ? static_cast<size_t>(count) : 0;
}

} // namespace quorvane
