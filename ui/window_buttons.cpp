#include "ui/window_buttons.h"

namespace quorvane {

CButtonClose::CButtonClose(QWidget* parent, const UiScale& scale, std::function<void()> closeProgram)
    : CWindowButton(parent, scale, std::move(closeProgram)) {
    setObjectName("CLASS_BUTTONCLOSE");
    SetPictures("./pict/ButtonClose.png", "./pict/ButtonCloseDown.png");
}

CButtonMinimize::CButtonMinimize(QWidget* parent, const UiScale& scale, std::function<void()> minimize)
    : CWindowButton(parent, scale, std::move(minimize)) {
    setObjectName("CLASS_BUTTONMINIMIZE");
    SetPictures("./pict/ButtonMin.png", "./pict/ButtonMinDown.png");
}

CButtonMaximize::CButtonMaximize(QWidget* parent, const UiScale& scale, std::function<void()> toggleMaximized)
    : CWindowButton(parent, scale, std::move(toggleMaximized)) {
    setObjectName("CLASS_BUTTONMAXIMIZE");
    SetPictures("./pict/ButtonSize.png", "./pict/ButtonSizeDown.png");
}

} // namespace quorvane
