#include "editor/spacing_grid.h"

#include <cmath>

namespace quorvane {

CSpacingGrid::CSpacingGrid(float spacing)
    : spacing_(std::isfinite(spacing) && spacing > 0.0f ? spacing : 0.0f),
      cellSize_(spacing_ > 0.0f ? spacing_ : 1.0f) {}

int64_t CSpacingGrid::CellOf(float value) const {
    return static_cast<int64_t>(std::floor(static_cast<double>(value) / cellSize_));
}

uint64_t CSpacingGrid::KeyOf(int64_t column, int64_t row) const {
    return (static_cast<uint64_t>(column) << 32) ^ (static_cast<uint64_t>(row) & 0xFFFFFFFFull);
}

void CSpacingGrid::Add(float x, float y) {
    ++count_;
    if (spacing_ > 0.0f) {
        cells_[KeyOf(CellOf(x), CellOf(y))].push_back({x, y});
    }
}

bool CSpacingGrid::HasWithin(float x, float y) const {
    if (spacing_ <= 0.0f) {
        return false;
    }
    const int64_t column = CellOf(x);
    const int64_t row = CellOf(y);
    const float limit = spacing_ * spacing_;
    for (int64_t c = column - 1; c <= column + 1; ++c) {
        for (int64_t r = row - 1; r <= row + 1; ++r) {
            const auto found = cells_.find(KeyOf(c, r));
            if (found == cells_.end()) {
                continue;
            }
            for (const Point& p : found->second) {
                const float dx = p.x - x;
                const float dy = p.y - y;
                if (dx * dx + dy * dy < limit) {
                    return true;
                }
            }
        }
    }
    return false;
}

} // namespace quorvane
