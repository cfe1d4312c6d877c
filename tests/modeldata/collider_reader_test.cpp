#include "modeldata/collider_reader.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

CColliderSet ReadText(std::string_view text) {
    CColliderSet set;
    ReadColliderText(set, text);
    return set;
}

TEST(ColliderReaderTest, TypesRadiusBindShapePolygonIndexPairsAndFloatArrays) {
    const CColliderSet set =
        ReadText("<MODEL_ID>\nrock\n"
                 "GEOMETRY_BEGIN\n<GEOMETRY_ID> ball\n<COLLIDER_TYPE> COLLIDER_TYPE_SPHERE\n"
                 "<R> 0.5\nBIND_SHAPE_MATRIX\n1 0 0 0 0 1 0 0 0 0 1 0 4 5 6 1\nGEOMETRY_END\n"
                 "GEOMETRY_BEGIN\nCOLLIDER_TYPE collider_type_box\nGEOMETRY_END\n"
                 "GEOMETRY_BEGIN\nCOLLIDER_TYPE COLLIDER_TYPE_CAPSULE\nGEOMETRY_END\n"
                 "GEOMETRY_BEGIN\nR 1\n");
    EXPECT_EQ(set.name, "rock");
    ASSERT_EQ(set.colliders.size(), 3u); // the last block is cut off
    EXPECT_EQ(set.colliders[0]->name, "ball");
    EXPECT_EQ(set.colliders[0]->type, ColliderType::kSphere);
    EXPECT_EQ(set.colliders[0]->radius, 0.5f);
    EXPECT_EQ(set.colliders[0]->bindShapeMatrix[13], 5.0f);
    EXPECT_EQ(set.colliders[0]->isCopy, 0);
    EXPECT_EQ(set.colliders[1]->type, ColliderType::kUnknown);
    EXPECT_EQ(set.colliders[1]->bindShapeMatrix, kIdentityMatrix);
    const auto counts = set.CountByType();
    EXPECT_EQ(counts[1], 1);
    EXPECT_EQ(counts[3], 1);

    const auto polygonOf = [](std::string_view indexLine) {
        const CColliderSet arrays =
            ReadText("GEOMETRY_BEGIN\nCOLLIDER_TYPE COLLIDER_TYPE_MESH\nPOLYGON_DATA_BEGIN\n"
                     "VERTEX_ID [p]\nNORMAL_ID n\nPOLYGON_INDEX_COUNT 3\n" +
                     std::string(indexLine) + "\nPOLYGON_DATA_END\nGEOMETRY_END\n");
        return arrays.colliders.at(0)->polygons.at(0);
    };
    const auto full = polygonOf("0 0 1 1 2 2");
    EXPECT_EQ(full->vertexId, "[p]");
    EXPECT_EQ(full->positionIndices, (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(full->normalIndices, (std::vector<int32_t>{0, 1, 2}));
    EXPECT_EQ(full->cornerCount, 3);
    const auto odd = polygonOf("0 0 1");
    EXPECT_EQ(odd->positionIndices, (std::vector<int32_t>{0, 1}));
    EXPECT_EQ(odd->normalIndices, (std::vector<int32_t>{0}));
    EXPECT_EQ(odd->cornerCount, 1);

    // Float arrays need a width and a count of at least one.
    const CColliderSet arrays = ReadText("GEOMETRY_BEGIN\n"
                                         "FLOAT_ARRAY_BEGIN\nFLOAT_ARRAY_ID p\nFLOAT_ARRAY_FLOAT_COUNT 3\n"
                                         "FLOAT_ARRAY_COUNT 1\nFLOAT_ARRAY\n1 2 3\nFLOAT_ARRAY_END\n"
                                         "FLOAT_ARRAY_BEGIN\nFLOAT_ARRAY_FLOAT_COUNT 0\nFLOAT_ARRAY_COUNT 1\n"
                                         "FLOAT_ARRAY\nFLOAT_ARRAY_ID from_value_line\nFLOAT_ARRAY_END\n"
                                         "WEIGHTS_BEGIN\nWEIGHTS_SIZE 1\nAPPLY_BONE_NUM 8\n2 1\nWEIGHTS_END\n"
                                         "GEOMETRY_END\n");
    const CCollider& collider = *arrays.colliders.at(0);
    ASSERT_EQ(collider.floatArrays.size(), 2u);
    EXPECT_EQ(collider.FindFloatArray("p")->Vector(0)[2], 3.0f);
    EXPECT_NE(collider.FindFloatArray("from_value_line"), nullptr);
    ASSERT_NE(collider.weights, nullptr);
    EXPECT_EQ(collider.weightsSize, 1);
    EXPECT_FLOAT_EQ((*collider.weights)[0].influences[0].boneIndex, 2.00001f);
}

} // namespace
} // namespace quorvane
