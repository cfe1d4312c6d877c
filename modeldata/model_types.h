#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace quorvane {

// 16 floats in the order the file lists them (row-major for row vectors).
using Matrix4x4 = std::array<float, 16>;
// r, g, b, a.
using Color4 = std::array<float, 4>;

inline constexpr Matrix4x4 kIdentityMatrix = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// Names keep at most this many UTF-16 code units, as the tool's name fields do.
inline constexpr size_t kMaxNameLength = 1023;
// Material symbols of a geometry are shorter.
inline constexpr size_t kMaxMaterialSymbolLength = 511;

// Cuts UTF-8 text to at most maxUnits UTF-16 code units without splitting a
// character.
std::string CutName(std::string_view utf8, size_t maxUnits = kMaxNameLength);

// A name token from a file: UTF-8, or CP932 from older tools, cut to a name.
std::string DecodeName(std::string_view bytes, size_t maxUnits = kMaxNameLength);

} // namespace quorvane
