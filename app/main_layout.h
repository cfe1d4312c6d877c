#pragma once

#include <array>
#include <cstdint>

namespace quorvane {

struct LayoutRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;

    int32_t Bottom() const { return y + height; }
    friend bool operator==(const LayoutRect&, const LayoutRect&) = default;
};

// Rectangles of every child of the main window, in client pixels.
struct MainLayout {
    LayoutRect fieldView;
    LayoutRect modelTree;
    LayoutRect modelViewer;
    std::array<LayoutRect, 5> checkBoxes{};
    LayoutRect infoWindow;
    std::array<LayoutRect, 3> randomScaleFields{};
    std::array<LayoutRect, 3> randomRotationFields{};
    std::array<LayoutRect, 4> brushFields{}; // radius, density, spacing, largest slope
    LayoutRect brushAlignBox;
    LayoutRect placementList;
    LayoutRect deleteButton;
    LayoutRect writeButton;
    LayoutRect closeButton;
    LayoutRect maximizeButton;
    LayoutRect minimizeButton;
};

struct LayoutInput {
    int32_t width = 0;        // W
    int32_t height = 0;       // H
    int32_t titleBar = 0;     // T
    int32_t border = 8;       // B
    int32_t leftPanel = 300;  // L
    int32_t rightPanel = 300; // R
    // Maximized to the work area: the field view reaches the bottom edge.
    bool maximized = false;
};

// Fixed pixel formulas from the window size; fractions are truncated.
MainLayout ComputeMainLayout(const LayoutInput& in);

} // namespace quorvane
