#include "modeldata/collider.h"
#include "modeldata/model.h"
#include "modeldata/model_types.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

// A bone's defaults show in the readers' tests (a bone without matrices or type).
TEST(ModelRecordsTest, DefaultsColourBlocksNamesAndColliderCopiesSharingOnlyFileData) {
    CGeometry geometry;
    EXPECT_EQ(geometry.bindShapeMatrix, kIdentityMatrix);
    EXPECT_FALSE(geometry.HasWeights());
    CPolygonData polygon;
    EXPECT_EQ(polygon.GroupLength(), 0);
    EXPECT_EQ(polygon.CornerCount(), 0); // no division by an empty group

    // A trailing partial group is no corner.
    polygon.vertexOffset = 0;
    polygon.texOffset = 1;
    polygon.indices = {0, 1, 2, 3, 4, 5, 6};
    EXPECT_EQ(polygon.GroupLength(), 2);
    EXPECT_EQ(polygon.CornerCount(), 3);
    polygon.normalOffset = 2147483647; // straight from a file: must not overflow
    EXPECT_EQ(polygon.GroupLength(), 2147483648LL);
    EXPECT_EQ(polygon.CornerCount(), 0);

    CMaterial material;
    material.diffuse = {1, 2, 3, 4};
    material.ambient = {5, 6, 7, 8};
    material.emission = {9, 10, 11, 12};
    material.specular = {13, 14, 15, 16};
    const auto block = material.ColourBlock();
    for (size_t i = 0; i < block.size(); ++i) {
        EXPECT_EQ(block[i], static_cast<float>(i + 1));
    }

    EXPECT_EQ(CutName(std::string(2000, 'a')).size(), 1023u);
    // "あ" is one UTF-16 unit in three bytes: 1023 of them fit.
    std::string kana;
    for (int i = 0; i < 1100; ++i) {
        kana += "\xE3\x81\x82";
    }
    EXPECT_EQ(CutName(kana).size(), 1023u * 3);
    // An emoji takes two units: 511 fit in 1023, the next would split the pair.
    std::string emoji;
    for (int i = 0; i < 600; ++i) {
        emoji += "\xF0\x9F\x98\x80";
    }
    EXPECT_EQ(CutName(emoji).size(), 511u * 4);
    EXPECT_EQ(CutName("abc", 511), "abc");

    // A collider instance copy shares file data but not display data.
    CCollider source;
    source.type = ColliderType::kMesh;
    source.polygons.push_back(std::make_shared<CColliderPolygon>());
    source.gpu = std::make_unique<CColliderAttachment>();
    const auto copy = source.MakeInstanceCopy();
    EXPECT_EQ(copy->isCopy, 1);
    EXPECT_EQ(copy->type, ColliderType::kMesh);
    EXPECT_EQ(copy->polygons.front(), source.polygons.front());
    EXPECT_EQ(copy->gpu, nullptr);
    CColliderSet set;
    set.name = "rock";
    set.colliders.push_back(std::make_unique<CCollider>());
    set.colliders[0]->floatArrays.push_back(std::make_shared<CFloatArray>());
    const auto setCopy = set.MakeInstanceCopy();
    EXPECT_EQ(setCopy->name, "rock");
    ASSERT_EQ(setCopy->colliders.size(), 1u);
    EXPECT_EQ(setCopy->colliders[0]->isCopy, 1);
    EXPECT_EQ(setCopy->colliders[0]->floatArrays[0], set.colliders[0]->floatArrays[0]);
    EXPECT_EQ(ColliderTypeFromName("COLLIDER_TYPE_RECT"), ColliderType::kRect);
    EXPECT_EQ(ColliderTypeFromName("collider_type_rect"), ColliderType::kUnknown);
}

} // namespace
} // namespace quorvane
