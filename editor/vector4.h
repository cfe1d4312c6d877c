#pragma once

namespace quorvane {

// Four floats, the form every transform vector of the editor takes.
struct Vector4 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 0.0f;

    friend bool operator==(const Vector4&, const Vector4&) = default;
};

// A point in window-client or screen pixels.
struct PixelPoint {
    int x = 0;
    int y = 0;

    friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

} // namespace quorvane
