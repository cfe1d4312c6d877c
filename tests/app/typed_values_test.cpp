// The overlay line that shows a typed value. Typed keys reaching the core
// through the view are driven in Journey.ChoosePlaceDeleteWriteReloadMoveAndRestart.
#include "app/field_view_overlay.h"
#include "app/field_view_stroke_text.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(TransformOverlay, NamesTheGroupAxisAndTypedNumber) {
    EXPECT_EQ(TransformStatusText(EditMode::ModePlacedMoveX, "2.5", false), "MOVE X: 2.5");
    EXPECT_EQ(TransformStatusText(EditMode::ModeCursorRotateZ, "-90", true), "ROTATE Z: -90")
        << "a typed number wins over snapping";
    EXPECT_EQ(TransformStatusText(EditMode::ModeCursorScale, "2", false), "SCALE: 2") << "uniform";
    EXPECT_EQ(TransformStatusText(EditMode::ModePlacedMove, "4", false), "MOVE: 4  PRESS X, Y OR Z");
    EXPECT_EQ(TransformStatusText(EditMode::ModePlacedRotateY, "", true), "ROTATE Y SNAP");
    EXPECT_EQ(TransformStatusText(EditMode::ModeCursorMoveY, "", false), "");
    EXPECT_EQ(TransformStatusText(EditMode::ModeAdjust, "3", true), "") << "only inside a group";
}

TEST(TransformOverlay, EveryCharacterOfTheLineHasAGlyphAndItSitsBelowTheProgressBand) {
    for (uint32_t mode = 4; mode < kEditModeCount; ++mode) {
        for (const std::string& typed : {std::string("-0123456789."), std::string()}) {
            for (char c : TransformStatusText(static_cast<EditMode>(mode), typed, true)) {
                EXPECT_TRUE(c == ' ' || CStrokeText::HasGlyph(c)) << "no glyph for '" << c << "'";
            }
        }
    }
    COverlay2D none;
    DrawTransformLine(none, "");
    EXPECT_TRUE(none.Empty());

    COverlay2D progress;
    DrawProgressLine(progress, "LOADING");
    COverlay2D transform;
    DrawTransformLine(transform, "MOVE X: 2.5");
    ASSERT_FALSE(transform.Empty());
    float progressBottom = 0.0f;
    for (const OverlayVertex& v : progress.Vertices()) {
        progressBottom = std::max(progressBottom, v.y);
    }
    for (const OverlayVertex& v : transform.Vertices()) {
        EXPECT_GT(v.y, progressBottom);
    }
}

} // namespace
} // namespace quorvane
