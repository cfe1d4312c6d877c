#include "ui/info_text.h"

#include "editor/main_field.h"
#include "ui/fixed_number.h"

#include <string>

namespace quorvane {
namespace {

QString U(const char* text) {
    return QString::fromUtf8(text);
}

bool AdjustsSelection(EditMode mode) {
    return mode == EditMode::ModeAdjust || (ModeValue(mode) >= 16 && ModeValue(mode) <= 27);
}

// Inside a move, scale or rotation, Enter and Esc work as the two clicks, a
// typed number sets the amount and Ctrl snaps a drag. Lines stay few so that
// the longest block still ends above the value panel.
const char* const kConfirm = "[左クリック/Enter]: 決定";
const char* const kCancel = "[右クリック/Esc]: キャンセル";
const char* const kCamera = "[+Shift]: カメラ操作";

QString NumberLine(uint32_t group) {
    static const char* const kAmounts[3] = {"移動量", "倍率", "回転角"};
    return U("[数値]: ") + U(kAmounts[group]) + U("  [+Ctrl]: スナップ");
}

QStringList GroupLines(uint32_t group, uint32_t axis) {
    // group 0 move, 1 scale, 2 rotate; axis 0 free, 1..3 X..Z.
    static const char* const kFree[3] = {"<移動モード>", "<スケーリングモード>", "<回転モード>"};
    static const char* const kAxisHeader[3][3] = {
        {"<X軸移動モード>", "<Y軸移動モード>", "<Z軸移動モード>"},
        {"<X軸スケーリングモード>", "<Y軸スケーリングモード>", "<Z軸スケーリングモード>"},
        {"<X軸回転モード>", "<Y軸回転モード>", "<Z軸回転モード>"}};
    static const char* const kAxisKeys[3][3] = {{"[X]: X軸移動", "[Y]: Y軸移動", "[Z]: Z軸移動"},
                                                {"[X]: X軸スケール", "[Y]: Y軸スケール", "[Z]: Z軸スケール"},
                                                {"[X]: X軸回転", "[Y]: Y軸回転", "[Z]: Z軸回転"}};
    if (axis != 0) {
        return {U(kAxisHeader[group][axis - 1]), U(kConfirm), U(kCancel), NumberLine(group), U(kCamera)};
    }
    QStringList lines{U(kFree[group]), U(kAxisKeys[group][0]), U(kAxisKeys[group][1]),
                      U(kAxisKeys[group][2])};
    if (group != 2) { // a free rotation is confirmed only once it has an axis
        lines << U(kConfirm);
    }
    lines << U(kCancel) << NumberLine(group) << U(kCamera);
    return lines;
}

} // namespace

QStringList InfoHelpLines(EditMode mode) {
    switch (mode) {
    case EditMode::ModeNoModel:
        return {U("<移動モード>"), U("モデルを選択してください")};
    case EditMode::ModeMove:
        return {U("<移動モード>"), U("[中クリック]モデル配置モード")};
    case EditMode::ModePlace:
        return {U("<モデル配置モード>"),  U("[G]: モデル移動"),          U("[S]: モデル拡大・縮小"),
                U("[R]: モデル回転"),     U("[左クリック]: モデル配置"), U("[右クリック]: 移動モード"),
                U("[+Shift]: カメラ操作")};
    case EditMode::ModeAdjust:
        return {U("<配置モデル調整モード>"), U("[G]: モデル移動"),        U("[S]: モデル拡大・縮小"),
                U("[R]: モデル回転"),        U("[左クリック]: 配置決定"), U("[右クリック]: キャンセル"),
                U("[+Shift]: カメラ操作")};
    case EditMode::ModePaint:
        return {U("<ペイントモード>"),    U("[左ドラッグ]: ペイント"), U("[Ctrl+左ドラッグ]: 消去"),
                U("[ [ ] ]: ブラシ半径"), U("[P]: モデル配置モード"),  U("[Ctrl+Z]: 元に戻す"),
                U("[+Shift]: カメラ操作")};
    default:
        break;
    }
    if (!IsInModeGroup(mode)) {
        return {};
    }
    const uint32_t inGroups = (ModeValue(mode) - 4) % 12; // cursor and selection groups read alike
    return GroupLines(inGroups / 4, inGroups % 4);
}

QColor InfoHeaderColour(EditMode mode) {
    if (mode == EditMode::ModeNoModel || mode == EditMode::ModeMove) {
        return QColor(250, 220, 220);
    }
    if (AdjustsSelection(mode)) {
        return QColor(255, 200, 0);
    }
    return QColor(255, 100, 150);
}

QString FormatInfoVector(const Vector4& v) {
    return "(" + FormatFixed(v.x, 3) + ", " + FormatFixed(v.y, 3) + ", " + FormatFixed(v.z, 3) + ")";
}

InfoValues InfoValuesOf(EditMode mode, const EditVectors& vectors, const std::string& cellName) {
    InfoValues values;
    values.mode = mode;
    values.cellName = cellName;
    if (AdjustsSelection(mode)) {
        values.position = vectors.selPosition;
        values.scale = vectors.selScale;
        values.rotation = vectors.selRotation;
    } else {
        const Vector4& pick = vectors.pickPoint;
        const Vector4& offset = vectors.cursorOffset;
        values.position = {pick.x - offset.x, pick.y - offset.y, pick.z - offset.z, 0.0f};
        values.scale = vectors.cursorScale;
        values.rotation = vectors.cursorRotation;
    }
    return values;
}

} // namespace quorvane
