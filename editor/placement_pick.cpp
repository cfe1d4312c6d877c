#include "editor/placement_pick.h"

#include "editor/model_frame.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace quorvane {
namespace {

bool IsFinite(const Vector4& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

float Dot(const Vector4& a, const Vector4& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// The ray with a unit direction, so that every parameter below is a world
// distance; nullopt for a ray that points nowhere.
std::optional<PickRay> UnitRay(const PickRay& ray) {
    const Vector4& d = ray.direction;
    if (!IsFinite(ray.origin) || !IsFinite(d)) {
        return std::nullopt;
    }
    // Divided by the largest component first, so that neither tiny nor huge
    // directions lose their length to the squares.
    const float largest = std::max({std::abs(d.x), std::abs(d.y), std::abs(d.z)});
    if (!(largest > 0.0f)) {
        return std::nullopt;
    }
    const Vector4 scaled{d.x / largest, d.y / largest, d.z / largest, 0.0f};
    const float length = std::sqrt(Dot(scaled, scaled));
    return PickRay{ray.origin, {scaled.x / length, scaled.y / length, scaled.z / length, 0.0f}};
}

bool HasDrawableBounds(const CBoundingBox& bounds) {
    const Vector4& lo = bounds.minimum;
    const Vector4& hi = bounds.maximum;
    if (!IsFinite(lo) || !IsFinite(hi) || lo.x > hi.x || lo.y > hi.y || lo.z > hi.z) {
        return false;
    }
    // A flat box (a decal) can be hit; a single point cannot.
    return lo.x < hi.x || lo.y < hi.y || lo.z < hi.z;
}

// Cheap and conservative: may pass a copy the ray misses, never drops one it
// hits. The sphere about the copy's position that holds its bounds under any
// rotation needs no sine or cosine, so most of the field is passed over with
// a few multiplications each.
bool MayHit(const PickCandidate& candidate, const PickRay& unitRay) {
    const Vector4& s = candidate.transform.scale;
    const Vector4& lo = candidate.bounds.minimum;
    const Vector4& hi = candidate.bounds.maximum;
    const float scale = std::max({std::abs(s.x), std::abs(s.y), std::abs(s.z)});
    const Vector4 corner{std::max(std::abs(lo.x), std::abs(hi.x)), std::max(std::abs(lo.y), std::abs(hi.y)),
                         std::max(std::abs(lo.z), std::abs(hi.z)), 0.0f};
    const Vector4& p = candidate.transform.position;
    const Vector4& o = unitRay.origin;
    const Vector4& d = unitRay.direction;
    const Vector4 m{p.x - o.x, p.y - o.y, p.z - o.z, 0.0f};
    const Vector4 cross{m.y * d.z - m.z * d.y, m.z * d.x - m.x * d.z, m.x * d.y - m.y * d.x, 0.0f};
    const float centreSquared = Dot(m, m);
    // Widened for the rounding of distances far larger than the copy.
    const float reachSquared = scale * scale * Dot(corner, corner) * 1.001f + 1e-8f * centreSquared;
    if (!(Dot(cross, cross) <= reachSquared)) {
        return false; // also a NaN anywhere in the copy
    }
    return Dot(m, d) >= 0.0f || centreSquared <= reachSquared;
}

// Where the local ray enters the box, 0 when it starts inside; nullopt when it
// misses or the box lies behind it.
std::optional<float> BoxEntry(const PickRay& local, const CBoundingBox& bounds) {
    const std::array<float, 3> origin{local.origin.x, local.origin.y, local.origin.z};
    const std::array<float, 3> direction{local.direction.x, local.direction.y, local.direction.z};
    const std::array<float, 3> lo{bounds.minimum.x, bounds.minimum.y, bounds.minimum.z};
    const std::array<float, 3> hi{bounds.maximum.x, bounds.maximum.y, bounds.maximum.z};
    float entry = 0.0f;
    float exit = std::numeric_limits<float>::infinity();
    for (size_t axis = 0; axis < 3; ++axis) {
        if (direction[axis] == 0.0f) {
            // Parallel to this slab: inside it everywhere or nowhere.
            if (origin[axis] < lo[axis] || origin[axis] > hi[axis]) {
                return std::nullopt;
            }
            continue;
        }
        // Divided rather than multiplied by the reciprocal, so that an origin
        // on the slab's face gives 0, never 0 × infinity.
        float near = (lo[axis] - origin[axis]) / direction[axis];
        float far = (hi[axis] - origin[axis]) / direction[axis];
        if (near > far) {
            std::swap(near, far);
        }
        entry = std::max(entry, near);
        exit = std::min(exit, far);
        if (!(entry <= exit)) {
            return std::nullopt;
        }
    }
    return entry;
}

struct BoxHit {
    float entry = 0.0f;
    size_t index = 0;
    PickRay localRay;
};

bool IsNearer(float distance, size_t index, const std::optional<PickHit>& best) {
    return !best || distance < best->distance || (distance == best->distance && index < best->index);
}

} // namespace

std::optional<PickHit> NearestPick(std::span<const PickCandidate> candidates, const PickRay& ray,
                                   const PickRefine& refine) {
    const std::optional<PickRay> unitRay = UnitRay(ray);
    if (!unitRay) {
        return std::nullopt;
    }
    std::optional<PickHit> best;
    std::vector<BoxHit> boxHits; // only with refine: it is asked nearest box first
    for (size_t index = 0; index < candidates.size(); ++index) {
        const PickCandidate& candidate = candidates[index];
        if (!MayHit(candidate, *unitRay) || !HasDrawableBounds(candidate.bounds)) {
            continue;
        }
        const std::optional<CModelFrame> frame = CModelFrame::Of(candidate.transform);
        if (!frame) {
            continue;
        }
        const PickRay localRay{frame->PointToLocal(unitRay->origin),
                               frame->DirectionToLocal(unitRay->direction)};
        if (!IsFinite(localRay.origin) || !IsFinite(localRay.direction)) {
            continue; // an origin too far for this copy's scale
        }
        const std::optional<float> entry = BoxEntry(localRay, candidate.bounds);
        if (!entry) {
            continue;
        }
        if (refine) {
            boxHits.push_back({*entry, index, localRay});
        } else if (IsNearer(*entry, index, best)) {
            best = PickHit{index, *entry};
        }
    }
    if (!refine) {
        return best;
    }
    std::sort(boxHits.begin(), boxHits.end(), [](const BoxHit& a, const BoxHit& b) {
        return a.entry < b.entry || (a.entry == b.entry && a.index < b.index);
    });
    for (const BoxHit& box : boxHits) {
        if (best && box.entry > best->distance) {
            break; // its hit, inside its box, could not be nearer
        }
        const std::optional<float> t = refine(box.index, box.localRay);
        if (t && std::isfinite(*t) && *t >= 0.0f && IsNearer(*t, box.index, best)) {
            best = PickHit{box.index, *t};
        }
    }
    return best;
}

std::vector<size_t> SelectInRectangle(std::span<const PickCandidate> candidates, ViewPoint a, ViewPoint b,
                                      int width, int height, const ProjectToView& project) {
    std::vector<size_t> selected;
    if (width <= 0 || height <= 0 || !project) {
        return selected;
    }
    // Clipped to the view; the view's far edges themselves lie outside it.
    const float left = std::max(std::min(a.x, b.x), 0.0f);
    const float top = std::max(std::min(a.y, b.y), 0.0f);
    const float right = std::min(std::max(a.x, b.x), static_cast<float>(width));
    const float bottom = std::min(std::max(a.y, b.y), static_cast<float>(height));
    const auto inside = [&](const ViewPoint& p) {
        return p.x >= left && p.x <= right && p.x < static_cast<float>(width) && p.y >= top &&
               p.y <= bottom && p.y < static_cast<float>(height);
    };
    for (size_t index = 0; index < candidates.size(); ++index) {
        const PickCandidate& candidate = candidates[index];
        if (!HasDrawableBounds(candidate.bounds)) {
            continue;
        }
        const std::optional<CModelFrame> frame = CModelFrame::Of(candidate.transform);
        if (!frame) {
            continue;
        }
        // The centre of the transformed box is the centre of its world bounds.
        const Vector4& lo = candidate.bounds.minimum;
        const Vector4& hi = candidate.bounds.maximum;
        const Vector4 centre =
            frame->PointToWorld({(lo.x + hi.x) * 0.5f, (lo.y + hi.y) * 0.5f, (lo.z + hi.z) * 0.5f, 1.0f});
        const std::optional<ViewPoint> projected = project(centre);
        if (projected && inside(*projected)) {
            selected.push_back(index);
        }
    }
    return selected;
}

} // namespace quorvane
