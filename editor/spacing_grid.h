#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace quorvane {

// Where copies stand on the ground plane, bucketed by squares as wide as
// the least spacing, so that "is any copy nearer than the spacing?" looks at
// nine squares whatever the number of copies in the level.
class CSpacingGrid {
public:
    // spacing <= 0: nothing is ever too near.
    explicit CSpacingGrid(float spacing);

    void Add(float x, float y);
    // True when a copy added stands nearer than the spacing to (x, y).
    bool HasWithin(float x, float y) const;
    size_t Count() const { return count_; }
    float Spacing() const { return spacing_; }

private:
    struct Point {
        float x;
        float y;
    };
    uint64_t KeyOf(int64_t column, int64_t row) const;
    int64_t CellOf(float value) const;

    float spacing_;
    float cellSize_;
    size_t count_ = 0;
    std::unordered_map<uint64_t, std::vector<Point>> cells_;
};

} // namespace quorvane
