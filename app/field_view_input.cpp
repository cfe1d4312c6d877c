#include "app/field_view_input.h"

#include "editor/main_field.h"
#include "platform/virtual_key_codes.h"
#include "platform/virtual_keys.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>
#include <cmath>

namespace quorvane {

CFieldViewInput::CFieldViewInput(QWindow& window, QWidget* container, FieldSource field,
                                 std::atomic<int>& pendingWheel)
    : QObject(&window), window_(window), container_(container), field_(std::move(field)),
      pendingWheel_(pendingWheel) {
    window_.installEventFilter(this);
    // Another application takes the keyboard without a focus change here.
    QObject::connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
                     [this](Qt::ApplicationState state) {
                         if (state != Qt::ApplicationActive) {
                             ReleaseModifiers();
                         }
                     });
}

void CFieldViewInput::ReleaseModifiers() {
    // Their key-up goes to whoever has the focus now: the core would keep them held.
    if (CMainField* field = field_ ? field_() : nullptr) {
        field->OnKeyUp(vk::kControl);
        field->OnKeyUp(vk::kShift);
    }
}

void CFieldViewInput::TakeKeyboardFocus() {
    if (container_ && !container_->hasFocus()) {
        container_->setFocus(Qt::MouseFocusReason);
    }
    if (QGuiApplication::focusWindow() != &window_ && window_.isExposed()) {
        window_.requestActivate();
    }
}

bool CFieldViewInput::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &window_) {
        return false;
    }
    CMainField* field = field_();
    if (field == nullptr) {
        return false;
    }
    const auto clientPoint = [this](const QPointF& position) {
        const qreal ratio = window_.devicePixelRatio();
        return PixelPoint{static_cast<int>(std::lround(position.x() * ratio)),
                          static_cast<int>(std::lround(position.y() * ratio))};
    };
    const auto updateOrigin = [this, field] {
        const QPoint origin = window_.mapToGlobal(QPoint(0, 0));
        const qreal ratio = window_.devicePixelRatio();
        field->SetClientOrigin({static_cast<int>(std::lround(origin.x() * ratio)),
                                static_cast<int>(std::lround(origin.y() * ratio))});
    };

    switch (event->type()) {
    case QEvent::FocusOut:
        ReleaseModifiers();
        return false;
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (const int virtualKey = ToVirtualKey(key->key(), key->modifiers()); virtualKey != 0) {
            if (event->type() == QEvent::KeyPress) {
                field->OnKeyDown(virtualKey);
            } else {
                field->OnKeyUp(virtualKey);
            }
        }
        return true; // keys end here, like the window procedure's key messages
    }
    case QEvent::MouseMove: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        TakeKeyboardFocus();
        updateOrigin();
        field->OnMouseMove(clientPoint(mouse->position()));
        return false;
    }
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        updateOrigin();
        const PixelPoint point = clientPoint(mouse->position());
        if (mouse->button() == Qt::LeftButton) {
            field->OnLButtonDown(point);
        } else if (mouse->button() == Qt::MiddleButton) {
            field->OnMButtonDown(point);
        } else if (mouse->button() == Qt::RightButton) {
            field->OnRButtonDown(point);
        }
        return false;
    }
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            field->OnLButtonUp();
        } else if (mouse->button() == Qt::MiddleButton) {
            field->OnMButtonUp();
        } else if (mouse->button() == Qt::RightButton) {
            field->OnRButtonUp();
        }
        return false;
    }
    case QEvent::Wheel: {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        pendingWheel_.fetch_add(wheel->angleDelta().y(), std::memory_order_acq_rel);
        return false;
    }
    default:
        return false;
    }
}

} // namespace quorvane
