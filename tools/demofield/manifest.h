#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvane::demofield {

// What the generator wrote, with the counts a reader must find again.
// Paths are relative to the output folder, with "/" separators.
struct CWrittenModel {
    std::string path;
    std::string id;
    int32_t geometries = 0;
    int64_t vertices = 0;  // sum of the geometries' vertex counts
    int64_t triangles = 0; // over all polygon blocks
    int32_t materials = 0;
    int32_t textures = 0;
    int32_t bones = 0;
    std::string colliderFile; // relative to the model's folder; empty when none
};

struct CWrittenColliders {
    std::string path;
    std::array<int32_t, 6> countByType{}; // indexed by collider type
    int64_t meshTriangles = 0;
};

struct CWrittenAnimation {
    std::string path;
    std::string targetModelId;
    int32_t channels = 0;
    int32_t keysPerChannel = 0;
};

struct CWrittenDefinition {
    std::string path;
    int32_t parts = 0;
};

struct CManifest {
    std::vector<CWrittenModel> models;
    std::vector<CWrittenColliders> colliders;
    std::vector<CWrittenAnimation> animations;
    std::vector<CWrittenDefinition> definitions;
    std::vector<std::string> colladaDocuments;
    std::vector<std::string> pictures;
    int64_t bytesWritten = 0;
};

} // namespace quorvane::demofield
