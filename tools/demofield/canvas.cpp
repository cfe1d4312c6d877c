#include "canvas.h"

#include <algorithm>
#include <cmath>

namespace quorvane::demofield {

void Fill(CImage& image, const Inside& inside, const Shade& shade) {
    Fill(image, inside, shade, 0, 0, image.width, image.height);
}

void Fill(CImage& image, const Inside& inside, const Shade& shade, int x0, int y0, int x1, int y1) {
    constexpr int kSamples = 4;
    for (int y = std::max(y0, 0); y < std::min(y1, image.height); ++y) {
        for (int x = std::max(x0, 0); x < std::min(x1, image.width); ++x) {
            int hits = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    hits += inside(x + (sx + 0.5) / kSamples, y + (sy + 0.5) / kSamples) ? 1 : 0;
                }
            }
            if (hits > 0) {
                image.Blend(x, y, shade(x + 0.5, y + 0.5), static_cast<double>(hits) / (kSamples * kSamples));
            }
        }
    }
}

void Fill(CImage& image, const Inside& inside, const Rgba& colour) {
    Fill(image, inside, [colour](double, double) { return colour; });
}

Inside RoundRect(double x0, double y0, double x1, double y1, double radius) {
    return [=](double x, double y) {
        const double cx = std::clamp(x, x0 + radius, x1 - radius);
        const double cy = std::clamp(y, y0 + radius, y1 - radius);
        return x >= x0 && x <= x1 && y >= y0 && y <= y1 && std::hypot(x - cx, y - cy) <= radius;
    };
}

Inside Segment(double ax, double ay, double bx, double by, double halfWidth) {
    return [=](double x, double y) {
        const double dx = bx - ax, dy = by - ay;
        const double t = std::clamp(((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
        return std::hypot(x - (ax + t * dx), y - (ay + t * dy)) <= halfWidth;
    };
}

Inside Circle(double cx, double cy, double radius) {
    return [=](double x, double y) { return std::hypot(x - cx, y - cy) <= radius; };
}

Inside Polygon(std::vector<std::array<double, 2>> corners) {
    return [corners = std::move(corners)](double x, double y) {
        int sign = 0;
        for (size_t i = 0; i < corners.size(); ++i) {
            const auto& a = corners[i];
            const auto& b = corners[(i + 1) % corners.size()];
            const double cross = (b[0] - a[0]) * (y - a[1]) - (b[1] - a[1]) * (x - a[0]);
            const int s = cross > 0 ? 1 : (cross < 0 ? -1 : 0);
            if (s != 0) {
                if (sign != 0 && s != sign) {
                    return false;
                }
                sign = s;
            }
        }
        return true;
    };
}

Inside Difference(Inside a, Inside b) {
    return [a = std::move(a), b = std::move(b)](double x, double y) { return a(x, y) && !b(x, y); };
}

Inside Union(Inside a, Inside b) {
    return [a = std::move(a), b = std::move(b)](double x, double y) { return a(x, y) || b(x, y); };
}

Shade VerticalGradient(double y0, double y1, const Rgba& top, const Rgba& bottom) {
    return [=](double, double y) { return Mix(top, bottom, std::clamp((y - y0) / (y1 - y0), 0.0, 1.0)); };
}

Rgba Mix(const Rgba& a, const Rgba& b, double t) {
    Rgba out{};
    for (size_t i = 0; i < 4; ++i) {
        out[i] = static_cast<float>(a[i] + (b[i] - a[i]) * t);
    }
    return out;
}

Rgba Rgb(int r, int g, int b, double alpha) {
    return {static_cast<float>(r / 255.0), static_cast<float>(g / 255.0), static_cast<float>(b / 255.0),
            static_cast<float>(alpha)};
}

} // namespace quorvane::demofield
