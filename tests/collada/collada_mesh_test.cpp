// Mesh sources and every primitive element a mesh may hold, faces split in their plane.
#include "collada_test_support.h"

#include <gtest/gtest.h>
#include <sstream>

namespace quorvane {
namespace {

std::string Source(std::string_view id, int count, int stride, std::string_view numbers) {
    return "<source id=\"" + std::string(id) + "\"><float_array count=\"" + std::to_string(count) + "\">" +
           std::string(numbers) + "</float_array><technique_common><accessor stride=\"" +
           std::to_string(stride) + "\"/></technique_common></source>";
}

// The positions source g-positions, x y z each, with its declared count.
std::string Positions(const std::string& numbers) {
    std::istringstream in(numbers);
    int count = 0;
    for (double number = 0; in >> number;) {
        ++count;
    }
    return Source("g-positions", count, 3, numbers);
}

std::string Mesh(std::string_view sources, std::string_view primitives) {
    return "<library_geometries><geometry id=\"g\"><mesh>" + std::string(sources) +
           "<vertices id=\"g-vertices\"><input semantic=\"POSITION\" source=\"#g-positions\"/></vertices>" +
           std::string(primitives) + "</mesh></geometry></library_geometries>";
}

CModel Import(const std::string& positions, const std::string& primitives) {
    return test::ImportBody(Mesh(Positions(positions), primitives));
}

std::string Primitive(std::string_view name, std::string_view body, std::string_view extraInputs = "") {
    const std::string tag(name);
    return "<" + tag + " material=\"m\"><input semantic=\"VERTEX\" source=\"#g-vertices\" offset=\"0\"/>" +
           std::string(extraInputs) + std::string(body) + "</" + tag + ">";
}

const std::string kCube = "0 0 0 1 0 0 1 1 0 0 1 0\n0 0 1 1 0 1 1 1 1 0 1 1";
// A 4 x 4 square (0-3) with a 2 x 2 hole (4-7, clockwise).
const std::string kFrame = "0 0 0  4 0 0  4 4 0  0 4 0  1 1 0  1 3 0  3 3 0  3 1 0";
// Three unit squares in an L; a fan around corner 0 would cover (1.5, 1.5).
const std::string kL = "2 0 0  2 1 0  1 1 0  1 2 0  0 2 0  0 0 0";

TEST(ColladaMesh, PositionsAreStoredUnderTheVerticesIdAndUnusableSourcesOrGeometriesKeptEmpty) {
    const std::string sources = Positions(kCube) + Source("g-uv", 4, 2, "0 0 1 1") +
                                Source("zero", 0, 3, "1 2 3") + Source("wide", 5, 5, "1 2 3 4 5") +
                                Source("noStride", 3, 0, "1 2 3") + Source("short", 9, 3, "1 2 3 4") +
                                Source("negative", 6, -3, "1 2 3 4 5 6");
    const CModel model = test::ImportBody(Mesh(sources, ""));
    ASSERT_EQ(model.geometries.size(), 1u);
    const CGeometry& geometry = *model.geometries[0];
    EXPECT_EQ(geometry.id, "g");
    EXPECT_EQ(geometry.vertexCount, 8);
    const CFloatArray* positions = geometry.FindFloatArray("g-vertices");
    ASSERT_NE(positions, nullptr);
    EXPECT_EQ(geometry.FindFloatArray("g-positions"), nullptr);
    EXPECT_EQ(positions->width, 3);
    ASSERT_EQ(positions->VectorCount(), 8);
    // The second half sits after a line feed.
    EXPECT_EQ(positions->Vector(7)[2], 1.0f);
    ASSERT_NE(geometry.FindFloatArray("g-uv"), nullptr);
    EXPECT_EQ(geometry.FindFloatArray("g-uv")->VectorCount(), 2);

    EXPECT_EQ(geometry.FindFloatArray("zero"), nullptr);
    ASSERT_NE(geometry.FindFloatArray("wide"), nullptr);
    EXPECT_EQ(geometry.FindFloatArray("wide")->VectorCount(), 0);
    EXPECT_EQ(geometry.FindFloatArray("noStride")->VectorCount(), 0);
    EXPECT_EQ(geometry.FindFloatArray("negative")->VectorCount(), 0);
    // Four numbers where nine were declared: one whole vector, no invented tail.
    EXPECT_EQ(geometry.FindFloatArray("short")->VectorCount(), 1);

    const CModel shortPositions = test::ImportBody(Mesh(Source("g-positions", 3000, 3, "0 0 0 1 1 1"), ""));
    EXPECT_EQ(shortPositions.geometries[0]->vertexCount, 2);

    // A geometry without a mesh is kept empty.
    const CModel noMesh = test::ImportBody(
        "<library_geometries><geometry id=\"spline\"><spline/></geometry>"
        "<geometry id=\"m\"><mesh><source id=\"s\"><float_array count=\"3\">1 2 3</float_array></source>"
        "</mesh></geometry></library_geometries>");
    ASSERT_EQ(noMesh.geometries.size(), 2u);
    EXPECT_TRUE(noMesh.geometries[0]->floatArrays.empty());
    // A source without accessor: no stride, no vectors; no vertices: no count.
    ASSERT_EQ(noMesh.geometries[1]->floatArrays.size(), 1u);
    EXPECT_EQ(noMesh.geometries[1]->floatArrays[0]->VectorCount(), 0);
    EXPECT_EQ(noMesh.geometries[1]->vertexCount, 0);
}

TEST(ColladaMesh, TrianglesKeepTheirInterleavedStreamAndUnreadInputsShiftNoGroups) {
    const std::string triangles = "<triangles material=\"skin\" count=\"2\">"
                                  "<input semantic=\"VERTEX\" source=\"#g-vertices\" offset=\"0\"/>"
                                  "<input semantic=\"NORMAL\" source=\"#g-normals\" offset=\"1\"/>"
                                  "<input semantic=\"TEXCOORD\" source=\"#g-uv0\" offset=\"2\" set=\"0\"/>"
                                  "<input semantic=\"TEXCOORD\" source=\"#g-uv1\" offset=\"3\" set=\"1\"/>"
                                  "<p>0 0 0 0 1 1 1 1 2 2 2 2\n2 2 2 2 3 3 3 3 0 0 0 0</p></triangles>";
    const CModel model = Import(kCube, triangles);
    ASSERT_EQ(model.geometries[0]->polygons.size(), 1u);
    const CPolygonData& block = *model.geometries[0]->polygons[0];
    EXPECT_EQ(block.materialId, "skin");
    EXPECT_EQ(block.vertexId, "g-vertices");
    EXPECT_EQ(block.normalId, "g-normals");
    EXPECT_EQ(block.vertexOffset, 0);
    EXPECT_EQ(block.normalOffset, 1);
    EXPECT_EQ(block.colorOffset, -1);
    EXPECT_EQ(block.texIds, (std::vector<std::string>{"g-uv0", "g-uv1"}));
    EXPECT_EQ(block.texOffset, 3);
    EXPECT_EQ(block.indices.size(), 24u);
    EXPECT_EQ(block.CornerCount(), 6);
    EXPECT_EQ(block.indices[16], 3);

    // Tangents at offset 2 make every corner three indices long in the file.
    const CModel tangents =
        Import(kCube, Primitive("polylist", "<vcount>3</vcount><p>0 10 20 1 11 21 2 12 22</p>",
                                "<input semantic=\"NORMAL\" source=\"#g-normals\" offset=\"1\"/>"
                                "<input semantic=\"TEXTANGENT\" source=\"#t\" offset=\"2\"/>"));
    const CPolygonData& tangentBlock = *tangents.geometries[0]->polygons[0];
    EXPECT_EQ(tangentBlock.GroupLength(), 2);
    EXPECT_EQ(tangentBlock.indices, (std::vector<int32_t>{0, 10, 1, 11, 2, 12}));
}

TEST(ColladaMesh, EveryPrimitiveElementIsABlockInDocumentOrderAndPolylistFacesAreFans) {
    const CModel model =
        Import(kFrame, Primitive("trifans", "<p>0 1 2</p>") + Primitive("lines", "<p>0 1</p>") +
                           Primitive("triangles", "<p>3 4 5</p>") + Primitive("polygons", "<p>5 6 7</p>") +
                           Primitive("polylist", "<vcount>3</vcount><p>1 2 3</p>") +
                           Primitive("tristrips", "<p>0 1 2 3</p>"));
    const auto& blocks = model.geometries[0]->polygons;
    ASSERT_EQ(blocks.size(), 5u); // lines draw no faces
    EXPECT_EQ(blocks[0]->indices, (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(blocks[1]->indices, (std::vector<int32_t>{3, 4, 5}));
    EXPECT_EQ(blocks[2]->indices, (std::vector<int32_t>{5, 6, 7}));
    EXPECT_EQ(blocks[3]->indices, (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(blocks[4]->indices, (std::vector<int32_t>{0, 1, 2, 2, 1, 3}));

    const CModel fans =
        Import(kCube, Primitive("polylist", "<vcount>4 3 5</vcount><p>0 1 2 3  4 5 6  7 0 1 2 3</p>"));
    EXPECT_EQ(fans.geometries[0]->polygons[0]->indices,
              (std::vector<int32_t>{0, 1, 2, 0, 2, 3,             // quad
                                    4, 5, 6,                      // triangle
                                    7, 0, 1, 7, 1, 2, 7, 2, 3})); // pentagon
}

TEST(ColladaMesh, BrokenIndexDataIsClampedToWhatIsPresentAndPolygonsGiveOneFaceForEveryP) {
    const std::string primitives =
        // The last face claims more corners than p holds; faces before it stay.
        Primitive("polylist", "<vcount>3 -2 1 2000000000</vcount><p>0 1 2 3 4 5</p>") +
        // A partial group and a partial triangle at the end are left out.
        Primitive("polylist", "<vcount>3</vcount><p>0 1 2</p>",
                  "<input semantic=\"NORMAL\" source=\"#g-vertices\" offset=\"2147483647\"/>") +
        // An input at a negative offset is left out; no vcount: corners three at a time.
        Primitive("polylist", "<p>9 8 7 6 5</p>",
                  "<input semantic=\"NORMAL\" source=\"#n\" offset=\"-4\"/>") +
        // Nothing the model stores.
        "<polylist count=\"1\"><input semantic=\"BINORMAL\" source=\"#b\" offset=\"0\"/><p>1 2 "
        "3</p></polylist>" +
        Primitive("polylist", "<p/>");
    const CModel model = Import(kCube, primitives);
    const auto& blocks = model.geometries[0]->polygons;
    ASSERT_EQ(blocks.size(), 5u);
    EXPECT_EQ(blocks[0]->indices, (std::vector<int32_t>{0, 1, 2}));
    EXPECT_TRUE(blocks[1]->indices.empty());
    EXPECT_EQ(blocks[2]->normalOffset, -1);
    EXPECT_EQ(blocks[2]->indices, (std::vector<int32_t>{9, 8, 7}));
    EXPECT_TRUE(blocks[3]->indices.empty());
    EXPECT_TRUE(blocks[4]->indices.empty());

    // Polygons give one face for every p.
    const std::string faceList = Primitive("polygons",
                                           "<p>0 10 1 11 2 12 3 13</p>"
                                           "<p>4 14 5 15</p>"         // two corners: nothing
                                           "<p>4 14 5 15 6 16 7</p>", // partial corner left out
                                           "<input semantic=\"NORMAL\" source=\"#n\" offset=\"1\"/>");
    const CModel faces = Import(kFrame, faceList);
    ASSERT_EQ(faces.geometries[0]->polygons.size(), 1u);
    const CPolygonData& face = *faces.geometries[0]->polygons[0];
    EXPECT_EQ(face.materialId, "m");
    EXPECT_EQ(face.normalOffset, 1);
    EXPECT_EQ(face.indices, (std::vector<int32_t>{0, 10, 1, 11, 2, 12, 0, 10, 2, 12, 3, 13, // square
                                                  4, 14, 5, 15, 6, 16}));
}

TEST(ColladaMesh, PolygonWithHoleLeavesTheHoleOpenAndConcaveFacesAreSplitInsideTheirOutline) {
    const CModel model = Import(kFrame, Primitive("polygons", "<ph><p>0 1 2 3</p><h>4 5 6 7</h></ph>"));
    const CGeometry& geometry = *model.geometries[0];
    const test::Corners corners = test::CornersOf(geometry, *geometry.polygons[0]);
    // 4 + 4 corners and two for the bridge to the hole: 8 triangles.
    ASSERT_EQ(corners.size(), 8u * 3u);
    EXPECT_NEAR(test::AreaFacing(corners, {0, 0, 1}), 16.0 - 4.0, 1e-9);
    EXPECT_FALSE(test::CoversXY(corners, 2.0, 2.0));

    // Holes too small to be faces count for nothing; the square is a plain fan.
    const CModel tiny = Import(kFrame, Primitive("polygons", "<ph><p>0 1 2 3</p><h>4 5</h><h/></ph>"));
    EXPECT_EQ(tiny.geometries[0]->polygons[0]->indices, (std::vector<int32_t>{0, 1, 2, 0, 2, 3}));

    // Concave faces are split inside their outline.
    const std::string polygons = Primitive("polygons", "<p>0 1 2 3 4 5</p>");
    const std::string polylist = Primitive("polylist", "<vcount>6</vcount><p>0 1 2 3 4 5</p>");
    for (const std::string& primitive : {polygons, polylist}) {
        const CModel concave = Import(kL, primitive);
        const test::Corners concaveCorners =
            test::CornersOf(*concave.geometries[0], *concave.geometries[0]->polygons[0]);
        ASSERT_EQ(concaveCorners.size(), 4u * 3u);
        EXPECT_NEAR(test::AreaFacing(concaveCorners, {0, 0, 1}), 3.0, 1e-9);
        EXPECT_FALSE(test::CoversXY(concaveCorners, 1.5, 1.5));
    }
    // A corner without a position: the face cannot be placed, so it stays a fan.
    const CModel unplaced = Import(kL, Primitive("polylist", "<vcount>6</vcount><p>0 1 2 3 4 99</p>"));
    EXPECT_EQ(unplaced.geometries[0]->polygons[0]->indices,
              (std::vector<int32_t>{0, 1, 2, 0, 2, 3, 0, 3, 4, 0, 4, 99}));
}

TEST(ColladaMesh, StripsAndFans) {
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

} // namespace
} // namespace quorvane
