#include "platform/virtual_keys.h"

namespace quorvane {
namespace {

int KeypadKey(int qtKey) {
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
        return vk::kNumpad0 + (qtKey - Qt::Key_0);
    }
    switch (qtKey) {
    case Qt::Key_Asterisk:
        return vk::kMultiply;
    case Qt::Key_Plus:
        return vk::kAdd;
    case Qt::Key_Minus:
        return vk::kSubtract;
    case Qt::Key_Period:
    case Qt::Key_Comma:
        return vk::kDecimal;
    case Qt::Key_Slash:
        return vk::kDivide;
    case Qt::Key_Enter:
        return vk::kReturn;
    default:
        return 0; // navigation keys on the keypad (NumLock off) map as the main ones
    }
}

} // namespace

int ToVirtualKey(int qtKey, Qt::KeyboardModifiers modifiers) {
    if (modifiers.testFlag(Qt::KeypadModifier)) {
        if (const int code = KeypadKey(qtKey); code != 0) {
            return code;
        }
    }
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) {
        return vk::kLetterA + (qtKey - Qt::Key_A);
    }
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
        return vk::kDigit0 + (qtKey - Qt::Key_0);
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) {
        return vk::kF1 + (qtKey - Qt::Key_F1);
    }
    switch (qtKey) {
    case Qt::Key_Backspace:
        return vk::kBack;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return vk::kTab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return vk::kReturn;
    case Qt::Key_Shift:
        return vk::kShift;
    case Qt::Key_Control:
        return vk::kControl;
    case Qt::Key_Alt:
        return vk::kMenu;
    case Qt::Key_Escape:
        return vk::kEscape;
    case Qt::Key_Space:
        return vk::kSpace;
    case Qt::Key_PageUp:
        return vk::kPrior;
    case Qt::Key_PageDown:
        return vk::kNext;
    case Qt::Key_End:
        return vk::kEnd;
    case Qt::Key_Home:
        return vk::kHome;
    case Qt::Key_Left:
        return vk::kLeft;
    case Qt::Key_Up:
        return vk::kUp;
    case Qt::Key_Right:
        return vk::kRight;
    case Qt::Key_Down:
        return vk::kDown;
    case Qt::Key_Insert:
        return vk::kInsert;
    case Qt::Key_Delete:
        return vk::kDelete;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        return vk::kOemPlus;
    case Qt::Key_Comma:
        return vk::kOemComma;
    case Qt::Key_Minus:
        return vk::kOemMinus;
    case Qt::Key_Period:
        return vk::kOemPeriod;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft:
        return vk::kOemOpenBracket;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight:
        return vk::kOemCloseBracket;
    default:
        return 0;
    }
}

} // namespace quorvane
