#include "noise.h"

#include <algorithm>
#include <cmath>

namespace quorvane::demofield {
namespace {

int32_t Wrap(int32_t v, int32_t period) {
    if (period <= 0) {
        return v;
    }
    const int32_t r = v % period;
    return r < 0 ? r + period : r;
}

double Fade(double t) {
    return t * t * t * (t * (t * 6 - 15) + 10);
}

} // namespace

uint32_t Hash(int32_t x, int32_t y, uint32_t seed) {
    uint32_t h = seed * 0x9E3779B1u;
    h ^= static_cast<uint32_t>(x) * 0x85EBCA77u;
    h = (h << 13) | (h >> 19);
    h ^= static_cast<uint32_t>(y) * 0xC2B2AE3Du;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

double HashUnit(int32_t x, int32_t y, uint32_t seed) {
    return static_cast<double>(Hash(x, y, seed) >> 8) / static_cast<double>(1u << 24);
}

double ValueNoise(double x, double y, uint32_t seed, int32_t period) {
    const double fx = std::floor(x), fy = std::floor(y);
    const auto ix = static_cast<int32_t>(fx), iy = static_cast<int32_t>(fy);
    const double tx = Fade(x - fx), ty = Fade(y - fy);
    const int32_t x0 = Wrap(ix, period), x1 = Wrap(ix + 1, period);
    const int32_t y0 = Wrap(iy, period), y1 = Wrap(iy + 1, period);
    const double a = HashUnit(x0, y0, seed), b = HashUnit(x1, y0, seed);
    const double c = HashUnit(x0, y1, seed), d = HashUnit(x1, y1, seed);
    const double top = a + (b - a) * tx, bottom = c + (d - c) * tx;
    return top + (bottom - top) * ty;
}

double Fbm(double x, double y, int octaves, uint32_t seed, int32_t period) {
    double sum = 0, amplitude = 1, total = 0, frequency = 1;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * ValueNoise(x * frequency, y * frequency, seed + static_cast<uint32_t>(i) * 101u,
                                      period > 0 ? period * static_cast<int32_t>(frequency) : 0);
        total += amplitude;
        amplitude *= 0.5;
        frequency *= 2;
    }
    return sum / total;
}

double GradientNoise(double x, double y, uint32_t seed) {
    const double fx = std::floor(x), fy = std::floor(y);
    const auto ix = static_cast<int32_t>(fx), iy = static_cast<int32_t>(fy);
    const double dx = x - fx, dy = y - fy;
    auto corner = [&](int32_t cx, int32_t cy, double ox, double oy) {
        // Eight directions are enough and keep the result exact across machines.
        static constexpr double kDirections[8][2] = {{1, 0},  {0.7071, 0.7071},   {0, 1},  {-0.7071, 0.7071},
                                                     {-1, 0}, {-0.7071, -0.7071}, {0, -1}, {0.7071, -0.7071}};
        const auto& g = kDirections[Hash(cx, cy, seed) & 7u];
        return g[0] * ox + g[1] * oy;
    };
    const double n00 = corner(ix, iy, dx, dy), n10 = corner(ix + 1, iy, dx - 1, dy);
    const double n01 = corner(ix, iy + 1, dx, dy - 1), n11 = corner(ix + 1, iy + 1, dx - 1, dy - 1);
    const double u = Fade(dx), v = Fade(dy);
    const double bottom = n00 + (n10 - n00) * u, top = n01 + (n11 - n01) * u;
    return bottom + (top - bottom) * v;
}

namespace {

// Turns each octave by about 37 degrees so no two octaves share lattice axes.
template <typename F> double RotatedOctaves(double x, double y, int octaves, F octave) {
    constexpr double kCos = 0.7986, kSin = 0.6018;
    double sum = 0, amplitude = 1, total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * octave(x, y, i);
        total += amplitude;
        amplitude *= 0.5;
        const double rx = (x * kCos - y * kSin) * 2.03, ry = (x * kSin + y * kCos) * 2.03;
        x = rx + 17.13;
        y = ry - 9.71;
    }
    return sum / total;
}

} // namespace

double GradientFbm(double x, double y, int octaves, uint32_t seed) {
    const double n = RotatedOctaves(x, y, octaves, [seed](double px, double py, int i) {
        return GradientNoise(px, py, seed + static_cast<uint32_t>(i) * 101u);
    });
    return std::clamp(0.5 + n / 1.1, 0.0, 1.0);
}

double RidgedFbm(double x, double y, int octaves, uint32_t seed) {
    return RotatedOctaves(x, y, octaves, [seed](double px, double py, int i) {
        const double ridge =
            1.0 - std::fabs(GradientNoise(px, py, seed + static_cast<uint32_t>(i) * 131u)) / 0.7;
        return std::clamp(ridge, 0.0, 1.0) * std::clamp(ridge, 0.0, 1.0);
    });
}

} // namespace quorvane::demofield
