#include "noise.h"

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

double RidgedFbm(double x, double y, int octaves, uint32_t seed) {
    double sum = 0, amplitude = 1, total = 0, frequency = 1;
    for (int i = 0; i < octaves; ++i) {
        const double n = ValueNoise(x * frequency, y * frequency, seed + static_cast<uint32_t>(i) * 131u);
        const double ridge = 1.0 - std::fabs(2.0 * n - 1.0);
        sum += amplitude * ridge * ridge;
        total += amplitude;
        amplitude *= 0.5;
        frequency *= 2;
    }
    return sum / total;
}

} // namespace quorvane::demofield
