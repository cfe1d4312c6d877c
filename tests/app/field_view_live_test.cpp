// The live field view on a generated demo field, driven by real Qt events:
// the wheel, a camera drag and the skeleton view's keys reach the core, and
// losing the keyboard lets go of the held modifiers. The placing keys and
// clicks are driven in Journey.ChoosePlaceDeleteWriteReloadMoveAndRestart, the
// camera arithmetic is in FieldViewCamera and FieldCameraDrag. Needs an X
// display (xvfb-run): the view renders through a Vulkan surface.
#include "editor/registry_lists.h"
#include "render/vulkan_instance.h"
#include "tests/app/editor_session.h"
#include "tests/small_demo_field.h"
#include "ui/check_box.h"
#include "ui/display_toggles.h"

#include <QWheelEvent>
#include <QWidget>
#include <cmath>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::WaitFor;
using test::WaitForAppliedInput;

TEST(FieldViewLive, WheelCameraDragAndSkeletonWalkReachTheCameraAndLosingFocusReleasesModifiers) {
    ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "needs an X display (run it through xvfb-run)";
    test::SmallDemoManifest();
    test::ScopedWorkingDirectory inDemo(test::SmallDemoRoot());
    const int errorsBefore = CVulkanInstance::ValidationErrorCount();
    {
        test::RunningEditor editor;
        ASSERT_TRUE(editor.Started());
        std::string why;
        ASSERT_TRUE(test::WaitForReadyEditor(editor, why)) << why;
        CMainWindow& window = editor.Window();
        CFieldView& view = editor.View();
        CMainField& field = *view.Field();
        // Start-up loaded the character and the low-detail field.
        EXPECT_NE(view.Lists()->FindByName("SKELTON"), nullptr);
        EXPECT_NE(view.Lists()->FindByName("FIELD_LOW"), nullptr);
        const EditMode mode = field.Mode();

        QWindow* surface = view.SurfaceWindow();
        const QPoint p(surface->width() / 2, surface->height() * 2 / 3);
        ASSERT_TRUE(test::MoveMouse(field, surface, p));

        // One wheel notch forward brings the eye from 81 to 2.88^4 units.
        const auto distance = [&] {
            const CCamera camera = view.CameraSnapshot().camera;
            return Length(camera.eye - camera.target);
        };
        EXPECT_NEAR(distance(), 81.0f, 0.01f);
        QWheelEvent wheel(QPointF(p), surface->mapToGlobal(QPointF(p)), QPoint(), QPoint(0, 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(surface, &wheel);
        EXPECT_TRUE(WaitFor([&] { return std::fabs(distance() - 68.797f) < 0.01f; }, 30000)) << distance();

        // However slow the frames, a key reaches the core in the event that
        // brought it: with the frames stopped it is posted at once, then
        // applied by the next frame. Nothing on the window thread waits for one.
        view.SetPaused(true);
        QTest::qWait(300); // a frame under way when the pause came ends
        ASSERT_TRUE(field.PostedInputApplied());
        QTest::keyPress(surface, Qt::Key_Shift);
        EXPECT_FALSE(field.PostedInputApplied()) << "the key waited for a frame";
        view.SetPaused(false);
        // Shift and a right drag of 50 pixels right, 25 up: yaw -90 - 10, pitch 20 + 5.
        ASSERT_TRUE(WaitForAppliedInput(field));
        ASSERT_TRUE(field.Input().shiftHeld);
        QTest::mousePress(surface, Qt::RightButton, Qt::ShiftModifier, p);
        QTest::mouseMove(surface, p + QPoint(50, -25));
        EXPECT_TRUE(WaitFor(
            [&] {
                const CameraControl angles = view.CameraControlSnapshot();
                return std::fabs(angles.yaw + 100.0f) < 1e-3f && std::fabs(angles.pitch - 25.0f) < 1e-3f;
            },
            30000))
            << view.CameraControlSnapshot().yaw << " " << view.CameraControlSnapshot().pitch;
        QTest::mouseRelease(surface, Qt::RightButton, Qt::ShiftModifier, p + QPoint(50, -25));
        QTest::keyRelease(surface, Qt::Key_Shift);
        ASSERT_TRUE(WaitForAppliedInput(field));
        EXPECT_EQ(field.Mode(), mode) << "a camera drag changes no mode";

        // Ctrl+2 keeps this camera; after another notch, 2 glides back to it.
        QTest::keyClick(surface, Qt::Key_2, Qt::ControlModifier);
        ASSERT_TRUE(WaitFor([&] { return field.Bookmark(2).has_value(); }, 30000)) << "Ctrl+2 kept nothing";
        QCoreApplication::sendEvent(surface, &wheel);
        ASSERT_TRUE(WaitFor([&] { return distance() < 60.0f; }, 30000));
        QTest::keyClick(surface, Qt::Key_2);
        EXPECT_TRUE(WaitFor(
            [&] {
                return std::fabs(distance() - 68.797f) < 0.01f &&
                       std::fabs(view.CameraControlSnapshot().yaw + 100.0f) < 1e-3f;
            },
            30000))
            << "2 did not bring the kept camera back: " << distance();

        // Skeleton view: the grid box goes off, the camera stands 15 behind the
        // character and Up walks it forward; the walk's and the following
        // camera's arithmetic is in the headless walk tests.
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

        // A modifier held while the view loses the keyboard never sends its key-up
        // to the view: losing the focus must let go of it in the core, or Ctrl
        // stays held and the next Z undoes.
        surface->requestActivate();
        ASSERT_TRUE(WaitFor([&] { return QGuiApplication::focusWindow() == surface; }, 30000));
        QTest::keyPress(surface, Qt::Key_Control);
        QTest::keyPress(surface, Qt::Key_Shift, Qt::ControlModifier);
        ASSERT_TRUE(WaitForAppliedInput(field));
        ASSERT_TRUE(field.Input().ctrlKeyDown);
        ASSERT_TRUE(field.Input().shiftKeyDown);
        QWidget other; // takes the keyboard; the key-ups go there
        other.setGeometry(0, 0, 200, 100);
        other.show();
        other.activateWindow();
        other.windowHandle()->requestActivate();
        ASSERT_TRUE(WaitFor([&] { return QGuiApplication::focusWindow() == other.windowHandle(); }, 30000));
        EXPECT_TRUE(WaitFor([&] { return !field.Input().ctrlKeyDown && !field.Input().shiftKeyDown; }, 10000))
            << "ctrl " << field.Input().ctrlKeyDown << ", shift " << field.Input().shiftKeyDown;
    }
    EXPECT_EQ(CVulkanInstance::ValidationErrorCount(), errorsBefore);
}

} // namespace
} // namespace quorvane
