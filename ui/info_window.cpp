#include "ui/info_window.h"

#include <QPainter>
#include <QPainterPath>

namespace quorvane {
namespace {
constexpr int kPollMs = 100;
} // namespace

CInfoWindow::CInfoWindow(QWidget* parent, const UiScale& scale, ValuesSource source)
    : QWidget(parent), scale_(scale), source_(std::move(source)) {
    setObjectName("CLASS_INFOWINDOW");
    setAttribute(Qt::WA_OpaquePaintEvent);
    QObject::connect(&poll_, &QTimer::timeout, this, [this] { Refresh(); });
    poll_.start(kPollMs);
}

void CInfoWindow::Refresh() {
    const InfoValues now = source_ ? source_().value_or(InfoValues{}) : InfoValues{};
    if (now != shown_) {
        shown_ = now;
        update();
    }
}

void CInfoWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Argb(255, 100, 80, 80));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    const double T = scale_.titleBarHeight;
    const double D = scale_.Dpi();
    const int helpSize = static_cast<int>(T * 0.25 / D);
    painter.setFont(UiFont(T * 0.25, scale_));
    const QStringList lines = InfoHelpLines(shown_.mode);
    for (int k = 0; k < lines.size(); ++k) {
        painter.setPen(k == 0 ? InfoHeaderColour(shown_.mode) : ui_colour::kText);
        painter.drawText(QRect(10, 10 + k * (helpSize + 10), width(), helpSize + 10),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, lines[k]);
    }

    const int h = static_cast<int>(6 * D + T * 0.3 / D);
    const int H = height();
    QPainterPath panel;
    panel.addRoundedRect(QRectF(10, H - 9 * h, width() - 20, 8 * h), 6, 6);
    painter.fillPath(panel, Argb(255, 70, 50, 50));

    // The rows are h pixels apart with the value 5 pixels up: a point-sized
    // font would overlap its label, so the value font is sized in pixels.
    painter.setFont(UiFontPixels(T * 0.3 / D));
    painter.setPen(ui_colour::kText);
    auto line = [&](int top, const QString& text) {
        painter.drawText(QRect(15, top, width() - 25, h), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                         text);
    };
    line(H - 9 * h + 5, "file:" + QString::fromStdString(shown_.cellName) + ".gmf");
    line(H - 7 * h, "Position:");
    line(H - 6 * h - 5, FormatInfoVector(shown_.position));
    line(H - 5 * h, "Scale:");
    line(H - 4 * h - 5, FormatInfoVector(shown_.scale));
    line(H - 3 * h, "Rotation:");
    line(H - 2 * h - 5, FormatInfoVector(shown_.rotation));
}

} // namespace quorvane
