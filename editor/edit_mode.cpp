#include "editor/edit_mode.h"

#include <array>

namespace quorvane {

std::string_view EditModeHeader(EditMode mode) {
    static constexpr std::array<std::string_view, 4> kAxisMove = {"<移動モード>", "<X軸移動モード>",
                                                                  "<Y軸移動モード>", "<Z軸移動モード>"};
    static constexpr std::array<std::string_view, 4> kAxisScale = {
        "<スケーリングモード>", "<X軸スケーリングモード>", "<Y軸スケーリングモード>",
        "<Z軸スケーリングモード>"};
    static constexpr std::array<std::string_view, 4> kAxisRotate = {"<回転モード>", "<X軸回転モード>",
                                                                    "<Y軸回転モード>", "<Z軸回転モード>"};
    switch (mode) {
    case EditMode::ModeNoModel:
    case EditMode::ModeMove:
        return "<移動モード>";
    case EditMode::ModePlace:
        return "<モデル配置モード>";
    case EditMode::ModeAdjust:
        return "<配置モデル調整モード>";
    case EditMode::ModePaint:
        return "<ペイントモード>";
    default:
        break;
    }
    if (!IsInModeGroup(mode)) {
        return {};
    }
    const uint32_t member = ModeValue(mode) & 3u;
    // Cursor and selection groups share their headers: 4/16 move, 8/20 scale, 12/24 rotate.
    switch ((ModeValue(mode) / 4) % 3) {
    case 1:
        return kAxisMove[member];
    case 2:
        return kAxisScale[member];
    default:
        return kAxisRotate[member];
    }
}

std::optional<AxisGuides> GuidesForMode(EditMode mode) {
    if (!IsInModeGroup(mode)) {
        return std::nullopt;
    }
    AxisGuides guides;
    const uint32_t member = ModeValue(mode) & 3u;
    guides.x = member == 0 || member == 1;
    guides.y = member == 0 || member == 2;
    guides.z = member == 0 || member == 3;
    guides.atSelection = ModeValue(mode) >= ModeValue(EditMode::ModePlacedMove);
    return guides;
}

} // namespace quorvane
