#include "render_options.h"

#include <charconv>
#include <cmath>

namespace quorvane {
namespace {

// The whole text as one number, the same in every locale.
template <typename T> bool ParseNumber(const std::string& text, T& out) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, out);
    if (result.ec != std::errc() || result.ptr != end) {
        return false;
    }
    if constexpr (std::is_floating_point_v<T>) {
        return std::isfinite(out);
    }
    return true;
}

} // namespace

std::string RenderUsage() {
    return "usage: quorvane-render MODEL(.mdl|.dae|.mdf) [--out FILE.png] [--size N] [--angle DEG] [--frame "
           "N]"
           " [--ani FILE.ani]...\n"
           "Renders the model (a definition's level-0 parts) as the model viewer frames it.\n"
           "Run it in the working directory the model paths are relative to.\n";
}

std::optional<RenderOptions> ParseRenderOptions(const std::vector<std::string>& arguments,
                                                std::string& error) {
    RenderOptions options;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool hasValue = i + 1 < arguments.size();
        auto value = [&]() -> const std::string& { return arguments[++i]; };
        if (argument == "--out" || argument == "--size" || argument == "--angle" || argument == "--frame" ||
            argument == "--ani") {
            if (!hasValue) {
                error = argument + " needs a value";
                return std::nullopt;
            }
            const std::string& text = value();
            bool ok = true;
            if (argument == "--out") {
                options.out = text;
                ok = !text.empty();
            } else if (argument == "--size") {
                ok = ParseNumber(text, options.size) && options.size > 0 && options.size <= kMaxRenderSize;
            } else if (argument == "--angle") {
                ok = ParseNumber(text, options.angle);
            } else if (argument == "--frame") {
                ok = ParseNumber(text, options.frame) && options.frame >= 0;
            } else {
                options.animations.push_back(text);
            }
            if (!ok) {
                error = "bad value for " + argument + ": " + text;
                return std::nullopt;
            }
        } else if (!argument.empty() && argument[0] == '-') {
            error = "unknown option " + argument;
            return std::nullopt;
        } else if (options.input.empty()) {
            options.input = argument;
        } else {
            error = "more than one model given";
            return std::nullopt;
        }
    }
    if (options.input.empty()) {
        error = "no model given";
        return std::nullopt;
    }
    return options;
}

} // namespace quorvane
