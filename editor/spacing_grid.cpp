#include "editor/spacing_grid.h"

#include <algorithm>
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

void CSpacingGrid::AddAll(const std::vector<Point>& points) {
    count_ += points.size();
    if (spacing_ <= 0.0f) {
        return;
    }
    sorted_.reserve(sorted_.size() + points.size());
    for (const Point& p : points) {
        sorted_.push_back({KeyOf(CellOf(p.x), CellOf(p.y)), p});
    }
    std::sort(sorted_.begin(), sorted_.end(),
              [](const KeyedPoint& a, const KeyedPoint& b) { return a.key < b.key; });
}

bool CSpacingGrid::NearIn(uint64_t key, float x, float y) const {
    const float limit = spacing_ * spacing_;
    const auto near = [&](const Point& p) {
        const float dx = p.x - x;
        const float dy = p.y - y;
        return dx * dx + dy * dy < limit;
    };
    auto at = std::lower_bound(sorted_.begin(), sorted_.end(), key,
                               [](const KeyedPoint& a, uint64_t k) { return a.key < k; });
    for (; at != sorted_.end() && at->key == key; ++at) {
        if (near(at->point)) {
            return true;
        }
    }
    const auto found = cells_.find(key);
    return found != cells_.end() && std::ranges::any_of(found->second, near);
}

bool CSpacingGrid::HasWithin(float x, float y) const {
    if (spacing_ <= 0.0f) {
        return false;
    }
    const int64_t column = CellOf(x);
    const int64_t row = CellOf(y);
    for (int64_t c = column - 1; c <= column + 1; ++c) {
        for (int64_t r = row - 1; r <= row + 1; ++r) {
            if (NearIn(KeyOf(c, r), x, y)) {
                return true;
            }
        }
    }
    return false;
}

} // namespace quorvane
