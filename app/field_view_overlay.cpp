#include "app/field_view_overlay.h"

#include "app/field_view_stroke_text.h"
#include "render/common_device.h"

#include <optional>

namespace quorvane {
namespace {

constexpr float kAxisHalfLength = 10.0f;
constexpr float kLineReach = 1000.0f;
constexpr float kTextHeight = 24.0f;
constexpr float kTextStroke = 3.0f;
constexpr float kTextTop = 16.0f;
constexpr float kBandPadding = 10.0f;
constexpr OverlayColor kTextColor{0.1f, 0.1f, 0.1f, 1};
constexpr OverlayColor kBandColor{1, 1, 1, 0.8f};

void DrawAxis(COverlay2D& overlay, const CCamera& camera, const Vec3& centre, const Vec3& axis,
              const OverlayColor& color) {
    const std::optional<ScreenPoint> a = ProjectToScreen(camera, centre - axis * kAxisHalfLength);
    const std::optional<ScreenPoint> b = ProjectToScreen(camera, centre + axis * kAxisHalfLength);
    if (!a || !b) {
        return;
    }
    const float midX = (a->x + b->x) * 0.5f;
    const float midY = (a->y + b->y) * 0.5f;
    const float dx = (b->x - a->x) * kLineReach;
    const float dy = (b->y - a->y) * kLineReach;
    overlay.Line(midX - dx, midY - dy, midX + dx, midY + dy, kGuideWidth, color);
}

} // namespace

void DrawAxisGuides(COverlay2D& overlay, const CCamera& camera, const AxisGuides& guides,
                    const Vector4& centre) {
    const Vec3 c{centre.x, centre.y, centre.z};
    if (guides.x) {
        DrawAxis(overlay, camera, c, {1, 0, 0}, kGuideRed);
    }
    if (guides.y) {
        DrawAxis(overlay, camera, c, {0, 1, 0}, kGuideGreen);
    }
    if (guides.z) {
        DrawAxis(overlay, camera, c, {0, 0, 1}, kGuideBlue);
    }
    if (const std::optional<ScreenPoint> p = ProjectToScreen(camera, c)) {
        overlay.FillCircle(p->x, p->y, kGuideMarkerWidth, kGuideMarker);
    }
}

std::string StreamingProgressText(int tilesLoading, int gridModelsLoading) {
    if (tilesLoading <= 0 && gridModelsLoading <= 0) {
        return {};
    }
    return "LOADING: " + std::to_string(tilesLoading) + " TILES, " + std::to_string(gridModelsLoading) +
           " MODELS";
}

void DrawProgressLine(COverlay2D& overlay, const std::string& text) {
    if (text.empty()) {
        return;
    }
    const float width = CStrokeText::Width(text, kTextHeight);
    const float left = (static_cast<float>(CCommonDevice::kWidth) - width) * 0.5f;
    overlay.FillRect(left - kBandPadding, kTextTop - kBandPadding, left + width + kBandPadding,
                     kTextTop + kTextHeight + kBandPadding, kBandColor);
    CStrokeText::Draw(overlay, text, left, kTextTop, kTextHeight, kTextStroke, kTextColor);
}

} // namespace quorvane
