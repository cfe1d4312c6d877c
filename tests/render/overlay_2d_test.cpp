#include "render/overlay_2d.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

TEST(Overlay2D, LineBecomesTwoTrianglesOfTheGivenWidth) {
    COverlay2D overlay;
    overlay.Line(100, 200, 300, 200, 4, {1, 0, 0, 1});
    ASSERT_EQ(overlay.Vertices().size(), 6u);
    float minY = 1e9f, maxY = -1e9f;
    for (const OverlayVertex& v : overlay.Vertices()) {
        minY = std::min(minY, v.y);
        maxY = std::max(maxY, v.y);
        EXPECT_EQ(v.color.r, 1.0f);
        EXPECT_EQ(v.color.g, 0.0f);
    }
    EXPECT_FLOAT_EQ(minY, 198);
    EXPECT_FLOAT_EQ(maxY, 202);
}

TEST(Overlay2D, DegenerateShapesAddNothing) {
    COverlay2D overlay;
    overlay.Line(5, 5, 5, 5, 3, {});
    overlay.Line(0, 0, 10, 10, 0, {});
    overlay.FillCircle(10, 10, 0, {});
    overlay.FillCircle(10, 10, 5, {}, 2);
    EXPECT_TRUE(overlay.Empty());
    overlay.FillRect(0, 0, 10, 10, {});
    overlay.FillCircle(50, 50, 8, {}, 12);
    EXPECT_EQ(overlay.Vertices().size(), 6u + 36u);
    overlay.Clear();
    EXPECT_TRUE(overlay.Empty());
}

} // namespace
} // namespace quorvane
