#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorvane {

// What a definition's picture depends on: its path and the size and change
// time of the definition and of each level-0 part file. Nothing when the
// definition cannot be read.
std::optional<std::string> ThumbnailKeyOf(const std::filesystem::path& definition);

// Pictures of definitions, kept as PNG files in a folder, one per key, so a
// start after the first draws none of what has not changed. A definition
// whose model cannot be drawn is remembered as such too, and drawn again
// only once one of its files changes.
class CThumbnailCache {
public:
    // size x size pixels of tightly packed RGBA; nothing when the model cannot be read or drawn.
    using RenderFunction = std::function<std::optional<std::vector<uint8_t>>(
        const std::filesystem::path& definition, uint32_t size)>;

    CThumbnailCache(std::filesystem::path folder, uint32_t size, RenderFunction render);

    struct Picture {
        bool drawn = false;        // false: the model could not be drawn
        std::filesystem::path png; // the cached file, when drawn and stored
        std::vector<uint8_t> rgba; // the pixels, when drawn just now
    };
    // The definition's picture: from the folder, or drawn and stored there.
    // Nothing when the definition itself cannot be read.
    std::optional<Picture> Get(const std::filesystem::path& definition);
    uint32_t Size() const { return size_; }
    int Renders() const { return renders_; }

private:
    std::filesystem::path folder_;
    uint32_t size_;
    RenderFunction render_;
    int renders_ = 0;
};

} // namespace quorvane
