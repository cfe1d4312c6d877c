#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace quorvane {

// Where copies stand on the ground plane, bucketed by squares as wide as
// the least spacing, so that "is any copy nearer than the spacing?" looks at
// nine squares whatever the number of copies in the level. The level's tens
// of thousands of copies come at once into one sorted array (a sort, not an
// allocation per square); what a stroke adds goes into a map of squares.
class CSpacingGrid {
public:
    // spacing <= 0: nothing is ever too near.
    explicit CSpacingGrid(float spacing);

    struct Point {
        float x;
        float y;
    };
    void Add(float x, float y);
    // Many at once, as a stroke gathers the level's copies before it begins.
    void AddAll(const std::vector<Point>& points);
    // True when a copy added stands nearer than the spacing to (x, y).
    bool HasWithin(float x, float y) const;
    size_t Count() const { return count_; }
    float Spacing() const { return spacing_; }

private:
    struct KeyedPoint {
        uint64_t key;
        Point point;
    };
    bool NearIn(uint64_t key, float x, float y) const;
    uint64_t KeyOf(int64_t column, int64_t row) const;
    int64_t CellOf(float value) const;

    float spacing_;
    float cellSize_;
    size_t count_ = 0;
    std::unordered_map<uint64_t, std::vector<Point>> cells_;
    std::vector<KeyedPoint> sorted_; // by key
};

} // namespace quorvane
