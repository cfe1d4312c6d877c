#include "collada_test_support.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

std::string Mesh(std::string_view sources, std::string_view primitives) {
    return "<library_geometries><geometry id=\"g\"><mesh>" + std::string(sources) +
           "<vertices id=\"g-vertices\"><input semantic=\"POSITION\" source=\"#g-positions\"/></vertices>" +
           std::string(primitives) + "</mesh></geometry></library_geometries>";
}

std::string Source(std::string_view id, int count, int stride, std::string_view numbers) {
    return "<source id=\"" + std::string(id) + "\"><float_array count=\"" + std::to_string(count) + "\">" +
           std::string(numbers) + "</float_array><technique_common><accessor stride=\"" +
           std::to_string(stride) + "\"/></technique_common></source>";
}

const std::string kCube = Source("g-positions", 24, 3, "0 0 0 1 0 0 1 1 0 0 1 0\n0 0 1 1 0 1 1 1 1 0 1 1");

TEST(ColladaGeometry, PositionSourceIsStoredUnderTheVerticesId) {
    const CModel model = test::ImportBody(Mesh(kCube + Source("g-uv", 4, 2, "0 0 1 1"), ""));
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
    const CFloatArray* uv = geometry.FindFloatArray("g-uv");
    ASSERT_NE(uv, nullptr);
    EXPECT_EQ(uv->VectorCount(), 2);
}

TEST(ColladaGeometry, SourcesWithoutUsableDataAreDroppedOrEmpty) {
    const std::string sources = Source("zero", 0, 3, "1 2 3") + Source("wide", 5, 5, "1 2 3 4 5") +
                                Source("noStride", 3, 0, "1 2 3") + Source("short", 9, 3, "1 2 3 4") +
                                Source("negative", 6, -3, "1 2 3 4 5 6");
    const CModel model = test::ImportBody(Mesh(sources, ""));
    const CGeometry& geometry = *model.geometries[0];
    EXPECT_EQ(geometry.FindFloatArray("zero"), nullptr);
    ASSERT_NE(geometry.FindFloatArray("wide"), nullptr);
    EXPECT_EQ(geometry.FindFloatArray("wide")->VectorCount(), 0);
    EXPECT_EQ(geometry.FindFloatArray("noStride")->VectorCount(), 0);
    EXPECT_EQ(geometry.FindFloatArray("negative")->VectorCount(), 0);
    // Four numbers where nine were declared: one whole vector, no invented tail.
    EXPECT_EQ(geometry.FindFloatArray("short")->VectorCount(), 1);

    const CModel shortPositions = test::ImportBody(Mesh(Source("g-positions", 3000, 3, "0 0 0 1 1 1"), ""));
    EXPECT_EQ(shortPositions.geometries[0]->vertexCount, 2);
}

TEST(ColladaGeometry, TrianglesKeepTheirInterleavedStream) {
    const std::string triangles = "<triangles material=\"skin\" count=\"2\">"
                                  "<input semantic=\"VERTEX\" source=\"#g-vertices\" offset=\"0\"/>"
                                  "<input semantic=\"NORMAL\" source=\"#g-normals\" offset=\"1\"/>"
                                  "<input semantic=\"TEXCOORD\" source=\"#g-uv0\" offset=\"2\" set=\"0\"/>"
                                  "<input semantic=\"TEXCOORD\" source=\"#g-uv1\" offset=\"3\" set=\"1\"/>"
                                  "<p>0 0 0 0 1 1 1 1 2 2 2 2\n2 2 2 2 3 3 3 3 0 0 0 0</p></triangles>";
    const CModel model = test::ImportBody(Mesh(kCube, triangles));
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
}

TEST(ColladaGeometry, PolylistFacesAreSplitIntoFans) {
    const std::string polylist = "<polylist count=\"3\">"
                                 "<input semantic=\"VERTEX\" source=\"#g-vertices\" offset=\"0\"/>"
                                 "<vcount>4 3 5</vcount><p>0 1 2 3  4 5 6  7 0 1 2 3</p></polylist>";
    const CModel model = test::ImportBody(Mesh(kCube, polylist));
    const CPolygonData& block = *model.geometries[0]->polygons[0];
    EXPECT_EQ(block.indices, (std::vector<int32_t>{0, 1, 2, 0, 2, 3,             // quad
                                                   4, 5, 6,                      // triangle
                                                   7, 0, 1, 7, 1, 2, 7, 2, 3})); // pentagon
}

TEST(ColladaGeometry, EveryPrimitiveElementIsABlockInDocumentOrder) {
    const std::string primitives =
        "<triangles count=\"1\"><input semantic=\"VERTEX\" source=\"#g-vertices\" offset=\"0\"/><p>0 1 "
        "2</p></triangles>"
        "<lines count=\"1\"><input semantic=\"VERTEX\" source=\"#g-vertices\" offset=\"0\"/><p>0 "
        "1</p></lines>"
        "<polylist count=\"1\"><input semantic=\"VERTEX\" source=\"#g-vertices\" offset=\"0\"/>"
        "<vcount>3</vcount><p>5 6 7</p></polylist>"
        "<tristrips count=\"1\"><input semantic=\"VERTEX\" source=\"#g-vertices\" offset=\"0\"/><p>0 1 2 "
        "3</p></tristrips>";
    const CModel model = test::ImportBody(Mesh(kCube, primitives));
    const auto& blocks = model.geometries[0]->polygons;
    ASSERT_EQ(blocks.size(), 3u); // lines draw no faces
    EXPECT_EQ(blocks[0]->indices, (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(blocks[1]->indices, (std::vector<int32_t>{5, 6, 7}));
    EXPECT_EQ(blocks[2]->indices, (std::vector<int32_t>{0, 1, 2, 2, 1, 3}));
}

TEST(ColladaGeometry, UnreadInputsAfterTheStoredOnesDoNotShiftTheGroups) {
    // Tangents at offset 2 make every corner three indices long in the file.
    const std::string polylist = "<polylist count=\"1\">"
                                 "<input semantic=\"VERTEX\" source=\"#g-vertices\" offset=\"0\"/>"
                                 "<input semantic=\"NORMAL\" source=\"#g-normals\" offset=\"1\"/>"
                                 "<input semantic=\"TEXTANGENT\" source=\"#g-tangents\" offset=\"2\"/>"
                                 "<vcount>3</vcount><p>0 10 20 1 11 21 2 12 22</p></polylist>";
    const CModel model = test::ImportBody(Mesh(kCube, polylist));
    const CPolygonData& block = *model.geometries[0]->polygons[0];
    EXPECT_EQ(block.GroupLength(), 2);
    EXPECT_EQ(block.indices, (std::vector<int32_t>{0, 10, 1, 11, 2, 12}));
}

TEST(ColladaGeometry, BrokenIndexDataIsClampedToWhatIsPresent) {
    const std::string primitives =
        // The last face claims more corners than p holds; faces before it stay.
        "<polylist count=\"3\"><input semantic=\"VERTEX\" source=\"#g-vertices\" offset=\"0\"/>"
        "<vcount>3 -2 1 2000000000</vcount><p>0 1 2 3 4 5</p></polylist>"
        // A partial group and a partial triangle at the end are left out.
        "<polylist count=\"1\"><input semantic=\"VERTEX\" source=\"#g-vertices\" offset=\"0\"/>"
        "<input semantic=\"NORMAL\" source=\"#g-vertices\" offset=\"2147483647\"/>"
        "<vcount>3</vcount><p>0 1 2</p></polylist>"
        // An input at a negative offset is left out; no vcount: corners three at a time.
        "<polylist count=\"1\"><input semantic=\"VERTEX\" source=\"#g-vertices\" offset=\"0\"/>"
        "<input semantic=\"NORMAL\" source=\"#g-normals\" offset=\"-4\"/>"
        "<p>9 8 7 6 5</p></polylist>"
        // Nothing the model stores.
        "<polylist count=\"1\"><input semantic=\"BINORMAL\" source=\"#b\" offset=\"0\"/><p>1 2 "
        "3</p></polylist>"
        "<polylist count=\"1\"><input semantic=\"VERTEX\" source=\"#g-vertices\" "
        "offset=\"0\"/><p/></polylist>";
    const CModel model = test::ImportBody(Mesh(kCube, primitives));
    const auto& blocks = model.geometries[0]->polygons;
    ASSERT_EQ(blocks.size(), 5u);
    EXPECT_EQ(blocks[0]->indices, (std::vector<int32_t>{0, 1, 2}));
    EXPECT_TRUE(blocks[1]->indices.empty());
    EXPECT_EQ(blocks[2]->normalOffset, -1);
    EXPECT_EQ(blocks[2]->indices, (std::vector<int32_t>{9, 8, 7}));
    EXPECT_TRUE(blocks[3]->indices.empty());
    EXPECT_TRUE(blocks[4]->indices.empty());
}

TEST(ColladaGeometry, GeometryWithoutMeshIsKeptEmpty) {
    const CModel model = test::ImportBody(
        "<library_geometries><geometry id=\"spline\"><spline/></geometry>"
        "<geometry id=\"m\"><mesh><source id=\"s\"><float_array count=\"3\">1 2 3</float_array></source>"
        "</mesh></geometry></library_geometries>");
    ASSERT_EQ(model.geometries.size(), 2u);
    EXPECT_TRUE(model.geometries[0]->floatArrays.empty());
    // A source without accessor: no stride, no vectors; no vertices: no count.
    ASSERT_EQ(model.geometries[1]->floatArrays.size(), 1u);
    EXPECT_EQ(model.geometries[1]->floatArrays[0]->VectorCount(), 0);
    EXPECT_EQ(model.geometries[1]->vertexCount, 0);
}

} // namespace
} // namespace quorvane
