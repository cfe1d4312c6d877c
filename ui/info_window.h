#pragma once

#include "ui/info_text.h"
#include "ui/ui_style.h"

#include <QTimer>
#include <QWidget>
#include <functional>
#include <optional>

namespace quorvane {

// "Info View": what the mouse and keys do in the current edit mode, and the
// values being edited (the grid map file of the cell under the mouse, and the
// position, scale and rotation of the cursor or of the selected placement).
// It has no input; it repaints whenever what it shows changes.
class CInfoWindow : public QWidget {
public:
    // Empty while there is no editing core.
    using ValuesSource = std::function<std::optional<InfoValues>()>;

    CInfoWindow(QWidget* parent, const UiScale& scale, ValuesSource source);

    void SetScale(const UiScale& scale) { scale_ = scale; }
    const InfoValues& Shown() const { return shown_; }
    // Reads the values now (a timer does it ten times a second).
    void Refresh();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    UiScale scale_;
    ValuesSource source_;
    InfoValues shown_;
    QTimer poll_;
};

} // namespace quorvane
