#pragma once

#include "ui/custom_button.h"

#include <functional>

namespace quorvane {

// The title bar's picture buttons. What closing, minimizing and maximizing
// mean belongs to the main window, which hands each button its action.
class CWindowButton : public CCustomButton {
public:
    CWindowButton(QWidget* parent, const UiScale& scale, std::function<void()> action)
        : CCustomButton(parent, scale), action_(std::move(action)) {}

protected:
    void OnClick() override {
        if (action_) {
            action_();
        }
    }

private:
    std::function<void()> action_;
};

class CButtonClose : public CWindowButton {
public:
    CButtonClose(QWidget* parent, const UiScale& scale, std::function<void()> closeProgram);
};

class CButtonMinimize : public CWindowButton {
public:
    CButtonMinimize(QWidget* parent, const UiScale& scale, std::function<void()> minimize);
};

class CButtonMaximize : public CWindowButton {
public:
    CButtonMaximize(QWidget* parent, const UiScale& scale, std::function<void()> toggleMaximized);
};

} // namespace quorvane
