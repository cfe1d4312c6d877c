#pragma once

#include "ui/placement_list_source.h"
#include "ui/ui_style.h"

#include <QTimer>
#include <QWidget>
#include <functional>

namespace quorvane {

// The list caption's suffix: " [page/pages]", and "  未書き出し N" while N > 0.
QString PlacementCaptionSuffix(int32_t page, int32_t pages, int32_t unwritten);

// "Put Model List": one row per placed model, a running number and its unique
// name, turned a page at a time by the wheel. A click selects the row's model
// in the editing core, which keeps the selection and the page.
class CModelListWindow : public QWidget {
public:
    static constexpr int32_t kRowHeight = CPlacementListModel::kRowHeight;

    CModelListWindow(QWidget* parent, const UiScale& scale, IPlacementListSource& source);

    // " [page/pages]" for the caption over the list, pages counted from 1,
    // then the count of placements not yet written when there are any.
    QString CaptionSuffix() const;
    // Where the count of unwritten placements comes from (UI thread).
    void SetUnwrittenCount(std::function<int32_t()> count) { unwritten_ = std::move(count); }
    // Called when the page, the selection or the list changed.
    void SetChangeHandler(std::function<void()> changed) { changed_ = std::move(changed); }
    void SetScale(const UiScale& scale) { scale_ = scale; }
    // Looks for changes now (the timer does it ten times a second).
    void Refresh();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int32_t RowCount() const; // the unwritten placements and the selected written copies
    struct Shown {
        int32_t count = 0;
        int32_t selected = 0;
        int32_t page = 0;
        int32_t unwritten = 0;
        friend bool operator==(const Shown&, const Shown&) = default;
    };
    Shown Current() const;

    UiScale scale_;
    IPlacementListSource& source_;
    std::function<void()> changed_;
    std::function<int32_t()> unwritten_;
    Shown shown_;
    QTimer poll_;
};

} // namespace quorvane
