#include "collider_scene.h"
#include "editor/ground_height.h"
#include "terrain.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace quorvane::testing {
namespace {

// A ready tile holding the square -half..half around (cx, cy) as two
// triangles of the plane z = z0 + slope x, whose normal (-slope, 0, 1) every corner has.
std::unique_ptr<CModelEntry> Square(const std::string& name, float cx, float cy, float half, float z0,
                                    float slope = 0.0f) {
    const auto at = [&](float x, float y) { return Xyz{x, y, z0 + slope * x}; };
    std::vector<CSkinRecord> corners;
    AddQuad(corners,
            {at(cx - half, cy - half), at(cx + half, cy - half), at(cx + half, cy + half),
             at(cx - half, cy + half)},
            {-slope, 0, 1});
    return MeshEntry(name, std::move(corners));
}

TEST(GroundHeightTest, FlatLowAndSlopedGroundIsFoundUnderThePoint) {
    struct Case {
        const char* what;
        float z0, slope; // of the tile over -50..50
        float x, y, z;
    };
    for (const Case& c : {Case{"flat at zero", 0, 0, 3, -7, 0}, Case{"below zero", -5, 0, 1, -2, -5},
                          Case{"z = 0.5 x + 2", 2, 0.5f, 3, 4, 3.5f}}) {
        SCOPED_TRACE(c.what);
        CRegistryLists lists;
        lists.fieldTiles.Append(Square("Field0-0", 0, 0, 50, c.z0, c.slope));
        const auto ground = GroundHeight(lists, c.x, c.y);
        ASSERT_TRUE(ground.has_value());
        EXPECT_FLOAT_EQ(ground->x, c.x);
        EXPECT_FLOAT_EQ(ground->y, c.y);
        EXPECT_NEAR(ground->z, c.z, 1e-4f);
        EXPECT_EQ(ground->w, 0.0f);
        // The plane's normal (-slope, 0, 1), of unit length.
        const auto hit = GroundAt(lists, c.x, c.y);
        ASSERT_TRUE(hit.has_value());
        const float length = std::sqrt(c.slope * c.slope + 1.0f);
        EXPECT_NEAR(hit->normal.x, -c.slope / length, 1e-5f);
        EXPECT_NEAR(hit->normal.y, 0.0f, 1e-6f);
        EXPECT_NEAR(hit->normal.z, 1.0f / length, 1e-5f);
    }
}

// The probe crosses the plane through the triangle's centre across the mean of its corner normals.
TEST(GroundHeightTest, TheCornerNormalsAreAveraged) {
    // Corners at z = 0; one normal leans towards +x, so the mean is (0.1, 0, 1).
    CRegistryLists lists;
    lists.fieldTiles.Append(
        MeshEntry("Field0-0", {Corner({0, 0, 0}, {0, 0, 1}), Corner({30, 0, 0}, {0.3f, 0, 1}),
                               Corner({0, 30, 0}, {0, 0, 1})}));
    // The centre is (10, 10, 0): at (12, 6), z = -(12 - 10) * 0.1 / 1.
    const auto ground = GroundHeight(lists, 12.0f, 6.0f);
    ASSERT_TRUE(ground.has_value());
    EXPECT_NEAR(ground->z, -0.2f, 1e-4f);
    // The same mean, of unit length; corners wound or written upside down still point it up.
    const auto hit = GroundAt(lists, 12.0f, 6.0f);
    ASSERT_TRUE(hit.has_value());
    EXPECT_NEAR(hit->normal.x, 0.1f / std::sqrt(1.01f), 1e-5f);
    EXPECT_NEAR(hit->normal.z, 1.0f / std::sqrt(1.01f), 1e-5f);
    CRegistryLists downward;
    downward.fieldTiles.Append(
        MeshEntry("Field0-0", {Corner({0, 0, 0}, {0, 0, -1}), Corner({30, 0, 0}, {0, 0, -1}),
                               Corner({0, 30, 0}, {0, 0, -1})}));
    const auto flipped = GroundAt(downward, 12.0f, 6.0f);
    ASSERT_TRUE(flipped.has_value());
    EXPECT_FLOAT_EQ(flipped->normal.z, 1.0f);
}

TEST(GroundHeightTest, HighestOfOverlappingTilesWins) {
    CRegistryLists lists;
    lists.fieldTiles.Append(Square("Field0-0", 0, 0, 50, 2));
    lists.fieldTiles.Append(Square("Field0-1", 10, 10, 5, 6));
    lists.fieldTiles.Append(Square("Field0-2", 0, 0, 50, 4));

    EXPECT_NEAR(GroundHeight(lists, 9.0f, 11.0f)->z, 6.0f, 1e-5f);
    EXPECT_NEAR(GroundHeight(lists, -20.0f, 0.5f)->z, 4.0f, 1e-5f);
}

TEST(GroundHeightTest, NothingOffTheFieldOrOnTilesThatCannotAnswer) {
    CRegistryLists lists;
    EXPECT_FALSE(GroundHeight(lists, 3.0f, -1.0f).has_value()) << "no tiles at all";

    lists.fieldTiles.Append(Square("Field0-0", 0, 0, 50, 1));
    EXPECT_FALSE(GroundHeight(lists, 60.0f, 0.0f).has_value()) << "beyond the tile's rectangle";
    EXPECT_FALSE(GroundHeight(lists, 0.0f, -50.5f).has_value()) << "beyond the tile's rectangle";

    lists.fieldTiles.Append(Square("Field0-1", 200, 0, 50, 1))->ready = false;
    EXPECT_FALSE(GroundHeight(lists, 203.0f, -1.0f).has_value()) << "a tile still loading";

    lists.fieldTiles.Append(Square("Field0-2", 400, 0, 50, 1))->colliderSet->colliders.front()->type =
        ColliderType::kCapsule;
    EXPECT_FALSE(GroundHeight(lists, 403.0f, -1.0f).has_value()) << "only mesh colliders are ground";

    lists.fieldTiles.Append(Square("Field0-3", 600, 0, 50, 1))->colliderSet.reset();
    EXPECT_FALSE(GroundHeight(lists, 603.0f, -1.0f).has_value()) << "a tile without colliders";

    const auto kept = GroundHeight(lists, 3.0f, -1.0f);
    ASSERT_TRUE(kept.has_value());
    EXPECT_NEAR(kept->z, 1.0f, 1e-5f);
}

TEST(GroundHeightTest, DemoFieldTileMatchesItsHeightGrid) {
    const demofield::COptions& options = Demo().options;
    // The quad of grid points (gx, gy)..(gx + 1, gy + 1) lies in tile row i,
    // column j: columns start at x = -2000, rows count down from y = 2000.
    const int gx = 13 * options.quadsPerTile + 1;
    const int gy = 13 * options.quadsPerTile + 2;
    const int j = gx / options.quadsPerTile + 1;
    const int i = demofield::kTileCount - gy / options.quadsPerTile;
    auto tile = Demo().ColliderEntry(demofield::TileName(i, j));
    ASSERT_NE(tile, nullptr) << demofield::TileName(i, j);
    CRegistryLists lists;
    lists.fieldTiles.Append(std::move(tile));

    // A point inside the triangle (00, 10, 11) of the quad, x 60 % and y 20 %
    // of the way across: on the generator's heights, close to the flat
    // triangle h00 + 0.6 (h10 - h00) + 0.2 (h11 - h10).
    const demofield::CHeightField field(options.quadsPerTile);
    const double x = field.X(gx) + 0.6 * (field.X(gx + 1) - field.X(gx));
    const double y = field.Y(gy) + 0.2 * (field.Y(gy + 1) - field.Y(gy));
    const double h00 = field.Height(gx, gy), h10 = field.Height(gx + 1, gy);
    const double h11 = field.Height(gx + 1, gy + 1);
    const double flat = h00 + 0.6 * (h10 - h00) + 0.2 * (h11 - h10);

    const auto ground = GroundHeight(lists, static_cast<float>(x), static_cast<float>(y));
    ASSERT_TRUE(ground.has_value());
    EXPECT_NEAR(ground->z, flat, 0.05);
    EXPECT_FALSE(GroundHeight(lists, static_cast<float>(x) + 400.0f, static_cast<float>(y)).has_value())
        << "the next tiles are not loaded";
}

// A stroke's blocks of ground answer as GroundAt does, point for point:
// overlapping tiles, a tile edge, blocks reached from either side, and off the field.
TEST(GroundHeightTest, GroundBlocksAnswerAsGroundAt) {
    CRegistryLists lists;
    lists.fieldTiles.Append(Square("Field0-0", 0, 0, 50, 2, 0.3f));
    lists.fieldTiles.Append(Square("Field0-1", 10, 10, 5, 6));
    lists.fieldTiles.Append(Square("Field0-2", 100, 0, 50, 1, -0.2f));
    CGroundBlocks blocks(lists);
    std::mt19937 random(3);
    std::uniform_real_distribution<float> anywhere(-80.0f, 180.0f);
    int met = 0;
    for (int i = 0; i < 3000; ++i) {
        const float x = anywhere(random);
        const float y = anywhere(random) * 0.5f;
        const std::optional<GroundContact> expected = GroundAt(lists, x, y);
        const std::optional<GroundContact> found = blocks.At(x, y);
        ASSERT_EQ(found.has_value(), expected.has_value()) << x << " " << y;
        if (expected) {
            ++met;
            ASSERT_EQ(found->point, expected->point) << x << " " << y;
            ASSERT_EQ(found->normal, expected->normal) << x << " " << y;
        }
    }
    EXPECT_GT(met, 1000) << "most points lie on the tiles";
}

} // namespace
} // namespace quorvane::testing
