#include "ui/model_list_window.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

namespace quorvane {
namespace {
constexpr int kPollMs = 100;
} // namespace

QString PlacementCaptionSuffix(int32_t page, int32_t pages, int32_t unwritten) {
    QString suffix = QString(" [%1/%2]").arg(page).arg(pages);
    if (unwritten > 0) {
        suffix += QString::fromUtf8("  未書き出し %1").arg(unwritten);
    }
    return suffix;
}

CModelListWindow::CModelListWindow(QWidget* parent, const UiScale& scale, IPlacementListSource& source)
    : QWidget(parent), scale_(scale), source_(source) {
    setObjectName("CLASS_MODELLISTWINDOW");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::ArrowCursor);
    QObject::connect(&poll_, &QTimer::timeout, this, [this] { Refresh(); });
    poll_.start(kPollMs);
}

int32_t CModelListWindow::RowCount() const {
    return static_cast<int32_t>(source_.Names().size() + source_.SelectedWritten().size());
}

CModelListWindow::Shown CModelListWindow::Current() const {
    CPlacementListModel model = source_.Model();
    const int32_t count = RowCount();
    model.ClampPage(count);
    return {count, model.Selected(), model.Page(), unwritten_ ? unwritten_() : 0};
}

void CModelListWindow::Refresh() {
    source_.SetHeight(height());
    const Shown now = Current();
    if (now == shown_) {
        return;
    }
    shown_ = now;
    update();
    if (changed_) {
        changed_();
    }
}

QString CModelListWindow::CaptionSuffix() const {
    CPlacementListModel model = source_.Model();
    const int32_t count = RowCount();
    model.ClampPage(count);
    return PlacementCaptionSuffix(model.Page() + 1, model.LastPage(count) + 1, unwritten_ ? unwritten_() : 0);
}

void CModelListWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Argb(255, 100, 80, 80));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(UiFont(kRowHeight * 0.5, scale_));

    const std::vector<std::string> names = source_.Names();
    const std::vector<std::string> written = source_.SelectedWritten();
    CPlacementListModel model = source_.Model();
    const auto unwritten = static_cast<int32_t>(names.size());
    const auto count = static_cast<int32_t>(names.size() + written.size());
    model.ClampPage(count);
    const int32_t rows = model.RowsPerPage();
    const int32_t first = model.Page() * rows + 1;
    for (int32_t i = first; i <= count && i < first + rows; ++i) {
        const int32_t top = kRowHeight * (i - first);
        // After the unwritten placements, the written copies selected in the field, shown selected.
        const bool isWritten = i > unwritten;
        QPainterPath face;
        face.addRoundedRect(QRectF(5, top + 4, width() - 10, kRowHeight - 4), 2, 2);
        painter.fillPath(face, i == model.Selected() || isWritten ? Argb(255, 240, 170, 170)
                                                                  : Argb(255, 200, 120, 120));
        painter.setPen(Argb(255, 255, 255, 255));
        painter.drawText(QRect(10, top + 2, width() - 10, kRowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                         isWritten ? QString::fromUtf8("済") : QString("%1. ").arg(i));
        painter.setPen(Argb(255, 130, 70, 70));
        const std::string& name =
            isWritten ? written[static_cast<size_t>(i - unwritten - 1)] : names[static_cast<size_t>(i - 1)];
        painter.drawText(QRect(50, top + 2, width() - 10, kRowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                         QString::fromStdString(name));
    }
}

void CModelListWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    source_.SetHeight(height());
    const auto y = static_cast<int32_t>(event->position().y());
    CPlacementListModel model = source_.Model();
    model.ClampPage(RowCount());
    const int32_t row = model.Page() * model.RowsPerPage() + y / kRowHeight + 1;
    if (row > static_cast<int32_t>(source_.Names().size()) && !source_.SelectedWritten().empty()) {
        return; // a written copy's row: it is selected in the field, not from here
    }
    source_.Pick(y);
    Refresh();
    repaint();
}

void CModelListWindow::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        return;
    }
    source_.SetHeight(height());
    source_.Wheel(delta);
    Refresh();
    event->accept();
}

void CModelListWindow::resizeEvent(QResizeEvent*) {
    source_.SetHeight(height());
}

} // namespace quorvane
