#pragma once

#include "app/app_state.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

namespace quorvane {

// A stand-in panel for a side window that is not built yet: it fills its
// rectangle and shows its caption, so the frame reads as the finished layout.
class CPanelPlaceholder : public QWidget {
public:
    CPanelPlaceholder(QWidget* parent, const QString& role, const QString& caption);

    void SetClickAction(std::function<void()> action) { clickAction_ = std::move(action); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QString caption_;
    std::function<void()> clickAction_;
};

class CFieldView;

// The frameless main window: paints its own title bar and frame, is dragged
// by the title bar, and lays its children out by the fixed formulas.
class CMainWindow : public QWidget {
public:
    explicit CMainWindow(CAppState& state);
    ~CMainWindow() override;

    // Frame rate shown in the title; the field view supplies it.
    void SetFrameRateSource(std::function<double()> source) { frameRate_ = std::move(source); }
    const std::vector<QWidget*>& Placeholders() const { return placeholders_; }
    CFieldView* FieldView() const { return fieldRenderer_.get(); }
    void Relayout();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    CPanelPlaceholder* AddPlaceholder(const QString& role, const QString& caption);
    QFont UiFont(double pointSize) const;

    CAppState& state_;
    std::function<double()> frameRate_;
    std::vector<QWidget*> placeholders_;
    QPoint lastDragPoint_;

    // Children, parented to this window (Qt owns them).
    QWidget* fieldView_ = nullptr;
    // The Vulkan field view; null where the platform has no Vulkan windows.
    std::unique_ptr<CFieldView> fieldRenderer_;
    QWidget* modelTree_ = nullptr;
    QWidget* modelViewer_ = nullptr;
    std::vector<QWidget*> checkBoxes_;
    QWidget* infoWindow_ = nullptr;
    std::vector<QWidget*> scaleFields_;
    std::vector<QWidget*> rotationFields_;
    QWidget* placementList_ = nullptr;
    QWidget* deleteButton_ = nullptr;
    QWidget* writeButton_ = nullptr;
    QWidget* closeButton_ = nullptr;
    QWidget* maximizeButton_ = nullptr;
    QWidget* minimizeButton_ = nullptr;
};

} // namespace quorvane
