#pragma once

#include "editor/paint_stroke.h"
#include "ui/check_box.h"
#include "ui/display_toggles.h"
#include "ui/edit_window.h"

#include <QWidget>
#include <array>
#include <functional>

namespace quorvane {

// The paint brush's values as the main window shows them: four numeric
// fields (radius, density per 100 square units, least spacing, largest
// slope in degrees) and the "align to normal" box. The field editor owns
// the brush ([ and ] change its radius); the panel sends each change the
// user makes and shows the brush again when the field editor changed it.
class CBrushPanel {
public:
    static constexpr std::array<const char*, 4> kCaptions = {"半径", "密度", "間隔", "傾斜"};
    static constexpr const char* kAlignCaption = "法線";

    CBrushPanel(QWidget* parent, const UiScale& scale, const BrushSettings& initial);

    BrushSettings Read() const;
    // Shows brush in every field the user is not typing into.
    void Show(const BrushSettings& brush);
    // Called on the UI thread after each change the user makes.
    void SetChangeHandler(std::function<void()> handler);

    const std::array<CEditWindow*, 4>& Fields() const { return fields_; }
    CCheckBox* AlignBox() const { return alignBox_; }

private:
    std::array<CEditWindow*, 4> fields_{}; // children of the parent, which owns them
    CDisplayToggles align_;                // its first box is "align to normal"
    CCheckBox* alignBox_ = nullptr;
    std::function<void()> changed_;
};

} // namespace quorvane
