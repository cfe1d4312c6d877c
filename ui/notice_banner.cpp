#include "ui/notice_banner.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace quorvane {
namespace {
constexpr int kInfoShownMs = 6000;
constexpr int kErrorShownMs = 15000;
constexpr int kMargin = 10;

double NoticePoints(const UiScale& scale) {
    return scale.titleBarHeight * 0.3;
}
} // namespace

CNoticeBanner::CNoticeBanner(QWidget* parent, const UiScale& scale) : QWidget(parent), scale_(scale) {
    setObjectName("CLASS_NOTICE");
    // Its own native window, so that it stacks above the Vulkan field view it covers.
    setAttribute(Qt::WA_NativeWindow);
    setFocusPolicy(Qt::NoFocus);
    hideTimer_.setSingleShot(true);
    QObject::connect(&hideTimer_, &QTimer::timeout, this, &QWidget::hide);
    hide();
}

void CNoticeBanner::Show(NoticeKind kind, const QString& message) {
    kind_ = kind;
    message_ = message;
    FitHeight();
    show();
    raise();
    update();
    hideTimer_.start(kind == NoticeKind::Error ? kErrorShownMs : kInfoShownMs);
}

void CNoticeBanner::Post(NoticeKind kind, const QString& message) {
    QMetaObject::invokeMethod(
        this, [this, kind, message] { Show(kind, message); }, Qt::QueuedConnection);
}

void CNoticeBanner::SetArea(const QRect& area) {
    area_ = area;
    FitHeight();
}

void CNoticeBanner::FitHeight() {
    const QFontMetrics metrics(UiFont(NoticePoints(scale_), scale_));
    const int textWidth = std::max(1, area_.width() - 2 * kMargin);
    const QRect needed = metrics.boundingRect(QRect(0, 0, textWidth, 10000), Qt::TextWordWrap, message_);
    setGeometry(area_.x(), area_.y(), area_.width(), needed.height() + 2 * kMargin);
}

void CNoticeBanner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(rect(), ui_colour::kBackground);
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 8, 8);
    const QColor face = kind_ == NoticeKind::Error ? Argb(255, 120, 40, 40) : Argb(255, 70, 50, 50);
    painter.fillPath(path, face);
    painter.setPen(QPen(kind_ == NoticeKind::Error ? Argb(255, 255, 200, 0) : ui_colour::kPanel, 2));
    painter.drawPath(path);
    painter.setFont(UiFont(NoticePoints(scale_), scale_));
    painter.setPen(Argb(255, 250, 220, 220));
    painter.drawText(rect().adjusted(kMargin, kMargin, -kMargin, -kMargin), Qt::TextWordWrap, message_);
}

void CNoticeBanner::mouseReleaseEvent(QMouseEvent*) {
    hideTimer_.stop();
    hide();
}

} // namespace quorvane
