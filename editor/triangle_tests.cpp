#include "editor/triangle_tests.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quorvane {
namespace {

struct Vec3d {
    double x, y, z;
};

Vec3d Of(const Vector4& v) {
    return {v.x, v.y, v.z};
}
Vec3d operator-(const Vec3d& a, const Vec3d& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
double Dot(const Vec3d& a, const Vec3d& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec3d Cross(const Vec3d& a, const Vec3d& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vector4 Along(const Vector4& p, const Vec3d& unit, double length) {
    return {static_cast<float>(p.x + unit.x * length), static_cast<float>(p.y + unit.y * length),
            static_cast<float>(p.z + unit.z * length), p.w};
}

// No two edge values of opposite sign: x lies inside, seen along n. A point
// on an edge or corner counts, so that the triangles of a mesh leave no gap
// along their shared edges (the centre of a tile lies on its diagonal). All
// three zero only happens for a triangle without area, which is no hit.
bool InsideAlongNormal(const Vec3d& x, const Vec3d& t0, const Vec3d& t1, const Vec3d& t2, const Vec3d& n) {
    const double e0 = Dot(Cross(x - t1, t1 - t0), n);
    const double e1 = Dot(Cross(x - t2, t2 - t1), n);
    const double e2 = Dot(Cross(x - t0, t0 - t2), n);
    if (!std::isfinite(e0) || !std::isfinite(e1) || !std::isfinite(e2)) {
        return false;
    }
    const bool anyNegative = e0 < 0 || e1 < 0 || e2 < 0;
    const bool anyPositive = e0 > 0 || e1 > 0 || e2 > 0;
    return anyNegative != anyPositive;
}

// The unit normal, or false for a zero or non-finite normal.
bool UnitNormal(const Vector4& n, Vec3d& unit) {
    const Vec3d normal = Of(n);
    const double length = std::sqrt(Dot(normal, normal));
    if (!(length > 0) || !std::isfinite(length)) {
        return false;
    }
    unit = {normal.x / length, normal.y / length, normal.z / length};
    return true;
}

} // namespace

bool TestSphereTriangle(const Vector4& p, const Vector4& t0, const Vector4& t1, const Vector4& t2,
                        const Vector4& n, SphereTriangleContact& contact) {
    Vec3d unit{};
    if (!UnitNormal(n, unit)) {
        contact = {p, p, std::numeric_limits<float>::infinity()};
        return false;
    }
    const Vec3d a = Of(t0), b = Of(t1), c = Of(t2);
    const Vec3d centroid{(a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3, (a.z + b.z + c.z) / 3};
    const double signedDistance = Dot(Of(p) - centroid, unit);
    const double towardPlane = signedDistance > 0 ? -1.0 : 1.0;
    contact.distance = static_cast<float>(std::abs(signedDistance));
    contact.footPoint = Along(p, unit, -signedDistance);
    contact.touchPoint = Along(p, unit, towardPlane * p.w);
    return InsideAlongNormal(Of(p), a, b, c, Of(n)) && p.w > contact.distance;
}

bool TestSegmentTriangle(const Vector4& p, const Vector4& q, const Vector4& t0, const Vector4& t1,
                         const Vector4& t2, const Vector4& n, Vector4& crossing) {
    Vec3d unit{};
    if (!UnitNormal(n, unit)) {
        return false;
    }
    SphereTriangleContact atP, atQ;
    TestSphereTriangle(p, t0, t1, t2, n, atP);
    TestSphereTriangle(q, t0, t1, t2, n, atQ);
    const double d0 = atP.distance;
    const double d1 = atQ.distance;
    const double sideP = Dot(Of(p) - Of(t0), unit);
    const double sideQ = Dot(Of(q) - Of(t0), unit);
    if (sideP * sideQ > 0 && std::min(d0, d1) > p.w) {
        return false;
    }
    const Vec3d a = Of(t0), b = Of(t1), c = Of(t2), normal = Of(n);
    if (d0 + d1 == 0) {
        // In the plane: no single crossing point; an end inside the triangle stands for it.
        for (const Vector4* end : {&p, &q}) {
            if (InsideAlongNormal(Of(*end), a, b, c, normal)) {
                crossing = {end->x, end->y, end->z, 0.0f};
                return true;
            }
        }
        return false;
    }
    const double t = d0 / (d0 + d1);
    const Vec3d h{p.x + t * (q.x - p.x), p.y + t * (q.y - p.y), p.z + t * (q.z - p.z)};
    if (!InsideAlongNormal(h, a, b, c, normal)) {
        return false;
    }
    crossing = {static_cast<float>(h.x), static_cast<float>(h.y), static_cast<float>(h.z), 0.0f};
    return true;
}

} // namespace quorvane
