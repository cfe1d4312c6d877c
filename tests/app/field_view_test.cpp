// The field view as a Vulkan window with nothing to load: needs an X display
// (xvfb-run in CI).
#include "app/application.h"
#include "app/field_view.h"
#include "app/main_window.h"
#include "editor/main_field.h"
#include "editor/registry_lists.h"
#include "tests/app/editor_session.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::WaitFor;

TEST(FieldView, PresentsWithFrameRateSurvivesResizeAndShutsDownCleanly) {
    ASSERT_EQ(QGuiApplication::platformName(), "xcb")
        << "needs an X display (run it through test.sh or xvfb-run)";
    const int errorsBefore = CVulkanInstance::ValidationErrorCount();
    {
        CAppState state;
        state.geometry = ComputeAppGeometry(ReadScreenMetrics(*QGuiApplication::primaryScreen()));
        SetAppState(&state);
        state.mainWindow = std::make_unique<CMainWindow>(state);
        CMainWindow& window = *state.mainWindow;
        ASSERT_NE(window.FieldView(), nullptr);
        // The field view's and the model viewer's render loops, both stopped by shut-down.
        ASSERT_EQ(state.renderThreads.size(), 2u);
        // Sized from the screen, so that it fits at any scale factor: 1280 x 720
        // on a 1920 x 1080 screen.
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        window.setGeometry(0, 0, screen.width() * 2 / 3, screen.height() * 2 / 3);
        window.Relayout();
        window.show();

        CFieldView& view = *window.FieldView();
        ASSERT_TRUE(WaitFor([&] { return view.FrameRate() > 0.0; }, 15000)) << "no frames presented";
        EXPECT_TRUE(state.renderThreads[0]->IsRunning());
        // Without a demo folder every start-up model fails: each is reported
        // and left out, and the view keeps drawing.
        ASSERT_TRUE(WaitFor([&] { return view.StartupFinished(); }, 30000));
        ASSERT_NE(view.Lists(), nullptr);
        EXPECT_EQ(view.Lists()->characters.Count(), 0);
        EXPECT_EQ(view.Lists()->lowDetailField.Count(), 0);
        EXPECT_EQ(view.Field()->Mode(), EditMode::ModeNoModel);
        // The grey background reaches the screen, stretched over the whole view.
        const QColor background(204, 204, 204);
        EXPECT_TRUE(WaitFor(
            [&] {
                const QImage image = test::GrabView(view);
                return !image.isNull() && image.pixelColor(2, 2) == background &&
                       image.pixelColor(image.width() - 3, image.height() - 3) == background;
            },
            5000));
        // The view renders at its own size in pixels, and again at the new
        // size once resized; frames keep coming. The same test runs scaled by
        // QT_SCALE_FACTOR=2, where the pixels are twice the client size.
        QWindow& surface = *view.SurfaceWindow();
        if (const QByteArray factor = qgetenv("QT_SCALE_FACTOR"); !factor.isEmpty()) {
            EXPECT_EQ(surface.devicePixelRatio(), factor.toDouble());
        }
        const auto rendersAtViewSize = [&] {
            const CCamera camera = view.CameraSnapshot().camera;
            const qreal ratio = surface.devicePixelRatio();
            return camera.width == qRound(surface.width() * ratio) &&
                   camera.height == qRound(surface.height() * ratio) && camera.width != 1920;
        };
        EXPECT_TRUE(WaitFor(rendersAtViewSize, 5000)) << view.CameraSnapshot().camera.width;
        const QSize sizeBefore = surface.size();
        window.setGeometry(0, 0, screen.width() / 2, screen.height() / 2);
        window.Relayout();
        ASSERT_TRUE(WaitFor([&] { return surface.size() != sizeBefore; }, 5000));
        EXPECT_TRUE(WaitFor(rendersAtViewSize, 5000)) << view.CameraSnapshot().camera.width;
        const double before = view.FrameRate();
        EXPECT_TRUE(WaitFor([&] { return view.FrameRate() != before; }, 5000));
        EXPECT_GT(view.FrameRate(), 0.0);

        ShutdownApplication(state);
        for (const CRenderThread* thread : state.renderThreads) {
            EXPECT_FALSE(thread->IsRunning());
        }
        state.mainWindow.reset();
        EXPECT_TRUE(state.renderThreads.empty());
        SetAppState(nullptr);
    }
    EXPECT_EQ(CVulkanInstance::ValidationErrorCount(), errorsBefore);
}

} // namespace
} // namespace quorvane
