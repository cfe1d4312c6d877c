// Documents written by other tools. Every expected count below was read from
// the document itself (element counts, vcount lists, float_array counts).
#include "collada/collada_import.h"
#include "collada_test_support.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

const std::filesystem::path kDocuments = QUORVANE_COLLADA_DOCUMENTS;

struct CExpected {
    const char* file;
    size_t geometries;
    std::vector<int64_t> cornersPerBlock; // of the first geometry; triangles x 3 after fans
    size_t materials;
    size_t textures;
    size_t bones;
    size_t channels;
    int32_t vertexCount; // of the first geometry
    int32_t splatMapCount;
};

const std::vector<CExpected> kExpected = {
    {"ConcavePolygon.dae", 1, {64 * 3}, 1, 0, 0, 0, 64, 1},
    {"duck.dae", 1, {4212 * 3}, 1, 1, 0, 0, 2108, 1},
    {"cube_with_2UVs.DAE", 1, {36}, 2, 0, 0, 0, 8, 0},
    {"kwxport_test_vcolors.dae", 1, {6, 6, 24}, 3, 3, 0, 0, 8, 3},
    {"cube_tristrips.dae", 1, {36}, 1, 0, 0, 0, 24, 0},
    {"cube_emptyTags.dae", 1, {36}, 0, 0, 0, 0, 8, 1},
    {"cube_xmlspecialchars.dae", 1, {36}, 1, 0, 0, 0, 8, 1},
    {"cube_UTF8BOM.dae", 1, {36}, 1, 0, 0, 0, 8, 1},
    {"skin_4_influence.dae", 1, {2000 * 3}, 1, 0, 4, 0, 1000, 0},
    {"bind_shape_non_identity.dae", 1, {2000 * 3}, 1, 0, 4, 0, 1000, 0},
    {"polygons_polylist_triangles.dae", 3, {6}, 1, 0, 0, 0, 4, 1},
    {"float_array_NaN.dae", 1, {6}, 1, 1, 0, 0, 4, 1},
    {"box_nested_animation.dae", 1, {36}, 1, 0, 1, 1, 8, 0},
    {"animation_channel_matrix_00.dae", 1, {792 * 3}, 1, 0, 0, 1, 402, 0},
};

CModel Load(const char* file) {
    CModel model;
    EXPECT_TRUE(LoadCollada(model, (kDocuments / file).string())) << file;
    return model;
}

TEST(ColladaDocuments, EveryDocumentLoadsWithTheCountsItHolds) {
    for (const CExpected& expected : kExpected) {
        SCOPED_TRACE(expected.file);
        const CModel model = Load(expected.file);
        ASSERT_EQ(model.geometries.size(), expected.geometries);
        const CGeometry& first = *model.geometries[0];
        std::vector<int64_t> indices;
        for (const auto& block : first.polygons) {
            indices.push_back(block->CornerCount());
            EXPECT_EQ(block->CornerCount() * block->GroupLength(),
                      static_cast<int64_t>(block->indices.size()));
        }
        EXPECT_EQ(indices, expected.cornersPerBlock);
        EXPECT_EQ(first.vertexCount, expected.vertexCount);
        EXPECT_EQ(model.materials.size(), expected.materials);
        EXPECT_EQ(model.textures.size(), expected.textures);
        EXPECT_EQ(model.bones.size(), expected.bones);
        ASSERT_EQ(model.animations.size(), 1u);
        EXPECT_EQ(model.animations[0]->channels.size(), expected.channels);
        EXPECT_EQ(model.splatMapCount, expected.splatMapCount);
    }
    // Every document in the folder is covered.
    size_t documents = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kDocuments)) {
        const std::string extension = entry.path().extension().string();
        documents += extension == ".dae" || extension == ".DAE";
    }
    EXPECT_EQ(documents, kExpected.size());
}

TEST(ColladaDocuments, FacesAreSplitInsideTheirOutlineAndDuckQuadsBecomeTexturedTriangles) {
    const CModel model = Load("polygons_polylist_triangles.dae");
    // A polygons element with the square 0 1 2 3, 50 wide.
    const CGeometry& square = *model.geometries.at(0);
    EXPECT_EQ(square.polygons[0]->indices, (std::vector<int32_t>{0, 1, 2, 0, 2, 3}));
    EXPECT_DOUBLE_EQ(test::AreaFacing(test::CornersOf(square, *square.polygons[0]), {0, 0, 1}), 2500.0);
    EXPECT_EQ(model.geometries.at(1)->polygons[0]->indices, (std::vector<int32_t>{0, 1, 2}));
    // The convex hexagon of the polylist stays a fan.
    EXPECT_EQ(model.geometries.at(2)->polygons[0]->indices,
              (std::vector<int32_t>{0, 1, 2, 0, 2, 3, 0, 3, 4, 0, 4, 5}));

    // The one face of 66 corners (64 points) lies in the plane x = -1.146;
    // its shoelace area in (y, z), worked out from the file, is 0.2454966872
    // and positive, so the triangles turn about +x.
    const CModel concave = Load("ConcavePolygon.dae");
    const CGeometry& geometry = *concave.geometries[0];
    EXPECT_NEAR(test::AreaFacing(test::CornersOf(geometry, *geometry.polygons[0]), {1, 0, 0}), 0.2454966872,
                1e-5);

    // The duck's quads become textured triangles.
    const CModel duckModel = Load("duck.dae");
    EXPECT_EQ(duckModel.textures.at(0)->id, "file2");
    EXPECT_EQ(duckModel.textures[0]->fileName, "./duckCM.tga");
    EXPECT_TRUE(std::filesystem::is_regular_file(duckModel.directory + duckModel.textures[0]->fileName));
    // blinn3's blinn technique samples file2 through its sampler and surface.
    EXPECT_EQ(duckModel.materials[0]->name, "blinn3");
    EXPECT_EQ(duckModel.materials[0]->textureId, "file2");
    const CGeometry& duck = *duckModel.geometries[0];
    const CPolygonData& block = *duck.polygons[0];
    // The block names the symbol blinn3SG, which the scene binds to #blinn3.
    EXPECT_EQ(block.materialId, "blinn3");
    EXPECT_EQ(block.vertexId, "LOD3spShape-lib-vertices");
    EXPECT_EQ(block.texIds, (std::vector<std::string>{"LOD3spShape-lib-map1"}));
    EXPECT_EQ(block.texOffset, 2);
    ASSERT_NE(duck.FindFloatArray("LOD3spShape-lib-vertices"), nullptr);
    EXPECT_EQ(duck.FindFloatArray("LOD3spShape-lib-normals")->VectorCount(), 2290);
    EXPECT_EQ(duck.FindFloatArray("LOD3spShape-lib-map1")->VectorCount(), 2277);
    // Every corner names a stored position.
    for (int64_t corner = 0; corner < block.CornerCount(); ++corner) {
        const int32_t position = block.indices[static_cast<size_t>(corner * block.GroupLength())];
        ASSERT_GE(position, 0);
        ASSERT_LT(position, duck.vertexCount);
    }
    EXPECT_EQ(duck.materialSymbols, (std::vector<std::string>{"blinn3SG"}));
}

// Two texture sets in one block: ColladaMesh.TrianglesKeepTheirInterleavedStream.
TEST(ColladaDocuments, VertexColoursMaterialSymbolsSpecialCharactersAndByteOrderMark) {
    const CModel coloured = Load("kwxport_test_vcolors.dae");
    const auto& blocks = coloured.geometries[0]->polygons;
    EXPECT_EQ(blocks[0]->materialId, "bottom");
    EXPECT_EQ(blocks[2]->materialId, "side");
    EXPECT_EQ(blocks[0]->colorId, "Box01-mesh-map-channel0");
    EXPECT_EQ(blocks[0]->colorOffset, 2);
    EXPECT_EQ(coloured.geometries[0]->materialSymbols, (std::vector<std::string>{"bottom", "top", "side"}));
    EXPECT_EQ(coloured.textures[1]->fileName, "./../X/bottom.tga");

    const CModel special = Load("cube_xmlspecialchars.dae");
    EXPECT_EQ(special.geometries[0]->id, "\"&<box-lib>&\"");
    EXPECT_NE(special.geometries[0]->FindFloatArray("\"&<box-lib-vertices>&\""), nullptr);
    EXPECT_EQ(special.geometries[0]->polygons[0]->vertexId, "\"&<box-lib-vertices>&\"");

    const CModel bom = Load("cube_UTF8BOM.dae");
    EXPECT_EQ(bom.geometries[0]->id, "box-lib");
    EXPECT_EQ(bom.rootBones.size(), 5u);
}

TEST(ColladaDocuments, SkinsWithNamedAndNodeIdJointsAndNestedAnimationDrivingThem) {
    const CModel named = Load("bind_shape_non_identity.dae");
    const CGeometry& pipe = *named.geometries[0];
    EXPECT_EQ(pipe.bindShapeMatrix, (Matrix4x4{0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 0, 1}));
    ASSERT_EQ(pipe.weights.size(), 1000u);
    EXPECT_EQ(pipe.weights[0].influences[0].weight, 1.0f);
    EXPECT_EQ(pipe.weights[0].influences[1].weight, 0.0f);
    EXPECT_EQ(named.bones[0]->name, "bone0");
    EXPECT_EQ(named.bones[0]->id, "joint1"); // the node with sid bone0
    EXPECT_EQ(named.bones[0]->type, CBone::kTypeJoint);
    EXPECT_EQ(named.bones[0]->inverseBindMatrix[3], 100.0f);
    EXPECT_EQ(named.rootBones.size(), 4u);

    const CModel byId = Load("skin_4_influence.dae");
    EXPECT_EQ(byId.bones.at(3)->name, "ZUpToYUp_joint4");
    EXPECT_EQ(byId.bones[3]->id, "ZUpToYUp_joint4");
    EXPECT_EQ(byId.bones[3]->parent, byId.bones[2].get());
    const CWeightRow& row = byId.geometries[0]->weights[0];
    EXPECT_FLOAT_EQ(row.influences[0].weight, 0.849472f);
    EXPECT_FLOAT_EQ(row.influences[3].weight, 0.003744f);
    EXPECT_EQ(row.influences[3].boneIndex, 3.0f);
    for (const CWeightRow& vertex : byId.geometries[0]->weights) {
        EXPECT_GT(vertex.influences[3].weight, 0.0f);
        EXPECT_EQ(vertex.influences[4].weight, 0.0f);
    }

    // A nested animation drives the skin joint.
    const CModel nested = Load("box_nested_animation.dae");
    const CBone& animated = *nested.bones.at(0);
    EXPECT_EQ(animated.name, "Bone");
    EXPECT_EQ(animated.id, "Armature_Bone");
    const CAnimationChannel& channel = *nested.animations[0]->channels[0];
    EXPECT_EQ(channel.target, "Armature_Bone");
    EXPECT_EQ(channel.bone, &animated);
    EXPECT_EQ(channel.keyTimes.size(), 40u);
    EXPECT_EQ(channel.poses.size(), 40u);
    EXPECT_EQ(nested.geometries[0]->bindShapeMatrix[3], -1.0f);
    EXPECT_EQ(nested.geometries[0]->weights.size(), 8u);

    // One matrix element per key, not a baked matrix: keys without poses.
    const CModel element = Load("animation_channel_matrix_00.dae");
    const CAnimationChannel& partial = *element.animations[0]->channels[0];
    EXPECT_EQ(partial.target, "prop");
    EXPECT_EQ(partial.bone, nullptr);
    EXPECT_EQ(partial.keyTimes.size(), 2u);
    EXPECT_TRUE(partial.poses.empty());
}

} // namespace
} // namespace quorvane
