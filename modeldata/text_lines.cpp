#include "modeldata/text_lines.h"

#include <algorithm>

namespace quorvane {

CKeyLine SplitKeyLine(std::string_view line, const CDelimiters& delimiters) {
    CKeyLine result;
    CTokens tokens(line, delimiters);
    if (tokens.Next(result.key)) {
        tokens.Next(result.value);
    }
    return result;
}

size_t line_limit::PerItem(int64_t count, int64_t charactersPerItem) {
    if (count <= 0 || charactersPerItem <= 0) {
        return 0;
    }
    const auto max = std::numeric_limits<size_t>::max();
    if (static_cast<uint64_t>(count) > max / static_cast<uint64_t>(charactersPerItem)) {
        return max;
    }
    return static_cast<size_t>(count) * static_cast<size_t>(charactersPerItem);
}

bool CTextLines::Next(size_t limit, std::string_view& line) {
    if (pos_ >= text_.size()) {
        return false;
    }
    const size_t maxChars = std::max<size_t>(limit, 2) - 1;
    const char* begin = text_.data() + pos_;
    const size_t available = text_.size() - pos_;
    // Look no further than the limit (plus a CR) so cutting a long line into
    // pieces stays linear.
    const size_t scan = maxChars >= available - 1 ? available : maxChars + 2;
    const auto* feed = static_cast<const char*>(std::memchr(begin, '\n', scan));
    size_t length = feed != nullptr ? static_cast<size_t>(feed - begin) : scan;
    size_t visible = length;
    if (visible > 0 && begin[visible - 1] == '\r' && (feed != nullptr || scan == available)) {
        --visible;
    }
    if (visible >= maxChars) {
        line = std::string_view(begin, maxChars);
        pos_ += maxChars;
        return true;
    }
    line = std::string_view(begin, visible);
    pos_ += feed != nullptr ? length + 1 : length;
    return true;
}

} // namespace quorvane
