#include "editor/cell_name.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace quorvane {

int32_t PickCellIndex(float coordinate) {
    if (std::isnan(coordinate)) {
        return 0;
    }
    // Clamp before converting: a float far outside the int range has no defined conversion.
    constexpr double kLimit = std::numeric_limits<int32_t>::max() - 1;
    double index = std::trunc(static_cast<double>(coordinate) / kCellSize);
    index = std::fmax(std::fmin(index, kLimit), -kLimit);
    auto cell = static_cast<int32_t>(index);
    if (coordinate < 0.0f) {
        --cell;
    }
    return cell;
}

CellIndex PickCell(float x, float y) {
    return {PickCellIndex(x), PickCellIndex(y)};
}

std::string CellName(CellIndex cell) {
    std::string name;
    for (const int32_t index : {cell.x, cell.y}) {
        name += index < 0 ? 'm' : 'p';
        name += std::to_string(std::llabs(static_cast<int64_t>(index)));
    }
    return name;
}

} // namespace quorvane
