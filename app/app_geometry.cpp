#include "app/app_geometry.h"

namespace quorvane {

AppGeometry ComputeAppGeometry(const ScreenMetrics& screen) {
    AppGeometry g;
    g.screenWidth = screen.width;
    g.screenHeight = screen.height;
    g.taskbarHeight = screen.height - screen.workAreaBottom;
    g.windowWidth = static_cast<int32_t>(screen.width / 1.4);
    g.windowHeight = static_cast<int32_t>(screen.height / 1.4);
    g.windowX = (screen.width - g.windowWidth) / 2;
    g.windowY = (screen.height - g.windowHeight) / 2;
    g.titleBarHeight = screen.height / 30;
    g.dpiScale = screen.logicalDpiX / 96.0f;
    g.restoreWidth = screen.width;
    g.restoreHeight = screen.height;
    return g;
}

} // namespace quorvane
