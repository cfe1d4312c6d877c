// Typed values in the running editor, and the overlay line that shows them.
// The window test needs an X display (xvfb-run): the field view renders
// through a Vulkan surface.
#include "app/field_view_overlay.h"
#include "app/field_view_stroke_text.h"
#include "app/field_view_world.h"
#include "editor/recovery_journal.h"
#include "tests/app/editor_session.h"
#include "tests/app/settled_field.h"
#include "tests/small_demo_field.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <optional>

namespace quorvane {
namespace {

using test::WaitFor;
using test::WaitForAppliedInput;

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

class ScopedChoice {
public:
    explicit ScopedChoice(const std::string& definition) {
        qputenv(CFieldViewWorld::kChooseVariable, QByteArray::fromStdString(definition));
    }
    ~ScopedChoice() { qunsetenv(CFieldViewWorld::kChooseVariable); }
    ScopedChoice(const ScopedChoice&) = delete;
    ScopedChoice& operator=(const ScopedChoice&) = delete;
};

// The transform of the selected group's first part.
std::optional<CModelTransform> SelectedTransform(const CMainField& field) {
    const std::string name = field.SelectedName();
    std::optional<CModelTransform> transform;
    field.ForEachPlacedModel([&](const CModelEntry& entry) {
        if (entry.name == name && !transform) {
            transform = entry.transform;
        }
    });
    return transform;
}

TEST(TypedValuesLive, KeysTypedIntoTheFieldViewMoveAndTurnTheNewPlacement) {
    ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "needs an X display (run it through xvfb-run)";
    const std::filesystem::path root = test::SmallDemoRoot();
    const auto* crate = test::SmallDemoDefinition("crate.mdf");
    ASSERT_NE(crate, nullptr) << "the demo field has no crate";
    test::EmptySmallDemoGridFolder();
    std::filesystem::remove(root / CRecoveryJournal::kDefaultFileName);

    test::ScopedWorkingDirectory inDemo(root);
    ScopedChoice choose("./" + crate->path);
    test::RunningEditor editor;
    ASSERT_TRUE(editor.Started());
    std::string why;
    ASSERT_TRUE(test::WaitForReadyEditor(editor, why)) << why;
    CFieldView& view = editor.View();
    CMainField& field = *view.Field();
    ASSERT_TRUE(WaitFor(
        [&] {
            return field.Mode() == EditMode::ModePlace && field.CursorPartCount() == uint32_t(crate->parts);
        },
        60000));

    QWindow* surface = view.SurfaceWindow();
    surface->requestActivate();
    ASSERT_TRUE(WaitFor([&] { return QGuiApplication::focusWindow() == surface; }, 30000));
    const QPoint spot(surface->width() / 2, surface->height() * 2 / 3);
    QTest::mouseMove(surface, spot - QPoint(0, 7));
    QTest::mouseMove(surface, spot);
    ASSERT_TRUE(WaitFor([&] { return field.Input().mouseClient == PixelPoint{spot.x(), spot.y()}; }, 60000));
    QTest::mouseClick(surface, Qt::LeftButton, {}, spot);
    ASSERT_TRUE(
        WaitFor([&] { return field.Mode() == EditMode::ModeAdjust && SelectedTransform(field); }, 60000));
    const CModelTransform placed = *SelectedTransform(field);
    const size_t steps = field.UndoCount();

    // G X 2 . 5 Enter on the main keyboard.
    for (Qt::Key key : {Qt::Key_G, Qt::Key_X, Qt::Key_2, Qt::Key_Period, Qt::Key_5}) {
        QTest::keyClick(surface, key);
    }
    ASSERT_TRUE(WaitForAppliedInput(field));
    EXPECT_EQ(field.TypedValueText(), "2.5");
    QTest::keyClick(surface, Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return field.Mode() == EditMode::ModeAdjust; }, 10000));
    const CModelTransform moved = *SelectedTransform(field);
    EXPECT_FLOAT_EQ(moved.position.x, placed.position.x + 2.5f);
    EXPECT_FLOAT_EQ(moved.position.y, placed.position.y);
    EXPECT_FLOAT_EQ(moved.position.z, placed.position.z);
    EXPECT_EQ(field.UndoCount(), steps + 1);

    // R Z, then minus, 9, 0 and Enter on the keypad.
    QTest::keyClick(surface, Qt::Key_R);
    QTest::keyClick(surface, Qt::Key_Z);
    for (Qt::Key key : {Qt::Key_Minus, Qt::Key_9, Qt::Key_0, Qt::Key_Enter}) {
        QTest::keyClick(surface, key, Qt::KeypadModifier);
    }
    ASSERT_TRUE(WaitForAppliedInput(field));
    ASSERT_EQ(field.Mode(), EditMode::ModeAdjust);
    EXPECT_FLOAT_EQ(SelectedTransform(field)->rotation.z, WrapAngle(placed.rotation.z - 90.0f));

    // S 7 Escape: nothing changes and no step is made.
    QTest::keyClick(surface, Qt::Key_S);
    QTest::keyClick(surface, Qt::Key_7);
    QTest::keyClick(surface, Qt::Key_Escape);
    ASSERT_TRUE(WaitForAppliedInput(field));
    EXPECT_EQ(field.Mode(), EditMode::ModeAdjust);
    EXPECT_EQ(SelectedTransform(field)->scale, placed.scale);
    EXPECT_EQ(field.UndoCount(), steps + 2);
}

} // namespace
} // namespace quorvane
