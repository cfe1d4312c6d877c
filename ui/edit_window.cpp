#include "ui/edit_window.h"

#include "platform/virtual_keys.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace quorvane {

CEditWindow::CEditWindow(QWidget* parent, const UiScale& scale) : QWidget(parent), scale_(scale) {
    setObjectName("CLASS_EDITWINDOW");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);
    setCursor(Qt::ArrowCursor);
}

void CEditWindow::SetValue(float value) {
    text_.SetValue(value);
    Publish();
    repaint();
}

void CEditWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Background());
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(UiFont(10.0, scale_));
    painter.setPen(ui_colour::kText);
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text_.Display());
}

void CEditWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    setFocus(Qt::MouseFocusReason);
    text_.Clear();
    Publish();
    update();
    Changed();
}

void CEditWindow::keyPressEvent(QKeyEvent* event) {
    // Keypad keys map to their own codes, which the field ignores.
    const int key = event->key() == Qt::Key_Backtab ? 0 : ToVirtualKey(event->key(), event->modifiers());
    text_.OnKey(key);
    Publish();
    repaint();
    event->accept();
    Changed();
}

void CEditWindow::focusInEvent(QFocusEvent*) {
    repaint();
}

void CEditWindow::focusOutEvent(QFocusEvent*) {
    repaint();
}

bool CEditWindow::focusNextPrevChild(bool) {
    // Tab empties the field instead of moving the focus on.
    return false;
}

} // namespace quorvane
