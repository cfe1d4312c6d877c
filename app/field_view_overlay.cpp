#include "app/field_view_overlay.h"

#include "app/field_view_stroke_text.h"
#include "render/overlay_2d.h"

#include <optional>

namespace quorvane {
namespace {

constexpr float kAxisHalfLength = 10.0f;
constexpr float kLineReach = 1000.0f;
constexpr float kTextHeight = 24.0f;
constexpr float kTextStroke = 3.0f;
constexpr float kTextTop = 16.0f;
constexpr float kBandPadding = 10.0f;
constexpr float kTransformTop = kTextTop + kTextHeight + 3 * kBandPadding; // clear of the progress band
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

// text centred on a pale band whose text starts at top.
void DrawBandLine(COverlay2D& overlay, const std::string& text, float top) {
    if (text.empty()) {
        return;
    }
    const float width = CStrokeText::Width(text, kTextHeight);
    const float left = (overlay.ImageWidth() - width) * 0.5f;
    overlay.FillRect(left - kBandPadding, top - kBandPadding, left + width + kBandPadding,
                     top + kTextHeight + kBandPadding, kBandColor);
    CStrokeText::Draw(overlay, text, left, top, kTextHeight, kTextStroke, kTextColor);
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
    DrawBandLine(overlay, text, kTextTop);
}

std::string TransformStatusText(EditMode mode, const std::string& typed, bool snapping) {
    if (!IsInModeGroup(mode) || (typed.empty() && !snapping)) {
        return {};
    }
    const uint32_t first = ModeValue(GroupFirst(mode));
    const uint32_t axis = ModeValue(mode) - first;
    static constexpr const char* kKinds[] = {"MOVE", "SCALE", "ROTATE"};
    static constexpr const char* kAxes[] = {"", " X", " Y", " Z"};
    const uint32_t kind = (first - ModeValue(EditMode::ModeCursorMove)) / 4 % 3;
    std::string line = std::string(kKinds[kind]) + kAxes[axis];
    if (typed.empty()) {
        return line + " SNAP";
    }
    line += ": " + typed;
    if (axis == 0 && kind != 1) { // a free scale is uniform; the others need an axis
        line += "  PRESS X, Y OR Z";
    }
    return line;
}

void DrawTransformLine(COverlay2D& overlay, const std::string& text) {
    DrawBandLine(overlay, text, kTransformTop);
}

void DrawSelectionRectangle(COverlay2D& overlay, ScreenPoint a, ScreenPoint b) {
    constexpr float kWidth = 2.0f;
    overlay.Line(a.x, a.y, b.x, a.y, kWidth, kSelectionRectangle);
    overlay.Line(b.x, a.y, b.x, b.y, kWidth, kSelectionRectangle);
    overlay.Line(b.x, b.y, a.x, b.y, kWidth, kSelectionRectangle);
    overlay.Line(a.x, b.y, a.x, a.y, kWidth, kSelectionRectangle);
}

} // namespace quorvane
