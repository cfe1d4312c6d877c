#pragma once

#include "ui/custom_button.h"
#include "ui/display_toggles.h"

#include <functional>

namespace quorvane {

// One of the five display check boxes: an 18 x 18 picture of its state, which
// lives in the shared CDisplayToggles so that the field view can read it.
class CCheckBox : public CCustomButton {
public:
    CCheckBox(QWidget* parent, const UiScale& scale, CDisplayToggles& toggles, int32_t id);

    int32_t Id() const { return id_; }
    bool Checked() const { return toggles_.IsChecked(id_); }

    // Called after every click with the box's id; the main window repaints the
    // box a click unchecked and tells the field view.
    void SetChangeHandler(std::function<void(int32_t id, int32_t unchecked)> handler) {
        changed_ = std::move(handler);
    }

protected:
    void OnClick() override;
    void Paint(QPainter& painter) override;

private:
    CDisplayToggles& toggles_;
    int32_t id_;
    QImage checkedPicture_;
    QImage uncheckedPicture_;
    std::function<void(int32_t, int32_t)> changed_;
};

} // namespace quorvane
