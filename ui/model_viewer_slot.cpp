#include "ui/model_viewer_slot.h"

#include "ui/ui_style.h"

#include <QPainter>

namespace quorvane {

CModelViewerSlot::CModelViewerSlot(QWidget* parent) : QWidget(parent) {
    setObjectName("CLASS_MODELVIEWERWINDOW");
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CModelViewerSlot::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Argb(255, 100, 80, 80));
}

} // namespace quorvane
