#pragma once

#include "editor/vector4.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// One line of a grid map file: one placed part, seventeen "|"-separated fields.
struct GridLine {
    std::string uniqueName;
    std::string modelId;
    int32_t copy = 0;
    int32_t shader = 0;
    int32_t listNumber = 0;
    int32_t animated = 0;
    std::string partPath;
    std::string sourcePath;
    Vector4 position;
    Vector4 scale;
    Vector4 rotation;

    friend bool operator==(const GridLine&, const GridLine&) = default;
};

inline constexpr size_t kGridLineFields = 17;
// Group numbers above this are taken as a damaged line, not as a request for that many groups.
inline constexpr int32_t kMaxGridListNumber = 4095;
// Longer lines are damaged: four paths and names never come near it.
inline constexpr size_t kMaxGridLineBytes = 16384;

// "%f" of the C locale: fixed, six decimals, '.' whatever the user's locale.
std::string FormatFixed6(float value);

// The line with its CR LF, or nullopt with a message when a text field is empty
// or holds "|", CR or LF, or a number is not finite: such a line would not read
// back as what was written.
std::optional<std::string> FormatGridLine(const GridLine& line, std::string* error);

// The same without its line end: the line as a file holds it.
std::optional<std::string> StoredGridLine(const GridLine& line, std::string* error = nullptr);

// Reads one line (CR LF or LF stripped already or not). Nullopt with the reason
// when it does not hold seventeen non-empty fields with numbers where numbers go.
std::optional<GridLine> ParseGridLine(std::string_view text, std::string* error);

// The first "|"-field of a line: the unique name.
std::string_view FirstGridField(std::string_view text);

// The cell a unique name belongs to: its text before the first "_".
std::string_view CellOfUniqueName(std::string_view uniqueName);

// True for names the cell namer makes: "p3m12".
bool IsCellName(std::string_view text);

// root/lod<lod>/<cell>.gmf
std::filesystem::path GridFilePath(const std::filesystem::path& root, uint32_t lod, std::string_view cell);

} // namespace quorvane
