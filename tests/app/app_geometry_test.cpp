#include "app/app_geometry.h"
#include "app/main_layout.h"
#include "app/title_text.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(AppGeometryTest, FullHdScreen) {
    const AppGeometry g =
        ComputeAppGeometry({.width = 1920, .height = 1080, .workAreaBottom = 1040, .logicalDpiX = 96});
    EXPECT_EQ(g.windowWidth, 1371);
    EXPECT_EQ(g.windowHeight, 771);
    EXPECT_EQ(g.windowX, 274);
    EXPECT_EQ(g.windowY, 154);
    EXPECT_EQ(g.titleBarHeight, 36);
    EXPECT_EQ(g.taskbarHeight, 40);
    EXPECT_EQ(g.frameBorderX, 8);
    EXPECT_EQ(g.leftPanelWidth, 300);
    EXPECT_FLOAT_EQ(g.dpiScale, 1.0f);
    EXPECT_EQ(g.restoreWidth, 1920);
    EXPECT_EQ(g.restoreHeight, 1080);
    EXPECT_EQ(g.titleColor, (ArgbColor{255, 140, 110, 110}));
    EXPECT_EQ(g.titleDarkColor, (ArgbColor{255, 100, 70, 70}));

    const MainLayout m =
        ComputeMainLayout({.width = g.windowWidth, .height = g.windowHeight, .titleBar = 36});
    EXPECT_EQ(m.fieldView, (LayoutRect{304, 36, 763, 771 - 4 - 36}));
}

TEST(AppGeometryTest, OtherScreensAndDpi) {
    struct Case {
        ScreenMetrics screen;
        int32_t w, h, x, y, title;
        float dpi;
    };
    const Case cases[] = {
        {{2560, 1440, 1400, 144}, 1828, 1028, 366, 206, 48, 1.5f},
        {{1366, 768, 728, 120}, 975, 548, 195, 110, 25, 1.25f},
        {{3840, 2160, 2160, 192}, 2742, 1542, 549, 309, 72, 2.0f},
    };
    for (const Case& c : cases) {
        const AppGeometry g = ComputeAppGeometry(c.screen);
        EXPECT_EQ(g.windowWidth, c.w) << c.screen.width;
        EXPECT_EQ(g.windowHeight, c.h) << c.screen.width;
        EXPECT_EQ(g.windowX, c.x) << c.screen.width;
        EXPECT_EQ(g.windowY, c.y) << c.screen.width;
        EXPECT_EQ(g.titleBarHeight, c.title) << c.screen.width;
        EXPECT_FLOAT_EQ(g.dpiScale, c.dpi) << c.screen.width;
        EXPECT_EQ(g.taskbarHeight, c.screen.height - c.screen.workAreaBottom);
    }
}

TEST(MainLayoutTest, PanelsFollowWindowSize) {
    const MainLayout m = ComputeMainLayout({.width = 1371, .height = 771, .titleBar = 36});
    EXPECT_EQ(m.modelTree, (LayoutRect{20, 76, 260, 275}));
    EXPECT_EQ(m.modelViewer, (LayoutRect{20, 395, 260, 260}));
    EXPECT_EQ(m.checkBoxes[0], (LayoutRect{20, 675, 18, 18}));
    EXPECT_EQ(m.checkBoxes[3], (LayoutRect{20, 735, 18, 18}));
    EXPECT_EQ(m.checkBoxes[4], (LayoutRect{150, 735, 18, 18}));
    EXPECT_EQ(m.infoWindow, (LayoutRect{1091, 76, 260, 308}));
    EXPECT_EQ(m.randomScaleFields[0], (LayoutRect{1111, 424, 60, 20}));
    EXPECT_EQ(m.randomScaleFields[2], (LayoutRect{1291, 424, 60, 20}));
    EXPECT_EQ(m.randomRotationFields[1], (LayoutRect{1201, 484, 60, 20}));
    EXPECT_EQ(m.placementList, (LayoutRect{1091, 544, 260, 128}));
    EXPECT_EQ(m.deleteButton, (LayoutRect{1231, 682, 120, 28}));
    EXPECT_EQ(m.writeButton, (LayoutRect{1091, 721, 260, 35}));
    EXPECT_EQ(m.closeButton, (LayoutRect{1371 - 18 - 28, 3, 28, 28}));
    EXPECT_EQ(m.maximizeButton.x, m.closeButton.x - 10 - 28);
    EXPECT_EQ(m.minimizeButton.x, m.maximizeButton.x - 10 - 28);
}

TEST(TitleTextTest, FrameRateHasTwoDecimals) {
    EXPECT_EQ(FormatTitleText(59.94), "Quorvane_1.0.4 [FPS: 59.94 (f/s)]");
    EXPECT_EQ(FormatTitleText(0), "Quorvane_1.0.4 [FPS: 0.00 (f/s)]");
    EXPECT_EQ(FormatTitleText(1234.567), "Quorvane_1.0.4 [FPS: 1234.57 (f/s)]");
}

} // namespace
} // namespace quorvane
