#include "app/app_geometry.h"
#include "app/main_layout.h"
#include "app/title_text.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

// The window takes five sevenths of the screen, centred; the title bar a thirtieth of its height.
TEST(AppGeometryTest, ScreensAndDpi) {
    struct Case {
        ScreenMetrics screen;
        int32_t w, h, x, y, title;
        float dpi;
    };
    const Case cases[] = {
        {{1920, 1080, 1040, 96}, 1371, 771, 274, 154, 36, 1.0f},
        {{2560, 1440, 1400, 144}, 1828, 1028, 366, 206, 48, 1.5f},
        {{1366, 768, 728, 120}, 975, 548, 195, 110, 25, 1.25f},
        {{3840, 2160, 2160, 192}, 2742, 1542, 549, 309, 72, 2.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.screen.width);
        const AppGeometry g = ComputeAppGeometry(c.screen);
        EXPECT_EQ(g.windowWidth, c.w);
        EXPECT_EQ(g.windowHeight, c.h);
        EXPECT_EQ(g.windowX, c.x);
        EXPECT_EQ(g.windowY, c.y);
        EXPECT_EQ(g.titleBarHeight, c.title);
        EXPECT_FLOAT_EQ(g.dpiScale, c.dpi);
        EXPECT_EQ(g.taskbarHeight, c.screen.height - c.screen.workAreaBottom);
    }
}

// The field view, the info window, the list and the rotation fields at this
// size, and maximized, are checked through the widgets in MainWindowTest.
TEST(MainLayoutTest, PanelsFollowWindowSize) {
    const MainLayout m = ComputeMainLayout({.width = 1371, .height = 771, .titleBar = 36});
    EXPECT_EQ(m.modelTree, (LayoutRect{20, 76, 260, 275}));
    EXPECT_EQ(m.modelViewer, (LayoutRect{20, 395, 260, 260}));
    EXPECT_EQ(m.checkBoxes[0], (LayoutRect{20, 675, 18, 18}));
    EXPECT_EQ(m.checkBoxes[3], (LayoutRect{20, 735, 18, 18}));
    EXPECT_EQ(m.checkBoxes[4], (LayoutRect{150, 735, 18, 18}));
    EXPECT_EQ(m.randomScaleFields[0], (LayoutRect{1111, 424, 60, 20}));
    EXPECT_EQ(m.randomScaleFields[2], (LayoutRect{1291, 424, 60, 20}));
    EXPECT_EQ(m.deleteButton, (LayoutRect{1231, 682, 120, 28}));
    EXPECT_EQ(m.writeButton, (LayoutRect{1091, 721, 260, 35}));
    // Title 36: buttons of 28 at y 3, 10 apart, the last 18 from the right edge.
    EXPECT_EQ(m.closeButton, (LayoutRect{1325, 3, 28, 28}));
    EXPECT_EQ(m.maximizeButton, (LayoutRect{1287, 3, 28, 28}));
    EXPECT_EQ(m.minimizeButton, (LayoutRect{1249, 3, 28, 28}));
}

TEST(MainLayoutTest, OtherWindowSizeAndMaximized) {
    // 1366 x 768 screen: window 975 x 548, title 25.
    const MainLayout m = ComputeMainLayout({.width = 975, .height = 548, .titleBar = 25});
    EXPECT_EQ(m.fieldView, (LayoutRect{304, 25, 367, 519}));
    EXPECT_EQ(m.modelTree, (LayoutRect{20, 65, 260, 195}));
    EXPECT_EQ(m.modelViewer, (LayoutRect{20, 315, 260, 260}));
    EXPECT_EQ(m.infoWindow, (LayoutRect{695, 65, 260, 219}));
    EXPECT_EQ(m.randomScaleFields[1], (LayoutRect{805, 324, 60, 20}));
    EXPECT_EQ(m.brushFields[3], (LayoutRect{869, 420, 50, 20}));
    EXPECT_EQ(m.placementList, (LayoutRect{695, 468, 260, 67}));
    EXPECT_EQ(m.writeButton, (LayoutRect{695, 498, 260, 35}));
    EXPECT_EQ(m.closeButton, (LayoutRect{943, 2, 20, 20}));

    // Maximized on 1920 x 1080 with a 40-pixel taskbar: the buttons follow the
    // right edge of the work area.
    const MainLayout max =
        ComputeMainLayout({.width = 1920, .height = 1040, .titleBar = 36, .maximized = true});
    EXPECT_EQ(max.writeButton, (LayoutRect{1640, 990, 260, 35}));
    EXPECT_EQ(max.closeButton, (LayoutRect{1874, 3, 28, 28}));
}

bool Overlap(const LayoutRect& a, const LayoutRect& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.Bottom() && b.y < a.Bottom();
}

bool Inside(const LayoutRect& inner, int32_t width, int32_t height) {
    return inner.x >= 0 && inner.y >= 0 && inner.x + inner.width <= width && inner.Bottom() <= height;
}

TEST(MainLayoutTest, PanelsStayInsideTheWindowAndApartFromEachOther) {
    for (const ScreenMetrics& screen :
         {ScreenMetrics{1920, 1080, 1040, 96}, ScreenMetrics{2560, 1440, 1400, 144},
          ScreenMetrics{3840, 2160, 2160, 192}}) {
        const AppGeometry g = ComputeAppGeometry(screen);
        const MainLayout m = ComputeMainLayout(
            {.width = g.windowWidth, .height = g.windowHeight, .titleBar = g.titleBarHeight});
        SCOPED_TRACE(screen.width);
        std::vector<LayoutRect> panels{m.fieldView,      m.modelTree,     m.modelViewer, m.infoWindow,
                                       m.placementList,  m.deleteButton,  m.writeButton, m.closeButton,
                                       m.maximizeButton, m.minimizeButton};
        panels.insert(panels.end(), m.checkBoxes.begin(), m.checkBoxes.end());
        panels.insert(panels.end(), m.randomScaleFields.begin(), m.randomScaleFields.end());
        panels.insert(panels.end(), m.randomRotationFields.begin(), m.randomRotationFields.end());
        panels.insert(panels.end(), m.brushFields.begin(), m.brushFields.end());
        panels.push_back(m.brushAlignBox);
        for (size_t i = 0; i < panels.size(); ++i) {
            EXPECT_TRUE(Inside(panels[i], g.windowWidth, g.windowHeight)) << "panel " << i;
            EXPECT_GT(panels[i].width, 0) << "panel " << i;
            EXPECT_GT(panels[i].height, 0) << "panel " << i;
            for (size_t j = i + 1; j < panels.size(); ++j) {
                EXPECT_FALSE(Overlap(panels[i], panels[j])) << "panels " << i << " and " << j;
            }
        }
        // The title buttons sit in the title bar, above the 3D view.
        for (const LayoutRect& button : {m.closeButton, m.maximizeButton, m.minimizeButton}) {
            EXPECT_LE(button.Bottom(), g.titleBarHeight);
        }
        EXPECT_EQ(m.fieldView.y, g.titleBarHeight);
    }
}

TEST(TitleTextTest, FrameRateHasTwoDecimals) {
    EXPECT_EQ(FormatTitleText(59.94), "Quorvane_1.0.4 [FPS: 59.94 (f/s)]");
    EXPECT_EQ(FormatTitleText(1234.567), "Quorvane_1.0.4 [FPS: 1234.57 (f/s)]");
}

} // namespace
} // namespace quorvane
