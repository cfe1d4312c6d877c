#include "mesh.h"

#include "noise.h"

namespace quorvane::demofield {

void CMesh::UsePart(const std::string& material) {
    for (auto& part : parts) {
        if (part.material == material) {
            current_ = &part;
            return;
        }
    }
    parts.push_back(CMeshPart{material, {}});
    current_ = &parts.back();
}

int32_t CMesh::AddVertex(const Vec3& position, const Vec3& normal, const Rgba& colour, double u, double v) {
    positions.push_back(position);
    normals.push_back(normal.Normalized());
    colours.push_back(colour);
    uvs.push_back({u, v});
    if (!weights.empty()) {
        weights.push_back(CInfluences{});
    }
    return VertexCount() - 1;
}

void CMesh::AddTriangle(int32_t a, int32_t b, int32_t c) {
    if (current_ == nullptr) {
        UsePart("default");
    }
    current_->indices.insert(current_->indices.end(), {a, b, c});
}

int32_t CMesh::TriangleCount() const {
    size_t n = 0;
    for (const auto& part : parts) {
        n += part.indices.size() / 3;
    }
    return static_cast<int32_t>(n);
}

void CMesh::AddQuad(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d, const Rgba& colour,
                    std::array<double, 8> uv) {
    const Vec3 normal = (b - a).Cross(c - a).Normalized();
    const int32_t ia = AddVertex(a, normal, colour, uv[0], uv[1]);
    const int32_t ib = AddVertex(b, normal, colour, uv[2], uv[3]);
    const int32_t ic = AddVertex(c, normal, colour, uv[4], uv[5]);
    const int32_t id = AddVertex(d, normal, colour, uv[6], uv[7]);
    AddTriangle(ia, ib, ic);
    AddTriangle(ia, ic, id);
}

void CMesh::AddBox(const Mat4& transform, const Vec3& h, const Rgba& colour, double uvScale) {
    const int32_t first = VertexCount();
    auto corner = [&](int sx, int sy, int sz) { return Vec3{sx * h.x, sy * h.y, sz * h.z}; };
    const double ux = 2 * h.x * uvScale, uy = 2 * h.y * uvScale, uz = 2 * h.z * uvScale;
    // Faces: -y, +x, +y, -x, +z, -z; each counter-clockwise from outside.
    AddQuad(corner(-1, -1, -1), corner(1, -1, -1), corner(1, -1, 1), corner(-1, -1, 1), colour,
            {0, uz, ux, uz, ux, 0, 0, 0});
    AddQuad(corner(1, -1, -1), corner(1, 1, -1), corner(1, 1, 1), corner(1, -1, 1), colour,
            {0, uz, uy, uz, uy, 0, 0, 0});
    AddQuad(corner(1, 1, -1), corner(-1, 1, -1), corner(-1, 1, 1), corner(1, 1, 1), colour,
            {0, uz, ux, uz, ux, 0, 0, 0});
    AddQuad(corner(-1, 1, -1), corner(-1, -1, -1), corner(-1, -1, 1), corner(-1, 1, 1), colour,
            {0, uz, uy, uz, uy, 0, 0, 0});
    AddQuad(corner(-1, -1, 1), corner(1, -1, 1), corner(1, 1, 1), corner(-1, 1, 1), colour,
            {0, uy, ux, uy, ux, 0, 0, 0});
    AddQuad(corner(-1, 1, -1), corner(1, 1, -1), corner(1, -1, -1), corner(-1, -1, -1), colour,
            {0, uy, ux, uy, ux, 0, 0, 0});
    Transform(transform, first);
}

void CMesh::AddTube(const Vec3& a, const Vec3& b, double radiusA, double radiusB, int sides,
                    const Rgba& colour, bool caps, double uvRepeatsAround, double uvLength) {
    const Vec3 axis = (b - a).Normalized();
    const Vec3 helper = std::fabs(axis.z) < 0.9 ? Vec3{0, 0, 1} : Vec3{1, 0, 0};
    const Vec3 side = axis.Cross(helper).Normalized();
    const Vec3 up = side.Cross(axis).Normalized();
    const double slope = (radiusA - radiusB) / std::max((b - a).Length(), 1e-9);
    const int32_t first = VertexCount();
    for (int i = 0; i <= sides; ++i) {
        const double angle = 2 * kPi<double> * i / sides;
        const Vec3 radial = side * std::cos(angle) + up * std::sin(angle);
        const Vec3 normal = (radial + axis * slope).Normalized();
        const double u = uvRepeatsAround * i / sides;
        AddVertex(a + radial * radiusA, normal, colour, u, uvLength);
        AddVertex(b + radial * radiusB, normal, colour, u, 0);
    }
    for (int i = 0; i < sides; ++i) {
        const int32_t v = first + 2 * i;
        AddTriangle(v, v + 3, v + 2);
        AddTriangle(v, v + 1, v + 3);
    }
    if (!caps) {
        return;
    }
    for (int end = 0; end < 2; ++end) {
        const Vec3 centre = end == 0 ? a : b;
        const double radius = end == 0 ? radiusA : radiusB;
        const Vec3 normal = end == 0 ? axis * -1.0 : axis;
        const int32_t hub = AddVertex(centre, normal, colour, 0.5, 0.5);
        const int32_t ring = VertexCount();
        for (int i = 0; i < sides; ++i) {
            const double angle = 2 * kPi<double> * i / sides;
            const Vec3 radial = side * std::cos(angle) + up * std::sin(angle);
            AddVertex(centre + radial * radius, normal, colour, 0.5 + 0.5 * std::cos(angle),
                      0.5 + 0.5 * std::sin(angle));
        }
        for (int i = 0; i < sides; ++i) {
            const int32_t p = ring + i, q = ring + (i + 1) % sides;
            if (end == 0) {
                AddTriangle(hub, p, q);
            } else {
                AddTriangle(hub, q, p);
            }
        }
    }
}

void CMesh::AddEllipsoid(const Vec3& centre, const Vec3& radii, int rings, int segments, const Rgba& colour,
                         double roughness, uint32_t seed) {
    const int32_t first = VertexCount();
    for (int r = 0; r <= rings; ++r) {
        const double theta = kPi<double> * r / rings;
        for (int s = 0; s <= segments; ++s) {
            const double phi = 2 * kPi<double> * s / segments;
            const Vec3 unit{std::sin(theta) * std::cos(phi), std::sin(theta) * std::sin(phi),
                            std::cos(theta)};
            // The seam column repeats the first so the noise closes the surface.
            const int sWrapped = s % segments;
            const double bump = roughness > 0 && r > 0 && r < rings
                                    ? 1.0 + roughness * (HashUnit(r, sWrapped, seed) - 0.5)
                                    : 1.0;
            const Vec3 p{unit.x * radii.x * bump, unit.y * radii.y * bump, unit.z * radii.z * bump};
            const Vec3 normal{unit.x / radii.x, unit.y / radii.y, unit.z / radii.z};
            AddVertex(centre + p, normal, colour, static_cast<double>(s) / segments * 2,
                      static_cast<double>(r) / rings);
        }
    }
    const int stride = segments + 1;
    for (int r = 0; r < rings; ++r) {
        for (int s = 0; s < segments; ++s) {
            const int32_t v = first + r * stride + s;
            AddTriangle(v, v + stride, v + stride + 1);
            AddTriangle(v, v + stride + 1, v + 1);
        }
    }
}

void CMesh::AddCard(const Vec3& bottomCentre, double angle, double width, double height, const Rgba& colour) {
    const Vec3 along{std::cos(angle) * width * 0.5, std::sin(angle) * width * 0.5, 0};
    const Vec3 up{0, 0, height};
    const Vec3 a = bottomCentre - along, b = bottomCentre + along;
    AddQuad(a, b, b + up, a + up, colour, {0, 1, 1, 1, 1, 0, 0, 0});
    AddQuad(b, a, a + up, b + up, colour, {1, 1, 0, 1, 0, 0, 1, 0});
    // Foliage is lit from above, whichever side faces the sun.
    for (int32_t i = VertexCount() - 8; i < VertexCount(); ++i) {
        normals[static_cast<size_t>(i)] =
            (normals[static_cast<size_t>(i)] * 0.3 + Vec3{0, 0, 1}).Normalized();
    }
}

void CMesh::BindRigid(int32_t firstVertex, int32_t bone) {
    weights.resize(positions.size());
    for (size_t i = static_cast<size_t>(firstVertex); i < weights.size(); ++i) {
        weights[i] = CInfluences{};
        weights[i][0] = {bone, 1.0f};
    }
}

void CMesh::Transform(const Mat4& m, int32_t firstVertex) {
    for (size_t i = static_cast<size_t>(firstVertex); i < positions.size(); ++i) {
        positions[i] = TransformPoint(m, positions[i]);
        normals[i] = TransformDirection(m, normals[i]).Normalized();
    }
}

} // namespace quorvane::demofield
