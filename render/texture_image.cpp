#include "render/texture_image.h"

#include "modeldata/file_bytes.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <stb_image.h>

namespace quorvane {
namespace {

// Larger images would take gigabytes with their mip chain on a loader thread.
constexpr int kMaxSide = 8192;

bool DecodeImageBytes(const stbi_uc* data, size_t size, RgbaImage& out, std::string& error) {
    if (size == 0) {
        error = "empty file";
        return false;
    }
    if (size > static_cast<size_t>(std::numeric_limits<int>::max())) {
        error = "file too large";
        return false;
    }
    int width = 0;
    int height = 0;
    int channels = 0;
    const int length = static_cast<int>(size);
    if (stbi_info_from_memory(data, length, &width, &height, &channels) == 0) {
        error = stbi_failure_reason() != nullptr ? stbi_failure_reason() : "not an image";
        return false;
    }
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
        error = "image size out of range";
        return false;
    }
    stbi_uc* pixels = stbi_load_from_memory(data, length, &width, &height, &channels, 4);
    if (pixels == nullptr) {
        error = stbi_failure_reason() != nullptr ? stbi_failure_reason() : "cannot decode";
        return false;
    }
    out.width = static_cast<uint32_t>(width);
    out.height = static_cast<uint32_t>(height);
    out.pixels.assign(pixels, pixels + size_t{out.width} * out.height * 4);
    stbi_image_free(pixels);
    return true;
}

} // namespace

bool DecodeImageMemory(const std::vector<uint8_t>& bytes, RgbaImage& out, std::string& error) {
    return DecodeImageBytes(bytes.data(), bytes.size(), out, error);
}

bool DecodeImageFile(const std::filesystem::path& path, RgbaImage& out, std::string& error) {
    const CFileBytes bytes = ReadFileBytes(path);
    if (!bytes) {
        error = bytes.error;
        return false;
    }
    return DecodeImageBytes(reinterpret_cast<const stbi_uc*>(bytes.data.get()), bytes.size, out, error);
}

std::vector<RgbaImage> BuildMipChain(RgbaImage image) {
    std::vector<RgbaImage> levels;
    if (!image.IsValid()) {
        return levels;
    }
    levels.push_back(std::move(image));
    while (levels.back().width > 1 || levels.back().height > 1) {
        const RgbaImage& src = levels.back();
        RgbaImage next;
        next.width = std::max(1u, src.width / 2);
        next.height = std::max(1u, src.height / 2);
        next.pixels.resize(size_t{next.width} * next.height * 4);
        // Each target pixel averages its 2 x 2 source block (1 x 2 or 2 x 1
        // where a side is already 1); an odd last row or column is dropped.
        const uint32_t spanX = src.width > 1 ? 2 : 1;
        const uint32_t spanY = src.height > 1 ? 2 : 1;
        const uint32_t count = spanX * spanY;
        for (uint32_t y = 0; y < next.height; ++y) {
            for (uint32_t x = 0; x < next.width; ++x) {
                for (uint32_t c = 0; c < 4; ++c) {
                    uint32_t sum = 0;
                    for (uint32_t dy = 0; dy < spanY; ++dy) {
                        for (uint32_t dx = 0; dx < spanX; ++dx) {
                            const size_t at =
                                ((size_t{y} * spanY + dy) * src.width + size_t{x} * spanX + dx) * 4 + c;
                            sum += src.pixels[at];
                        }
                    }
                    next.pixels[(size_t{y} * next.width + x) * 4 + c] =
                        static_cast<uint8_t>((sum + count / 2) / count);
                }
            }
        }
        levels.push_back(std::move(next));
    }
    return levels;
}

RgbaImage FallbackCheckerImage() {
    constexpr uint32_t kSide = 64;
    constexpr uint32_t kCheck = 8;
    RgbaImage image;
    image.width = kSide;
    image.height = kSide;
    image.pixels.resize(size_t{kSide} * kSide * 4);
    for (uint32_t y = 0; y < kSide; ++y) {
        for (uint32_t x = 0; x < kSide; ++x) {
            const bool magenta = ((x / kCheck) + (y / kCheck)) % 2 == 0;
            uint8_t* p = &image.pixels[(size_t{y} * kSide + x) * 4];
            p[0] = magenta ? 255 : 0;
            p[1] = 0;
            p[2] = magenta ? 255 : 0;
            p[3] = 255;
        }
    }
    return image;
}

std::string MissingTextureMessage(const std::string& path) {
    return "テクスチャ画像が見つかりません:\n\n " + path;
}

CTextureErrorReporter::CTextureErrorReporter(Poster poster) : poster_(std::move(poster)) {}

void CTextureErrorReporter::SetPoster(Poster poster) {
    std::lock_guard lock(mutex_);
    poster_ = std::move(poster);
}

bool CTextureErrorReporter::Report(const std::string& path) {
    Poster poster;
    {
        std::lock_guard lock(mutex_);
        if (!reported_.insert(path).second) {
            return false;
        }
        poster = poster_;
    }
    const std::string text = MissingTextureMessage(path);
    if (poster) {
        poster(kMissingTextureCaption, text);
    } else {
        std::fprintf(stderr, "%s: %s\n", kMissingTextureCaption, text.c_str());
    }
    return true;
}

size_t CTextureErrorReporter::ReportedCount() const {
    std::lock_guard lock(mutex_);
    return reported_.size();
}

CTextureErrorReporter& DefaultTextureErrorReporter() {
    static CTextureErrorReporter reporter;
    return reporter;
}

} // namespace quorvane
