#include "ui/fixed_number.h"

#include <charconv>
#include <string>

namespace quorvane {

QString FormatFixed(double value, int decimals) {
    // Fixed notation of any double fits in a few hundred characters.
    std::string text(400, '\0');
    const auto result =
        std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed, decimals);
    text.resize(result.ec == std::errc{} ? static_cast<size_t>(result.ptr - text.data()) : 0);
    return QString::fromStdString(text);
}

double LeadingNumber(std::string_view text) {
    double value = 0.0;
    const auto result =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (result.ec == std::errc::result_out_of_range) {
        return 0.0;
    }
    return result.ec == std::errc{} ? value : 0.0;
}

} // namespace quorvane
