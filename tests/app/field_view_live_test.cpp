// The live field view on a generated demo field, driven by real Qt events.
// Needs an X display (xvfb-run): the view renders through a Vulkan surface.
#include "app/application.h"
#include "app/field_view.h"
#include "app/main_window.h"
#include "editor/main_field.h"
#include "editor/registry_lists.h"
#include "tests/app/settled_field.h"
#include "tests/qt_wait.h"
#include "tests/small_demo_field.h"
#include "tests/working_directory.h"
#include "ui/check_box.h"
#include "ui/display_toggles.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTest>
#include <QWheelEvent>
#include <QWindow>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace quorvane {
namespace {

using test::WaitFor;
using test::WaitForAppliedInput;

const std::filesystem::path& DemoRoot() {
    return test::SmallDemoRoot();
}

const demofield::CManifest& DemoManifest() {
    return test::SmallDemoManifest();
}

std::string DefinitionEndingWith(const std::string& name) {
    for (const auto& definition : DemoManifest().definitions) {
        if (definition.path.ends_with(name)) {
            return definition.path;
        }
    }
    return {};
}

// The field view reads "./model", "./pict" and "./gridfile": run it in the demo folder.
using test::ScopedWorkingDirectory;
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : name_(name) { qputenv(name, value.c_str()); }
    ~ScopedVariable() { qunsetenv(name_); }

private:
    const char* name_;
};

struct ImagePoint {
    float x = 0;
    float y = 0;
};

// A client point of the view in pixels of the 1920 x 1080 render image.
ImagePoint ToImage(const QPoint& client, const QSize& size) {
    return {static_cast<float>(client.x()) * 1920.0f / static_cast<float>(size.width()),
            static_cast<float>(client.y()) * 1080.0f / static_cast<float>(size.height())};
}

bool ProjectsNear(const CCamera& camera, const Vector4& point, const ImagePoint& expected, float tolerance) {
    const std::optional<ScreenPoint> screen = ProjectToScreen(camera, {point.x, point.y, point.z});
    return screen && std::fabs(screen->x - expected.x) <= tolerance &&
           std::fabs(screen->y - expected.y) <= tolerance;
}

Vector4 CursorPosition(const EditVectors& vectors) {
    return {vectors.pickPoint.x - vectors.cursorOffset.x, vectors.pickPoint.y - vectors.cursorOffset.y,
            vectors.pickPoint.z - vectors.cursorOffset.z, 1};
}

bool IsGuideRed(const QColor& c) {
    return c.red() > 200 && c.green() < 60 && c.blue() < 60;
}

// Whether a red guide pixel lies within two rows of (x, y) in the grabbed view.
bool RedNear(const QImage& image, int x, int y) {
    for (int dy = -2; dy <= 2; ++dy) {
        if (y + dy >= 0 && y + dy < image.height() && IsGuideRed(image.pixelColor(x, y + dy))) {
            return true;
        }
    }
    return false;
}

TEST(FieldViewLive, ChoosesMovesAlongXPlacesAndCancelsWithRealEvents) {
    ASSERT_EQ(QGuiApplication::platformName(), "xcb")
        << "needs an X display (run it through test.sh or xvfb-run)";
    const std::string crate = DefinitionEndingWith("crate.mdf");
    ASSERT_FALSE(crate.empty()) << "the demo field has no crate definition";
    ScopedWorkingDirectory inDemo(DemoRoot());
    ScopedVariable choose("QUORVANE_CHOOSE", "./" + crate);
    const int errorsBefore = CVulkanInstance::ValidationErrorCount();
    {
        CAppState state;
        state.geometry = ComputeAppGeometry(ReadScreenMetrics(*QGuiApplication::primaryScreen()));
        SetAppState(&state);
        state.mainWindow = std::make_unique<CMainWindow>(state);
        CMainWindow& window = *state.mainWindow;
        ASSERT_NE(window.FieldView(), nullptr);
        window.setGeometry(0, 0, 1600, 900);
        window.Relayout();
        window.show();
        window.activateWindow();

        CFieldView& view = *window.FieldView();
        ASSERT_TRUE(WaitFor([&] { return view.FrameRate() > 0.0 && view.StartupFinished(); }, 60000))
            << "no frames or the start-up loads never ended";
        CMainField& field = *view.Field();
        CRegistryLists& lists = *view.Lists();
        // Start-up loaded the character and the low-detail field, and chose the crate.
        EXPECT_EQ(lists.characters.Count(), 1);
        EXPECT_NE(lists.FindByName("SKELTON"), nullptr);
        EXPECT_NE(lists.FindByName("FIELD_LOW"), nullptr);
        ASSERT_TRUE(WaitFor(
            [&] { return field.Mode() == EditMode::ModePlace && field.CursorPartCount() == 1; }, 30000));

        ASSERT_TRUE(test::WaitForSettledField(view)) << "the field never finished streaming in";

        QWindow* surface = view.SurfaceWindow();
        const QSize size = surface->size();
        ASSERT_GT(size.width(), 300);
        ASSERT_GT(size.height(), 300);
        const QPoint p1(size.width() / 2 - 100, size.height() * 2 / 3);

        // The pick point follows the mouse onto the ground: its x and y are where
        // the mouse's ray meets z = 0; its height is the terrain's once the tile
        // under it has streamed in, so only the plane point is compared.
        const auto onPlane = [](Vector4 point) {
            point.z = 0.0f;
            return point;
        };
        QTest::mouseMove(surface, p1);
        ASSERT_TRUE(WaitFor(
            [&] {
                return ProjectsNear(view.CameraSnapshot().camera, onPlane(field.Vectors().pickPoint),
                                    ToImage(p1, size), 2);
            },
            30000))
            << "the pick point did not come under the mouse";

        // No guides while placing.
        QWidget* container = view.Container();
        const auto grabbed = [&] {
            const QPoint origin = container->mapToGlobal(QPoint(0, 0));
            return QGuiApplication::primaryScreen()
                ->grabWindow(0, origin.x(), origin.y(), container->width(), container->height())
                .toImage();
        };
        const int leftX = size.width() / 8;
        const int rightX = size.width() * 7 / 8;
        {
            QTest::qWait(200);
            const QImage image = grabbed();
            ASSERT_FALSE(image.isNull());
            EXPECT_FALSE(RedNear(image, leftX, p1.y()));
            EXPECT_FALSE(RedNear(image, rightX, p1.y()));
        }

        // G, then X: a mouse move drags the cursor along x only.
        const EditVectors before = field.Vectors();
        QTest::keyClick(surface, Qt::Key_G);
        EXPECT_TRUE(WaitFor([&] { return field.Mode() == EditMode::ModeCursorMove; }, 30000))
            << ModeValue(field.Mode());
        QTest::keyClick(surface, Qt::Key_X);
        EXPECT_TRUE(WaitFor([&] { return field.Mode() == EditMode::ModeCursorMoveX; }, 30000))
            << ModeValue(field.Mode());
        const QPoint p2 = p1 + QPoint(200, 0);
        QTest::mouseMove(surface, p2);
        ASSERT_TRUE(WaitFor([&] { return field.Input().mouseClient == PixelPoint{p2.x(), p2.y()}; }, 30000));
        const EditVectors after = field.Vectors();
        const Vector4 cursorBefore = CursorPosition(before);
        const Vector4 cursorAfter = CursorPosition(after);
        EXPECT_EQ(after.pickPoint, before.pickPoint) << "the pick holds still during a drag";
        EXPECT_FLOAT_EQ(cursorAfter.y, cursorBefore.y);
        EXPECT_FLOAT_EQ(cursorAfter.z, cursorBefore.z);
        const float moved = cursorAfter.x - cursorBefore.x;
        EXPECT_GT(std::fabs(moved), 1.0f);
        // The ground point that moved with the cursor is now under the mouse.
        const Vector4 dragged{before.pickPoint.x + moved, before.pickPoint.y, 0.0f, 1};
        const std::optional<ScreenPoint> draggedOnScreen =
            ProjectToScreen(view.CameraSnapshot().camera, {dragged.x, dragged.y, dragged.z});
        EXPECT_TRUE(ProjectsNear(view.CameraSnapshot().camera, dragged, ToImage(p2, size), 3))
            << "the dragged ground point lies at " << (draggedOnScreen ? draggedOnScreen->x : -1.0f) << ", "
            << (draggedOnScreen ? draggedOnScreen->y : -1.0f) << " instead of " << ToImage(p2, size).x << ", "
            << ToImage(p2, size).y;

        // The red X guide now runs through the pick point, across the view: on
        // the row the pick point projects to (the mouse's row while the ground
        // under it has not streamed in, a little off it once it has a height).
        const std::optional<ScreenPoint> pickOnScreen = ProjectToScreen(
            view.CameraSnapshot().camera, {after.pickPoint.x, after.pickPoint.y, after.pickPoint.z});
        ASSERT_TRUE(pickOnScreen.has_value());
        const int guideRow =
            static_cast<int>(std::lround(pickOnScreen->y * static_cast<float>(size.height()) / 1080.0f));
        EXPECT_TRUE(WaitFor(
            [&] {
                const QImage image = grabbed();
                return !image.isNull() && RedNear(image, leftX, guideRow) && RedNear(image, rightX, guideRow);
            },
            30000))
            << "no red axis guide on the pick point's row";

        // A left click confirms the move, the next one places.
        QTest::mouseClick(surface, Qt::LeftButton, {}, p2);
        ASSERT_TRUE(WaitFor([&] { return field.Mode() == EditMode::ModePlace; }, 30000));
        EXPECT_EQ(field.PlacedModelCount(), 0);
        QTest::mouseClick(surface, Qt::LeftButton, {}, p2);
        ASSERT_TRUE(WaitFor([&] { return field.PlacedModelCount() == 1; }, 30000));
        EXPECT_EQ(field.Mode(), EditMode::ModeAdjust);
        EXPECT_EQ(field.PlacementRecordCount(), 1);
        EXPECT_FALSE(field.SelectedName().empty());

        // A right click cancels the fresh placement: the frame update removes it.
        QTest::mouseClick(surface, Qt::RightButton, {}, p2);
        EXPECT_TRUE(WaitFor(
            [&] { return field.PlacedModelCount() == 0 && field.EditRequest() == CMainField::kRequestNone; },
            30000));
        EXPECT_EQ(field.PlacementRecordCount(), 0);
        EXPECT_EQ(field.Mode(), EditMode::ModePlace);

        // One wheel notch forward brings the eye from 81 to 2.88^4 units.
        const auto distance = [&] {
            const CCamera camera = view.CameraSnapshot().camera;
            return Length(camera.eye - camera.target);
        };
        EXPECT_NEAR(distance(), 81.0f, 0.01f);
        QWheelEvent wheel(QPointF(p2), surface->mapToGlobal(QPointF(p2)), QPoint(), QPoint(0, 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(surface, &wheel);
        EXPECT_TRUE(WaitFor([&] { return std::fabs(distance() - 68.797f) < 0.01f; }, 30000)) << distance();

        // Shift and a right drag of 50 pixels right, 25 up: yaw -90 - 10, pitch 20 + 5.
        const CameraControl startAngles = view.CameraControlSnapshot();
        EXPECT_FLOAT_EQ(startAngles.yaw, -90.0f);
        EXPECT_FLOAT_EQ(startAngles.pitch, 20.0f);
        QTest::keyPress(surface, Qt::Key_Shift);
        ASSERT_TRUE(WaitForAppliedInput(field));
        ASSERT_TRUE(field.Input().shiftHeld);
        QTest::mousePress(surface, Qt::RightButton, Qt::ShiftModifier, p2);
        QTest::mouseMove(surface, p2 + QPoint(50, -25));
        EXPECT_TRUE(WaitFor(
            [&] {
                const CameraControl angles = view.CameraControlSnapshot();
                return std::fabs(angles.yaw + 100.0f) < 1e-3f && std::fabs(angles.pitch - 25.0f) < 1e-3f;
            },
            30000))
            << view.CameraControlSnapshot().yaw << " " << view.CameraControlSnapshot().pitch;
        QTest::mouseRelease(surface, Qt::RightButton, Qt::ShiftModifier, p2 + QPoint(50, -25));
        QTest::keyRelease(surface, Qt::Key_Shift);
        ASSERT_TRUE(WaitForAppliedInput(field));
        EXPECT_NEAR(distance(), 68.797f, 0.01f) << "orbiting keeps the eye's distance";
        EXPECT_EQ(field.Mode(), EditMode::ModePlace) << "a camera drag changes no mode";

        // Skeleton view: the grid box goes off and Up walks the character along
        // its heading; the camera follows 15 behind it, 5 above its feet.
        CCheckBox& skeletonBox = *window.CheckBoxes()[CDisplayToggles::kSkeletonView - 1];
        QTest::mouseClick(&skeletonBox, Qt::LeftButton, {}, skeletonBox.rect().center());
        ASSERT_TRUE(window.DisplayToggles().IsChecked(CDisplayToggles::kSkeletonView));
        EXPECT_TRUE(
            WaitFor([&] { return !window.DisplayToggles().IsChecked(CDisplayToggles::kGrid); }, 30000))
            << "the skeleton view left the grid on";
        const auto behind = [](const CCamera& camera) {
            return Vec3{camera.target.x - camera.eye.x, camera.target.y - camera.eye.y, 0.0f};
        };
        ASSERT_TRUE(WaitFor(
            [&] { return std::fabs(Length(behind(view.CameraSnapshot().camera)) - 15.0f) < 0.01f; }, 30000));
        const CCamera standing = view.CameraSnapshot().camera;
        const Vec3 heading = Normalize(behind(standing));
        EXPECT_NEAR(standing.target.z - standing.eye.z, 0.0f, 1e-3f);
        // Held until the character has covered some ground, however slow the frames are.
        QTest::keyPress(surface, Qt::Key_Up);
        WaitFor(
            [&] {
                const CCamera now = view.CameraSnapshot().camera;
                return std::hypot(now.target.x - standing.target.x, now.target.y - standing.target.y) > 2.0f;
            },
            30000);
        QTest::keyRelease(surface, Qt::Key_Up);
        QTest::qWait(200);
        const CCamera walked = view.CameraSnapshot().camera;
        const Vec3 step{walked.target.x - standing.target.x, walked.target.y - standing.target.y, 0.0f};
        EXPECT_GT(Dot(step, heading), 1.0f) << "the character did not walk forward";
        EXPECT_NEAR(Length(Cross(step, heading)), 0.0f, 0.05f * Length(step)) << "it left its heading";
        EXPECT_NEAR(Length(behind(walked)), 15.0f, 0.01f);

        ShutdownApplication(state);
        state.mainWindow.reset();
        SetAppState(nullptr);
    }
    EXPECT_EQ(CVulkanInstance::ValidationErrorCount(), errorsBefore);
}

} // namespace
} // namespace quorvane
