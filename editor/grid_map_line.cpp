#include "editor/grid_map_line.h"

#include "modeldata/text_numbers.h"

#include <array>
#include <charconv>
#include <cmath>
#include <vector>

namespace quorvane {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A field the reader can convert: optional blanks and sign, then a digit (or
// ".digit" for floats), as atoi/atof would start.
bool StartsWithNumber(std::string_view field, bool allowFraction) {
    field = TrimBlanks(field);
    if (!field.empty() && (field.front() == '+' || field.front() == '-')) {
        field.remove_prefix(1);
    }
    if (field.empty()) {
        return false;
    }
    if (IsDigit(field.front())) {
        return true;
    }
    return allowFraction && field.size() > 1 && field[0] == '.' && IsDigit(field[1]);
}

bool IsSafeTextField(std::string_view text) {
    return !text.empty() && text.find_first_of("|\r\n") == text.npos;
}

std::string_view StripLineEnd(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace

std::string FormatFixed6(float value) {
    std::array<char, 400> buffer{}; // room for the widest double in fixed notation
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                                      static_cast<double>(value), std::chars_format::fixed, 6);
    return {buffer.data(), result.ptr};
}

std::optional<std::string> FormatGridLine(const GridLine& line, std::string* error) {
    const std::array<std::pair<const char*, const std::string*>, 4> texts = {{
        {"unique name", &line.uniqueName},
        {"model ID", &line.modelId},
        {"model path", &line.partPath},
        {"second path", &line.sourcePath},
    }};
    for (const auto& [label, text] : texts) {
        if (!IsSafeTextField(*text)) {
            if (error != nullptr) {
                *error = std::string("the ") + label + " \"" + *text +
                         "\" is empty or holds \"|\", CR or LF and cannot be written to a grid map file";
            }
            return std::nullopt;
        }
    }
    for (const Vector4* v : {&line.position, &line.scale, &line.rotation}) {
        if (!std::isfinite(v->x) || !std::isfinite(v->y) || !std::isfinite(v->z)) {
            if (error != nullptr) {
                *error = "the transform of \"" + line.uniqueName + "\" is not finite and would not read back";
            }
            return std::nullopt;
        }
    }
    std::string out;
    out.reserve(256);
    const auto text = [&out](const std::string& value) {
        out += value;
        out += '|';
    };
    const auto integer = [&out](int32_t value) {
        out += std::to_string(value);
        out += '|';
    };
    const auto vector = [&out](const Vector4& v) {
        out += FormatFixed6(v.x) + '|' + FormatFixed6(v.y) + '|' + FormatFixed6(v.z) + '|';
    };
    text(line.uniqueName);
    text(line.modelId);
    integer(line.copy);
    integer(line.shader);
    integer(line.listNumber);
    integer(line.animated);
    text(line.partPath);
    text(line.sourcePath);
    vector(line.position);
    vector(line.scale);
    vector(line.rotation);
    out.back() = '\r'; // no separator after the last field
    out += '\n';
    return out;
}

std::optional<std::string> StoredGridLine(const GridLine& line, std::string* error) {
    std::optional<std::string> text = FormatGridLine(line, error);
    if (text) {
        text->resize(text->size() - 2); // the CR LF FormatGridLine ends it with
    }
    return text;
}

std::optional<GridLine> ParseGridLine(std::string_view text, std::string* error) {
    const auto fail = [error](std::string why) -> std::optional<GridLine> {
        if (error != nullptr) {
            *error = std::move(why);
        }
        return std::nullopt;
    };
    text = StripLineEnd(text);
    if (text.size() > kMaxGridLineBytes) {
        return fail("line too long");
    }
    // Empty fields vanish in the split, as they always have: the writer never makes one.
    std::vector<std::string_view> fields;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t bar = text.find('|', start);
        const size_t end = bar == text.npos ? text.size() : bar;
        if (end > start) {
            fields.push_back(text.substr(start, end - start));
        }
        if (bar == text.npos) {
            break;
        }
        start = bar + 1;
    }
    if (fields.size() != kGridLineFields) {
        return fail("expected 17 fields, found " + std::to_string(fields.size()));
    }
    for (size_t i : {2, 3, 4, 5}) {
        if (!StartsWithNumber(fields[i], false)) {
            return fail("field " + std::to_string(i + 1) + " is not a whole number");
        }
    }
    for (size_t i = 8; i < kGridLineFields; ++i) {
        if (!StartsWithNumber(fields[i], true)) {
            return fail("field " + std::to_string(i + 1) + " is not a number");
        }
    }
    GridLine line;
    line.uniqueName = std::string(fields[0]);
    line.modelId = std::string(fields[1]);
    line.copy = ParseIntLikeAtoi(fields[2]);
    line.shader = ParseIntLikeAtoi(fields[3]);
    line.listNumber = ParseIntLikeAtoi(fields[4]);
    line.animated = ParseIntLikeAtoi(fields[5]);
    line.partPath = std::string(fields[6]);
    line.sourcePath = std::string(fields[7]);
    if (line.listNumber < 0 || line.listNumber > kMaxGridListNumber) {
        return fail("list number " + std::to_string(line.listNumber) + " outside 0.." +
                    std::to_string(kMaxGridListNumber));
    }
    const auto number = [&fields](size_t i) { return static_cast<float>(ParseDoubleLikeAtof(fields[i])); };
    line.position = {number(8), number(9), number(10), 1.0f};
    line.scale = {number(11), number(12), number(13), 1.0f};
    line.rotation = {number(14), number(15), number(16), 1.0f};
    return line;
}

std::string_view FirstGridField(std::string_view text) {
    text = StripLineEnd(text);
    return text.substr(0, text.find('|'));
}

std::string_view CellOfUniqueName(std::string_view uniqueName) {
    return uniqueName.substr(0, uniqueName.find('_'));
}

bool IsCellName(std::string_view text) {
    for (int half = 0; half < 2; ++half) {
        if (text.empty() || (text.front() != 'm' && text.front() != 'p')) {
            return false;
        }
        text.remove_prefix(1);
        size_t digits = 0;
        while (digits < text.size() && IsDigit(text[digits])) {
            ++digits;
        }
        if (digits == 0 || digits > 10) {
            return false;
        }
        text.remove_prefix(digits);
    }
    return text.empty();
}

std::filesystem::path GridFilePath(const std::filesystem::path& root, uint32_t lod, std::string_view cell) {
    return root / ("lod" + std::to_string(lod)) / (std::string(cell) + ".gmf");
}

} // namespace quorvane
