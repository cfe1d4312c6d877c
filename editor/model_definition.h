#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

namespace quorvane {

// One placeable object: up to 30 parts, each a model path with the values the
// game needs with it. Paths are UTF-8.
struct CModelDefinition {
    static constexpr uint32_t kMaxParts = 30;

    uint32_t count = 0;
    std::filesystem::path filePath;
    std::array<std::string, kMaxParts> paths{};
    std::array<uint32_t, kMaxParts> lodValues{};
    std::array<uint32_t, kMaxParts> shaderValues{};
    std::array<uint32_t, kMaxParts> listNumbers{};
    std::array<uint32_t, kMaxParts> animatedValues{};
    std::array<uint32_t, kMaxParts> copyValues{};

    // Reads "KEY:value" lines; LOD, LIST_NUMBER, SHADER, ANIMATED and COPY set
    // values carried to every following PATH. False, with error saying why,
    // when the file cannot be opened or read (the definition stays empty).
    // Parts past the 30th are ignored.
    bool Load(const std::filesystem::path& path, std::string& error);
    bool Load(const std::filesystem::path& path);
};

} // namespace quorvane
