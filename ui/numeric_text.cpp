#include "ui/numeric_text.h"

#include "platform/virtual_key_codes.h"
#include "ui/fixed_number.h"

#include <cmath>
#include <limits>

namespace quorvane {

bool CNumericText::OnKey(int virtualKey) {
    if (virtualKey >= vk::kDigit0 && virtualKey <= vk::kDigit0 + 9) {
        if (text_.size() < kMaxLength) {
            text_.push_back(static_cast<char>('0' + (virtualKey - vk::kDigit0)));
        }
    } else if (virtualKey == vk::kOemPeriod) {
        if (text_.size() < kMaxLength) {
            text_.push_back('.');
        }
    } else if (virtualKey == vk::kBack) {
        if (!text_.empty()) {
            text_.pop_back();
        }
    } else if (virtualKey == vk::kTab) {
        text_.clear();
    } else {
        return false;
    }
    Reread();
    return true;
}

void CNumericText::Clear() {
    text_.clear();
    value_ = 0.0f;
}

void CNumericText::SetValue(float value) {
    value_ = value;
    text_ = FormatFixed(value, 6).toStdString();
}

QString CNumericText::Display() const {
    return FormatFixed(value_, 4);
}

void CNumericText::Reread() {
    const double read = LeadingNumber(text_);
    // Hundreds of digits would make an infinite range for the next placement.
    value_ =
        std::isfinite(read) && read <= std::numeric_limits<float>::max() ? static_cast<float>(read) : 0.0f;
}

} // namespace quorvane
