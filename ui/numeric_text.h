#pragma once

#include <QString>
#include <cstddef>
#include <string>

namespace quorvane {

// The typed text of a numeric field and the number it reads as. Only digits
// and the full stop of the main keyboard can be typed, so the value is never
// negative. Keys are Win32 virtual-key codes.
class CNumericText {
public:
    static constexpr size_t kMaxLength = 1023;

    // True when the key was one the field takes (digit, full stop, backspace, tab).
    bool OnKey(int virtualKey);
    void Clear();
    // The value and the text "%f" makes of it (0 becomes "0.000000").
    void SetValue(float value);

    const std::string& Text() const { return text_; }
    // A text that reads beyond a float's range counts as 0.
    float Value() const { return value_; }
    // "%.04f" of the value.
    QString Display() const;

private:
    void Reread();

    std::string text_;
    float value_ = 0.0f;
};

} // namespace quorvane
