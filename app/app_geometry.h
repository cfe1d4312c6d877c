#pragma once

#include <cstdint>

namespace quorvane {

// What start-up reads from the desktop.
struct ScreenMetrics {
    int32_t width = 0;
    int32_t height = 0;
    int32_t workAreaBottom = 0; // exclusive bottom edge of the work area
    float logicalDpiX = 96.0f;
};

struct ArgbColor {
    int32_t alpha = 255;
    int32_t red = 0;
    int32_t green = 0;
    int32_t blue = 0;

    ArgbColor Brighter(int32_t amount) const { return {alpha, red + amount, green + amount, blue + amount}; }
    friend bool operator==(const ArgbColor&, const ArgbColor&) = default;
};

// The geometry fields of the application state, all derived from the screen.
struct AppGeometry {
    int32_t screenWidth = 0;
    int32_t screenHeight = 0;
    int32_t frameBorderX = 8;
    int32_t frameBorderY = 8;
    int32_t taskbarHeight = 0;
    int32_t windowWidth = 0;
    int32_t windowHeight = 0;
    int32_t leftPanelWidth = 300;
    int32_t rightPanelWidth = 300;
    int32_t windowX = 0;
    int32_t windowY = 0;
    int32_t titleBarHeight = 0;
    ArgbColor titleColor{255, 140, 110, 110};
    ArgbColor titleDarkColor{255, 100, 70, 70};
    float dpiScale = 1.0f;
    int32_t restoreWidth = 0;
    int32_t restoreHeight = 0;
};

// The window is the screen shrunk by 1.4 and centred; the title bar is a
// thirtieth of the screen height; sizes follow the DPI scale (dpi / 96).
AppGeometry ComputeAppGeometry(const ScreenMetrics& screen);

} // namespace quorvane
