#include "ui/custom_button.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace quorvane {

CCustomButton::CCustomButton(QWidget* parent, const UiScale& scale) : QWidget(parent), scale_(scale) {
    setObjectName("CLASS_CUSTOMBUTTON");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::ArrowCursor);
}

void CCustomButton::SetPictures(const QString& normalFile, const QString& pressedFile) {
    pictureMode_ = true;
    normal_ = QImage(normalFile);
    pressedPicture_ = QImage(pressedFile);
    update();
}

void CCustomButton::SetLabel(const QString& label) {
    label_ = label;
    update();
}

void CCustomButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Paint(painter);
}

void CCustomButton::Paint(QPainter& painter) {
    if (!pictureMode_) {
        PaintText(painter);
        return;
    }
    painter.fillRect(rect(), face_);
    const QImage& picture = pressed_ ? pressedPicture_ : normal_;
    if (!picture.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect(), picture);
    }
}

void CCustomButton::PaintText(QPainter& painter) {
    painter.fillRect(rect(), ui_colour::kBackground);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor rim = pressed_ ? QColor(std::max(0, rim_.red() - 50), std::max(0, rim_.green() - 50),
                                         std::max(0, rim_.blue() - 50), rim_.alpha())
                                : rim_;
    auto fillRounded = [&painter](const QRectF& box, const QColor& colour) {
        QPainterPath path;
        path.addRoundedRect(box, 10, 10);
        painter.fillPath(path, colour);
    };
    fillRounded(QRectF(rect()), rim);
    fillRounded(QRectF(rect()).adjusted(2, 2, -2, -2), face_);

    painter.setFont(UiFont(height() * 0.3, scale_));
    painter.setPen(ui_colour::kPanel);
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, label_);
}

void CCustomButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    // Qt grabs the mouse for the pressed widget, so the release comes here even outside.
    pressed_ = true;
    repaint();
}

void CCustomButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressed_) {
        return;
    }
    pressed_ = false;
    repaint();
    OnClick();
}

} // namespace quorvane
