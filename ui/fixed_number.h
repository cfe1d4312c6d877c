#pragma once

#include <QString>
#include <string_view>

namespace quorvane {

// A number in fixed notation with a full stop, whatever the process locale
// says ("%.04f" in the C locale).
QString FormatFixed(double value, int decimals);

// The number a text starts with, as the C runtime's atof reads digits and one
// full stop: "1.2.3" is 1.2, "" and "." are 0.
double LeadingNumber(std::string_view text);

} // namespace quorvane
