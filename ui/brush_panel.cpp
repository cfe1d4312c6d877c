#include "ui/brush_panel.h"

#include <cmath>

namespace quorvane {

CBrushPanel::CBrushPanel(QWidget* parent, const UiScale& scale, const BrushSettings& initial) {
    for (CEditWindow*& field : fields_) {
        field = new CEditWindow(parent, scale);
        field->SetChangeHandler([this] {
            if (changed_) {
                changed_();
            }
        });
    }
    alignBox_ = new CCheckBox(parent, scale, align_, 1);
    alignBox_->SetChangeHandler([this](int32_t, int32_t) {
        if (changed_) {
            changed_();
        }
    });
    Show(initial);
}

BrushSettings CBrushPanel::Read() const {
    return {.radius = fields_[0]->Value(),
            .density = fields_[1]->Value(),
            .spacing = fields_[2]->Value(),
            .maxSlopeDegrees = fields_[3]->Value(),
            .alignToNormal = align_.IsChecked(1)};
}

void CBrushPanel::Show(const BrushSettings& brush) {
    const std::array<float, 4> values = {brush.radius, brush.density, brush.spacing, brush.maxSlopeDegrees};
    for (size_t i = 0; i < fields_.size(); ++i) {
        // A field being typed into keeps what the user typed so far.
        if (!fields_[i]->hasFocus() && std::fabs(fields_[i]->Value() - values[i]) > 1e-4f) {
            fields_[i]->SetValue(values[i]);
        }
    }
    if (align_.IsChecked(1) != brush.alignToNormal) {
        align_.SetChecked(1, brush.alignToNormal);
        alignBox_->update();
    }
}

void CBrushPanel::SetChangeHandler(std::function<void()> handler) {
    changed_ = std::move(handler);
}

} // namespace quorvane
