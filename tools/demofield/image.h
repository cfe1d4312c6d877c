#pragma once

#include "mesh.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quorvane::demofield {

// An RGBA picture with float channels in 0..1, encoded once at the end.
struct CImage {
    int width = 0;
    int height = 0;
    std::vector<Rgba> pixels;

    CImage(int w, int h, Rgba fill = {0, 0, 0, 0})
        : width(w), height(h), pixels(static_cast<size_t>(w) * static_cast<size_t>(h), fill) {}
    Rgba& At(int x, int y) {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
    const Rgba& At(int x, int y) const {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
    // Source-over blend of colour with the given coverage.
    void Blend(int x, int y, const Rgba& colour, double coverage);
};

std::string EncodePng(const CImage& image);
std::string EncodeJpeg(const CImage& image, int quality = 90);

} // namespace quorvane::demofield
