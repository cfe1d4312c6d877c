// The editing thread's time to paint one stroke of 2,000 copies over the
// demo field's ground, with the spacing checked against 50,000 copies already
// in the level: gathering those copies into the spacing grid counts too, as
// each stroke starts with it. The median of five strokes with other seeds.
#include "editor/paint_stroke.h"
#include "terrain.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

using namespace quorvane;

namespace {

constexpr int kExisting = 50000;
constexpr size_t kStrokeCopies = 2000;
constexpr float kSpread = 1000.0f; // existing copies cover -1000..1000 in x and y

// Height and normal from the demo field's own height function.
std::optional<GroundPoint> DemoGround(float x, float y) {
    constexpr double kStep = 0.25;
    const double height = demofield::GroundHeight(x, y);
    const double dx =
        (demofield::GroundHeight(x + kStep, y) - demofield::GroundHeight(x - kStep, y)) / (2 * kStep);
    const double dy =
        (demofield::GroundHeight(x, y + kStep) - demofield::GroundHeight(x, y - kStep)) / (2 * kStep);
    return GroundPoint{static_cast<float>(height),
                       {static_cast<float>(-dx), static_cast<float>(-dy), 1.0f, 0.0f}};
}

} // namespace

int main() {
    std::mt19937 random(5);
    std::uniform_real_distribution<float> anywhere(-kSpread, kSpread);
    std::vector<Vector4> level(kExisting);
    for (Vector4& copy : level) {
        copy = {anywhere(random), anywhere(random), 0, 1};
    }
    BrushSettings brush;
    brush.radius = 12.0f;
    brush.density = 20.0f;
    brush.spacing = 1.0f;
    brush.maxSlopeDegrees = 35.0f;

    std::vector<double> times;
    size_t painted = 0;
    for (uint32_t seed = 1; seed <= 5; ++seed) {
        const auto start = std::chrono::steady_clock::now();
        CSpacingGrid taken(brush.spacing);
        for (const Vector4& copy : level) {
            taken.Add(copy.x, copy.y);
        }
        CPaintStroke stroke(brush, DemoGround, taken, seed);
        painted = 0;
        // A winding stroke in small mouse moves until it has its copies.
        for (float t = 0.0f; painted < kStrokeCopies && t < 5000.0f; t += 0.5f) {
            painted +=
                stroke.MoveTo(-400.0f + t, 150.0f * std::sin(t / 60.0f) + 100.0f * static_cast<float>(seed))
                    .size();
        }
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    std::printf("existing copies: %d, brush radius %.0f, density %.0f per 100 square units, spacing %.1f\n",
                kExisting, brush.radius, brush.density, brush.spacing);
    std::printf("copies painted per stroke: %zu (the last stroke)\n", painted);
    std::printf("RESULT paint_2000_ms=%.2f ms\n", times[times.size() / 2]);
    return painted >= kStrokeCopies ? 0 : 1;
}
