#include "ui/thumbnail_cache.h"

#include "editor/model_definition.h"
#include "render/png_writer.h"

#include <array>
#include <fstream>

namespace quorvane {
namespace {

// Stable across runs and platforms, unlike std::hash.
std::string HexDigest(const std::string& text) {
    uint64_t hash = 1469598103934665603ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    constexpr std::array<char, 16> kDigits = {'0', '1', '2', '3', '4', '5', '6', '7',
                                              '8', '9', 'a', 'b', 'c', 'd', 'e', 'f'};
    std::string hex(16, '0');
    for (int i = 15; i >= 0; --i, hash >>= 4) {
        hex[static_cast<size_t>(i)] = kDigits[hash & 0xF];
    }
    return hex;
}

void AddFile(std::string& key, const std::filesystem::path& file) {
    std::error_code error;
    const auto size = std::filesystem::file_size(file, error);
    const auto changed = std::filesystem::last_write_time(file, error);
    key.append("|").append(file.generic_string()).append("|");
    key.append(error ? std::string("missing") : std::to_string(size)).append("|");
    key.append(std::to_string(changed.time_since_epoch().count()));
}

} // namespace

std::optional<std::string> ThumbnailKeyOf(const std::filesystem::path& definition) {
    CModelDefinition read;
    if (!read.Load(definition)) {
        return std::nullopt;
    }
    std::string key;
    AddFile(key, definition);
    for (uint32_t i = 0; i < read.count; ++i) {
        if (read.lodValues[i] == 0) {
            AddFile(key, read.paths[i]);
        }
    }
    return key;
}

CThumbnailCache::CThumbnailCache(std::filesystem::path folder, uint32_t size, RenderFunction render)
    : folder_(std::move(folder)), size_(size), render_(std::move(render)) {}

std::optional<CThumbnailCache::Picture> CThumbnailCache::Get(const std::filesystem::path& definition) {
    const std::optional<std::string> key = ThumbnailKeyOf(definition);
    if (!key) {
        return std::nullopt;
    }
    std::string sized = *key;
    sized.append("|").append(std::to_string(size_));
    const std::string name = HexDigest(sized);
    const std::filesystem::path png = folder_ / (name + ".png");
    const std::filesystem::path none = folder_ / (name + ".none");
    std::error_code error;
    if (std::filesystem::is_regular_file(png, error)) {
        return Picture{true, png, {}};
    }
    if (std::filesystem::is_regular_file(none, error)) {
        return Picture{};
    }
    ++renders_;
    std::optional<std::vector<uint8_t>> rgba = render_ ? render_(definition, size_) : std::nullopt;
    bool stored = false;
    if (!folder_.empty()) {
        std::filesystem::create_directories(folder_, error);
        stored = !error;
    }
    if (!rgba || rgba->size() != size_t{size_} * size_ * 4) {
        if (stored) {
            std::ofstream(none).close(); // not drawn again until a file changes
        }
        return Picture{};
    }
    Picture picture{true, {}, std::move(*rgba)};
    if (stored && WritePng(png, size_, size_, picture.rgba)) {
        picture.png = png;
    }
    return picture;
}

} // namespace quorvane
