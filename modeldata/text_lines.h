#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>

namespace quorvane {

// A set of single-byte token delimiters.
class CDelimiters {
public:
    constexpr explicit CDelimiters(std::string_view chars) : table_{} {
        for (char c : chars) {
            table_[static_cast<uint8_t>(c)] = true;
        }
    }
    constexpr bool Contains(char c) const { return table_[static_cast<uint8_t>(c)]; }

private:
    std::array<bool, 256> table_;
};

// Key lines at the top level and in material, texture, geometry, collider and
// animation lines.
inline constexpr CDelimiters kKeyDelimiters(" []<>\n");
// Key lines inside float array, polygon and weights blocks: brackets belong to tokens.
inline constexpr CDelimiters kStreamKeyDelimiters(" <>\n");
// Key lines inside bone blocks: tab separates too.
inline constexpr CDelimiters kBoneKeyDelimiters(" \t<>\n");
// Name lines and number lines.
inline constexpr CDelimiters kValueDelimiters(" \n");

// Walks the tokens of one line.
class CTokens {
public:
    CTokens(std::string_view line, const CDelimiters& delimiters) : line_(line), delimiters_(delimiters) {}

    // The next token, or false when the line has no more.
    bool Next(std::string_view& token) {
        const char* p = line_.data() + pos_;
        const char* end = line_.data() + line_.size();
        while (p < end && delimiters_.Contains(*p)) {
            ++p;
        }
        if (p == end) {
            pos_ = line_.size();
            return false;
        }
        const char* start = p;
        while (p < end && !delimiters_.Contains(*p)) {
            ++p;
        }
        token = std::string_view(start, static_cast<size_t>(p - start));
        pos_ = static_cast<size_t>(p - line_.data());
        return true;
    }

private:
    std::string_view line_;
    const CDelimiters& delimiters_;
    size_t pos_ = 0;
};

// The first token of a line and the second (empty when missing).
struct CKeyLine {
    std::string_view key;
    std::string_view value;
};
CKeyLine SplitKeyLine(std::string_view line, const CDelimiters& delimiters);

// Line limits of the text formats, in characters including the line feed.
namespace line_limit {
inline constexpr size_t kKey = 1024;
inline constexpr size_t kBoneList = 16384;
inline constexpr size_t kBindShapeMatrix = 2048;
inline constexpr size_t kBoneMatrix = 2348;
inline constexpr size_t kKeyTimes = 40000;
inline constexpr size_t kUnlimited = std::numeric_limits<size_t>::max();
// count * charactersPerItem, saturating.
size_t PerItem(int64_t count, int64_t charactersPerItem);
} // namespace line_limit

// Lines of a text held in memory, read as the C library's fgets reads a file
// opened in text mode with a buffer of `limit` characters: a line with more
// than limit - 2 characters before its line feed is cut after limit - 1
// characters and the rest comes back as the next line. CR LF reads as LF.
// Returned lines hold neither the line feed nor a CR before it.
class CTextLines {
public:
    // A UTF-8 byte order mark at the start is skipped, so editors that write
    // one do not hide the first key.
    explicit CTextLines(std::string_view text) : text_(text) {
        if (text_.starts_with("\xEF\xBB\xBF")) {
            pos_ = 3;
        }
    }

    bool Next(size_t limit, std::string_view& line);
    bool Next(std::string_view& line) { return Next(line_limit::kKey, line); }
    bool AtEnd() const { return pos_ >= text_.size(); }
    // Bytes not read yet: what any count read from here can at most describe.
    size_t Remaining() const { return text_.size() - pos_; }

private:
    std::string_view text_;
    size_t pos_ = 0;
};

} // namespace quorvane
