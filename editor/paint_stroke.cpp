#include "editor/paint_stroke.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quorvane {
namespace {

constexpr float kStepOfRadius = 0.25f;
// A brush smaller than this paints nothing.
constexpr float kSmallestRadius = 0.01f;
// However dense or wide the brush, one place throws no more darts than this,
// so a mistyped value costs a thin patch, not a frozen editor.
constexpr double kMostDartsPerDab = 65536.0;
constexpr double kMostStepsPerMove = 4096.0;

} // namespace

float SlopeDegrees(const Vector4& normal) {
    const float length = std::sqrt(normal.x * normal.x + normal.y * normal.y + normal.z * normal.z);
    if (!(length > 0.0f)) {
        return 90.0f;
    }
    const float cosine = std::clamp(normal.z / length, -1.0f, 1.0f);
    return std::acos(cosine) * 180.0f / std::numbers::pi_v<float>;
}

CPaintStroke::CPaintStroke(const BrushSettings& brush, GroundQuery ground, CSpacingGrid& taken, uint32_t seed)
    : brush_(brush), ground_(std::move(ground)), taken_(taken), random_(seed), covered_(brush.radius) {}

float CPaintStroke::Uniform() {
    // 24 bits of the engine's output: the same floats on every platform,
    // which the standard distributions do not promise.
    return static_cast<float>(random_() >> 8) * (1.0f / 16777216.0f);
}

void CPaintStroke::DabAt(float x, float y, std::vector<PaintedSpot>& out) {
    const float radius = brush_.radius;
    const double expected = std::min(kMostDartsPerDab, static_cast<double>(brush_.density) / 100.0 *
                                                           std::numbers::pi * radius * radius);
    auto darts = static_cast<uint64_t>(std::floor(expected));
    if (Uniform() < static_cast<float>(expected - std::floor(expected))) {
        ++darts;
    }
    for (uint64_t i = 0; i < darts; ++i) {
        const float distance = radius * std::sqrt(Uniform());
        const float angle = 2.0f * std::numbers::pi_v<float> * Uniform();
        const float px = x + distance * std::cos(angle);
        const float py = y + distance * std::sin(angle);
        if (covered_.HasWithin(px, py) || taken_.HasWithin(px, py)) {
            continue;
        }
        const std::optional<GroundPoint> ground = ground_(px, py);
        if (!ground || !std::isfinite(ground->height) ||
            SlopeDegrees(ground->normal) > brush_.maxSlopeDegrees) {
            continue;
        }
        taken_.Add(px, py);
        out.push_back({{px, py, ground->height, 1.0f}, ground->normal});
    }
    covered_.Add(x, y);
    last_ = Dab{x, y};
}

std::vector<PaintedSpot> CPaintStroke::MoveTo(float x, float y) {
    std::vector<PaintedSpot> spots;
    const bool usable = std::isfinite(x) && std::isfinite(y) && std::isfinite(brush_.radius) &&
                        brush_.radius >= kSmallestRadius && std::isfinite(brush_.density) &&
                        brush_.density > 0.0f;
    if (!usable) {
        return spots;
    }
    if (!last_) {
        DabAt(x, y, spots);
        return spots;
    }
    const Dab last = *last_;
    const float dx = x - last.x;
    const float dy = y - last.y;
    const float length = std::sqrt(dx * dx + dy * dy);
    const float step = brush_.radius * kStepOfRadius;
    if (length < step) {
        return spots;
    }
    // A jump across the whole field still ends quickly: at most 4,096
    // places, spread along it.
    const double wanted = std::ceil(static_cast<double>(length) / step);
    const int steps = static_cast<int>(std::min(wanted, kMostStepsPerMove));
    for (int i = 1; i <= steps; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(steps);
        DabAt(last.x + dx * t, last.y + dy * t, spots);
    }
    return spots;
}

} // namespace quorvane
