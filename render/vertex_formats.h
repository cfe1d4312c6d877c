#pragma once

#include <array>

namespace quorvane {

// Vertex of models: colour, texture coordinate and eight skin influences
// (bone index as a float, weight) in TEXCOORD 1 to 8.
struct ColorVertex {
    std::array<float, 3> position;
    std::array<float, 3> normal;
    std::array<float, 4> color;
    std::array<std::array<float, 2>, 9> texcoord;
};
static_assert(sizeof(ColorVertex) == 112);

// Vertex of full-screen quads.
struct QuadVertex {
    std::array<float, 3> position;
    std::array<float, 3> normal;
    std::array<float, 2> uv;
};
static_assert(sizeof(QuadVertex) == 32);

// Vertex of collider meshes: eight skin influences in TEXCOORD 0 to 7.
struct ModelVertex {
    std::array<float, 3> position;
    std::array<float, 3> normal;
    std::array<std::array<float, 2>, 8> texcoord;
};
static_assert(sizeof(ModelVertex) == 88);

// Per-instance record of instanced groups (vertex stream 1).
struct InstanceRecord {
    std::array<float, 4> data0;
    std::array<float, 4> data1;
    std::array<float, 16> matrix;
    std::array<float, 16> normalMatrix;
};
static_assert(sizeof(InstanceRecord) == 160);

} // namespace quorvane
