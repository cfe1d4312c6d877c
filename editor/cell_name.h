#pragma once

#include <cstdint>
#include <string>

namespace quorvane {

// Field cells are 50 x 50 world units.
inline constexpr float kCellSize = 50.0f;

struct CellIndex {
    int32_t x = 0;
    int32_t y = 0;

    friend bool operator==(const CellIndex&, const CellIndex&) = default;
};

// The cell of a pick coordinate: the quotient truncated, then lowered by one for
// every negative coordinate (so -50 lies in cell -2, as the picking has always done).
int32_t PickCellIndex(float coordinate);
CellIndex PickCell(float x, float y);

// "m" or "p" for the sign, then the absolute index, for x and then y: p3m12.
std::string CellName(CellIndex cell);

} // namespace quorvane
