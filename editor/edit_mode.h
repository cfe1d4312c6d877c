#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace quorvane {

// The edit state of the field view. From 4 on the values come in groups of four
// (free, X, Y, Z): cursor move, scale, rotate, then the same for the selection.
// The key handler does arithmetic on that numbering.
enum class EditMode : uint32_t {
    ModeNoModel = 0,
    ModePlace = 1,
    ModeMove = 2,
    ModeAdjust = 3,
    ModeCursorMove = 4,
    ModeCursorMoveX = 5,
    ModeCursorMoveY = 6,
    ModeCursorMoveZ = 7,
    ModeCursorScale = 8,
    ModeCursorScaleX = 9,
    ModeCursorScaleY = 10,
    ModeCursorScaleZ = 11,
    ModeCursorRotate = 12,
    ModeCursorRotateX = 13,
    ModeCursorRotateY = 14,
    ModeCursorRotateZ = 15,
    ModePlacedMove = 16,
    ModePlacedMoveX = 17,
    ModePlacedMoveY = 18,
    ModePlacedMoveZ = 19,
    ModePlacedScale = 20,
    ModePlacedScaleX = 21,
    ModePlacedScaleY = 22,
    ModePlacedScaleZ = 23,
    ModePlacedRotate = 24,
    ModePlacedRotateX = 25,
    ModePlacedRotateY = 26,
    ModePlacedRotateZ = 27,
    ModePaint = 28, // the brush paints copies of the definition taken for placing
};

inline constexpr uint32_t kEditModeCount = 29;

constexpr uint32_t ModeValue(EditMode mode) {
    return static_cast<uint32_t>(mode);
}

// True for 4..27, the six groups of sub-modes.
constexpr bool IsInModeGroup(EditMode mode) {
    return ModeValue(mode) >= 4 && ModeValue(mode) < ModeValue(EditMode::ModePaint);
}

// The free member of the mode's group (4, 8, ..., 24); only for modes inside a group.
constexpr EditMode GroupFirst(EditMode mode) {
    return static_cast<EditMode>(ModeValue(mode) & ~3u);
}

// Whether the mode lies in [first, first + span).
constexpr bool ModeInRange(EditMode mode, EditMode first, uint32_t span) {
    return ModeValue(mode) >= ModeValue(first) && ModeValue(mode) < ModeValue(first) + span;
}

// The first line the info window shows for the mode.
std::string_view EditModeHeader(EditMode mode);

// Which axis guides the overlay draws for a mode, and around which point.
struct AxisGuides {
    bool x = false;
    bool y = false;
    bool z = false;
    bool atSelection = false; // centre is the selection's position, else the pick point
};

// Guides for the running sub-mode; none outside the six groups.
std::optional<AxisGuides> GuidesForMode(EditMode mode);

} // namespace quorvane
