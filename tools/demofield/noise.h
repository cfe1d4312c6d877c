#pragma once

#include <cstdint>

namespace quorvane::demofield {

// Deterministic hash noise: the same values on every run and machine.
uint32_t Hash(int32_t x, int32_t y, uint32_t seed);
double HashUnit(int32_t x, int32_t y, uint32_t seed); // in [0, 1)

// Smooth value noise in [0, 1). With period > 0 the lattice wraps every
// `period` units, so pictures made from it tile.
double ValueNoise(double x, double y, uint32_t seed, int32_t period = 0);
// Sum of octaves, normalised to [0, 1). The period doubles with each octave.
double Fbm(double x, double y, int octaves, uint32_t seed, int32_t period = 0);
// Gradient noise for landscapes: no lattice-aligned blocks. Octaves are
// rotated against each other. Fbm in [0, 1]; ridged in [0, 1] with crests at 1.
double GradientNoise(double x, double y, uint32_t seed); // about -0.7 .. 0.7
double GradientFbm(double x, double y, int octaves, uint32_t seed);
double RidgedFbm(double x, double y, int octaves, uint32_t seed);

} // namespace quorvane::demofield
