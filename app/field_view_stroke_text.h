#pragma once

#include "render/overlay_2d.h"

#include <string_view>

namespace quorvane {

// The letters A to Z, digits and a little punctuation drawn as line strokes,
// for short status lines in the 2D overlay (which has no fonts). Lower case
// is drawn as upper case; characters without a glyph leave a gap.
class CStrokeText {
public:
    // Width of text drawn with capital height `height`.
    static float Width(std::string_view text, float height);
    // Draws text with its top-left corner at (left, top).
    static void Draw(COverlay2D& overlay, std::string_view text, float left, float top, float height,
                     float strokeWidth, const OverlayColor& color);
    static bool HasGlyph(char c);
};

} // namespace quorvane
