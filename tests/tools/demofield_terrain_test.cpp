#include "demofield_fixture.h"
#include "editor/stream_windows.h"
#include "modeldata/collider_reader.h"
#include "modeldata/mdl_reader.h"
#include "terrain.h"

#include <cmath>
#include <gtest/gtest.h>
#include <map>

namespace quorvane::demofield::testing {
namespace {

constexpr int kTiles = 26;

struct CTile {
    CModel model;
    CTriangleSoup surface;
    CTriangleSoup collider;
    float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
};

CTriangleSoup ColliderTriangles(const CColliderSet& set) {
    CTriangleSoup soup;
    for (const auto& collider : set.colliders) {
        if (collider->type != ColliderType::kMesh) {
            continue;
        }
        for (const auto& polygon : collider->polygons) {
            const CFloatArray* positions = collider->FindFloatArray(polygon->vertexId);
            const auto base = static_cast<int32_t>(soup.positions.size());
            for (int64_t i = 0; positions != nullptr && i < positions->VectorCount(); ++i) {
                const auto p = positions->Vector(i);
                soup.positions.push_back({p[0], p[1], p[2]});
            }
            for (int32_t c = 0; c < polygon->cornerCount; ++c) {
                soup.corners.push_back(base + polygon->positionIndices[static_cast<size_t>(c)]);
            }
        }
    }
    return soup;
}

// Every tile of the reduced field, read back through the readers once.
const std::map<std::pair<int, int>, CTile>& Tiles() {
    static const auto tiles = [] {
        std::map<std::pair<int, int>, CTile> read;
        const auto folder = ReducedField().options.output / "model/main_field/field";
        for (int i = 1; i <= kTiles; ++i) {
            for (int j = 1; j <= kTiles; ++j) {
                CTile& tile = read[{i, j}];
                if (!ReadModelFile(tile.model, folder / (TileName(i, j) + ".mdl"))) {
                    ADD_FAILURE() << "cannot read " << TileName(i, j);
                    continue;
                }
                tile.surface = ModelTriangles(tile.model);
                CColliderSet set;
                EXPECT_TRUE(ReadColliderFile(set, tile.model.directory + tile.model.colliderFile));
                tile.collider = ColliderTriangles(set);
                for (const auto& p : tile.surface.positions) {
                    tile.minX = std::min(tile.minX, p[0]);
                    tile.maxX = std::max(tile.maxX, p[0]);
                    tile.minY = std::min(tile.minY, p[1]);
                    tile.maxY = std::max(tile.maxY, p[1]);
                }
            }
        }
        return read;
    }();
    return tiles;
}

// The tile the streaming keeps a point in, as the index of Tiles().
std::pair<int, int> TileOfPoint(double x, double y) {
    const TileIndex tile = TileKeepWindow(static_cast<float>(x), static_cast<float>(y)).centre;
    return {tile.i, tile.j};
}

// Points on one edge of a tile, sorted along the edge.
std::vector<std::array<float, 3>> EdgePoints(const CTile& tile, bool vertical, float at) {
    std::vector<std::array<float, 3>> points;
    for (const auto& p : tile.surface.positions) {
        if ((vertical ? p[0] : p[1]) == at) {
            points.push_back(p);
        }
    }
    std::sort(points.begin(), points.end());
    return points;
}

// Splat weights are normalised and use all three layers.
TEST(DemoFieldTerrain, TilesCoverTheFieldWhereTheStreamingLooksForThemWithNormalisedSplatWeights) {
    std::array<double, 3> maxima{};
    for (const auto& [index, tile] : Tiles()) {
        const auto [i, j] = index;
        SCOPED_TRACE(TileName(i, j));
        EXPECT_EQ(tile.model.id, TileName(i, j));
        // Just inside each corner the streaming keeps this tile.
        for (const float x : {tile.minX + 0.01f, tile.maxX - 0.01f}) {
            for (const float y : {tile.minY + 0.01f, tile.maxY - 0.01f}) {
                EXPECT_EQ(TileOfPoint(x, y), index) << x << ", " << y;
            }
        }
        EXPECT_EQ(tile.model.splatMapCount, 9);
        ASSERT_EQ(tile.model.geometries.size(), 1u);
        EXPECT_EQ(tile.model.geometries[0]->isSplatMapLayout, 1);
        const CFloatArray* colours = tile.model.geometries[0]->FindFloatArray("color");
        ASSERT_NE(colours, nullptr);
        for (int64_t v = 0; v < colours->VectorCount(); ++v) {
            const auto c = colours->Vector(v);
            EXPECT_NEAR(c[0] + c[1] + c[2], 1.0, 0.003);
            EXPECT_EQ(c[3], 1.0f);
            for (size_t k = 0; k < 3; ++k) {
                maxima[k] = std::max(maxima[k], static_cast<double>(c[k]));
            }
        }
    }
    for (double maximum : maxima) {
        EXPECT_GT(maximum, 0.7);
    }
    // The camera starts at the origin: Field13-14 holds the point just north-east of it.
    EXPECT_EQ(TileOfPoint(1, 1), std::make_pair(13, 14));
}

TEST(DemoFieldTerrain, NeighbouringTilesShareEdgesColliderGroundMatchesAndTheLowFieldStaysBelow) {
    const auto& tiles = Tiles();
    for (const auto& [index, tile] : tiles) {
        const auto [i, j] = index;
        for (const bool east : {true, false}) {
            const auto next = east ? std::pair{i, j + 1} : std::pair{i + 1, j};
            if (tiles.contains(next)) {
                const CTile& other = tiles.at(next);
                const auto a = EdgePoints(tile, east, east ? tile.maxX : tile.minY);
                ASSERT_GT(a.size(), 1u) << TileName(i, j);
                EXPECT_EQ(a, EdgePoints(other, east, east ? other.minX : other.maxY))
                    << TileName(i, j) << " / " << TileName(next.first, next.second);
            }
        }
    }

    // The collider ground matches the tile surface and the low field stays below it.
    CModel low;
    ASSERT_TRUE(
        ReadModelFile(low, ReducedField().options.output / "model/main_field/field_low/field_low.mdl"));
    const CTriangleSoup lowSurface = ModelTriangles(low);
    int samples = 0;
    // A lattice of points that is not aligned to the vertex grid, plus the tile corners' neighbourhood.
    for (double y = -1999.3; y < 2000; y += 61.7) {
        for (double x = -1998.9; x < 2000; x += 53.3) {
            const auto index = TileOfPoint(x, y);
            const CTile& tile = tiles.at(index);
            const auto surface = HeightAt(tile.surface, x, y);
            const auto ground = HeightAt(tile.collider, x, y);
            ASSERT_TRUE(surface.has_value()) << x << ", " << y;
            ASSERT_TRUE(ground.has_value()) << x << ", " << y;
            EXPECT_NEAR(*ground, *surface, 1e-4) << x << ", " << y;
            // The ground query ignores a height of exactly zero.
            EXPECT_GT(*ground, 1.0);
            const auto lowHeight = HeightAt(lowSurface, x, y);
            ASSERT_TRUE(lowHeight.has_value());
            EXPECT_LT(*lowHeight, *surface) << x << ", " << y;
            EXPECT_GT(*lowHeight, *surface - 60) << "the low field should hug the ground";
            ++samples;
        }
    }
    EXPECT_GT(samples, 4000);
    // The camera starts on a plain.
    const auto origin = HeightAt(tiles.at(TileOfPoint(0.5, 0.5)).collider, 0.5, 0.5);
    ASSERT_TRUE(origin.has_value());
    EXPECT_LT(*origin, 5.0);
}

} // namespace
} // namespace quorvane::demofield::testing
