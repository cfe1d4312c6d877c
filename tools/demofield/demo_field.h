#pragma once

#include "manifest.h"

#include <filesystem>
#include <string>

namespace quorvane::demofield {

// Bump whenever the output changes, so that existing folders are regenerated.
inline constexpr const char* kGeneratorVersion = "demofield 1";
inline constexpr const char* kStampFile = ".demofield-stamp";

struct COptions {
    std::filesystem::path output;
    int quadsPerTile = 32;      // terrain resolution; tests use fewer
    int fieldTextureSize = 512; // terrain pictures; the low field's colour map is twice as large
    int modelTextureSize = 256;
};

// Writes the whole working directory. Throws std::runtime_error when a file
// cannot be written.
CManifest GenerateDemoField(const COptions& options);

// The stamp text a complete folder of these options carries.
std::string StampText(const COptions& options);
bool IsUpToDate(const COptions& options);

} // namespace quorvane::demofield
