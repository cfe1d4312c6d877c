// quorvane-render: a model, COLLADA document or model definition as a PNG,
// framed like the model viewer, on a headless device.
#include "render_options.h"
#include "thumbnail_renderer.h"

#include <cstdio>

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (!arguments.empty() && (arguments[0] == "--help" || arguments[0] == "-h")) {
        std::fputs(quorvane::RenderUsage().c_str(), stdout);
        return 0;
    }
    std::string error;
    const auto options = quorvane::ParseRenderOptions(arguments, error);
    if (!options) {
        std::fprintf(stderr, "quorvane-render: %s\n%s", error.c_str(), quorvane::RenderUsage().c_str());
        return 2;
    }
    std::string message;
    const bool ok = quorvane::RenderThumbnail(*options, message);
    if (!message.empty()) {
        std::fprintf(stderr, "%s", message.c_str());
    }
    if (!ok) {
        return 1;
    }
    std::printf("%s\n", options->out.c_str());
    return 0;
}
