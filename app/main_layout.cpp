#include "app/main_layout.h"

#include <cstddef>

namespace quorvane {

MainLayout ComputeMainLayout(const LayoutInput& in) {
    const int32_t W = in.width;
    const int32_t H = in.height;
    const int32_t T = in.titleBar;
    const int32_t B = in.border;
    const int32_t L = in.leftPanel;
    const int32_t R = in.rightPanel;

    MainLayout m;
    m.fieldView = in.maximized ? LayoutRect{L + B / 2, T, W - L - R, H - T}
                               : LayoutRect{L + B / 2, T, W - B - L - R, H - B / 2 - T};
    m.modelTree = {20, T + 40, 260, static_cast<int32_t>(H / 2.8)};
    m.modelViewer = {20, m.modelTree.height + 120, 260, 260};

    const int32_t belowViewer = m.modelViewer.Bottom();
    for (int32_t i = 0; i < 4; ++i) {
        m.checkBoxes[i] = {20, belowViewer + 20 * (i + 1), 18, 18};
    }
    m.checkBoxes[4] = {150, belowViewer + 80, 18, 18};

    m.infoWindow = {W - 280, T + 40, 260, static_cast<int32_t>(H / 2.5)};
    const int32_t S = m.infoWindow.Bottom() + 40;
    constexpr int32_t kRowPitch = 48; // a row of fields and the captions above the next
    const std::array<int32_t, 3> fieldX{W - 260, W - 170, W - 80};
    for (std::size_t i = 0; i < fieldX.size(); ++i) {
        m.randomScaleFields[i] = {fieldX[i], S, 60, 20};
        m.randomRotationFields[i] = {fieldX[i], S + kRowPitch, 60, 20};
    }
    // The brush row under the random ranges; the list gives up some height.
    const int32_t brushY = S + 2 * kRowPitch;
    for (std::size_t i = 0; i < m.brushFields.size(); ++i) {
        m.brushFields[i] = {W - 280 + 58 * static_cast<int32_t>(i), brushY, 50, 20};
    }
    m.brushAlignBox = {W - 44, brushY + 1, 18, 18};
    m.placementList = {W - 280, brushY + kRowPitch, 260, H / 6 - (3 * kRowPitch - 120)};
    m.deleteButton = {W - 140, m.placementList.Bottom() + 10, 120, 28};
    m.writeButton = {W - 280, H - 50, 260, 35};

    const auto size = static_cast<int32_t>(T * 0.8);
    const auto top = static_cast<int32_t>(T * 0.1);
    const auto gap = static_cast<int32_t>(T * 0.3);
    m.closeButton = {W - static_cast<int32_t>(T * 0.5) - size, top, size, size};
    m.maximizeButton = {m.closeButton.x - gap - size, top, size, size};
    m.minimizeButton = {m.maximizeButton.x - gap - size, top, size, size};
    return m;
}

} // namespace quorvane
