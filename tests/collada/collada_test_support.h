#pragma once

#include "collada/collada_import.h"

#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane::test {

// Imports a document whose COLLADA element holds body.
inline CModel ImportBody(std::string_view body, std::string_view path = "./model/test/doc.dae") {
    CModel model;
    const std::string text =
        "<?xml version=\"1.0\"?>\n<COLLADA version=\"1.4.1\">" + std::string(body) + "</COLLADA>";
    EXPECT_TRUE(LoadColladaText(model, text, path));
    return model;
}

// Corner positions of triangles, three at a time.
using Corners = std::vector<std::array<double, 3>>;

// The positions of a block's corners; every corner must have one.
inline Corners CornersOf(const CGeometry& geometry, const CPolygonData& block) {
    Corners corners;
    const CFloatArray* positions = geometry.FindFloatArray(block.vertexId);
    for (int64_t corner = 0; positions != nullptr && corner < block.CornerCount(); ++corner) {
        const std::span<const float> p = positions->Vector(
            block.indices[static_cast<size_t>(corner * block.GroupLength() + block.vertexOffset)]);
        if (p.size() != 3) {
            ADD_FAILURE() << "corner " << corner << " has no position";
            return {};
        }
        corners.push_back({p[0], p[1], p[2]});
    }
    return corners;
}

// Summed area; every triangle must turn about `facing` (a flat one fails).
inline double AreaFacing(const Corners& corners, std::array<double, 3> facing) {
    EXPECT_EQ(corners.size() % 3, 0u);
    double sum = 0.0;
    for (size_t i = 0; i + 2 < corners.size(); i += 3) {
        const auto &a = corners[i], &b = corners[i + 1], &c = corners[i + 2];
        const std::array<double, 3> e1 = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        const std::array<double, 3> e2 = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        const std::array<double, 3> n = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                                         e1[0] * e2[1] - e1[1] * e2[0]};
        EXPECT_GT(n[0] * facing[0] + n[1] * facing[1] + n[2] * facing[2], 0.0)
            << "triangle " << i / 3 << " is flat or turned over";
        sum += std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]) / 2.0;
    }
    return sum;
}

// Whether a triangle holds (x, y) strictly inside, seen along z.
inline bool CoversXY(const Corners& corners, double x, double y) {
    for (size_t i = 0; i + 2 < corners.size(); i += 3) {
        double sides[3];
        for (size_t k = 0; k < 3; ++k) {
            const auto& p = corners[i + k];
            const auto& q = corners[i + (k + 1) % 3];
            sides[k] = (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0]);
        }
        if ((sides[0] > 0 && sides[1] > 0 && sides[2] > 0) ||
            (sides[0] < 0 && sides[1] < 0 && sides[2] < 0)) {
            return true;
        }
    }
    return false;
}

} // namespace quorvane::test
