#pragma once

#include "editor/vector4.h"

namespace quorvane {

// What the sphere test learns about the triangle's plane, whether it hits or not.
struct SphereTriangleContact {
    Vector4 touchPoint;    // the sphere's point nearest the plane
    Vector4 footPoint;     // the centre projected onto the plane
    float distance = 0.0f; // from the centre to the plane
};

// True when the sphere (centre p, radius p.w) reaches the plane of t0 t1 t2
// closer than its radius and the centre's projection lies strictly inside the
// triangle. n is the triangle's normal, any length. A zero or non-finite
// normal gives false with the centre as both points and an infinite distance.
bool TestSphereTriangle(const Vector4& p, const Vector4& t0, const Vector4& t1, const Vector4& t2,
                        const Vector4& n, SphereTriangleContact& contact);

// True when the segment p-q (radius p.w, 0 for a plain crossing) crosses the
// triangle or passes within the radius of its plane at a point inside it;
// crossing (w = 0) is where the segment meets the plane. A segment lying in
// the plane counts only where one of its ends lies inside the triangle.
bool TestSegmentTriangle(const Vector4& p, const Vector4& q, const Vector4& t0, const Vector4& t1,
                         const Vector4& t2, const Vector4& n, Vector4& crossing);

} // namespace quorvane
