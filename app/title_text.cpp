#include "app/title_text.h"

#include <charconv>

namespace quorvane {

std::string FormatTitleText(double framesPerSecond) {
    // Fixed notation of any double fits in a few hundred characters.
    std::string rate(400, '\0');
    const auto result =
        std::to_chars(rate.data(), rate.data() + rate.size(), framesPerSecond, std::chars_format::fixed, 2);
    rate.resize(result.ec == std::errc{} ? static_cast<size_t>(result.ptr - rate.data()) : 0);
    return std::string(kProgramTitle) + " [FPS: " + rate + " (f/s)]";
}

} // namespace quorvane
