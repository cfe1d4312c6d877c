#pragma once

#include <QObject>
#include <QPointer>
#include <atomic>
#include <functional>

class QWindow;
class QWidget;

namespace quorvane {

class CMainField;

// Hands the field view window's mouse, wheel and key events to the editing
// core on the UI thread. Client points are in device pixels of the window,
// the unit the render thread picks the ground in. The wheel only adds up its
// delta here: the render thread owns the camera and applies it.
class CFieldViewInput : public QObject {
public:
    using FieldSource = std::function<CMainField*()>;

    CFieldViewInput(QWindow& window, QWidget* container, FieldSource field, std::atomic<int>& pendingWheel);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void TakeKeyboardFocus();
    void ReleaseModifiers();

    QWindow& window_;
    QPointer<QWidget> container_;
    FieldSource field_;
    std::atomic<int>& pendingWheel_;
};

} // namespace quorvane
