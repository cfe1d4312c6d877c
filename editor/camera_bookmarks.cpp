#include "editor/camera_bookmarks.h"

#include <charconv>
#include <cmath>

namespace quorvane {
namespace {

// The next blank-separated word of line from at, moving at past it.
std::string_view NextWord(std::string_view line, size_t& at) {
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) {
        ++at;
    }
    const size_t start = at;
    while (at < line.size() && line[at] != ' ' && line[at] != '\t') {
        ++at;
    }
    return line.substr(start, at - start);
}

// The shortest text that reads back as exactly this float.
void AppendShortest(std::string& text, float value) {
    std::string digits(32, '\0');
    const auto [end, error] = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    digits.resize(error == std::errc() ? static_cast<size_t>(end - digits.data()) : 0);
    text += digits;
}

std::optional<float> FiniteNumber(std::string_view word) {
    float value = 0.0f;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (error != std::errc() || end != word.data() + word.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::pair<int, CameraBookmark>> ReadLine(std::string_view line) {
    size_t at = 0;
    const std::string_view digit = NextWord(line, at);
    if (digit.size() != 1 || digit[0] < '1' || digit[0] > '9') {
        return std::nullopt;
    }
    std::array<float, 6> values{};
    for (float& value : values) {
        const std::optional<float> number = FiniteNumber(NextWord(line, at));
        if (!number) {
            return std::nullopt;
        }
        value = *number;
    }
    if (!NextWord(line, at).empty() || !(values[5] > 0.0f)) {
        return std::nullopt; // more than a bookmark holds, or a zoom no camera can take
    }
    return std::pair{
        digit[0] - '0',
        CameraBookmark{{values[0], values[1], values[2], 1.0f}, values[3], values[4], values[5]}};
}

} // namespace

void CCameraBookmarks::Set(int digit, const CameraBookmark& bookmark) {
    if (digit >= 1 && digit <= kCount) {
        marks_[static_cast<size_t>(digit - 1)] = bookmark;
    }
}

std::optional<CameraBookmark> CCameraBookmarks::Get(int digit) const {
    if (digit < 1 || digit > kCount) {
        return std::nullopt;
    }
    return marks_[static_cast<size_t>(digit - 1)];
}

std::string CCameraBookmarks::Text() const {
    std::string text;
    for (int digit = 1; digit <= kCount; ++digit) {
        if (const std::optional<CameraBookmark> mark = Get(digit)) {
            text += std::to_string(digit);
            for (const float value :
                 {mark->target.x, mark->target.y, mark->target.z, mark->yaw, mark->pitch, mark->zoom}) {
                text += ' ';
                AppendShortest(text, value);
            }
            text += "\r\n";
        }
    }
    return text;
}

CCameraBookmarks CCameraBookmarks::FromText(std::string_view text, std::vector<std::string>* problems) {
    CCameraBookmarks bookmarks;
    int lineNumber = 0;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.find_first_not_of(" \t") == std::string_view::npos) {
            continue;
        }
        if (const auto read = ReadLine(line)) {
            bookmarks.Set(read->first, read->second);
        } else if (problems != nullptr) {
            problems->push_back("line " + std::to_string(lineNumber) + ": not a camera bookmark");
        }
    }
    return bookmarks;
}

} // namespace quorvane
