#pragma once

#include "image.h"

#include <functional>

namespace quorvane::demofield {

// Anti-aliased drawing for the control pictures: shapes are inside-tests in
// pixel coordinates, sampled 4 x 4 per pixel.
using Inside = std::function<bool(double x, double y)>;
using Shade = std::function<Rgba(double x, double y)>;

void Fill(CImage& image, const Inside& inside, const Shade& shade);
void Fill(CImage& image, const Inside& inside, const Rgba& colour);
// The same, looking only at the pixels of the box [x0, x1) x [y0, y1).
void Fill(CImage& image, const Inside& inside, const Shade& shade, int x0, int y0, int x1, int y1);

Inside RoundRect(double x0, double y0, double x1, double y1, double radius);
Inside Segment(double ax, double ay, double bx, double by, double halfWidth);
Inside Circle(double cx, double cy, double radius);
// Convex polygon, corners in order (either direction).
Inside Polygon(std::vector<std::array<double, 2>> corners);
Inside Difference(Inside a, Inside b);
Inside Union(Inside a, Inside b);

// Vertical gradient from `top` at y0 to `bottom` at y1.
Shade VerticalGradient(double y0, double y1, const Rgba& top, const Rgba& bottom);

Rgba Mix(const Rgba& a, const Rgba& b, double t);
Rgba Rgb(int r, int g, int b, double alpha = 1.0);

} // namespace quorvane::demofield
