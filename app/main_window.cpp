// The field view first: it brings Vulkan in before any Qt header.
#include "app/main_window.h"

#include "app/application.h"
#include "app/field_view.h"
#include "app/title_text.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>

namespace quorvane {
namespace {

QColor ToQColor(const ArgbColor& c) {
    return QColor(std::clamp(c.red, 0, 255), std::clamp(c.green, 0, 255), std::clamp(c.blue, 0, 255),
                  std::clamp(c.alpha, 0, 255));
}

void Place(QWidget* widget, const LayoutRect& r) {
    if (widget != nullptr) {
        widget->setGeometry(r.x, r.y, r.width, r.height);
    }
}

} // namespace

CPanelPlaceholder::CPanelPlaceholder(QWidget* parent, const QString& role, const QString& caption)
    : QWidget(parent), caption_(caption) {
    setObjectName("CLASS_" + role);
}

void CPanelPlaceholder::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(245, 235, 235));
    painter.setPen(QColor(100, 70, 70));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, caption_);
}

void CPanelPlaceholder::mouseReleaseEvent(QMouseEvent* event) {
    if (clickAction_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        clickAction_();
    }
}

CMainWindow::CMainWindow(CAppState& state)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), state_(state) {
    setObjectName("CLASS_MAINWINDOW");
    setWindowTitle(kMainWindowTitle);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::ClickFocus);

    modelTree_ = AddPlaceholder("MODELTREEWINDOW", "MDF Select View");
    modelViewer_ = AddPlaceholder("MODELVIEWERWINDOW", "Model View");
    for (int i = 1; i <= 5; ++i) {
        checkBoxes_.push_back(AddPlaceholder(QString("CHECKBOX%1").arg(i), QString()));
    }
    infoWindow_ = AddPlaceholder("INFOWINDOW", "Info View");
    for (int i = 0; i < 3; ++i) {
        scaleFields_.push_back(AddPlaceholder("EDITWINDOW", QString()));
    }
    for (int i = 0; i < 3; ++i) {
        rotationFields_.push_back(AddPlaceholder("EDITWINDOW", QString()));
    }
    writeButton_ = AddPlaceholder("BUTTONWRITEFILE", QString::fromUtf8("配置リストをファイルに書き出し"));
    fieldRenderer_ = CFieldView::Create(this);
    if (fieldRenderer_) {
        fieldView_ = fieldRenderer_->Container();
        state_.renderThreads.push_back(&fieldRenderer_->RenderThread());
        CFieldView* view = fieldRenderer_.get();
        SetFrameRateSource([view] { return view->FrameRate(); });
    } else {
        fieldView_ = AddPlaceholder("DISPWINDOW", QString());
    }
    placementList_ = AddPlaceholder("MODELLISTWINDOW", "Put Model List");
    deleteButton_ = AddPlaceholder("BUTTONDELETE", QString::fromUtf8("リストから削除"));
    auto* close = AddPlaceholder("BUTTONCLOSE", QString::fromUtf8("×"));
    close->SetClickAction([this] { ShutdownApplication(state_); });
    closeButton_ = close;
    maximizeButton_ = AddPlaceholder("BUTTONMAXIMIZE", QString::fromUtf8("□"));
    minimizeButton_ = AddPlaceholder("BUTTONMINIMIZE", QString::fromUtf8("_"));
}

CMainWindow::~CMainWindow() {
    if (fieldRenderer_) {
        std::erase(state_.renderThreads, &fieldRenderer_->RenderThread());
        fieldRenderer_.reset();
    }
}

CPanelPlaceholder* CMainWindow::AddPlaceholder(const QString& role, const QString& caption) {
    auto* panel = new CPanelPlaceholder(this, role, caption); // owned by this window
    placeholders_.push_back(panel);
    return panel;
}

void CMainWindow::Relayout() {
    const AppGeometry& g = state_.geometry;
    state_.layout = ComputeMainLayout({.width = width(),
                                       .height = height(),
                                       .titleBar = g.titleBarHeight,
                                       .border = g.frameBorderX,
                                       .leftPanel = g.leftPanelWidth,
                                       .rightPanel = g.rightPanelWidth});
    const MainLayout& m = state_.layout;
    Place(fieldView_, m.fieldView);
    Place(modelTree_, m.modelTree);
    Place(modelViewer_, m.modelViewer);
    for (size_t i = 0; i < checkBoxes_.size(); ++i) {
        Place(checkBoxes_[i], m.checkBoxes[i]);
    }
    Place(infoWindow_, m.infoWindow);
    for (size_t i = 0; i < scaleFields_.size(); ++i) {
        Place(scaleFields_[i], m.randomScaleFields[i]);
        Place(rotationFields_[i], m.randomRotationFields[i]);
    }
    Place(placementList_, m.placementList);
    Place(deleteButton_, m.deleteButton);
    Place(writeButton_, m.writeButton);
    Place(closeButton_, m.closeButton);
    Place(maximizeButton_, m.maximizeButton);
    Place(minimizeButton_, m.minimizeButton);
}

QFont CMainWindow::UiFont(double pointSize) const {
    QFont font;
    font.setFamilies({QString::fromStdString(state_.uiFontFamily), "Meiryo", "Noto Sans CJK JP"});
    font.setPointSizeF(std::max(1.0, pointSize));
    return font;
}

void CMainWindow::paintEvent(QPaintEvent*) {
    const AppGeometry& g = state_.geometry;
    const int T = g.titleBarHeight;
    const double D = g.dpiScale > 0 ? g.dpiScale : 1.0;
    const QColor background = ToQColor(g.titleColor);
    const QColor dark = ToQColor(g.titleDarkColor);
    const QColor panel = ToQColor(g.titleColor.Brighter(80));
    const QColor titleText = ToQColor(g.titleColor.Brighter(50));

    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.fillRect(rect(), background);
    painter.fillRect(0, 0, width(), T, dark);

    for (QWidget* w : {modelTree_, modelViewer_, infoWindow_, placementList_}) {
        painter.fillRect(w->geometry().adjusted(-2, -2, 2, 2), panel);
    }
    for (const auto& fields : {scaleFields_, rotationFields_}) {
        for (QWidget* w : fields) {
            painter.fillRect(w->x() - 2, w->y() - 2, 64, 24, panel);
        }
    }

    painter.setPen(QPen(dark, 8));
    painter.drawRect(rect());

    const double fps = frameRate_ ? frameRate_() : 0.0;
    painter.setFont(UiFont(T * 0.5 / D));
    painter.setPen(titleText);
    painter.drawText(QRect(width() / 50, static_cast<int>(T * 0.1), width(), T), Qt::AlignLeft | Qt::AlignTop,
                     QString::fromStdString(FormatTitleText(fps)));
}

void CMainWindow::resizeEvent(QResizeEvent*) {
    Relayout();
}

void CMainWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    state_.titleDrag.buttonDown = true;
    state_.titleDrag.pressInTitleBar = event->position().y() < state_.geometry.titleBarHeight;
    setFocus();
    lastDragPoint_ = event->globalPosition().toPoint();
    update();
}

void CMainWindow::mouseMoveEvent(QMouseEvent* event) {
    const TitleDragState& drag = state_.titleDrag;
    if (drag.buttonDown && drag.pressInTitleBar && !drag.maximized) {
        const QPoint now = event->globalPosition().toPoint();
        move(pos() + (now - lastDragPoint_));
        lastDragPoint_ = now;
    }
    update();
}

void CMainWindow::mouseReleaseEvent(QMouseEvent* event) {
    state_.titleDrag.buttonDown = false;
    state_.titleDrag.pressInTitleBar = false;
    update();
}

void CMainWindow::closeEvent(QCloseEvent* event) {
    // Closing by the window manager ends the program like the close button.
    ShutdownApplication(state_);
    event->accept();
}

} // namespace quorvane
