#include "image.h"

#include <algorithm>
#include <cmath>
#include <stb_image_write.h>
#include <stdexcept>

namespace quorvane::demofield {
namespace {

std::vector<uint8_t> ToBytes(const CImage& image) {
    std::vector<uint8_t> bytes;
    bytes.reserve(image.pixels.size() * 4);
    for (const Rgba& p : image.pixels) {
        for (float channel : p) {
            bytes.push_back(static_cast<uint8_t>(std::lround(std::clamp(channel, 0.0f, 1.0f) * 255.0f)));
        }
    }
    return bytes;
}

void AppendToString(void* context, void* data, int size) {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<size_t>(size));
}

} // namespace

void CImage::Blend(int x, int y, const Rgba& colour, double coverage) {
    if (x < 0 || y < 0 || x >= width || y >= height || coverage <= 0) {
        return;
    }
    Rgba& dst = At(x, y);
    const double a = std::min(coverage, 1.0) * colour[3];
    const double outA = a + dst[3] * (1 - a);
    if (outA <= 0) {
        return;
    }
    for (int c = 0; c < 3; ++c) {
        dst[static_cast<size_t>(c)] = static_cast<float>(
            (colour[static_cast<size_t>(c)] * a + dst[static_cast<size_t>(c)] * dst[3] * (1 - a)) / outA);
    }
    dst[3] = static_cast<float>(outA);
}

std::string EncodePng(const CImage& image) {
    const auto bytes = ToBytes(image);
    std::string out;
    if (stbi_write_png_to_func(AppendToString, &out, image.width, image.height, 4, bytes.data(),
                               image.width * 4) == 0) {
        throw std::runtime_error("PNG encoding failed");
    }
    return out;
}

std::string EncodeJpeg(const CImage& image, int quality) {
    const auto rgba = ToBytes(image);
    std::vector<uint8_t> rgb;
    rgb.reserve(image.pixels.size() * 3);
    for (size_t i = 0; i < rgba.size(); i += 4) {
        rgb.insert(rgb.end(), {rgba[i], rgba[i + 1], rgba[i + 2]});
    }
    std::string out;
    if (stbi_write_jpg_to_func(AppendToString, &out, image.width, image.height, 3, rgb.data(), quality) ==
        0) {
        throw std::runtime_error("JPEG encoding failed");
    }
    return out;
}

} // namespace quorvane::demofield
