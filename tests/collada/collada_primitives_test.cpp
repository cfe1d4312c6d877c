// Every primitive element a mesh may hold, and faces split in their plane.
#include "collada_test_support.h"

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace quorvane {
namespace {

const std::filesystem::path kDocuments = QUORVANE_COLLADA_DOCUMENTS;

// One mesh of the given positions (x y z each) and primitive elements.
CModel Import(const std::string& positions, const std::string& primitives) {
    std::istringstream numbers(positions);
    int count = 0;
    for (double number = 0; numbers >> number;) {
        ++count;
    }
    return test::ImportBody(
        "<library_geometries><geometry id=\"g\"><mesh><source id=\"g-positions\">"
        "<float_array count=\"" +
        std::to_string(count) + "\">" + positions +
        "</float_array><technique_common><accessor stride=\"3\"/></technique_common></source>"
        "<vertices id=\"g-vertices\"><input semantic=\"POSITION\" "
        "source=\"#g-positions\"/></vertices>" +
        primitives + "</mesh></geometry></library_geometries>");
}

// A 4 x 4 square (0-3) with a 2 x 2 hole (4-7, clockwise).
const std::string kFrame = "0 0 0  4 0 0  4 4 0  0 4 0  1 1 0  1 3 0  3 3 0  3 1 0";
// Three unit squares in an L; a fan around corner 0 would cover (1.5, 1.5).
const std::string kL = "2 0 0  2 1 0  1 1 0  1 2 0  0 2 0  0 0 0";

std::string Primitive(std::string_view name, std::string_view body, std::string_view extraInputs = "") {
    std::string element = "<";
    element.append(name).append(
        " material=\"m\"><input semantic=\"VERTEX\" source=\"#g-vertices\" offset=\"0\"/>");
    element.append(extraInputs).append(body).append("</").append(name).append(">");
    return element;
}

std::array<double, 3> PositionOf(const CGeometry& geometry, const CPolygonData& block, int64_t corner) {
    const int32_t index =
        block.indices[static_cast<size_t>(corner * block.GroupLength() + block.vertexOffset)];
    const std::span<const float> p = geometry.FindFloatArray(block.vertexId)->Vector(index);
    EXPECT_EQ(p.size(), 3u);
    return {p[0], p[1], p[2]};
}

// Summed triangle area; every triangle must face along `normal` (or have no area).
double Area(const CGeometry& geometry, const CPolygonData& block, std::array<double, 3> normal) {
    double sum = 0.0;
    for (int64_t corner = 0; corner + 2 < block.CornerCount(); corner += 3) {
        const auto a = PositionOf(geometry, block, corner);
        const auto b = PositionOf(geometry, block, corner + 1);
        const auto c = PositionOf(geometry, block, corner + 2);
        const std::array<double, 3> e1 = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        const std::array<double, 3> e2 = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        const std::array<double, 3> n = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                                         e1[0] * e2[1] - e1[1] * e2[0]};
        EXPECT_GE(n[0] * normal[0] + n[1] * normal[1] + n[2] * normal[2], 0.0) << "triangle " << corner / 3;
        sum += std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]) / 2.0;
    }
    return sum;
}

// Whether a triangle of the block holds (x, y, 0) strictly inside.
bool CoversXY(const CGeometry& geometry, const CPolygonData& block, double x, double y) {
    for (int64_t corner = 0; corner + 2 < block.CornerCount(); corner += 3) {
        const auto a = PositionOf(geometry, block, corner);
        const auto b = PositionOf(geometry, block, corner + 1);
        const auto c = PositionOf(geometry, block, corner + 2);
        const auto side = [&](const std::array<double, 3>& p, const std::array<double, 3>& q) {
            return (q[0] - p[0]) * (y - p[1]) - (q[1] - p[1]) * (x - p[0]);
        };
        const double ab = side(a, b);
        const double bc = side(b, c);
        const double ca = side(c, a);
        if ((ab > 0 && bc > 0 && ca > 0) || (ab < 0 && bc < 0 && ca < 0)) {
            return true;
        }
    }
    return false;
}

TEST(ColladaPrimitives, PolygonsGiveOneFaceForEveryP) {
    const std::string polygons = Primitive("polygons",
                                           "<p>0 10 1 11 2 12 3 13</p>"
                                           "<p>4 14 5 15</p>"         // two corners: nothing
                                           "<p>4 14 5 15 6 16 7</p>", // partial corner left out
                                           "<input semantic=\"NORMAL\" source=\"#n\" offset=\"1\"/>");
    const CModel model = Import(kFrame, polygons);
    ASSERT_EQ(model.geometries[0]->polygons.size(), 1u);
    const CPolygonData& block = *model.geometries[0]->polygons[0];
    EXPECT_EQ(block.materialId, "m");
    EXPECT_EQ(block.normalOffset, 1);
    EXPECT_EQ(block.indices, (std::vector<int32_t>{0, 10, 1, 11, 2, 12, 0, 10, 2, 12, 3, 13, // square
                                                   4, 14, 5, 15, 6, 16}));
}

TEST(ColladaPrimitives, PolygonWithHoleLeavesTheHoleOpen) {
    const CModel model = Import(kFrame, Primitive("polygons", "<ph><p>0 1 2 3</p><h>4 5 6 7</h></ph>"));
    const CGeometry& geometry = *model.geometries[0];
    const CPolygonData& block = *geometry.polygons[0];
    // 4 + 4 corners and two for the bridge to the hole: 8 triangles.
    ASSERT_EQ(block.CornerCount(), 8 * 3);
    EXPECT_NEAR(Area(geometry, block, {0, 0, 1}), 16.0 - 4.0, 1e-9);
    EXPECT_FALSE(CoversXY(geometry, block, 2.0, 2.0));

    // Holes too small to be faces count for nothing; the square is a plain fan.
    const CModel tiny = Import(kFrame, Primitive("polygons", "<ph><p>0 1 2 3</p><h>4 5</h><h/></ph>"));
    EXPECT_EQ(tiny.geometries[0]->polygons[0]->indices, (std::vector<int32_t>{0, 1, 2, 0, 2, 3}));
}

TEST(ColladaPrimitives, ConcaveFacesAreSplitInsideTheirOutline) {
    const std::string polygons = Primitive("polygons", "<p>0 1 2 3 4 5</p>");
    const std::string polylist = Primitive("polylist", "<vcount>6</vcount><p>0 1 2 3 4 5</p>");
    for (const std::string& primitive : {polygons, polylist}) {
        const CModel model = Import(kL, primitive);
        const CGeometry& geometry = *model.geometries[0];
        const CPolygonData& block = *geometry.polygons[0];
        ASSERT_EQ(block.CornerCount(), 4 * 3);
        EXPECT_NEAR(Area(geometry, block, {0, 0, 1}), 3.0, 1e-9);
        EXPECT_FALSE(CoversXY(geometry, block, 1.5, 1.5));
    }
    // A corner without a position: the face cannot be placed, so it stays a fan.
    const CModel broken = Import(kL, Primitive("polylist", "<vcount>6</vcount><p>0 1 2 3 4 99</p>"));
    EXPECT_EQ(broken.geometries[0]->polygons[0]->indices,
              (std::vector<int32_t>{0, 1, 2, 0, 2, 3, 0, 3, 4, 0, 4, 99}));
}

TEST(ColladaPrimitives, StripsAndFans) {
    const CModel model = Import(kFrame, Primitive("tristrips", "<p>0 1 2 3 4</p><p>5 6</p><p>7 6 5</p>") +
                                            Primitive("trifans", "<p>0 1 2 3 4</p><p/><p>7 6 5 4 3</p>"));
    const auto& blocks = model.geometries[0]->polygons;
    ASSERT_EQ(blocks.size(), 2u);
    // Every second triangle of a strip turns round: 2 1 3.
    EXPECT_EQ(blocks[0]->indices, (std::vector<int32_t>{0, 1, 2, 2, 1, 3, 2, 3, 4, 7, 6, 5}));
    EXPECT_EQ(blocks[1]->indices,
              (std::vector<int32_t>{0, 1, 2, 0, 2, 3, 0, 3, 4, 7, 6, 5, 7, 5, 4, 7, 4, 3}));
    EXPECT_EQ(blocks[1]->materialId, "m");

    // Groups of two, one dropped at the end of the strip.
    const CModel paired =
        Import(kFrame, Primitive("tristrips", "<p>0 10 1 11 2 12 3 13 4</p>",
                                 "<input semantic=\"TEXCOORD\" source=\"#t\" offset=\"1\" set=\"0\"/>"));
    EXPECT_EQ(paired.geometries[0]->polygons[0]->indices,
              (std::vector<int32_t>{0, 10, 1, 11, 2, 12, 2, 12, 1, 11, 3, 13}));
}

TEST(ColladaPrimitives, ElementsOfEveryKindAreBlocksInDocumentOrder) {
    const CModel model =
        Import(kFrame, Primitive("trifans", "<p>0 1 2</p>") + Primitive("triangles", "<p>3 4 5</p>") +
                           Primitive("polygons", "<p>5 6 7</p>") +
                           Primitive("polylist", "<vcount>3</vcount><p>1 2 3</p>"));
    const auto& blocks = model.geometries[0]->polygons;
    ASSERT_EQ(blocks.size(), 4u);
    EXPECT_EQ(blocks[0]->indices, (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(blocks[1]->indices, (std::vector<int32_t>{3, 4, 5}));
    EXPECT_EQ(blocks[2]->indices, (std::vector<int32_t>{5, 6, 7}));
    EXPECT_EQ(blocks[3]->indices, (std::vector<int32_t>{1, 2, 3}));
}

CModel Load(const char* file) {
    CModel model;
    EXPECT_TRUE(LoadCollada(model, (kDocuments / file).string())) << file;
    return model;
}

TEST(ColladaPrimitives, CubeOfStrips) {
    // Six strips of four corners (position, normal): two triangles each.
    const CModel model = Load("cube_tristrips.dae");
    const CGeometry& cube = *model.geometries[0];
    ASSERT_EQ(cube.polygons.size(), 1u);
    const CPolygonData& block = *cube.polygons[0];
    EXPECT_EQ(block.materialId, "BlueSG_material");
    ASSERT_EQ(block.CornerCount(), 6 * 2 * 3);
    // The first strip, 6 9 0 3, with every index written twice.
    EXPECT_EQ(std::vector<int32_t>(block.indices.begin(), block.indices.begin() + 12),
              (std::vector<int32_t>{6, 6, 9, 9, 0, 0, 0, 0, 9, 9, 3, 3}));
    // Side 100: six faces of 10000 each, no triangle counted twice.
    double area = 0.0;
    for (int64_t corner = 0; corner < block.CornerCount(); corner += 3) {
        const auto a = PositionOf(cube, block, corner);
        const auto b = PositionOf(cube, block, corner + 1);
        const auto c = PositionOf(cube, block, corner + 2);
        const std::array<double, 3> e1 = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        const std::array<double, 3> e2 = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        const std::array<double, 3> n = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                                         e1[0] * e2[1] - e1[1] * e2[0]};
        area += std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]) / 2.0;
    }
    EXPECT_DOUBLE_EQ(area, 60000.0);
}

TEST(ColladaPrimitives, PolygonsPolylistAndTrianglesDocument) {
    const CModel model = Load("polygons_polylist_triangles.dae");
    ASSERT_EQ(model.geometries.size(), 3u);
    // A polygons element with the square 0 1 2 3, 50 wide.
    const CGeometry& square = *model.geometries[0];
    ASSERT_EQ(square.polygons.size(), 1u);
    EXPECT_EQ(square.polygons[0]->indices, (std::vector<int32_t>{0, 1, 2, 0, 2, 3}));
    EXPECT_DOUBLE_EQ(Area(square, *square.polygons[0], {0, 0, 1}), 2500.0);
    EXPECT_EQ(model.geometries[1]->polygons[0]->indices, (std::vector<int32_t>{0, 1, 2}));
    // The convex hexagon of the polylist stays a fan.
    EXPECT_EQ(model.geometries[2]->polygons[0]->indices,
              (std::vector<int32_t>{0, 1, 2, 0, 2, 3, 0, 3, 4, 0, 4, 5}));
}

TEST(ColladaPrimitives, ConcavePolygonDocumentIsCoveredExactly) {
    // The document's own numbers: 64 points and one face of 66 corners.
    std::ifstream file(kDocuments / "ConcavePolygon.dae");
    std::stringstream whole;
    whole << file.rdbuf();
    const std::string text = whole.str();
    const auto between = [&](const std::string& open, const std::string& close) {
        const size_t start = text.find('>', text.find(open)) + 1;
        return text.substr(start, text.find(close, start) - start);
    };
    std::vector<std::array<double, 3>> points;
    std::istringstream numbers(between("<float_array", "</float_array>"));
    for (std::array<double, 3> p{}; numbers >> p[0] >> p[1] >> p[2];) {
        points.push_back(p);
    }
    ASSERT_EQ(points.size(), 64u);
    std::vector<int> face;
    std::istringstream corners(between("<p>", "</p>"));
    for (int index = 0; corners >> index;) {
        face.push_back(index);
    }
    ASSERT_EQ(face.size(), 66u);
    // Every point has x = -1.146: the face lies in a plane of constant x.
    double shoelace = 0.0;
    for (size_t i = 0; i < face.size(); ++i) {
        const auto& p = points[static_cast<size_t>(face[i])];
        const auto& q = points[static_cast<size_t>(face[(i + 1) % face.size()])];
        ASSERT_EQ(p[0], -1.146);
        shoelace += p[1] * q[2] - q[1] * p[2];
    }

    const CModel model = Load("ConcavePolygon.dae");
    const CGeometry& geometry = *model.geometries[0];
    const CPolygonData& block = *geometry.polygons[0];
    EXPECT_EQ(block.CornerCount(), 64 * 3);
    // Triangles turn like the face about +x (y -> z) when its shoelace sum is positive.
    const double sign = shoelace > 0 ? 1.0 : -1.0;
    EXPECT_NEAR(Area(geometry, block, {sign, 0, 0}), std::abs(shoelace) / 2.0, 1e-5);
}

} // namespace
} // namespace quorvane
