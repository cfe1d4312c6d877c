#pragma once

namespace quorvane {

// Win32 virtual-key codes, so that editor logic keeps the codes it is written against.
// Plain constants with no toolkit behind them: the headless editor core includes this.
namespace vk {
inline constexpr int kBack = 0x08;
inline constexpr int kTab = 0x09;
inline constexpr int kReturn = 0x0D;
inline constexpr int kShift = 0x10;
inline constexpr int kControl = 0x11;
inline constexpr int kMenu = 0x12; // Alt
inline constexpr int kEscape = 0x1B;
inline constexpr int kSpace = 0x20;
inline constexpr int kPrior = 0x21;
inline constexpr int kNext = 0x22;
inline constexpr int kEnd = 0x23;
inline constexpr int kHome = 0x24;
inline constexpr int kLeft = 0x25;
inline constexpr int kUp = 0x26;
inline constexpr int kRight = 0x27;
inline constexpr int kDown = 0x28;
inline constexpr int kInsert = 0x2D;
inline constexpr int kDelete = 0x2E;
inline constexpr int kDigit0 = 0x30;  // '0'..'9' are 0x30..0x39
inline constexpr int kLetterA = 0x41; // 'A'..'Z' are 0x41..0x5A
inline constexpr int kNumpad0 = 0x60; // numpad digits are 0x60..0x69
inline constexpr int kMultiply = 0x6A;
inline constexpr int kAdd = 0x6B;
inline constexpr int kSubtract = 0x6D;
inline constexpr int kDecimal = 0x6E;
inline constexpr int kDivide = 0x6F;
inline constexpr int kF1 = 0x70; // F1..F24 are 0x70..0x87
inline constexpr int kOemPlus = 0xBB;
inline constexpr int kOemComma = 0xBC;
inline constexpr int kOemMinus = 0xBD;
inline constexpr int kOemPeriod = 0xBE;
inline constexpr int kOemOpenBracket = 0xDB;  // [
inline constexpr int kOemCloseBracket = 0xDD; // ]

// The code of an upper-case letter key, 'A'..'Z'.
constexpr int Letter(char upper) {
    return kLetterA + (upper - 'A');
}
} // namespace vk

} // namespace quorvane
