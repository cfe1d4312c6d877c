#pragma once

#include "ui/ui_style.h"

#include <QString>
#include <QTimer>
#include <QWidget>

namespace quorvane {

enum class NoticeKind { Info, Error };

// A strip over the top of the field view that tells the user what went wrong
// (or what a write did) in the tool's colours. It never takes the focus and
// never waits for an answer, so nothing the user placed or drew is held up;
// it goes away by itself or with a click.
class CNoticeBanner : public QWidget {
public:
    CNoticeBanner(QWidget* parent, const UiScale& scale);

    // UI thread.
    void Show(NoticeKind kind, const QString& message);
    // Any thread: queued to the UI thread.
    void Post(NoticeKind kind, const QString& message);

    // Where the strip may lie: its top edge and width; the height follows the text.
    void SetArea(const QRect& area);
    void SetScale(const UiScale& scale) { scale_ = scale; }

    const QString& Message() const { return message_; }
    NoticeKind Kind() const { return kind_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void FitHeight();

    UiScale scale_;
    QRect area_;
    QString message_;
    NoticeKind kind_ = NoticeKind::Info;
    QTimer hideTimer_;
};

} // namespace quorvane
