// demofield: writes the demo working directory the editor starts in.
#include "demo_field.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>

namespace {

int Usage() {
    std::fputs("usage: demofield [--force] [--quads-per-tile N] <output folder>\n"
               "Writes terrain tiles, the low-detail field, the character, placeable models,\n"
               "definitions and pictures; does nothing when the folder is already up to date.\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    using namespace quorvane::demofield;
    COptions options;
    bool force = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--force") {
            force = true;
        } else if (arg == "--quads-per-tile" && i + 1 < argc) {
            const int quads = std::atoi(argv[++i]);
            if (quads < 1 || quads > 256) {
                std::fputs("demofield: --quads-per-tile takes 1 to 256\n", stderr);
                return 2;
            }
            options.quadsPerTile = quads;
        } else if (!arg.empty() && arg[0] == '-') {
            return Usage();
        } else if (options.output.empty()) {
            options.output = arg;
        } else {
            return Usage();
        }
    }
    if (options.output.empty()) {
        return Usage();
    }
    if (!force && IsUpToDate(options)) {
        std::printf("demofield: %s is up to date\n", options.output.string().c_str());
        return 0;
    }
    try {
        const auto start = std::chrono::steady_clock::now();
        const CManifest manifest = GenerateDemoField(options);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("demofield: wrote %zu models, %zu collider files, %zu animations, %zu definitions, "
                    "%zu COLLADA documents and %zu pictures (%.1f MB) into %s in %.1f s\n",
                    manifest.models.size(), manifest.colliders.size(), manifest.animations.size(),
                    manifest.definitions.size(), manifest.colladaDocuments.size(), manifest.pictures.size(),
                    static_cast<double>(manifest.bytesWritten) / 1e6, options.output.string().c_str(),
                    seconds);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "demofield: %s\n", error.what());
        return 1;
    }
    return 0;
}
