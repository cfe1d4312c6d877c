#pragma once

#include "ui/numeric_text.h"
#include "ui/ui_style.h"

#include <QWidget>
#include <atomic>
#include <functional>

namespace quorvane {

// A 60 x 20 field for one random range: digits and the full stop of the main
// keyboard, backspace, and tab to empty it; a click clears it to 0. It shows
// its value with four decimals. The field editor reads Value() from its own
// threads.
class CEditWindow : public QWidget {
public:
    CEditWindow(QWidget* parent, const UiScale& scale);

    void SetValue(float value);
    float Value() const { return value_.load(std::memory_order_acquire); }
    const CNumericText& Text() const { return text_; }
    QColor Background() const { return hasFocus() ? Argb(255, 150, 80, 80) : Argb(255, 100, 80, 80); }
    void SetScale(const UiScale& scale) { scale_ = scale; }
    // Called on the UI thread after each change the user makes (not SetValue's).
    void SetChangeHandler(std::function<void()> handler) { changed_ = std::move(handler); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void Publish() { value_.store(text_.Value(), std::memory_order_release); }
    void Changed() {
        if (changed_) {
            changed_();
        }
    }

    UiScale scale_;
    CNumericText text_;
    std::atomic<float> value_{0.0f};
    std::function<void()> changed_;
};

} // namespace quorvane
