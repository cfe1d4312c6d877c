#pragma once

#include "ui/scroll_math.h"

#include <QPointer>
#include <QScrollBar>
#include <QWidget>

namespace quorvane {

// An owner-drawn scroll bar in the tool's colours. It keeps no range of its
// own: it mirrors a target scroll bar (hidden inside the model tree), draws a
// thumb for it, and moves the target on clicks and drags.
class CScrollBar : public QWidget {
public:
    enum class Orientation { Vertical = 0, Horizontal = 1 };

    CScrollBar(QWidget* parent, Orientation orientation);

    void SetTarget(QScrollBar* target) { target_ = target; }
    void SetThickness(int thickness) { thickness_ = thickness; }
    int Thickness() const { return thickness_; }
    Orientation Direction() const { return orientation_; }

    // Copies the target's state into the bar.
    void Synchronise();
    const ScrollShown& Shown() const { return shown_; }
    // The target's state in the classic form: inclusive maximum, page, position.
    ScrollInfo TargetInfo() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    float Length() const;
    float Along(const QPointF& point) const;
    void SendPosition(float position);

    Orientation orientation_;
    QPointer<QScrollBar> target_;
    int thickness_ = 16;
    ScrollShown shown_;
    bool pressed_ = false;
    bool dragging_ = false;
};

} // namespace quorvane
