// Face triangulation: fans for convex faces, ear clipping in the face's plane
// for the rest, holes joined to the outer ring by bridges first.
#include "collada/face_triangulation.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace quorvane {
namespace {

// Faces whose area is below this share of their squared size have no
// usable plane.
constexpr double kFlatness = 1e-9;
// A corner that turns back by less than about this angle (radians) still
// counts as convex: exporters write straight edges with rounding noise.
constexpr double kReflexTolerance = 1e-6;

struct CVector {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

CVector Difference(const FacePoint& a, const FacePoint& b) {
    return {double{a[0]} - b[0], double{a[1]} - b[1], double{a[2]} - b[2]};
}

CVector Cross(const CVector& a, const CVector& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double Dot(const CVector& a, const CVector& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

CVector Scaled(const CVector& v, double factor) {
    return {v.x * factor, v.y * factor, v.z * factor};
}

// Newell's normal (along the face normal for the ring's winding, as long as
// twice the area) and the squared distance of the farthest corner from the
// first. Taken relative to the first corner to keep precision far from the
// origin.
struct CRingShape {
    CVector normal;
    double size = 0.0;

    bool HasArea() const {
        const double area2 = Dot(normal, normal);
        return std::isfinite(area2) && area2 > kFlatness * kFlatness * size * size;
    }
};

CRingShape ShapeOf(std::span<const FacePoint> ring) {
    CRingShape shape;
    CVector& normal = shape.normal;
    CVector previous = Difference(ring.back(), ring.front());
    for (const FacePoint& point : ring) {
        const CVector current = Difference(point, ring.front());
        normal.x += (previous.y - current.y) * (previous.z + current.z);
        normal.y += (previous.z - current.z) * (previous.x + current.x);
        normal.z += (previous.x - current.x) * (previous.y + current.y);
        shape.size = std::max(shape.size, Dot(current, current));
        previous = current;
    }
    return shape;
}

// No corner turns against the normal. Cheap: one pass, no allocation.
bool IsConvex(std::span<const FacePoint> ring, const CVector& normal) {
    const double normalLength2 = Dot(normal, normal);
    CVector incoming = Difference(ring.front(), ring.back());
    for (size_t i = 0; i < ring.size(); ++i) {
        const CVector outgoing = Difference(ring[i + 1 == ring.size() ? 0 : i + 1], ring[i]);
        const double turn = Dot(Cross(incoming, outgoing), normal);
        if (turn < 0.0 && turn * turn > kReflexTolerance * kReflexTolerance * Dot(incoming, incoming) *
                                            Dot(outgoing, outgoing) * normalLength2) {
            return false;
        }
        incoming = outgoing;
    }
    return true;
}

// Calls onRing(begin, end) for the outer ring and each hole, skipping hole
// starts that do not increase or lie past the points.
template <typename OnRing>
void ForEachRing(size_t pointCount, std::span<const size_t> holeStarts, OnRing&& onRing) {
    size_t begin = 0;
    for (const size_t start : holeStarts) {
        if (start <= begin || start > pointCount) {
            continue;
        }
        onRing(begin, start);
        begin = start;
    }
    onRing(begin, pointCount);
}

// One corner of the face in its plane, linked into the ring being clipped.
struct CNode {
    double x = 0.0;
    double y = 0.0;
    int32_t corner = 0; // position in the caller's points
    int32_t prev = 0;
    int32_t next = 0;
    bool linked = false; // part of a ring with area
};

// Twice the signed area of triangle abc; positive when counter-clockwise.
double Orient(const CNode& a, const CNode& b, double px, double py) {
    return (b.x - a.x) * (py - a.y) - (b.y - a.y) * (px - a.x);
}
double Orient(const CNode& a, const CNode& b, const CNode& c) {
    return Orient(a, b, c.x, c.y);
}

bool SamePlace(const CNode& a, const CNode& b) {
    return a.x == b.x && a.y == b.y;
}

// Inside or on the border of a triangle of either winding.
bool InTriangle(const CNode& a, const CNode& b, const CNode& c, double px, double py) {
    const double ab = Orient(a, b, px, py);
    const double bc = Orient(b, c, px, py);
    const double ca = Orient(c, a, px, py);
    return (ab >= 0.0 && bc >= 0.0 && ca >= 0.0) || (ab <= 0.0 && bc <= 0.0 && ca <= 0.0);
}

// The polygon is counter-clockwise in the plane; holes are clockwise once
// linked.
class CEarClipper {
public:
    CEarClipper(std::span<const FacePoint> points, std::span<const size_t> holeStarts, const CVector& normal)
        : points_(points), holeStarts_(holeStarts), normal_(normal) {}

    // False when the face cannot be split cleanly; triangles may then hold a
    // partial result.
    bool Run(std::vector<int32_t>& triangles) {
        if (!Project()) {
            return false;
        }
        std::vector<int32_t> holes; // the rightmost node of each hole
        bool linked = true;
        ForEachRing(points_.size(), holeStarts_, [&](size_t begin, size_t end) {
            if (end - begin < 3) {
                return;
            }
            const int32_t rightmost = LinkRing(begin, end, begin != 0);
            if (begin == 0) {
                return;
            }
            if (rightmost < 0) {
                return; // a hole without area leaves nothing out
            }
            linked = linked && IsInsideOuter(nodes_[static_cast<size_t>(rightmost)]);
            holes.push_back(rightmost);
        });
        if (!linked || HasCrossingEdges()) {
            return false;
        }
        std::sort(holes.begin(), holes.end(), [&](int32_t a, int32_t b) {
            return nodes_[static_cast<size_t>(a)].x > nodes_[static_cast<size_t>(b)].x;
        });
        for (const int32_t hole : holes) {
            if (!BridgeHole(hole)) {
                return false;
            }
        }
        return ClipEars(triangles);
    }

private:
    bool Project() {
        const CVector unitNormal = Scaled(normal_, 1.0 / std::sqrt(Dot(normal_, normal_)));
        // Start from the coordinate axis least aligned with the normal.
        const double ax = std::abs(unitNormal.x);
        const double ay = std::abs(unitNormal.y);
        const double az = std::abs(unitNormal.z);
        const CVector axis = ax <= ay && ax <= az ? CVector{1, 0, 0}
                             : ay <= az           ? CVector{0, 1, 0}
                                                  : CVector{0, 0, 1};
        CVector u = Cross(axis, unitNormal);
        u = Scaled(u, 1.0 / std::sqrt(Dot(u, u)));
        const CVector v = Cross(unitNormal, u); // u x v = normal: the face winds counter-clockwise
        nodes_.reserve(points_.size() + 2 * holeStarts_.size());
        nodes_.resize(points_.size());
        for (size_t i = 0; i < points_.size(); ++i) {
            const CVector offset = Difference(points_[i], points_.front());
            CNode& node = nodes_[i];
            node.x = Dot(offset, u);
            node.y = Dot(offset, v);
            node.corner = static_cast<int32_t>(i);
            if (!std::isfinite(node.x) || !std::isfinite(node.y)) {
                return false;
            }
        }
        return true;
    }

    // Links a ring into a cycle, holes clockwise. Returns the ring's node of
    // largest x, or -1 for a hole without area.
    int32_t LinkRing(size_t begin, size_t end, bool isHole) {
        double twiceArea = 0.0;
        for (size_t i = begin; i < end; ++i) {
            const CNode& a = nodes_[i];
            const CNode& b = nodes_[i + 1 == end ? begin : i + 1];
            twiceArea += (a.x - b.x) * (a.y + b.y);
        }
        if (isHole && twiceArea == 0.0) {
            return -1;
        }
        const bool reverse = isHole && twiceArea > 0.0;
        int32_t rightmost = static_cast<int32_t>(begin);
        for (size_t i = begin; i < end; ++i) {
            const int32_t before = static_cast<int32_t>(i == begin ? end - 1 : i - 1);
            const int32_t after = static_cast<int32_t>(i + 1 == end ? begin : i + 1);
            CNode& node = nodes_[i];
            node.prev = reverse ? after : before;
            node.next = reverse ? before : after;
            node.linked = true;
            if (node.x > nodes_[static_cast<size_t>(rightmost)].x) {
                rightmost = static_cast<int32_t>(i);
            }
        }
        return rightmost;
    }

    bool IsInsideOuter(const CNode& point) const {
        bool inside = false;
        int32_t a = 0;
        do {
            const CNode& p = nodes_[static_cast<size_t>(a)];
            const CNode& q = nodes_[static_cast<size_t>(p.next)];
            if ((p.y > point.y) != (q.y > point.y)) {
                const double x = p.x + (point.y - p.y) * (q.x - p.x) / (q.y - p.y);
                inside = point.x < x ? !inside : inside;
            }
            a = p.next;
        } while (a != 0);
        return inside;
    }

    // Any two edges of any rings crossing at a point inside both. Edges that
    // touch or overlap are allowed: exporters join holes to the outer ring
    // by an edge walked both ways.
    bool HasCrossingEdges() const {
        std::vector<int32_t> starts; // first node of each edge
        for (size_t i = 0; i < nodes_.size(); ++i) {
            if (nodes_[i].linked) {
                starts.push_back(static_cast<int32_t>(i));
            }
        }
        for (size_t i = 0; i < starts.size(); ++i) {
            const CNode& a = nodes_[static_cast<size_t>(starts[i])];
            const CNode& b = nodes_[static_cast<size_t>(a.next)];
            for (size_t j = i + 1; j < starts.size(); ++j) {
                const CNode& c = nodes_[static_cast<size_t>(starts[j])];
                const CNode& d = nodes_[static_cast<size_t>(c.next)];
                const double abc = Orient(a, b, c);
                const double abd = Orient(a, b, d);
                const double cda = Orient(c, d, a);
                const double cdb = Orient(c, d, b);
                if (((abc > 0.0 && abd < 0.0) || (abc < 0.0 && abd > 0.0)) &&
                    ((cda > 0.0 && cdb < 0.0) || (cda < 0.0 && cdb > 0.0))) {
                    return true;
                }
            }
        }
        return false;
    }

    // Whether the segment from node a towards (px, py) starts inside the
    // polygon's corner at a.
    bool LocallyInside(const CNode& a, double px, double py) const {
        const CNode& before = nodes_[static_cast<size_t>(a.prev)];
        const CNode& after = nodes_[static_cast<size_t>(a.next)];
        const bool leftOfIncoming = Orient(before, a, px, py) >= 0.0;
        const bool leftOfOutgoing = Orient(a, after, px, py) >= 0.0;
        return Orient(before, a, after) >= 0.0 ? leftOfIncoming && leftOfOutgoing
                                               : leftOfIncoming || leftOfOutgoing;
    }

    // Joins a hole to the outer ring by a bridge from its rightmost corner to
    // an outer corner it can see: the ray to the right hits the nearest edge
    // that leaves the polygon; its farther end is seen unless other corners
    // lie in between, then the one closest in angle to the ray is.
    bool BridgeHole(int32_t holeNode) {
        const double mx = nodes_[static_cast<size_t>(holeNode)].x;
        const double my = nodes_[static_cast<size_t>(holeNode)].y;
        double hitX = std::numeric_limits<double>::infinity();
        int32_t target = -1;
        bool hitCorner = false;
        int32_t a = 0;
        do {
            const CNode& p = nodes_[static_cast<size_t>(a)];
            const CNode& q = nodes_[static_cast<size_t>(p.next)];
            if (p.y <= my && my <= q.y && p.y < q.y) {
                const double x = p.x + (my - p.y) * (q.x - p.x) / (q.y - p.y);
                if (x >= mx && x < hitX) {
                    hitX = x;
                    hitCorner = my == p.y || my == q.y;
                    target = my == p.y ? a : my == q.y ? p.next : (p.x > q.x ? a : p.next);
                }
            }
            a = p.next;
        } while (a != 0);
        if (target < 0) {
            return false;
        }
        if (!hitCorner) {
            const CNode ray{.x = mx, .y = my};
            const CNode hit{.x = hitX, .y = my};
            const CNode end = nodes_[static_cast<size_t>(target)];
            double bestSlope = std::numeric_limits<double>::infinity();
            a = 0;
            do {
                const CNode& r = nodes_[static_cast<size_t>(a)];
                if (a != target && r.x > mx && InTriangle(ray, hit, end, r.x, r.y) &&
                    LocallyInside(r, mx, my)) {
                    const double slope = std::abs(r.y - my) / (r.x - mx);
                    if (slope < bestSlope ||
                        (slope == bestSlope && r.x < nodes_[static_cast<size_t>(target)].x)) {
                        bestSlope = slope;
                        target = a;
                    }
                }
                a = r.next;
            } while (a != 0);
        }
        Bridge(VisibleCopy(target, mx, my), holeNode);
        return true;
    }

    // Bridged corners appear more than once; the bridge must leave the copy
    // whose corner opens towards the hole.
    int32_t VisibleCopy(int32_t target, double px, double py) const {
        const CNode& wanted = nodes_[static_cast<size_t>(target)];
        if (LocallyInside(wanted, px, py)) {
            return target;
        }
        int32_t a = 0;
        do {
            const CNode& node = nodes_[static_cast<size_t>(a)];
            if (SamePlace(node, wanted) && LocallyInside(node, px, py)) {
                return a;
            }
            a = node.next;
        } while (a != 0);
        return target;
    }

    // outer -> hole ... hole -> hole copy -> outer copy -> the outer's old next.
    void Bridge(int32_t outer, int32_t hole) {
        const auto outerCopy = static_cast<int32_t>(nodes_.size());
        const int32_t holeCopy = outerCopy + 1;
        nodes_.push_back(nodes_[static_cast<size_t>(outer)]);
        nodes_.push_back(nodes_[static_cast<size_t>(hole)]);
        CNode& o = nodes_[static_cast<size_t>(outer)];
        CNode& h = nodes_[static_cast<size_t>(hole)];
        CNode& oc = nodes_[static_cast<size_t>(outerCopy)];
        CNode& hc = nodes_[static_cast<size_t>(holeCopy)];
        nodes_[static_cast<size_t>(o.next)].prev = outerCopy;
        nodes_[static_cast<size_t>(h.prev)].next = holeCopy;
        oc.next = o.next;
        oc.prev = holeCopy;
        hc.next = outerCopy;
        hc.prev = h.prev;
        o.next = hole;
        h.prev = outer;
    }

    // No other corner inside or on the triangle; copies of its own corners
    // (bridge ends) do not count.
    bool IsEar(int32_t ear) const {
        const CNode& b = nodes_[static_cast<size_t>(ear)];
        const CNode& a = nodes_[static_cast<size_t>(b.prev)];
        const CNode& c = nodes_[static_cast<size_t>(b.next)];
        if (Orient(a, b, c) <= 0.0) {
            return false;
        }
        for (int32_t i = c.next; i != b.prev; i = nodes_[static_cast<size_t>(i)].next) {
            const CNode& p = nodes_[static_cast<size_t>(i)];
            if (SamePlace(p, a) || SamePlace(p, b) || SamePlace(p, c)) {
                continue;
            }
            if (Orient(a, b, p) >= 0.0 && Orient(b, c, p) >= 0.0 && Orient(c, a, p) >= 0.0) {
                return false;
            }
        }
        return true;
    }

    void Emit(int32_t ear, std::vector<int32_t>& triangles) const {
        const CNode& b = nodes_[static_cast<size_t>(ear)];
        triangles.push_back(nodes_[static_cast<size_t>(b.prev)].corner);
        triangles.push_back(b.corner);
        triangles.push_back(nodes_[static_cast<size_t>(b.next)].corner);
    }

    bool ClipEars(std::vector<int32_t>& triangles) {
        size_t remaining = 1;
        for (int32_t i = nodes_.front().next; i != 0; i = nodes_[static_cast<size_t>(i)].next) {
            ++remaining;
        }
        int32_t ear = 0;
        size_t failures = 0;
        while (remaining > 3) {
            CNode& b = nodes_[static_cast<size_t>(ear)];
            if (IsEar(ear)) {
                Emit(ear, triangles);
                nodes_[static_cast<size_t>(b.prev)].next = b.next;
                nodes_[static_cast<size_t>(b.next)].prev = b.prev;
                ear = b.next;
                --remaining;
                failures = 0;
            } else {
                ear = b.next;
                if (++failures > remaining) {
                    return false; // a full round without an ear
                }
            }
        }
        Emit(ear, triangles);
        return true;
    }

    std::span<const FacePoint> points_;
    std::span<const size_t> holeStarts_;
    CVector normal_;
    std::vector<CNode> nodes_;
};

} // namespace

void AppendFan(int32_t corners, std::vector<int32_t>& triangles) {
    for (int32_t k = 1; k + 1 < corners; ++k) {
        triangles.push_back(0);
        triangles.push_back(k);
        triangles.push_back(k + 1);
    }
}

void TriangulateFace(std::span<const FacePoint> points, std::span<const size_t> holeStarts,
                     std::vector<int32_t>& triangles) {
    if (points.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
        return; // corners could not be named
    }
    size_t outerEnd = 0;
    bool hasHoles = false;
    ForEachRing(points.size(), holeStarts, [&](size_t begin, size_t end) {
        if (begin == 0) {
            outerEnd = end;
        } else {
            hasHoles = hasHoles || end - begin >= 3;
        }
    });
    const auto outerCorners = static_cast<int32_t>(outerEnd);
    if (outerCorners < 3) {
        return;
    }
    if ((outerCorners == 3 && !hasHoles) || points.size() > kMaxEarClippedCorners) {
        AppendFan(outerCorners, triangles);
        return;
    }
    const std::span<const FacePoint> outer = points.first(outerEnd);
    const CRingShape shape = ShapeOf(outer);
    const CVector& normal = shape.normal;
    if (!shape.HasArea() || (!hasHoles && IsConvex(outer, normal))) {
        AppendFan(outerCorners, triangles);
        return;
    }
    const size_t kept = triangles.size();
    if (!CEarClipper(points, holeStarts, normal).Run(triangles)) {
        triangles.resize(kept);
        AppendFan(outerCorners, triangles);
    }
}

} // namespace quorvane
