#pragma once

#include <vector>

namespace quorvane {

struct OverlayColor {
    float r = 0, g = 0, b = 0, a = 1;
};

struct OverlayVertex {
    float x, y; // pixels of the 1920 x 1080 image
    OverlayColor color;
};

// The 2D drawing of one frame over the composed image: lines and small filled
// shapes in pixel coordinates of the render image, turned into triangles.
class COverlay2D {
public:
    void Clear() { vertices_.clear(); }
    void Line(float x0, float y0, float x1, float y1, float width, const OverlayColor& color);
    void FillRect(float left, float top, float right, float bottom, const OverlayColor& color);
    void FillTriangle(float x0, float y0, float x1, float y1, float x2, float y2, const OverlayColor& color);
    void FillCircle(float centerX, float centerY, float radius, const OverlayColor& color, int segments = 24);

    const std::vector<OverlayVertex>& Vertices() const { return vertices_; }
    bool Empty() const { return vertices_.empty(); }

private:
    std::vector<OverlayVertex> vertices_;
};

} // namespace quorvane
