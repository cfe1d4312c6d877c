#include "modeldata/collider_reader.h"
#include "modeldata/collider_skin_records.h"

#include <gtest/gtest.h>
#include <string>

namespace quorvane {
namespace {

CColliderSet BuiltFromText(const std::string& text) {
    CColliderSet set;
    ReadColliderText(set, text);
    BuildColliderSkinRecords(set);
    return set;
}

std::string FloatArrayText(const std::string& id, int width, int count, const std::string& values) {
    return "FLOAT_ARRAY_BEGIN\nFLOAT_ARRAY_ID " + id + "\nFLOAT_ARRAY_FLOAT_COUNT " + std::to_string(width) +
           "\nFLOAT_ARRAY_COUNT " + std::to_string(count) + "\nFLOAT_ARRAY\n" + values +
           "\nFLOAT_ARRAY_END\n";
}

// A mesh collider over four positions (x = 10 * index) and two normals.
std::string MeshText(const std::string& indexLine, int indexCount) {
    return "GEOMETRY_BEGIN\nCOLLIDER_TYPE COLLIDER_TYPE_MESH\n" +
           FloatArrayText("position", 3, 4, "0 1 2 10 1 2 20 1 2 30 1 2") +
           FloatArrayText("normal", 3, 2, "0 0 1 1 0 0") +
           "POLYGON_DATA_BEGIN\nVERTEX_ID position\nNORMAL_ID normal\nPOLYGON_INDEX_COUNT " +
           std::to_string(indexCount) + "\n" + indexLine + "\nPOLYGON_DATA_END\nGEOMETRY_END\n";
}

TEST(ColliderSkinRecordsTest, CapsuleTakesPointsAndWeightRowsZeroAndOneAndShapesWithoutPositionsTheOrigin) {
    const CColliderSet set = BuiltFromText(
        "GEOMETRY_BEGIN\nCOLLIDER_TYPE COLLIDER_TYPE_CAPSULE\nR 0.5\n" +
        FloatArrayText("position", 3, 3, "1 2 3 4 5 6 7 8 9") +
        "WEIGHTS_BEGIN\nWEIGHTS_SIZE 2\nAPPLY_BONE_NUM 2\n3 0.25 5 0.75 0 1 1 0\nWEIGHTS_END\nGEOMETRY_END\n"
        "GEOMETRY_BEGIN\nCOLLIDER_TYPE COLLIDER_TYPE_SPHERE\n" +
        FloatArrayText("other", 3, 1, "-1 -2 -3") + "GEOMETRY_END\n");
    ASSERT_EQ(set.colliders.size(), 2u);
    const CCollider& capsule = *set.colliders[0];
    ASSERT_NE(capsule.restRecords, nullptr);
    ASSERT_EQ(capsule.restRecords->size(), 2u);
    EXPECT_EQ(capsule.skinnedRecords.size(), 2u);
    const CSkinRecord& a = (*capsule.restRecords)[0];
    const CSkinRecord& b = (*capsule.restRecords)[1];
    EXPECT_EQ(a.position, (std::array<float, 3>{1, 2, 3}));
    EXPECT_EQ(b.position, (std::array<float, 3>{4, 5, 6}));
    EXPECT_EQ(a.normal, (std::array<float, 3>{}));
    EXPECT_EQ(static_cast<int>(a.influences[0].boneIndex), 3);
    EXPECT_FLOAT_EQ(a.influences[0].weight, 0.25f);
    EXPECT_EQ(static_cast<int>(a.influences[1].boneIndex), 5);
    EXPECT_FLOAT_EQ(a.influences[1].weight, 0.75f);
    EXPECT_EQ(static_cast<int>(b.influences[0].boneIndex), 0);
    EXPECT_FLOAT_EQ(b.influences[0].weight, 1.0f);

    // Without an array named "position" the first array serves; no weights: no influences.
    const CCollider& sphere = *set.colliders[1];
    ASSERT_EQ(sphere.restRecords->size(), 1u);
    EXPECT_EQ((*sphere.restRecords)[0].position, (std::array<float, 3>{-1, -2, -3}));
    EXPECT_EQ((*sphere.restRecords)[0].influences[0].weight, 0.0f);

    // Shapes without positions sit at the origin.
    const CColliderSet shapes =
        BuiltFromText("GEOMETRY_BEGIN\nCOLLIDER_TYPE COLLIDER_TYPE_RECT\nGEOMETRY_END\n"
                      "GEOMETRY_BEGIN\nCOLLIDER_TYPE COLLIDER_TYPE_BOX\n" +
                      FloatArrayText("position", 2, 1, "7 8") +
                      "GEOMETRY_END\n"
                      "GEOMETRY_BEGIN\nCOLLIDER_TYPE unknown\nGEOMETRY_END\n");
    ASSERT_EQ(shapes.colliders.size(), 3u);
    const auto& rect = *shapes.colliders[0]->restRecords;
    ASSERT_EQ(rect.size(), 2u);
    EXPECT_EQ(rect[0].position, (std::array<float, 3>{}));
    EXPECT_EQ(rect[1].position, (std::array<float, 3>{}));
    // A two-wide array gives x and y; z stays zero.
    ASSERT_EQ(shapes.colliders[1]->restRecords->size(), 1u);
    EXPECT_EQ((*shapes.colliders[1]->restRecords)[0].position, (std::array<float, 3>{7, 8, 0}));
    EXPECT_TRUE(shapes.colliders[2]->restRecords->empty());
    EXPECT_TRUE(shapes.colliders[2]->skinnedRecords.empty());
}

TEST(ColliderSkinRecordsTest, MeshRecordsOnePerCornerWithNormalsOfTheNormalIndex) {
    const CColliderSet set = BuiltFromText(MeshText("0 0 1 0 2 1 3 1 2 0 1 1", 12));
    const CCollider& mesh = *set.colliders.at(0);
    ASSERT_EQ(mesh.restRecords->size(), 6u);
    EXPECT_EQ(mesh.skinnedRecords.size(), 6u);
    const float cornerX[] = {0, 10, 20, 30, 20, 10};
    for (size_t c = 0; c < 6; ++c) {
        EXPECT_EQ((*mesh.restRecords)[c].position, (std::array<float, 3>{cornerX[c], 1, 2})) << c;
    }
    EXPECT_EQ((*mesh.restRecords)[0].normal, (std::array<float, 3>{0, 0, 1}));
    EXPECT_EQ((*mesh.restRecords)[2].normal, (std::array<float, 3>{1, 0, 0}));
    EXPECT_EQ(mesh.polygons.at(0)->firstRecord, 0);
    EXPECT_EQ(mesh.polygons.at(0)->recordCount, 6);
}

TEST(ColliderSkinRecordsTest, TrianglesWithAnIndexOutOfRangeAndLoneCornersAreLeftOut) {
    // Triangle 1 names position 4 (of 0..3), triangle 2 a negative one,
    // triangle 3 normal 2 (of 0..1); only triangles 0 and 4 stay. A whole pair
    // short of a triangle and a lone position index after them are dropped.
    const CColliderSet set = BuiltFromText(
        MeshText("0 0 1 0 2 0  0 0 4 0 1 0  -1 0 1 0 2 0  0 0 1 2 2 0  1 1 2 1 3 1  3 0 1", 33));
    const CCollider& mesh = *set.colliders.at(0);
    ASSERT_EQ(mesh.restRecords->size(), 6u);
    EXPECT_EQ((*mesh.restRecords)[3].position[0], 10.0f);
    EXPECT_EQ((*mesh.restRecords)[5].position[0], 30.0f);
    EXPECT_EQ((*mesh.restRecords)[3].normal, (std::array<float, 3>{1, 0, 0}));
    EXPECT_EQ(mesh.polygons.at(0)->recordCount, 6);
}

TEST(ColliderSkinRecordsTest, SecondPolygonStartsAfterTheFirstAndMissingPositionsGiveNoTriangles) {
    CColliderSet set = BuiltFromText(MeshText("0 0 1 0 2 0", 6));
    CCollider& mesh = *set.colliders.at(0);
    auto second = std::make_shared<CColliderPolygon>();
    second->vertexId = "position";
    second->positionIndices = {3, 2, 1};
    second->normalIndices = {1, 1, 1};
    second->cornerCount = 3;
    mesh.polygons.push_back(second);
    BuildColliderSkinRecords(mesh);
    ASSERT_EQ(mesh.restRecords->size(), 6u);
    EXPECT_EQ(second->firstRecord, 3);
    EXPECT_EQ(second->recordCount, 3);
    EXPECT_EQ((*mesh.restRecords)[3].position[0], 30.0f);

    mesh.floatArrays.clear();
    BuildColliderSkinRecords(mesh);
    EXPECT_TRUE(mesh.restRecords->empty());
    EXPECT_TRUE(mesh.skinnedRecords.empty());
    EXPECT_EQ(second->recordCount, 0);
}

} // namespace
} // namespace quorvane
