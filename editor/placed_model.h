#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace quorvane {

// One placed part as the grid map writer needs it; the placement list shows these.
struct CPlacedModel {
    uint32_t lod = 0;
    uint32_t copy = 0;
    uint32_t shader = 0;
    uint32_t listNumber = 0;
    uint32_t animated = 0;
    std::string uniqueName; // its cell decides the file the record goes to
    std::string partPath;   // the definition part's model file
    std::string modelId;
    std::string sourcePath; // the same path again: the file's second path column
    std::filesystem::path definitionPath;
};

} // namespace quorvane
