#pragma once

// A small demo field (4 quads per tile, 64-pixel pictures) generated once per
// test process into a folder of its own, since ctest runs the tests of one
// binary in separate processes at once; the folder goes when the process ends.
#include "demo_field.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <unistd.h>

namespace quorvane::test {

inline const std::filesystem::path& SmallDemoRoot() {
    struct Folder {
        std::filesystem::path path;
        ~Folder() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    };
    static const Folder folder{std::filesystem::temp_directory_path() /
                               ("quorvane_demo_field_" + std::to_string(::getpid()))};
    return folder.path;
}

inline const demofield::CManifest& SmallDemoManifest() {
    static const demofield::CManifest manifest = [] {
        demofield::COptions options;
        options.output = SmallDemoRoot();
        options.quadsPerTile = 4;
        options.fieldTextureSize = 64;
        options.modelTextureSize = 64;
        std::filesystem::remove_all(options.output);
        return demofield::GenerateDemoField(options);
    }();
    return manifest;
}

// The demo definition whose path ends with suffix; null when there is none.
inline const demofield::CWrittenDefinition* SmallDemoDefinition(std::string_view suffix) {
    const auto& definitions = SmallDemoManifest().definitions;
    const auto found = std::find_if(definitions.begin(), definitions.end(),
                                    [suffix](const auto& d) { return d.path.ends_with(suffix); });
    return found == definitions.end() ? nullptr : &*found;
}

// An empty grid file folder in the demo folder, as a fresh field has.
inline void EmptySmallDemoGridFolder() {
    std::filesystem::remove_all(SmallDemoRoot() / "gridfile");
    std::filesystem::create_directories(SmallDemoRoot() / "gridfile");
}

} // namespace quorvane::test
