#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quorvane {

using FacePoint = std::array<float, 3>;

// Faces with more corners than this are split as fans without further checks:
// ear clipping costs time quadratic in the corner count.
inline constexpr size_t kMaxEarClippedCorners = 10000;

// Appends the fan around corner 0 of a ring of `corners` corners.
void AppendFan(int32_t corners, std::vector<int32_t>& triangles);

// Splits one planar face into triangles, three corner positions into points
// each, appended to triangles and wound like the outer ring.
//
// points holds the outer ring followed by the hole rings; holeStarts says
// where each hole begins, in increasing order. Rings of fewer than three
// corners give nothing. Convex faces without holes come out as the fan around
// corner 0. Faces that cannot be split cleanly (no area, crossing edges, holes
// outside the face, non-finite points) come out as the fan of the outer ring,
// so no face is lost.
void TriangulateFace(std::span<const FacePoint> points, std::span<const size_t> holeStarts,
                     std::vector<int32_t>& triangles);

} // namespace quorvane
