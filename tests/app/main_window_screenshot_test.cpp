// The whole main window on a generated demo field, photographed. Needs an X
// display (xvfb-run): the field view renders through a Vulkan surface.
#include "app/application.h"
#include "app/field_view.h"
#include "app/main_window.h"
#include "demo_field.h"
#include "editor/main_field.h"
#include "tests/qt_wait.h"
#include "ui/info_window.h"
#include "ui/model_list_window.h"
#include "ui/model_tree_window.h"
#include "ui/model_viewer_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace quorvane {
namespace {

using test::WaitFor;

class ScopedDemoFolder {
public:
    ScopedDemoFolder()
        : path_(std::filesystem::temp_directory_path() /
                ("quorvane_screenshot_test_" + std::to_string(::getpid()))),
          previous_(std::filesystem::current_path()) {
        demofield::COptions options;
        options.output = path_;
        options.quadsPerTile = 4;
        options.fieldTextureSize = 64;
        options.modelTextureSize = 64;
        std::filesystem::remove_all(path_);
        manifest_ = demofield::GenerateDemoField(options);
        std::filesystem::current_path(path_);
    }
    ~ScopedDemoFolder() {
        std::filesystem::current_path(previous_);
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const demofield::CManifest& Manifest() const { return manifest_; }

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
    demofield::CManifest manifest_;
};

QTreeWidgetItem* FirstDefinition(QTreeWidgetItem* item) {
    for (int i = 0; item != nullptr && i < item->childCount(); ++i) {
        QTreeWidgetItem* child = item->child(i);
        if (CModelTreeWindow::KindOf(*child) == CModelTreeWindow::kDefinition) {
            return child;
        }
    }
    return nullptr;
}

QTreeWidgetItem* FindDefinition(CModelTreeWindow& tree, QTreeWidgetItem* folder, int depth) {
    if (QTreeWidgetItem* found = FirstDefinition(folder)) {
        return found;
    }
    for (int i = 0; depth > 0 && i < folder->childCount(); ++i) {
        QTreeWidgetItem* child = folder->child(i);
        if (CModelTreeWindow::KindOf(*child) == CModelTreeWindow::kDirectory) {
            tree.Click(child); // lists it
            if (QTreeWidgetItem* found = FindDefinition(tree, child, depth - 1)) {
                return found;
            }
        }
    }
    return nullptr;
}

TEST(MainWindowScreenshot, WholeWindowWithEveryPanelPainted) {
    ASSERT_EQ(QGuiApplication::platformName(), "xcb")
        << "needs an X display (run it through test.sh or xvfb-run)";
    ScopedDemoFolder demo;
    CAppState state;
    state.geometry = ComputeAppGeometry(ReadScreenMetrics(*QGuiApplication::primaryScreen()));
    SetAppState(&state);
    ASSERT_TRUE(InitApplication(state));
    CMainWindow& window = *state.mainWindow;
    ASSERT_NE(window.FieldView(), nullptr);
    CFieldView& view = *window.FieldView();
    ASSERT_TRUE(WaitFor([&] { return view.FrameRate() > 0.0 && view.StartupFinished(); }, 60000))
        << "frame rate " << view.FrameRate() << ", frames " << view.FramesSubmitted()
        << ", start-up loads ended: " << view.StartupFinished();

    // Every panel is its working control.
    EXPECT_NE(dynamic_cast<CModelTreeWindow*>(window.findChild<QWidget*>("CLASS_MODELTREEWINDOW")), nullptr);
    EXPECT_NE(window.ModelViewer(), nullptr) << "the model viewer is still the empty panel";
    EXPECT_NE(dynamic_cast<CInfoWindow*>(window.findChild<QWidget*>("CLASS_INFOWINDOW")), nullptr);
    EXPECT_NE(dynamic_cast<CModelListWindow*>(window.findChild<QWidget*>("CLASS_MODELLISTWINDOW")), nullptr);

    // A click on a definition in the tree takes it for placing.
    CModelTreeWindow& tree = *window.ModelTree();
    ASSERT_GT(tree.TopItem()->childCount(), 0) << "the demo field's model folder is empty";
    QTreeWidgetItem* definition = FindDefinition(tree, tree.TopItem(), 3);
    ASSERT_NE(definition, nullptr) << "no definition below ./model";
    tree.Click(definition);
    CMainField* field = window.Field();
    ASSERT_NE(field, nullptr);
    EXPECT_TRUE(WaitFor([&] { return field->Mode() == EditMode::ModePlace; }, 20000))
        << "the definition was not taken for placing";
    EXPECT_TRUE(WaitFor([&] { return window.InfoWindow()->Shown().mode == EditMode::ModePlace; }, 2000));

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
    const MainLayout& m = state.layout;
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
    ShutdownApplication(state);
    state.mainWindow.reset();
    SetAppState(nullptr);
}

} // namespace
} // namespace quorvane
