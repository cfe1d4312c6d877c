#pragma once

#include <vector>

namespace quorvane {

struct OverlayColor {
    float r = 0, g = 0, b = 0, a = 1;
};

struct OverlayVertex {
    float x, y; // pixels of the render image
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

    // The render image's size in pixels; the device sets it each frame.
    void SetImageSize(float width, float height) {
        imageWidth_ = width;
        imageHeight_ = height;
    }
    float ImageWidth() const { return imageWidth_; }
    float ImageHeight() const { return imageHeight_; }

private:
    std::vector<OverlayVertex> vertices_;
    float imageWidth_ = 1920;
    float imageHeight_ = 1080;
};

} // namespace quorvane
