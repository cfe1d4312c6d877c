#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace quorvane::demofield {

// Appends v rounded to `decimals` places, without trailing zeros, never "-0".
// Integer arithmetic only: the same bytes on every machine and locale.
void AppendFixed(std::string& out, double v, int decimals);
void AppendInt(std::string& out, int64_t v);

// Builds the text of the line-oriented formats: keys in angle brackets,
// value lines of numbers separated by single spaces.
class CTextWriter {
public:
    void Line(std::string_view text);
    void Key(std::string_view key);                         // <KEY>
    void Key(std::string_view key, std::string_view value); // <KEY> value
    void Key(std::string_view key, int64_t value);
    void KeyNumber(std::string_view key, double value, int decimals);
    // One line of numbers.
    void Numbers(std::span<const float> values, int decimals);
    void Numbers(std::span<const double> values, int decimals);
    void Ints(std::span<const int32_t> values);

    std::string& Text() { return text_; }
    std::string Take() { return std::move(text_); }

private:
    std::string text_;
};

// Writes the bytes, creating the parent folders. Throws std::runtime_error on failure.
void WriteFile(const std::filesystem::path& path, std::string_view bytes);

} // namespace quorvane::demofield
