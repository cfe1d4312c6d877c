#include "demo_field.h"
#include "editor/ground_height.h"
#include "modeldata/collider_reader.h"
#include "modeldata/collider_skin_records.h"
#include "render/collider_skinning.h"
#include "terrain.h"

#include <array>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace quorvane {
namespace {

using Xyz = std::array<float, 3>;

struct FlatTriangle {
    Xyz t0, t1, t2;
};

CSkinRecord Corner(const Xyz& position, const Xyz& normal) {
    CSkinRecord record;
    record.position = position;
    record.normal = normal;
    return record;
}

// (t1 - t0) x (t2 - t0): the triangle's own normal, as a mesh exporter writes it.
Xyz FaceNormal(const FlatTriangle& triangle) {
    const Xyz u{triangle.t1[0] - triangle.t0[0], triangle.t1[1] - triangle.t0[1],
                triangle.t1[2] - triangle.t0[2]};
    const Xyz v{triangle.t2[0] - triangle.t0[0], triangle.t2[1] - triangle.t0[1],
                triangle.t2[2] - triangle.t0[2]};
    return {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
}

// A ready tile whose one mesh collider holds the triangles, skinned in place
// so that its collider rectangle is the triangles' box.
std::unique_ptr<CModelEntry> TileOf(const std::string& name, const std::vector<FlatTriangle>& triangles) {
    auto tile = std::make_unique<CModelEntry>();
    tile->name = name;
    tile->ready = true;
    tile->colliderSet = std::make_unique<CColliderSet>();
    auto mesh = std::make_unique<CCollider>();
    mesh->type = ColliderType::kMesh;
    auto records = std::make_shared<std::vector<CSkinRecord>>();
    for (const FlatTriangle& triangle : triangles) {
        for (const Xyz& corner : {triangle.t0, triangle.t1, triangle.t2}) {
            records->push_back(Corner(corner, FaceNormal(triangle)));
        }
    }
    mesh->skinnedRecords.resize(records->size());
    mesh->restRecords = records;
    tile->colliderSet->colliders.push_back(std::move(mesh));
    UpdateColliderSet(*tile->colliderSet, ColliderPose{}, true, false);
    return tile;
}

// The square -half..half around (cx, cy) as two triangles, its height given per corner.
std::vector<FlatTriangle> Square(float cx, float cy, float half, float z00, float z10, float z11, float z01) {
    const Xyz c00{cx - half, cy - half, z00}, c10{cx + half, cy - half, z10};
    const Xyz c11{cx + half, cy + half, z11}, c01{cx - half, cy + half, z01};
    return {{c00, c10, c11}, {c00, c11, c01}};
}

TEST(GroundHeightTest, FlatGroundAtZeroIsFound) {
    CRegistryLists lists;
    lists.fieldTiles.Append(TileOf("Field0-0", Square(0, 0, 50, 0, 0, 0, 0)));

    const auto ground = GroundHeight(lists, 3.0f, -7.0f);
    ASSERT_TRUE(ground.has_value());
    EXPECT_EQ(*ground, (Vector4{3.0f, -7.0f, 0.0f, 0.0f}));
}

TEST(GroundHeightTest, GroundBelowZeroIsFound) {
    CRegistryLists lists;
    lists.fieldTiles.Append(TileOf("Field0-0", Square(0, 0, 50, -5, -5, -5, -5)));

    const auto ground = GroundHeight(lists, 1.0f, -2.0f);
    ASSERT_TRUE(ground.has_value());
    EXPECT_NEAR(ground->z, -5.0f, 1e-5f);
}

TEST(GroundHeightTest, SlopeIsInterpolated) {
    // z = 0.5 x + 2 over -50..50.
    CRegistryLists lists;
    lists.fieldTiles.Append(TileOf("Field0-0", Square(0, 0, 50, -23, 27, 27, -23)));

    const auto ground = GroundHeight(lists, 3.0f, 4.0f);
    ASSERT_TRUE(ground.has_value());
    EXPECT_NEAR(ground->z, 3.5f, 1e-4f);
    EXPECT_FLOAT_EQ(ground->x, 3.0f);
    EXPECT_FLOAT_EQ(ground->y, 4.0f);
}

TEST(GroundHeightTest, HighestOfOverlappingTilesWins) {
    CRegistryLists lists;
    lists.fieldTiles.Append(TileOf("Field0-0", Square(0, 0, 50, 2, 2, 2, 2)));
    lists.fieldTiles.Append(TileOf("Field0-1", Square(10, 10, 5, 6, 6, 6, 6)));
    lists.fieldTiles.Append(TileOf("Field0-2", Square(0, 0, 50, 4, 4, 4, 4)));

    EXPECT_NEAR(GroundHeight(lists, 9.0f, 11.0f)->z, 6.0f, 1e-5f);
    EXPECT_NEAR(GroundHeight(lists, -20.0f, 0.5f)->z, 4.0f, 1e-5f);
}

TEST(GroundHeightTest, NothingOffTheFieldOrOnTilesThatCannotAnswer) {
    CRegistryLists lists;
    EXPECT_FALSE(GroundHeight(lists, 3.0f, -1.0f).has_value()) << "no tiles at all";

    lists.fieldTiles.Append(TileOf("Field0-0", Square(0, 0, 50, 1, 1, 1, 1)));
    EXPECT_FALSE(GroundHeight(lists, 60.0f, 0.0f).has_value()) << "beyond the tile's rectangle";
    EXPECT_FALSE(GroundHeight(lists, 0.0f, -50.5f).has_value()) << "beyond the tile's rectangle";

    auto loading = TileOf("Field0-1", Square(200, 0, 50, 1, 1, 1, 1));
    loading->ready = false;
    lists.fieldTiles.Append(std::move(loading));
    EXPECT_FALSE(GroundHeight(lists, 203.0f, -1.0f).has_value()) << "a tile still loading";

    auto capsuleOnly = TileOf("Field0-2", Square(400, 0, 50, 1, 1, 1, 1));
    capsuleOnly->colliderSet->colliders.front()->type = ColliderType::kCapsule;
    lists.fieldTiles.Append(std::move(capsuleOnly));
    EXPECT_FALSE(GroundHeight(lists, 403.0f, -1.0f).has_value()) << "only mesh colliders are ground";

    auto bare = std::make_unique<CModelEntry>();
    bare->name = "Field0-3";
    bare->ready = true;
    lists.fieldTiles.Append(std::move(bare));
    EXPECT_FALSE(GroundHeight(lists, 603.0f, -1.0f).has_value()) << "a tile without colliders";

    const auto kept = GroundHeight(lists, 3.0f, -1.0f);
    ASSERT_TRUE(kept.has_value());
    EXPECT_NEAR(kept->z, 1.0f, 1e-5f);
}

struct DemoFolder {
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("quorvane_ground_height_test_" + std::to_string(::getpid()));
    ~DemoFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

TEST(GroundHeightTest, DemoFieldTileMatchesItsHeightGrid) {
    const DemoFolder folder;
    demofield::COptions options;
    options.output = folder.path;
    options.quadsPerTile = 4;
    options.fieldTextureSize = 16;
    options.modelTextureSize = 16;
    const demofield::CManifest manifest = demofield::GenerateDemoField(options);

    // The quad of grid points (gx, gy)..(gx + 1, gy + 1) lies in tile row i,
    // column j: columns start at x = -2000, rows count down from y = 2000.
    const int gx = 13 * options.quadsPerTile + 1;
    const int gy = 13 * options.quadsPerTile + 2;
    const int j = gx / options.quadsPerTile + 1;
    const int i = demofield::kTileCount - gy / options.quadsPerTile;
    const std::string colliderName = demofield::TileName(i, j) + ".col";
    std::filesystem::path colliderPath;
    for (const auto& written : manifest.colliders) {
        if (written.path.ends_with("/" + colliderName)) {
            colliderPath = folder.path / written.path;
        }
    }
    ASSERT_FALSE(colliderPath.empty()) << colliderName;

    auto tile = std::make_unique<CModelEntry>();
    tile->name = demofield::TileName(i, j);
    tile->ready = true;
    tile->colliderSet = std::make_unique<CColliderSet>();
    ASSERT_TRUE(ReadColliderFile(*tile->colliderSet, colliderPath));
    BuildColliderSkinRecords(*tile->colliderSet);
    UpdateColliderSet(*tile->colliderSet, ColliderPose{}, true, false);
    CRegistryLists lists;
    lists.fieldTiles.Append(std::move(tile));

    // A point inside the triangle (00, 10, 11) of the quad, x 60 % and y 20 %
    // of the way across. The crossing lies on the plane through the
    // triangle's centre across the mean of its corner normals, close to the
    // flat triangle h00 + 0.6 (h10 - h00) + 0.2 (h11 - h10).
    const demofield::CHeightField field(options.quadsPerTile);
    const std::array<std::array<int, 2>, 3> corners{{{gx, gy}, {gx + 1, gy}, {gx + 1, gy + 1}}};
    double gxSum = 0, gySum = 0, gzSum = 0, nx = 0, ny = 0, nz = 0;
    for (const auto& [cx, cy] : corners) {
        gxSum += field.X(cx);
        gySum += field.Y(cy);
        gzSum += field.Height(cx, cy);
        const auto normal = field.Normal(cx, cy);
        nx += normal.x;
        ny += normal.y;
        nz += normal.z;
    }
    const double x = field.X(gx) + 0.6 * (field.X(gx + 1) - field.X(gx));
    const double y = field.Y(gy) + 0.2 * (field.Y(gy + 1) - field.Y(gy));
    const double expected = gzSum / 3 - ((x - gxSum / 3) * nx + (y - gySum / 3) * ny) / nz;
    const double h00 = field.Height(gx, gy), h10 = field.Height(gx + 1, gy);
    const double h11 = field.Height(gx + 1, gy + 1);
    const double flat = h00 + 0.6 * (h10 - h00) + 0.2 * (h11 - h10);

    const auto ground = GroundHeight(lists, static_cast<float>(x), static_cast<float>(y));
    ASSERT_TRUE(ground.has_value());
    EXPECT_NEAR(ground->z, expected, 1e-3);
    EXPECT_NEAR(ground->z, flat, 0.05);
    EXPECT_FALSE(GroundHeight(lists, static_cast<float>(x) + 400.0f, static_cast<float>(y)).has_value())
        << "the next tiles are not loaded";
}

} // namespace
} // namespace quorvane
