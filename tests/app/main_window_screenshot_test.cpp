// The whole main window on a generated demo field, photographed. Needs an X
// display (xvfb-run): the field view renders through a Vulkan surface. The
// panels' controls are checked in MainWindowTest.SideWindowsAreTheWorkingControls,
// a click in the tree in Journey.ChoosePlaceDeleteWriteReloadMoveAndRestart.
#include "tests/app/editor_session.h"
#include "tests/small_demo_field.h"
#include "ui/info_window.h"

#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <filesystem>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

using test::WaitFor;

TEST(MainWindowScreenshot, WholeWindowWithEveryPanelPainted) {
    ASSERT_EQ(QGuiApplication::platformName(), "xcb")
        << "needs an X display (run it through test.sh or xvfb-run)";
    const demofield::CWrittenDefinition* crate = test::SmallDemoDefinition("crate.mdf");
    ASSERT_NE(crate, nullptr);
    test::ScopedWorkingDirectory inDemo(test::SmallDemoRoot());
    test::RunningEditor editor;
    ASSERT_TRUE(editor.Started());
    CMainWindow& window = editor.Window();
    CFieldView& view = editor.View();
    ASSERT_TRUE(WaitFor([&] { return view.FrameRate() > 0.0 && view.StartupFinished(); }, 60000))
        << "frame rate " << view.FrameRate() << ", frames " << view.FramesSubmitted()
        << ", start-up loads ended: " << view.StartupFinished();

    // A definition taken for placing shows in the info window.
    window.ChooseDefinition("./" + crate->path);
    EXPECT_TRUE(WaitFor([&] { return window.InfoWindow()->Shown().mode == EditMode::ModePlace; }, 20000));

    window.update();
    WaitFor([] { return false; }, 500); // a few frames and the repaints
    QScreen* screen = QGuiApplication::primaryScreen();
    QImage shot = screen->grabWindow(window.winId()).toImage();
    if (shot.isNull()) {
        shot = window.grab().toImage();
    }
    ASSERT_EQ(shot.size(), window.size());
    const std::filesystem::path folder = QUORVANE_SCREENSHOT_DIR;
    std::filesystem::create_directories(folder);
    const std::filesystem::path file = folder / "main-window.png";
    ASSERT_TRUE(shot.save(QString::fromStdString(file.string()))) << file;

    // The title band, the panel frame around the tree and the info window's
    // face, from the widgets' own painting: a screen grab on a loaded machine
    // may still show a repaint in flight.
    const QImage painted = window.grab().toImage();
    ASSERT_EQ(painted.size(), window.size());
    const MainLayout& m = editor.State().layout;
    auto at = [&](int x, int y) { return painted.pixelColor(x, y).rgb(); };
    EXPECT_EQ(at(window.width() / 2, 5), QColor(100, 70, 70).rgb());
    EXPECT_EQ(at(m.modelTree.x - 1, m.modelTree.y + 50), QColor(220, 190, 190).rgb());
    EXPECT_EQ(at(m.infoWindow.x + m.infoWindow.width - 3, m.infoWindow.y + 3), QColor(100, 80, 80).rgb());
    // No panel left in the light stand-in colour.
    int standIn = 0;
    for (int y = 0; y < painted.height(); y += 2) {
        for (int x = 0; x < painted.width(); x += 2) {
            standIn += at(x, y) == QColor(245, 235, 235).rgb() ? 1 : 0;
        }
    }
    EXPECT_EQ(standIn, 0);
}

} // namespace
} // namespace quorvane
