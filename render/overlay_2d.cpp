#include "render/overlay_2d.h"

#include <cmath>

namespace quorvane {

void COverlay2D::FillTriangle(float x0, float y0, float x1, float y1, float x2, float y2,
                              const OverlayColor& color) {
    vertices_.push_back({x0, y0, color});
    vertices_.push_back({x1, y1, color});
    vertices_.push_back({x2, y2, color});
}

void COverlay2D::Line(float x0, float y0, float x1, float y1, float width, const OverlayColor& color) {
    const float dx = x1 - x0;
    const float dy = y1 - y0;
    const float length = std::sqrt(dx * dx + dy * dy);
    if (length == 0.0f || !(width > 0.0f) || !std::isfinite(length)) {
        return;
    }
    // Offset both ends half the width across the line.
    const float nx = -dy / length * width * 0.5f;
    const float ny = dx / length * width * 0.5f;
    FillTriangle(x0 + nx, y0 + ny, x1 + nx, y1 + ny, x1 - nx, y1 - ny, color);
    FillTriangle(x0 + nx, y0 + ny, x1 - nx, y1 - ny, x0 - nx, y0 - ny, color);
}

void COverlay2D::FillRect(float left, float top, float right, float bottom, const OverlayColor& color) {
    FillTriangle(left, top, right, top, right, bottom, color);
    FillTriangle(left, top, right, bottom, left, bottom, color);
}

void COverlay2D::FillCircle(float centerX, float centerY, float radius, const OverlayColor& color,
                            int segments) {
    if (!(radius > 0.0f) || segments < 3) {
        return;
    }
    constexpr float kTwoPi = 6.2831853f;
    for (int i = 0; i < segments; ++i) {
        const float a0 = kTwoPi * static_cast<float>(i) / static_cast<float>(segments);
        const float a1 = kTwoPi * static_cast<float>(i + 1) / static_cast<float>(segments);
        FillTriangle(centerX, centerY, centerX + radius * std::cos(a0), centerY + radius * std::sin(a0),
                     centerX + radius * std::cos(a1), centerY + radius * std::sin(a1), color);
    }
}

} // namespace quorvane
