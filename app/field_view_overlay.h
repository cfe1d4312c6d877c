#pragma once

#include "editor/edit_mode.h"
#include "editor/vector4.h"
#include "render/camera.h"
#include "render/overlay_2d.h"

#include <cmath>
#include <optional>
#include <string>

namespace quorvane {

inline constexpr OverlayColor kGuideRed{1, 0, 0, 1};
inline constexpr OverlayColor kGuideGreen{0, 1, 0, 1};
inline constexpr OverlayColor kGuideBlue{0, 0, 1, 1};
inline constexpr OverlayColor kGuideMarker{0.7f, 0.6f, 0, 1};
inline constexpr float kGuideWidth = 5.0f;
inline constexpr float kGuideMarkerWidth = 8.0f;

// The axis lines of a sub-mode through centre (render-image pixels), each
// drawn far past the screen edges, then a marker at the centre. Axes whose
// points do not project are left out.
void DrawAxisGuides(COverlay2D& overlay, const CCamera& camera, const AxisGuides& guides,
                    const Vector4& centre);

// "LOADING: 3 TILES, 12 MODELS" while streaming has work; empty when all is in.
std::string StreamingProgressText(int tilesLoading, int gridModelsLoading);

// The text centred at the top of the render image on a pale band.
void DrawProgressLine(COverlay2D& overlay, const std::string& text);

// What a running move, scale or rotation tells: "MOVE X: 2.5" while a number
// is typed (with a request for an axis where the group still needs one),
// "ROTATE Z SNAP" while Ctrl rounds a drag; empty otherwise.
std::string TransformStatusText(EditMode mode, const std::string& typed, bool snapping);

// The text centred below the progress line on the same kind of band.
void DrawTransformLine(COverlay2D& overlay, const std::string& text);

inline constexpr OverlayColor kBrushCircle{1.0f, 1.0f, 1.0f, 0.9f};
inline constexpr OverlayColor kEraseCircle{1.0f, 0.3f, 0.2f, 0.9f};
inline constexpr int kBrushSegments = 64;

// The brush's circle on the ground: kBrushSegments points around centre at
// radius, each at the height groundAt gives (the centre's where it has none),
// joined by lines; segments with an end that does not project are left out.
template <typename GroundAt>
void DrawBrushCircle(COverlay2D& overlay, const CCamera& camera, const Vector4& centre, float radius,
                     const OverlayColor& color, GroundAt groundAt);

inline constexpr OverlayColor kSelectionRectangle{1.0f, 0.85f, 0.2f, 1.0f};

// The outline of a selection rectangle between two corners (render-image pixels, any order).
void DrawSelectionRectangle(COverlay2D& overlay, ScreenPoint a, ScreenPoint b);

template <typename GroundAt>
void DrawBrushCircle(COverlay2D& overlay, const CCamera& camera, const Vector4& centre, float radius,
                     const OverlayColor& color, GroundAt groundAt) {
    constexpr float kLift = 0.2f; // above the ground, so the terrain does not hide it
    std::optional<ScreenPoint> first;
    std::optional<ScreenPoint> last;
    for (int i = 0; i <= kBrushSegments; ++i) {
        std::optional<ScreenPoint> point = first;
        if (i < kBrushSegments) {
            const float angle = 6.28318531f * static_cast<float>(i) / kBrushSegments;
            const float x = centre.x + radius * std::cos(angle);
            const float y = centre.y + radius * std::sin(angle);
            const std::optional<float> height = groundAt(x, y);
            point = ProjectToScreen(camera, Vec3{x, y, height.value_or(centre.z) + kLift});
            if (i == 0) {
                first = point;
            }
        }
        if (point && last) {
            overlay.Line(last->x, last->y, point->x, point->y, 2.0f, color);
        }
        last = point;
    }
}

} // namespace quorvane
