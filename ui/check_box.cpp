#include "ui/check_box.h"

#include <QPainter>

namespace quorvane {

CCheckBox::CCheckBox(QWidget* parent, const UiScale& scale, CDisplayToggles& toggles, int32_t id)
    : CCustomButton(parent, scale), toggles_(toggles), id_(id), checkedPicture_("./pict/CheckBoxChecked.png"),
      uncheckedPicture_("./pict/CheckBoxUnChecked.png") {
    setObjectName(QString("CLASS_CHECKBOX%1").arg(id));
}

void CCheckBox::OnClick() {
    const int32_t unchecked = toggles_.Toggle(id_);
    update();
    if (changed_) {
        changed_(id_, unchecked);
    }
}

void CCheckBox::Paint(QPainter& painter) {
    painter.fillRect(rect(), FaceColour());
    const QImage& picture = Checked() ? checkedPicture_ : uncheckedPicture_;
    if (!picture.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect(), picture);
    }
}

} // namespace quorvane
