// The model viewer on a generated demo field. Needs an X display (xvfb-run):
// the viewer renders through a Vulkan surface.
#include "modeldata/mdl_reader.h"
#include "render/draw_model.h"
#include "tests/app/editor_session.h"
#include "tests/small_demo_field.h"
#include "tests/work_failures.h"
#include "ui/model_viewer_window.h"

#include <QWheelEvent>
#include <atomic>
#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>

namespace quorvane {
namespace {

using test::WaitFor;

// The demo folder, generated on first use.
const std::filesystem::path& DemoRoot() {
    test::SmallDemoManifest();
    return test::SmallDemoRoot();
}

std::string DefinitionEndingWith(std::string_view name) {
    const demofield::CWrittenDefinition* definition = test::SmallDemoDefinition(name);
    return definition == nullptr ? std::string() : "./" + definition->path;
}

using test::ScopedWorkingDirectory;

// The hand-offs the viewer made, recorded from its render thread.
struct HandOffLog {
    std::atomic<int> count{0};
    std::mutex mutex;
    std::filesystem::path last;

    CModelViewerWindow::HandOff Recorder() {
        return [this](const CModelDefinition& definition) {
            {
                std::lock_guard lock(mutex);
                last = definition.filePath;
            }
            count.fetch_add(1);
        };
    }
};

// A standalone viewer in a host widget, with frames on screen.
class ViewerFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(QGuiApplication::platformName(), "xcb")
            << "needs an X display (run it through test.sh or xvfb-run)";
        inDemo_ = std::make_unique<ScopedWorkingDirectory>(DemoRoot());
        host_ = std::make_unique<QWidget>();
        host_->setGeometry(0, 0, 300, 300);
        viewer_ = CModelViewerWindow::Create(host_.get());
        ASSERT_NE(viewer_, nullptr);
        viewer_->Container()->setGeometry(20, 20, 260, 260);
        host_->show();
        ASSERT_TRUE(WaitFor([&] { return viewer_->FrameRate() > 0.0; }, 30000))
            << "the viewer draws no frames";
    }

    QImage Grab() const { return test::GrabView(viewer_->Container()); }

    bool LoadAndWait(const std::string& definition, HandOffLog& log) {
        const int swaps = viewer_->SwapCount();
        if (!viewer_->LoadDefinition(definition, log.Recorder())) {
            return false;
        }
        return WaitFor([&] { return viewer_->SwapCount() == swaps + 1 && !viewer_->Busy(); }, 30000);
    }

    // Declared in the order they are made: the viewer goes first, the folder last.
    std::unique_ptr<ScopedWorkingDirectory> inDemo_;
    std::unique_ptr<QWidget> host_;
    std::unique_ptr<CModelViewerWindow> viewer_;
};

// Pixels whose colour channels differ by more than 24 in all; -1 when the sizes differ.
int PixelsThatDiffer(const QImage& a, const QImage& b) {
    int differing = a.size() == b.size() ? 0 : -1;
    for (int y = 0; differing >= 0 && y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int apart =
                std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
            differing += apart > 24 ? 1 : 0;
        }
    }
    return differing;
}

TEST_F(ViewerFixture, ShowsTheChosenModelFittedAndTurningThenHandsItOn) {
    const std::string crate = DefinitionEndingWith("crate.mdf");
    ASSERT_FALSE(crate.empty());
    CModelDefinition definition;
    ASSERT_TRUE(definition.Load(crate));
    ASSERT_EQ(definition.lodValues[0], 0u);

    // Where the first model's bounding sphere lies, from the file alone.
    CModel firstModel;
    ASSERT_TRUE(ReadModelFile(firstModel, definition.paths[0]));
    CDrawModel cpuOnly(nullptr);
    cpuOnly.Build(&firstModel, DrawModelPlacement::CpuVisible, false);
    const double expectedDistance = std::max(2.0 * cpuOnly.radius, 0.1);

    QTest::qWait(200);
    const QImage empty = Grab();
    ASSERT_FALSE(empty.isNull());

    HandOffLog log;
    ASSERT_TRUE(LoadAndWait(crate, log));
    EXPECT_EQ(log.count.load(), 1);
    {
        std::lock_guard lock(log.mutex);
        EXPECT_EQ(log.last, std::filesystem::path(crate));
    }
    EXPECT_EQ(viewer_->CurrentDefinition().filePath, std::filesystem::path(crate));

    const ViewerCameraView fitted = viewer_->CameraSnapshot();
    EXPECT_LT(Length(fitted.camera.target - cpuOnly.center), 1e-4);
    EXPECT_NEAR(fitted.orbit.distance, expectedDistance, 1e-4);

    // The model covers part of the panel that was background before.
    EXPECT_TRUE(WaitFor([&] { return PixelsThatDiffer(empty, Grab()) > 260 * 260 / 100; }, 5000))
        << "the viewer still shows its empty background";

    // It turns; how far each frame and at what height is ViewerCamera's.
    const float yawBefore = viewer_->CameraSnapshot().camera.angleDegrees;
    EXPECT_TRUE(WaitFor([&] { return viewer_->CameraSnapshot().camera.angleDegrees != yawBefore; }, 3000));

    // One wheel notch forward scales the distance by 0.94.
    QWindow* surface = viewer_->SurfaceWindow();
    const QPointF centre(130, 130);
    QWheelEvent wheel(centre, surface->mapToGlobal(centre), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(surface, &wheel);
    EXPECT_TRUE(WaitFor(
        [&] { return std::fabs(viewer_->CameraSnapshot().orbit.distance - expectedDistance * 0.94) < 1e-6; },
        3000))
        << viewer_->CameraSnapshot().orbit.distance;
}

TEST_F(ViewerFixture, RefusesASecondLoadWhileTheFirstIsPendingAndKeepsTheCameraWithoutSlotZero) {
    const std::string crate = DefinitionEndingWith("crate.mdf");
    ASSERT_FALSE(crate.empty());
    HandOffLog log;
    ASSERT_TRUE(viewer_->LoadDefinition(crate, log.Recorder()));
    EXPECT_FALSE(viewer_->LoadDefinition(crate, log.Recorder())) << "the first set has not been taken yet";
    ASSERT_TRUE(WaitFor([&] { return viewer_->SwapCount() == 1 && !viewer_->Busy(); }, 30000));
    EXPECT_EQ(log.count.load(), 1);

    // Only level-1 and level-2 entries: nothing to show, nothing to fit.
    CModelDefinition original;
    ASSERT_TRUE(original.Load(crate));
    const std::filesystem::path farOnly = "viewer_far_only.mdf";
    {
        std::ofstream out(farOnly);
        out << "LOD:1\nPATH:" << original.paths[0] << "\nLOD:2\nPATH:" << original.paths[0] << "\n";
    }
    const ViewerCameraView before = viewer_->CameraSnapshot();
    ASSERT_TRUE(LoadAndWait(farOnly.string(), log));
    const ViewerCameraView after = viewer_->CameraSnapshot();
    EXPECT_EQ(log.count.load(), 2) << "the field is handed the definition all the same";
    EXPECT_EQ(Length(after.camera.target - before.camera.target), 0.0f);
    EXPECT_EQ(after.orbit.distance, before.orbit.distance);

    // A file that cannot be opened changes nothing on screen and reaches nobody.
    const int swaps = viewer_->SwapCount();
    EXPECT_TRUE(viewer_->LoadDefinition("no_such_definition.mdf", log.Recorder()));
    // Read on the loader thread, never on the UI thread.
    EXPECT_TRUE(WaitFor([&] { return !viewer_->Busy(); }, 30000));
    EXPECT_EQ(viewer_->CurrentDefinition().count, 0u);
    QTest::qWait(200);
    EXPECT_EQ(viewer_->SwapCount(), swaps);
    EXPECT_EQ(log.count.load(), 2);
    std::filesystem::remove(farOnly);
}

// A set still loading when the surface goes is dropped with the device; the
// viewer must take the next choice once it has a surface again, and closing
// with a load pending ends.
TEST_F(ViewerFixture, ALoadDroppedWithItsSurfaceDoesNotRefuseTheNextOneAndClosingEnds) {
    const std::string tree = DefinitionEndingWith(".mdf");
    ASSERT_FALSE(tree.empty());
    HandOffLog log;
    ASSERT_TRUE(viewer_->LoadDefinition(tree, log.Recorder()));
    // The native window goes, and its surface with it, as on a reparent; then it comes back.
    viewer_->SurfaceWindow()->destroy();
    viewer_->Container()->hide();
    viewer_->Container()->show();
    const int swaps = viewer_->SwapCount();
    bool accepted = false;
    WaitFor([&] { return accepted || (accepted = viewer_->LoadDefinition(tree, log.Recorder())); }, 30000);
    EXPECT_TRUE(accepted) << "the dropped set left the viewer busy";
    EXPECT_TRUE(WaitFor([&] { return viewer_->SwapCount() > swaps && !viewer_->Busy(); }, 30000));

    const int handedOn = log.count.load();
    ASSERT_TRUE(viewer_->LoadDefinition(tree, log.Recorder()));
    test::RunOrAbort(std::chrono::seconds(30), "closing the viewer", [&] { viewer_.reset(); });
    EXPECT_LE(log.count.load(), handedOn + 1);
}

// Shutting the whole window down right behind a choice still on its way
// through the viewer ends. That the choice reaches the core is
// Journey.ChoosePlaceDeleteWriteReloadMoveAndRestart's first step.
TEST(ModelViewerInMainWindow, ShutDownRightBehindAChoiceEnds) {
    ASSERT_EQ(QGuiApplication::platformName(), "xcb")
        << "needs an X display (run it through test.sh or xvfb-run)";
    const std::string crate = DefinitionEndingWith("crate.mdf");
    ASSERT_FALSE(crate.empty());
    ScopedWorkingDirectory inDemo(DemoRoot());
    test::RunningEditor editor;
    ASSERT_TRUE(editor.Started());
    CMainWindow& window = editor.Window();
    CModelViewerWindow* viewer = window.ModelViewer();
    ASSERT_NE(viewer, nullptr);
    ASSERT_TRUE(WaitFor([&] { return editor.View().StartupFinished() && viewer->FrameRate() > 0.0; }, 60000));
    CMainField& field = *window.Field();
    window.ChooseDefinition(crate);
    EXPECT_TRUE(
        WaitFor([&] { return field.Mode() == EditMode::ModePlace && field.CursorPartCount() == 1; }, 30000));
    window.ChooseDefinition(DefinitionEndingWith(".mdf"));
    test::RunOrAbort(std::chrono::seconds(30), "shutting the editor down", [&] { editor.Stop(); });
}

} // namespace
} // namespace quorvane
