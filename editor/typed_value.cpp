#include "editor/typed_value.h"

#include "platform/virtual_key_codes.h"

#include <algorithm>
#include <charconv>

namespace quorvane {
namespace {

// The digit a main-keyboard or keypad key types, or -1.
int DigitOf(int virtualKey) {
    if (virtualKey >= vk::kDigit0 && virtualKey <= vk::kDigit0 + 9) {
        return virtualKey - vk::kDigit0;
    }
    if (virtualKey >= vk::kNumpad0 && virtualKey <= vk::kNumpad0 + 9) {
        return virtualKey - vk::kNumpad0;
    }
    return -1;
}

} // namespace

bool CTypedValue::Key(int virtualKey) {
    if (virtualKey == vk::kBack) {
        if (text_.empty()) {
            return false;
        }
        text_.pop_back();
        return true;
    }
    if (virtualKey == vk::kOemMinus || virtualKey == vk::kSubtract) {
        if (!text_.empty() && text_.front() == '-') {
            text_.erase(0, 1);
        } else if (text_.size() < kMaxLength) {
            text_.insert(0, 1, '-');
        }
        return true;
    }
    if (text_.size() >= kMaxLength) {
        // A full text still swallows the key, so that it never reaches other handlers.
        return DigitOf(virtualKey) >= 0 || virtualKey == vk::kOemPeriod || virtualKey == vk::kDecimal;
    }
    if (const int digit = DigitOf(virtualKey); digit >= 0) {
        text_.push_back(static_cast<char>('0' + digit));
        return true;
    }
    if (virtualKey == vk::kOemPeriod || virtualKey == vk::kDecimal) {
        if (text_.find('.') == std::string::npos) {
            text_.push_back('.');
        }
        return true;
    }
    return false;
}

std::optional<float> CTypedValue::Value() const {
    if (!std::any_of(text_.begin(), text_.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::nullopt;
    }
    const bool negative = text_.front() == '-';
    // from_chars wants digits on both sides of the point.
    std::string number = text_.substr(negative ? 1 : 0);
    if (number.front() == '.') {
        number.insert(0, 1, '0');
    }
    if (number.back() == '.') {
        number.push_back('0');
    }
    float value = 0.0f;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc{} || end != number.data() + number.size()) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

} // namespace quorvane
