#include "platform/virtual_keys.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(VirtualKeysTest, QtKeysGiveTheirWindowsCodes) {
    EXPECT_EQ(ToVirtualKey(Qt::Key_G, Qt::NoModifier), 0x47);
    EXPECT_EQ(ToVirtualKey(Qt::Key_A, Qt::ShiftModifier), 0x41);
    EXPECT_EQ(ToVirtualKey(Qt::Key_Z, Qt::NoModifier), 0x5A);
    EXPECT_EQ(ToVirtualKey(Qt::Key_0, Qt::NoModifier), 0x30);
    EXPECT_EQ(ToVirtualKey(Qt::Key_9, Qt::NoModifier), 0x39);
    EXPECT_EQ(ToVirtualKey(Qt::Key_Shift, Qt::ShiftModifier), 0x10);
    EXPECT_EQ(ToVirtualKey(Qt::Key_Backspace, Qt::NoModifier), 0x08);
    EXPECT_EQ(ToVirtualKey(Qt::Key_Tab, Qt::NoModifier), 0x09);
    EXPECT_EQ(ToVirtualKey(Qt::Key_Period, Qt::NoModifier), 190);
    EXPECT_EQ(ToVirtualKey(Qt::Key_Minus, Qt::NoModifier), 0xBD);

    EXPECT_EQ(ToVirtualKey(Qt::Key_Left, Qt::NoModifier), 0x25);
    EXPECT_EQ(ToVirtualKey(Qt::Key_Up, Qt::NoModifier), 0x26);
    EXPECT_EQ(ToVirtualKey(Qt::Key_Right, Qt::NoModifier), 0x27);
    EXPECT_EQ(ToVirtualKey(Qt::Key_Down, Qt::NoModifier), 0x28);
    // Keypad arrows (NumLock off) act as arrows.
    EXPECT_EQ(ToVirtualKey(Qt::Key_Left, Qt::KeypadModifier), 0x25);
    // The keypad is distinct from the main keyboard.
    EXPECT_EQ(ToVirtualKey(Qt::Key_0, Qt::KeypadModifier), 0x60);
    EXPECT_EQ(ToVirtualKey(Qt::Key_7, Qt::KeypadModifier), 0x67);
    EXPECT_EQ(ToVirtualKey(Qt::Key_Period, Qt::KeypadModifier), 0x6E);
    EXPECT_EQ(ToVirtualKey(Qt::Key_Minus, Qt::KeypadModifier), 0x6D);
    EXPECT_EQ(ToVirtualKey(Qt::Key_Plus, Qt::KeypadModifier), 0x6B);
    EXPECT_NE(ToVirtualKey(Qt::Key_5, Qt::KeypadModifier), ToVirtualKey(Qt::Key_5, Qt::NoModifier));
    // The keys that type, confirm and cancel a value during a move, scale or rotation.
    EXPECT_EQ(ToVirtualKey(Qt::Key_Return, Qt::NoModifier), 0x0D);
    EXPECT_EQ(ToVirtualKey(Qt::Key_Enter, Qt::KeypadModifier), 0x0D);
    EXPECT_EQ(ToVirtualKey(Qt::Key_Escape, Qt::NoModifier), 0x1B);
    EXPECT_EQ(ToVirtualKey(Qt::Key_Comma, Qt::KeypadModifier), 0x6E) << "a comma keypad types the point";
    EXPECT_EQ(ToVirtualKey(Qt::Key_9, Qt::KeypadModifier), 0x69);
    EXPECT_EQ(ToVirtualKey(Qt::Key_Minus, Qt::ControlModifier), 0xBD);
    // Unmapped keys give zero.
    EXPECT_EQ(ToVirtualKey(Qt::Key_MediaPlay, Qt::NoModifier), 0);
    EXPECT_EQ(ToVirtualKey(0, Qt::NoModifier), 0);
}

} // namespace
} // namespace quorvane
