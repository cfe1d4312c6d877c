#pragma once

#include "editor/spacing_grid.h"
#include "editor/vector4.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <vector>

namespace quorvane {

// The brush panel's values.
struct BrushSettings {
    float radius = 10.0f;          // units
    float density = 10.0f;         // copies per 100 square units
    float spacing = 1.5f;          // least distance between two copies on the ground plane
    float maxSlopeDegrees = 30.0f; // steeper ground gets no copy
    bool alignToNormal = false;
};

// The ground under a point: its height and its normal (any length, pointing up).
struct GroundPoint {
    float height = 0.0f;
    Vector4 normal{0.0f, 0.0f, 1.0f, 0.0f};
};
// Nothing: the point is off the field.
using GroundQuery = std::function<std::optional<GroundPoint>(float x, float y)>;

// Where one painted copy stands, and the ground's normal there.
struct PaintedSpot {
    Vector4 position;
    Vector4 normal;
};

// The degrees between a normal and straight up; 90 for a normal with no length.
float SlopeDegrees(const Vector4& normal);

// One stroke of the brush, press to release. Each place the brush reaches
// throws darts over its circle at the brush's density, uniformly, and keeps
// those on ground no earlier place of the stroke covered: over a stroke the
// count follows density times the area swept. A dart is dropped off the
// field, on ground steeper than the slope limit, or within the spacing of a
// copy already in the level or painted before it, which spreads the copies
// evenly (Poisson-disk sampling). The same seed and moves give the same spots.
class CPaintStroke {
public:
    CPaintStroke(const BrushSettings& brush, GroundQuery ground, CSpacingGrid& taken, uint32_t seed);

    // The brush pressed or moved to (x, y): the spots the newly covered
    // ground gets, each added to taken. A long move is covered in steps of
    // a quarter of the radius; a move shorter than that waits for the next.
    std::vector<PaintedSpot> MoveTo(float x, float y);

private:
    struct Dab {
        float x;
        float y;
    };
    void DabAt(float x, float y, std::vector<PaintedSpot>& out);
    float Uniform(); // [0, 1)

    BrushSettings brush_;
    GroundQuery ground_;
    CSpacingGrid& taken_;
    std::mt19937 random_;
    // The places the brush reached: ground within a radius of one is covered.
    CSpacingGrid covered_;
    std::optional<Dab> last_;
};

} // namespace quorvane
