#pragma once

#include <optional>
#include <string>

namespace quorvane {

// A number typed key by key during a move, scale or rotation. Digits, one
// decimal point, a leading minus (pressing it again drops it) and Backspace
// edit the text; it is kept short so that it always fits the overlay.
class CTypedValue {
public:
    static constexpr size_t kMaxLength = 12;

    // True when the key edits the text (Backspace only while there is text).
    bool Key(int virtualKey);
    void Clear() { text_.clear(); }
    bool Empty() const { return text_.empty(); }
    const std::string& Text() const { return text_; }
    // The number, or none while the text holds no digit yet ("", "-", ".", "-.").
    std::optional<float> Value() const;

private:
    std::string text_;
};

} // namespace quorvane
