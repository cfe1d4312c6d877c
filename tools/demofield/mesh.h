#pragma once

#include "geometry_math.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvane::demofield {

using Rgba = std::array<float, 4>;

struct CInfluence {
    int32_t bone = 0;
    float weight = 0;
};
using CInfluences = std::array<CInfluence, 8>;

// A triangle list drawn with one material.
struct CMeshPart {
    std::string material;
    std::vector<int32_t> indices; // three per triangle, counter-clockwise seen from outside
};

// Vertex streams shared by the parts of one geometry. Every stream has one
// entry per vertex, so one index serves position, normal, colour and uv.
struct CMesh {
    std::vector<Vec3> positions;
    std::vector<Vec3> normals;
    std::vector<Rgba> colours;
    std::vector<std::array<double, 2>> uvs;
    std::vector<CInfluences> weights; // empty for a rigid mesh
    std::vector<CMeshPart> parts;

    // Later triangles go to the part of this material (created on first use).
    void UsePart(const std::string& material);
    int32_t AddVertex(const Vec3& position, const Vec3& normal, const Rgba& colour, double u, double v);
    void AddTriangle(int32_t a, int32_t b, int32_t c);
    int32_t VertexCount() const { return static_cast<int32_t>(positions.size()); }
    int32_t TriangleCount() const;

    // Primitives, flat-shaded where edges are hard. `uvScale` maps world units to texture repeats.
    void AddBox(const Mat4& transform, const Vec3& half, const Rgba& colour, double uvScale = 1.0);
    // A tube from a to b with `sides` facets; closed with caps when `caps`.
    void AddTube(const Vec3& a, const Vec3& b, double radiusA, double radiusB, int sides, const Rgba& colour,
                 bool caps, double uvRepeatsAround = 1.0, double uvLength = 1.0);
    // A latitude-longitude ellipsoid, optionally roughened by a deterministic noise.
    void AddEllipsoid(const Vec3& centre, const Vec3& radii, int rings, int segments, const Rgba& colour,
                      double roughness = 0.0, uint32_t seed = 0);
    // A vertical quad standing on its bottom edge, both sides, for foliage cards.
    void AddCard(const Vec3& bottomCentre, double angle, double width, double height, const Rgba& colour);
    // A quad a, b, c, d (counter-clockwise) with one face normal.
    void AddQuad(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d, const Rgba& colour,
                 std::array<double, 8> uv = {0, 1, 1, 1, 1, 0, 0, 0});

    // Gives every vertex added from `firstVertex` on one full influence of `bone`.
    void BindRigid(int32_t firstVertex, int32_t bone);
    void Transform(const Mat4& m, int32_t firstVertex = 0);

private:
    CMeshPart* current_ = nullptr;
};

} // namespace quorvane::demofield
