// The field view's pieces that need no window: start camera, camera drags
// from the core's input, ground pick fallback, the character lookup, axis
// guides, the progress line and the typed value's line.
#include "app/field_view_camera.h"
#include "app/field_view_character.h"
#include "app/field_view_overlay.h"
#include "app/field_view_stroke_text.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

bool SameColor(const OverlayColor& a, const OverlayColor& b) {
    return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a;
}

// Whether (x, y) lies in one of the triangles of the given colour.
bool Covered(const COverlay2D& overlay, const OverlayColor& color, float x, float y) {
    const auto& v = overlay.Vertices();
    for (size_t i = 0; i + 2 < v.size(); i += 3) {
        if (!SameColor(v[i].color, color)) {
            continue;
        }
        const auto side = [&](const OverlayVertex& a, const OverlayVertex& b) {
            return (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
        };
        const float d0 = side(v[i], v[i + 1]);
        const float d1 = side(v[i + 1], v[i + 2]);
        const float d2 = side(v[i + 2], v[i]);
        const bool negative = d0 < 0 || d1 < 0 || d2 < 0;
        const bool positive = d0 > 0 || d1 > 0 || d2 > 0;
        if (!(negative && positive)) {
            return true;
        }
    }
    return false;
}

size_t CountColored(const COverlay2D& overlay, const OverlayColor& color) {
    size_t count = 0;
    for (const OverlayVertex& v : overlay.Vertices()) {
        count += SameColor(v.color, color) ? 1 : 0;
    }
    return count;
}

CCamera StartCamera() {
    CCamera camera;
    CameraControl control;
    PlaceStartCamera(camera, control);
    camera.aspect = 16.0f / 9.0f;
    return camera;
}

TEST(FieldViewCamera, StartsEightyOneUnitsAwayTwentyDegreesFromAbove) {
    CCamera camera;
    CameraControl control{1.0f, 45.0f, 0.0f};
    PlaceStartCamera(camera, control);
    EXPECT_FLOAT_EQ(control.zoom, 3.0f);
    EXPECT_FLOAT_EQ(control.pitch, 20.0f);
    EXPECT_FLOAT_EQ(control.yaw, -90.0f);
    EXPECT_FLOAT_EQ(camera.angleDegrees, -90.0f);
    // Yaw -90 puts the eye on the -y side; sin 20 = 0.3420201, cos 20 = 0.9396926.
    EXPECT_NEAR(camera.eye.x, 0.0f, 1e-4f);
    EXPECT_NEAR(camera.eye.y, -81.0f * 0.3420201f, 1e-3f);
    EXPECT_NEAR(camera.eye.z, 81.0f * 0.9396926f, 1e-3f);
}

TEST(FieldViewCamera, GroundPointUnderTheCentreIsTheTargetAndAMissFallsBackToIt) {
    FieldCameraView view{StartCamera(), 1600, 900};
    const Vector4 centre = GroundPointUnder(view, 800.0f, 450.0f);
    EXPECT_NEAR(centre.x, 0.0f, 1e-2f);
    EXPECT_NEAR(centre.y, 0.0f, 1e-2f);
    EXPECT_EQ(centre.z, 0.0f);

    // Looking level: the top row sees sky.
    view.camera.target = {5, 7, 1};
    view.camera.eye = {5, -3, 1};
    const Vector4 sky = GroundPointUnder(view, 800.0f, 0.0f);
    EXPECT_EQ(sky.x, 5.0f);
    EXPECT_EQ(sky.y, 7.0f);
    EXPECT_EQ(sky.z, 0.0f);
    // No client area yet: the same fallback, no division by zero.
    view.clientWidth = 0;
    EXPECT_EQ(GroundPointUnder(view, 10.0f, 10.0f).x, 5.0f);
}

// The core's input for a drag: a press at pressScreen, the mouse now at
// latestScreen, the client area's corner at origin on the screen.
InputState DragInput(PixelPoint pressScreen, PixelPoint latestScreen, PixelPoint origin, bool left,
                     bool right) {
    InputState input;
    input.buttonScreen = pressScreen;
    input.latestScreen = latestScreen;
    input.mouseClient = {latestScreen.x - origin.x, latestScreen.y - origin.y};
    input.leftHeld = left;
    input.rightHeld = right;
    input.shiftHeld = true;
    return input;
}

TEST(FieldCameraDrag, RightDragOrbitsByTheDraggedPixelsAndGoesOnFromTheLastStep) {
    FieldCameraView view{StartCamera(), 1600, 900};
    CameraControl control{3.0f, 20.0f, -90.0f};
    CFieldCameraDrag drag;
    // 50 right and 25 up from the press: yaw -90 - 10, pitch 20 + 5.
    EXPECT_TRUE(drag.Step(view, control, DragInput({400, 300}, {450, 275}, {100, 50}, false, true)));
    EXPECT_NEAR(control.yaw, -100.0f, 1e-4f);
    EXPECT_NEAR(control.pitch, 25.0f, 1e-4f);
    EXPECT_NEAR(Length(view.camera.eye - view.camera.target), 81.0f, 1e-2f);
    // The next step measures from (450, 275), not from the press.
    EXPECT_TRUE(drag.Step(view, control, DragInput({400, 300}, {460, 275}, {100, 50}, false, true)));
    EXPECT_NEAR(control.yaw, -102.0f, 1e-4f);
    // Released, then pressed again elsewhere: the new drag starts at the new press.
    EXPECT_FALSE(drag.Step(view, control, DragInput({400, 300}, {700, 500}, {100, 50}, false, false)));
    EXPECT_TRUE(drag.Step(view, control, DragInput({700, 500}, {690, 500}, {100, 50}, false, true)));
    EXPECT_NEAR(control.yaw, -100.0f, 1e-4f);
    EXPECT_NEAR(control.pitch, 25.0f, 1e-4f);
}

TEST(FieldCameraDrag, LeftDragKeepsTheGroundUnderTheMouseWhereverTheWindowSits) {
    FieldCameraView view{StartCamera(), 1600, 900};
    CameraControl control{3.0f, 20.0f, -90.0f};
    const PixelPoint origin{700, 400}; // the client area is not at the screen corner
    const PixelPoint pressClient{800, 500};
    const PixelPoint latestClient{830, 560};
    const std::optional<Vector4> grabbed = GroundHit(view, pressClient);
    ASSERT_TRUE(grabbed.has_value());
    CFieldCameraDrag drag;
    EXPECT_TRUE(
        drag.Step(view, control,
                  DragInput({pressClient.x + origin.x, pressClient.y + origin.y},
                            {latestClient.x + origin.x, latestClient.y + origin.y}, origin, true, false)));
    const std::optional<Vector4> underMouse = GroundHit(view, latestClient);
    ASSERT_TRUE(underMouse.has_value());
    EXPECT_NEAR(underMouse->x, grabbed->x, 1e-2f);
    EXPECT_NEAR(underMouse->y, grabbed->y, 1e-2f);
    EXPECT_NEAR(view.camera.eye.z - view.camera.target.z, 81.0f * 0.9396926f, 1e-2f); // no height change
    EXPECT_FLOAT_EQ(control.pitch, 20.0f);
}

// A pan that starts in the sky, and a left drag that draws a selection rectangle.
TEST(FieldCameraDrag, APanFromTheSkyOrASelectionDragLeavesTheCameraWhereItWas) {
    for (const bool selects : {false, true}) {
        FieldCameraView view{StartCamera(), 1600, 900};
        if (!selects) {
            view.camera.target = {5, 7, 1};
            view.camera.eye = {5, -3, 1}; // level: the top rows see sky
        }
        const CCamera before = view.camera;
        CameraControl control{3.0f, selects ? 20.0f : 90.0f, -90.0f};
        InputState input = selects ? DragInput({500, 400}, {700, 500}, {0, 0}, true, false)
                                   : DragInput({800, 10}, {820, 800}, {0, 0}, true, false);
        input.leftSelects = selects;
        CFieldCameraDrag drag;
        EXPECT_FALSE(drag.Step(view, control, input)) << selects;
        EXPECT_EQ(view.camera.eye.x, before.eye.x) << selects;
        EXPECT_EQ(view.camera.eye.y, before.eye.y) << selects;
        EXPECT_EQ(view.camera.target.x, before.target.x) << selects;
        EXPECT_EQ(view.camera.target.y, before.target.y) << selects;
    }
}

TEST(FieldViewCharacter, OnlyALoadedCharacterWalksAndAModelessOneStartsNoAnimation) {
    CRegistryLists lists;
    EXPECT_EQ(LoadedCharacter(lists), nullptr);
    CModelEntry* character = lists.characters.Append(std::make_unique<CModelEntry>());
    EXPECT_EQ(LoadedCharacter(lists), nullptr);
    character->loaded.store(true);
    EXPECT_EQ(LoadedCharacter(lists), character);
    EXPECT_FALSE(StartNamedAnimation(*character, "WALK", 10.0f));
}

TEST(FieldViewOverlay, GuidesRunAlongTheProjectedAxesThroughTheCentre) {
    const CCamera camera = StartCamera();
    const Vector4 centre{3, 4, 0, 1};
    const auto screen = [&](float x, float y, float z) { return *ProjectToScreen(camera, {x, y, z}); };

    COverlay2D onlyX;
    DrawAxisGuides(onlyX, camera, {.x = true}, centre);
    EXPECT_EQ(CountColored(onlyX, kGuideRed), 6u);
    EXPECT_EQ(CountColored(onlyX, kGuideGreen), 0u);
    EXPECT_EQ(CountColored(onlyX, kGuideBlue), 0u);
    // Far along the x axis on both sides, inside the image.
    for (float x : {-25.0f, 30.0f}) {
        const ScreenPoint p = screen(3 + x, 4, 0);
        EXPECT_TRUE(Covered(onlyX, kGuideRed, p.x, p.y)) << x;
    }
    const ScreenPoint offAxis = screen(3, 14, 0);
    EXPECT_FALSE(Covered(onlyX, kGuideRed, offAxis.x, offAxis.y));
    const ScreenPoint middle = screen(3, 4, 0);
    EXPECT_TRUE(Covered(onlyX, kGuideMarker, middle.x, middle.y));

    COverlay2D all;
    DrawAxisGuides(all, camera, {.x = true, .y = true, .z = true}, centre);
    const ScreenPoint alongY = screen(3, 20, 0);
    const ScreenPoint alongZ = screen(3, 4, 15);
    EXPECT_TRUE(Covered(all, kGuideGreen, alongY.x, alongY.y));
    EXPECT_TRUE(Covered(all, kGuideBlue, alongZ.x, alongZ.y));
    EXPECT_FALSE(Covered(all, kGuideBlue, alongY.x, alongY.y));
}

TEST(FieldViewOverlay, ProgressLineNamesBothCountsVanishesWhenDoneAndSitsAboveTheTypedValue) {
    EXPECT_TRUE(StreamingProgressText(0, 0).empty());
    const std::string text = StreamingProgressText(3, 12);
    EXPECT_EQ(text, "LOADING: 3 TILES, 12 MODELS");
    EXPECT_FALSE(StreamingProgressText(0, 7).empty());

    COverlay2D none;
    DrawProgressLine(none, StreamingProgressText(0, 0));
    EXPECT_TRUE(none.Empty());

    COverlay2D line;
    line.SetImageSize(763, 731); // the field view's own size in the default window
    DrawProgressLine(line, text);
    ASSERT_FALSE(line.Empty());
    // Centred at the top of the image.
    float left = 1e9f, right = -1e9f, bottom = -1e9f;
    for (const OverlayVertex& v : line.Vertices()) {
        left = std::min(left, v.x);
        right = std::max(right, v.x);
        bottom = std::max(bottom, v.y);
    }
    EXPECT_NEAR((left + right) / 2, 381.5f, 1.0f);
    EXPECT_GT(left, 0.0f);
    EXPECT_LT(right, 763.0f);
    EXPECT_LT(bottom, 100.0f);

    // The typed value's line sits below the progress band.
    COverlay2D transform;
    DrawTransformLine(transform, "MOVE X: 2.5");
    ASSERT_FALSE(transform.Empty());
    for (const OverlayVertex& v : transform.Vertices()) {
        EXPECT_GT(v.y, bottom);
    }
}

TEST(FieldViewOverlay, StrokeTextStaysInItsBoxAndSkipsUnknownCharacters) {
    // Glyphs are 4 units wide on a 6-unit advance: "AB" at height 12 is 20 wide.
    EXPECT_FLOAT_EQ(CStrokeText::Width("AB", 12.0f), 20.0f);
    EXPECT_FLOAT_EQ(CStrokeText::Width("", 12.0f), 0.0f);
    EXPECT_TRUE(CStrokeText::HasGlyph('m'));
    EXPECT_FALSE(CStrokeText::HasGlyph('?'));

    COverlay2D unknown;
    CStrokeText::Draw(unknown, "? ~", 10, 10, 12, 2, {});
    EXPECT_TRUE(unknown.Empty());

    COverlay2D text;
    CStrokeText::Draw(text, "LOADING: 09", 100, 50, 12, 2, {0, 0, 0, 1});
    ASSERT_FALSE(text.Empty());
    const float width = CStrokeText::Width("LOADING: 09", 12);
    for (const OverlayVertex& v : text.Vertices()) {
        EXPECT_GE(v.x, 100 - 1.0f);
        EXPECT_LE(v.x, 100 + width + 1.0f);
        EXPECT_GE(v.y, 50 - 1.0f);
        EXPECT_LE(v.y, 50 + 12 + 1.0f);
    }
}

// The line that shows a typed value; typed keys reaching the core through
// the view are driven in Journey.ChoosePlaceDeleteWriteReloadMoveAndRestart.
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

// The typed value's line in every mode, and the progress line with every digit.
TEST(TransformOverlay, EveryCharacterOfTheLinesHasAGlyphAndAnEmptyLineDrawsNothing) {
    std::string lines = StreamingProgressText(1234567890, 5);
    for (uint32_t mode = 4; mode < kEditModeCount; ++mode) {
        lines += TransformStatusText(static_cast<EditMode>(mode), "-0123456789.", true);
        lines += TransformStatusText(static_cast<EditMode>(mode), "", true);
    }
    for (char c : lines) {
        EXPECT_TRUE(c == ' ' || CStrokeText::HasGlyph(c)) << "no glyph for '" << c << "'";
    }
    COverlay2D none;
    DrawTransformLine(none, "");
    EXPECT_TRUE(none.Empty());
}

} // namespace
} // namespace quorvane
