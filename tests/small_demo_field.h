#pragma once

// A small demo field (4 quads per tile, 64-pixel pictures) generated once per
// test process into a folder of its own, since ctest runs the tests of one
// binary in separate processes at once; the folder goes when the process ends.
#include "demo_field.h"

#include <filesystem>
#include <string>
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

} // namespace quorvane::test
