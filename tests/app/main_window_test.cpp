#include "app/application.h"
#include "app/main_window.h"
#include "ui/brush_panel.h"
#include "render/texture_image.h"
#include "ui/check_box.h"
#include "ui/edit_window.h"
#include "ui/info_window.h"
#include "ui/model_list_window.h"
#include "ui/model_tree_window.h"
#include "ui/notice_banner.h"

#include <QApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <tuple>

namespace quorvane {
namespace {

// The main window laid out for a 1920 x 1080 desktop: the offscreen screen is small.
class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() {
        state.geometry =
            ComputeAppGeometry({.width = 1920, .height = 1080, .workAreaBottom = 1040, .logicalDpiX = 96});
    }

    CAppState state;
};

TEST_F(MainWindowTest, StartsWithComputedGeometryAndShutsDownCleanly) {
    SetAppState(&state);

    ASSERT_TRUE(InitApplication(state));
    CMainWindow& window = *state.mainWindow;
    EXPECT_EQ(window.windowTitle(), "VelmoraMainField");
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(window.isVisible());
    const AppGeometry& g = state.geometry;
    EXPECT_EQ(window.geometry(), QRect(g.windowX, g.windowY, g.windowWidth, g.windowHeight));

    auto* fieldView = window.findChild<QWidget*>("CLASS_DISPWINDOW");
    ASSERT_NE(fieldView, nullptr);
    const LayoutRect f = state.layout.fieldView;
    EXPECT_EQ(fieldView->geometry(), QRect(f.x, f.y, f.width, f.height));
    EXPECT_EQ(window.findChildren<QWidget*>("CLASS_EDITWINDOW").size(), 6 + 4) << "random ranges, brush";

    // Resizing relayouts the children.
    window.resize(g.windowWidth + 100, g.windowHeight);
    EXPECT_EQ(fieldView->width(), f.width + 100);

    // An unreadable texture is reported as a box on the UI thread; the editor keeps running.
    EXPECT_TRUE(DefaultTextureErrorReporter().Report("model/missing_bark.png"));
    QCoreApplication::processEvents();
    bool boxShown = false;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(widget);
            box != nullptr && box->text().contains("missing_bark")) {
            boxShown = box->isVisible();
            box->close();
        }
    }
    EXPECT_TRUE(boxShown);

    QTimer::singleShot(50, [&] { ShutdownApplication(state); });
    const int code = QApplication::exec();
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(state.repaintTimer.IsRunning());
    EXPECT_FALSE(window.isVisible());
    state.mainWindow.reset();
    SetAppState(nullptr);
}

TEST_F(MainWindowTest, TitleBarDragMovesOnlyFromTheTitleBar) {
    ASSERT_TRUE(InitApplication(state));
    CMainWindow& window = *state.mainWindow;
    const QPoint start = window.pos();

    // A left press at `local`, a move `travel` further on the screen and the release.
    auto drag = [&](QPoint local, QPoint travel) {
        const QPoint global = window.mapToGlobal(local);
        for (const auto& [type, at, button, buttons] :
             {std::tuple{QEvent::MouseButtonPress, QPoint(), Qt::LeftButton, Qt::LeftButton},
              std::tuple{QEvent::MouseMove, travel, Qt::NoButton, Qt::LeftButton},
              std::tuple{QEvent::MouseButtonRelease, travel, Qt::LeftButton, Qt::NoButton}}) {
            QMouseEvent event(type, QPointF(local + at), QPointF(global + at), button, buttons,
                              Qt::NoModifier);
            QApplication::sendEvent(&window, &event);
        }
    };
    drag({400, 200}, {50, 30});
    EXPECT_EQ(window.pos(), start) << "moved from below the title bar";
    drag({400, 10}, {30, 20});
    EXPECT_EQ(window.pos(), start + QPoint(30, 20)) << "the title bar moves it by the pointer's travel";
    EXPECT_FALSE(state.titleDrag.buttonDown);
    state.titleDrag.maximized = true;
    drag({400, 10}, {30, 20});
    EXPECT_EQ(window.pos(), start + QPoint(30, 20)) << "moved while maximized";
    ShutdownApplication(state);
}

TEST_F(MainWindowTest, SideWindowsAreTheWorkingControls) {
    ASSERT_TRUE(InitApplication(state));
    CMainWindow& window = *state.mainWindow;

    for (const char* name : {"CLASS_MODELTREEWINDOW", "CLASS_INFOWINDOW", "CLASS_MODELLISTWINDOW",
                             "CLASS_BUTTONCLOSE", "CLASS_BUTTONMAXIMIZE", "CLASS_BUTTONMINIMIZE",
                             "CLASS_BUTTONDELETE", "CLASS_BUTTONWRITEFILE", "CLASS_MODELVIEWERWINDOW"}) {
        EXPECT_NE(window.findChild<QWidget*>(name), nullptr) << name;
    }
    const MainLayout& m = state.layout;
    EXPECT_EQ(window.InfoWindow()->geometry(), QRect(1091, 76, 260, 308));
    EXPECT_EQ(window.PlacementList()->geometry(), QRect(1091, 568, 260, 104));
    EXPECT_EQ(window.Brush().Fields()[1]->geometry(), QRect(1149, 520, 50, 20));
    EXPECT_EQ(window.RandomFields()[4]->geometry(), QRect(1201, 472, 60, 20));
    EXPECT_EQ(window.CheckBoxes()[4]->geometry(), QRect(m.checkBoxes[4].x, m.checkBoxes[4].y, 18, 18));

    // The display boxes reach the shared toggles; which exclude each other is CheckBoxTest's.
    QTest::mouseClick(window.CheckBoxes()[3], Qt::LeftButton);
    EXPECT_TRUE(window.DisplayToggles().IsChecked(4));

    // Writing without an editing core says so in the window and closes nothing.
    auto* write = window.findChild<QWidget*>("CLASS_BUTTONWRITEFILE");
    QTest::mouseClick(write, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_TRUE(window.Notices()->isVisible());
    EXPECT_EQ(window.Notices()->Kind(), NoticeKind::Error);
    EXPECT_TRUE(window.isVisible());

    // Maximize to the work area and back, with relayout.
    const QRect normal = window.geometry();
    QTest::mouseClick(window.findChild<QWidget*>("CLASS_BUTTONMAXIMIZE"), Qt::LeftButton);
    EXPECT_TRUE(state.titleDrag.maximized);
    EXPECT_EQ(window.size(), QSize(1920, 1040));
    auto* fieldView = window.findChild<QWidget*>("CLASS_DISPWINDOW");
    EXPECT_EQ(fieldView->geometry(), QRect(304, 36, 1320, 1004));
    EXPECT_EQ(window.InfoWindow()->geometry(), QRect(1640, 76, 260, 416));
    QTest::mouseClick(window.findChild<QWidget*>("CLASS_BUTTONMAXIMIZE"), Qt::LeftButton);
    EXPECT_FALSE(state.titleDrag.maximized);
    EXPECT_EQ(window.geometry(), normal);
    EXPECT_EQ(fieldView->geometry(), QRect(304, 36, 763, 731));
    ShutdownApplication(state);
}

TEST_F(MainWindowTest, PlacementCaptionCountsUnwrittenPlacementsOnlyWhenThereAreAny) {
    // The count shows only when there is one, and a new count alone is a
    // change: the main window repaints its caption.
    ASSERT_TRUE(InitApplication(state));
    CModelListWindow& list = *state.mainWindow->PlacementList();
    int unwritten = 0;
    int changes = 0;
    list.SetUnwrittenCount([&unwritten] { return unwritten; });
    list.SetChangeHandler([&changes] { ++changes; });
    list.Refresh();
    const int before = changes;
    EXPECT_EQ(list.CaptionSuffix(), " [1/1]");
    unwritten = 2;
    list.Refresh();
    EXPECT_EQ(changes, before + 1);
    EXPECT_EQ(list.CaptionSuffix(), QString::fromUtf8(" [1/1]  未書き出し 2"));
    ShutdownApplication(state);
}

} // namespace
} // namespace quorvane
