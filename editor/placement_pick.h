#pragma once

#include "editor/model_entry.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace quorvane {

// World space; the direction need not be unit length.
struct PickRay {
    Vector4 origin;
    Vector4 direction;
};

// A placed copy as picking sees it: its transform and its model-space bounds.
struct PickCandidate {
    CModelTransform transform;
    CBoundingBox bounds;
};

struct PickHit {
    size_t index = 0;      // into the candidates
    float distance = 0.0f; // from the ray's origin, in world units
};

// A finer test in model space, for example against the model's triangles:
// given the candidate's index and the ray in that copy's model space, the
// parameter t of the hit along that local ray, or nullopt for a miss. The
// local ray is the world ray with its direction made unit length, taken
// through the copy's inverse transform (not normalised again), so t is the
// world distance even under a non-uniform scale. A negative or non-finite t
// is a miss; a hit is expected inside the copy's bounds.
using PickRefine = std::function<std::optional<float>(size_t index, const PickRay& localRay)>;

// The nearest copy whose oriented bounds the ray meets in front of its origin
// (and whose refine, when given, accepts the ray). A ray that starts inside a
// copy's bounds hits it at distance 0, since that is the copy the user is in.
// Copies that cannot be drawn (a zero or non-finite scale component or
// transform, inverted or non-finite bounds, bounds that are one point) are
// never hit, and neither is anything by a ray with a zero or non-finite
// direction or origin. Equal distances go to the lower index. Nothing is
// built beforehand: a sphere test without sines passes over most copies, so
// 50 000 copies take a fraction of a millisecond.
std::optional<PickHit> NearestPick(std::span<const PickCandidate> candidates, const PickRay& ray,
                                   const PickRefine& refine = {});

// A point in the field view's pixels, fractions kept (the renderer's screen
// point is its own type, out of the editor's reach).
struct ViewPoint {
    float x = 0.0f;
    float y = 0.0f;
};

// Projects a world point to view pixels; nullopt when it lies behind the camera.
using ProjectToView = std::function<std::optional<ViewPoint>(const Vector4& world)>;

// A projection with the view's size, taken when it is needed.
struct ViewProjection {
    ProjectToView project;
    int width = 0;
    int height = 0;
};

// Indices, in ascending order, of the copies whose world bounds' centre
// projects inside the rectangle between corners a and b (any order, edges
// included), the rectangle first clipped to the view [0, width) × [0, height).
// Copies that NearestPick can never hit are never selected either.
std::vector<size_t> SelectInRectangle(std::span<const PickCandidate> candidates, ViewPoint a, ViewPoint b,
                                      int width, int height, const ProjectToView& project);

} // namespace quorvane
