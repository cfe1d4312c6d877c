#include "platform/virtual_key_codes.h"
#include "ui/check_box.h"
#include "ui/custom_button.h"
#include "ui/display_toggles.h"
#include "ui/edit_window.h"
#include "ui/numeric_text.h"

#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

class CCountingButton : public CCustomButton {
public:
    using CCustomButton::CCustomButton;
    int clicks = 0;

protected:
    void OnClick() override { ++clicks; }
};

TEST(CustomButtonTest, ClickFiresOnReleaseEvenOutside) {
    QWidget parent;
    parent.resize(300, 200);
    CCountingButton button(&parent, UiScale{});
    button.setGeometry(50, 50, 120, 28);
    button.SetLabel("Label");
    parent.show();

    QTest::mousePress(&button, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_TRUE(button.Pressed());
    EXPECT_EQ(button.clicks, 0);
    QTest::mouseRelease(&button, Qt::LeftButton, Qt::NoModifier, QPoint(-40, 300));
    EXPECT_FALSE(button.Pressed());
    EXPECT_EQ(button.clicks, 1);

    // A release without a press on the button is no click.
    QTest::mouseRelease(&button, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_EQ(button.clicks, 1);
}

TEST(CustomButtonTest, TextFaceDarkensItsRimWhilePressed) {
    QWidget parent;
    CCountingButton button(&parent, UiScale{});
    button.resize(120, 28);
    button.SetRimColour(QColor(200, 180, 180));
    button.SetFaceColour(QColor(100, 80, 80));
    // The rim is the 2-pixel band inside the rounded edge; sample its straight middle.
    EXPECT_EQ(button.grab().toImage().pixelColor(60, 0), QColor(200, 180, 180));
    EXPECT_EQ(button.grab().toImage().pixelColor(60, 14), QColor(100, 80, 80));
    QTest::mousePress(&button, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_EQ(button.grab().toImage().pixelColor(60, 0), QColor(150, 130, 130));
    QTest::mouseRelease(&button, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
}

// The first three toggles are independent; vertical and horizontal (4 and 5)
// exclude each other, and a click reports the box it unchecked.
TEST(CheckBoxTest, TogglesStartUncheckedAndClicksReportTheBoxTheyUnchecked) {
    CDisplayToggles toggles;
    for (int32_t id = 1; id <= 5; ++id) {
        EXPECT_FALSE(toggles.IsChecked(id)) << id;
    }
    toggles.Toggle(1);
    toggles.Toggle(3);
    toggles.Toggle(5);
    EXPECT_TRUE(toggles.IsChecked(1));
    EXPECT_FALSE(toggles.IsChecked(2));
    EXPECT_TRUE(toggles.IsChecked(3));
    EXPECT_TRUE(toggles.IsChecked(5));
    EXPECT_EQ(toggles.Toggle(0), 0);
    EXPECT_EQ(toggles.Toggle(6), 0);
    EXPECT_FALSE(toggles.IsChecked(6));

    QWidget parent;
    CCheckBox vertical(&parent, UiScale{}, toggles, 4);
    CCheckBox horizontal(&parent, UiScale{}, toggles, 5);
    vertical.setGeometry(0, 0, 18, 18);
    horizontal.setGeometry(30, 0, 18, 18);
    int32_t lastUnchecked = -1;
    vertical.SetChangeHandler([&](int32_t id, int32_t unchecked) {
        EXPECT_EQ(id, 4);
        lastUnchecked = unchecked;
    });
    EXPECT_TRUE(horizontal.Checked()) << "toggled above";
    QTest::mouseClick(&vertical, Qt::LeftButton);
    EXPECT_TRUE(vertical.Checked());
    EXPECT_FALSE(horizontal.Checked());
    EXPECT_EQ(lastUnchecked, 5);
    QTest::mouseClick(&vertical, Qt::LeftButton);
    EXPECT_FALSE(vertical.Checked());
    EXPECT_FALSE(horizontal.Checked());
    EXPECT_EQ(lastUnchecked, 0);
}

TEST(NumericTextTest, TypingOtherKeysLimitsAndTheEditWindowsKeysClicksAndFocusColour) {
    CNumericText text;
    EXPECT_EQ(text.Display(), "0.0000");
    const std::pair<int, const char*> typed[] = {{vk::kDigit0 + 1, "1.0000"},
                                                 {vk::kDigit0 + 2, "12.0000"},
                                                 {vk::kOemPeriod, "12.0000"},
                                                 {vk::kDigit0 + 5, "12.5000"},
                                                 {vk::kBack, "12.0000"}};
    for (const auto& [key, shown] : typed) {
        EXPECT_TRUE(text.OnKey(key));
        EXPECT_EQ(text.Display(), shown) << key;
    }
    EXPECT_EQ(text.Text(), "12.");
    EXPECT_FLOAT_EQ(text.Value(), 12.0f);

    text.OnKey(vk::kTab);
    EXPECT_EQ(text.Text(), "");
    text.OnKey(vk::kOemPeriod);
    EXPECT_FLOAT_EQ(text.Value(), 0.0f); // a lone full stop reads as 0
    text.OnKey(vk::kDigit0 + 5);
    EXPECT_EQ(text.Display(), "0.5000");

    text.Clear();
    for (int key : {vk::kDigit0 + 1, vk::kOemPeriod, vk::kDigit0 + 2, vk::kOemPeriod, vk::kDigit0 + 3}) {
        text.OnKey(key);
    }
    EXPECT_EQ(text.Text(), "1.2.3");
    EXPECT_FLOAT_EQ(text.Value(), 1.2f);
    for (int i = 0; i < 6; ++i) {
        text.OnKey(vk::kBack); // the last on an empty text: nothing
    }
    EXPECT_EQ(text.Text(), "");

    for (int key :
         {vk::kNumpad0 + 5, vk::kDecimal, vk::kSubtract, vk::kOemMinus, vk::Letter('E'), vk::kSpace}) {
        EXPECT_FALSE(text.OnKey(key)) << key;
    }
    EXPECT_EQ(text.Text(), "");

    text.SetValue(0.0f);
    EXPECT_EQ(text.Text(), "0.000000");
    text.OnKey(vk::kDigit0 + 5);
    EXPECT_EQ(text.Text(), "0.0000005");
    EXPECT_EQ(text.Display(), "0.0000");

    // The text stops growing at its limit; a number beyond a float reads as 0.
    text.Clear();
    for (size_t i = 0; i < CNumericText::kMaxLength + 10; ++i) {
        text.OnKey(vk::kDigit0 + 9);
    }
    EXPECT_EQ(text.Text().size(), CNumericText::kMaxLength);
    EXPECT_FLOAT_EQ(text.Value(), 0.0f);

    // The edit window: keys, clicks and its focus colour.
    QWidget parent;
    parent.resize(200, 100);
    CEditWindow first(&parent, UiScale{});
    CEditWindow second(&parent, UiScale{});
    first.setGeometry(10, 10, 60, 20);
    second.setGeometry(100, 10, 60, 20);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));

    QTest::mouseClick(&first, Qt::LeftButton);
    ASSERT_TRUE(first.hasFocus());
    // The focused field stands out, to its last pixel.
    const QColor unfocused = second.Background();
    EXPECT_NE(first.Background(), unfocused);
    EXPECT_EQ(first.grab().toImage().pixelColor(59, 19), first.Background());

    QTest::keyClick(&first, Qt::Key_2);
    QTest::keyClick(&first, Qt::Key_Period);
    QTest::keyClick(&first, Qt::Key_5);
    QTest::keyClick(&first, Qt::Key_7, Qt::KeypadModifier); // keypad: ignored
    EXPECT_FLOAT_EQ(first.Value(), 2.5f);

    // Tab empties the field and keeps the focus.
    QTest::keyClick(&first, Qt::Key_Tab);
    EXPECT_EQ(first.Text().Text(), "");
    EXPECT_TRUE(first.hasFocus());

    QTest::keyClick(&first, Qt::Key_3);
    EXPECT_FLOAT_EQ(first.Value(), 3.0f);
    // A click clears the field to 0 without a keystroke.
    QTest::mouseClick(&first, Qt::LeftButton);
    EXPECT_FLOAT_EQ(first.Value(), 0.0f);

    QTest::mouseClick(&second, Qt::LeftButton);
    EXPECT_EQ(first.Background(), unfocused);
    first.SetValue(1.5f);
    EXPECT_FLOAT_EQ(first.Value(), 1.5f);
}

} // namespace
} // namespace quorvane
