#include "text_writer.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <stdexcept>

namespace quorvane::demofield {
namespace {

constexpr int64_t kPowersOfTen[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};

} // namespace

void AppendInt(std::string& out, int64_t v) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v);
    out.append(buffer, result.ptr);
}

void AppendFixed(std::string& out, double v, int decimals) {
    const int64_t scale = kPowersOfTen[decimals];
    const auto scaled = static_cast<int64_t>(std::llround(v * static_cast<double>(scale)));
    if (scaled == 0) {
        out.push_back('0');
        return;
    }
    if (scaled < 0) {
        out.push_back('-');
    }
    const int64_t magnitude = scaled < 0 ? -scaled : scaled;
    AppendInt(out, magnitude / scale);
    int64_t fraction = magnitude % scale;
    if (fraction == 0) {
        return;
    }
    int digits = decimals;
    while (fraction % 10 == 0) {
        fraction /= 10;
        --digits;
    }
    out.push_back('.');
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, fraction);
    const auto length = static_cast<int>(result.ptr - buffer);
    out.append(static_cast<size_t>(digits - length), '0');
    out.append(buffer, result.ptr);
}

void CTextWriter::Line(std::string_view text) {
    text_.append(text);
    text_.push_back('\n');
}

void CTextWriter::Key(std::string_view key) {
    text_.push_back('<');
    text_.append(key);
    text_.append(">\n");
}

void CTextWriter::Key(std::string_view key, std::string_view value) {
    text_.push_back('<');
    text_.append(key);
    text_.append("> ");
    text_.append(value);
    text_.push_back('\n');
}

void CTextWriter::Key(std::string_view key, int64_t value) {
    text_.push_back('<');
    text_.append(key);
    text_.append("> ");
    AppendInt(text_, value);
    text_.push_back('\n');
}

void CTextWriter::KeyNumber(std::string_view key, double value, int decimals) {
    text_.push_back('<');
    text_.append(key);
    text_.append("> ");
    AppendFixed(text_, value, decimals);
    text_.push_back('\n');
}

void CTextWriter::Numbers(std::span<const float> values, int decimals) {
    for (size_t i = 0; i < values.size(); ++i) {
        if (i != 0) {
            text_.push_back(' ');
        }
        AppendFixed(text_, values[i], decimals);
    }
    text_.push_back('\n');
}

void CTextWriter::Numbers(std::span<const double> values, int decimals) {
    for (size_t i = 0; i < values.size(); ++i) {
        if (i != 0) {
            text_.push_back(' ');
        }
        AppendFixed(text_, values[i], decimals);
    }
    text_.push_back('\n');
}

void CTextWriter::Ints(std::span<const int32_t> values) {
    for (size_t i = 0; i < values.size(); ++i) {
        if (i != 0) {
            text_.push_back(' ');
        }
        AppendInt(text_, values[i]);
    }
    text_.push_back('\n');
}

void WriteFile(const std::filesystem::path& path, std::string_view bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    file.close();
    if (!file) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

} // namespace quorvane::demofield
