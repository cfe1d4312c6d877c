#include "ui/scroll_bar.h"

#include "ui/ui_style.h"

#include <QMouseEvent>
#include <QPainter>

namespace quorvane {

CScrollBar::CScrollBar(QWidget* parent, Orientation orientation)
    : QWidget(parent), orientation_(orientation) {
    setObjectName("CLASS_SCROLLBAR");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::ArrowCursor);
}

ScrollInfo CScrollBar::TargetInfo() const {
    if (!target_) {
        return {};
    }
    const int page = std::max(target_->pageStep(), 1);
    return {.minimum = target_->minimum(),
            .maximum = target_->maximum() + page - 1,
            .page = page,
            .position = target_->value()};
}

float CScrollBar::Length() const {
    return static_cast<float>(orientation_ == Orientation::Vertical ? height() : width());
}

float CScrollBar::Along(const QPointF& point) const {
    return static_cast<float>(orientation_ == Orientation::Vertical ? point.y() : point.x());
}

void CScrollBar::Synchronise() {
    const ScrollShown next = ShownFor(TargetInfo(), Length());
    if (next.position != shown_.position || next.maximum != shown_.maximum ||
        next.thumbLength != shown_.thumbLength || next.page != shown_.page ||
        next.minimum != shown_.minimum) {
        shown_ = next;
        update();
    }
}

void CScrollBar::SendPosition(float position) {
    shown_.position = position;
    if (target_) {
        target_->setValue(static_cast<int>(position));
    }
}

void CScrollBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Argb(255, 105, 85, 85));
    const ThumbSpan span = ThumbSpanOf(shown_, Length());
    const QRect thumb = orientation_ == Orientation::Vertical
                            ? QRect(0, span.start, width(), span.end - span.start)
                            : QRect(span.start, 0, span.end - span.start, height());
    painter.fillRect(thumb, Argb(255, 70, 50, 50));
    painter.fillRect(thumb.adjusted(1, 1, -1, -1), Argb(255, 130, 110, 110));
}

void CScrollBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    pressed_ = true;
    dragging_ = false;
    const ScrollInfo info = TargetInfo();
    switch (HitTestThumb(shown_, Length(), Along(event->position()))) {
    case ScrollHit::BeforeThumb:
        SendPosition(StepBefore(shown_.position, info));
        break;
    case ScrollHit::AfterThumb:
        SendPosition(StepAfter(shown_.position, info));
        break;
    case ScrollHit::OnThumb:
        dragging_ = true;
        if (orientation_ == Orientation::Vertical) {
            shown_.position = static_cast<float>(info.position);
        }
        break;
    }
    update();
}

void CScrollBar::mouseMoveEvent(QMouseEvent* event) {
    if (!pressed_ || !dragging_) {
        return;
    }
    SendPosition(DragPosition(Along(event->position()), shown_.thumbLength, Length(), TargetInfo(),
                              orientation_ == Orientation::Vertical));
    repaint();
}

void CScrollBar::mouseReleaseEvent(QMouseEvent*) {
    pressed_ = false;
    dragging_ = false;
    repaint();
}

} // namespace quorvane
