#include "modeldata/model.h"
#include "render/animation.h"
#include "render/draw_model.h"

#include <cmath>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

void AddStream(CGeometry& geometry, const std::string& id, int32_t width, std::vector<float> values) {
    geometry.floatArrays.push_back(std::make_unique<CFloatArray>());
    geometry.floatArrays.back()->id = id;
    geometry.floatArrays.back()->SetVectors(width, std::move(values));
}

// Three positions along x from 2 to 4; groups of (position, texcoord).
CGeometry& AddTriangleGeometry(CModel& model) {
    auto geometry = std::make_unique<CGeometry>();
    AddStream(*geometry, "pos", 3, {2, 1, 1, 3, 2, 1, 4, 1, 2});
    AddStream(*geometry, "uv", 2, {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f});
    AddStream(*geometry, "uv2", 2, {1, 1, 2, 2, 3, 3});
    auto block = std::make_unique<CPolygonData>();
    block->materialId = "mat";
    block->vertexId = "pos";
    block->vertexOffset = 0;
    block->texOffset = 1;
    block->texIds = {"uv"};
    block->indices = {0, 0, 1, 1, 2, 2, 0}; // 7 indices, L = 2: the last is ignored
    geometry->polygons.push_back(std::move(block));
    model.geometries.push_back(std::move(geometry));
    return *model.geometries.back();
}

TEST(DrawModelBuild, CornersExpandPerGroupFromEachStreamAndTheTrailingIndexIsIgnored) {
    CModel model;
    CGeometry& geometry = AddTriangleGeometry(model);
    BoxCorners meshBox{};
    BoxCorners modelBox = EmptyBoxCorners();
    const auto vertices = ExpandPolygonBlock(geometry, *geometry.polygons[0], meshBox, modelBox);
    ASSERT_EQ(vertices.size(), 3u);
    EXPECT_EQ(vertices[1].position, (std::array<float, 3>{3, 2, 1}));
    EXPECT_EQ(vertices[2].position, (std::array<float, 3>{4, 1, 2}));
    // One texture-coordinate stream: its coordinate.
    EXPECT_EQ(vertices[2].texcoord[0], (std::array<float, 2>{0.5f, 0.6f}));
    // No weight table: zero influences; no colour stream: opaque white.
    for (const auto& v : vertices) {
        for (size_t j = 1; j < 9; ++j) {
            EXPECT_EQ(v.texcoord[j], (std::array<float, 2>{0, 0}));
        }
        EXPECT_EQ(v.color, (std::array<float, 4>{1, 1, 1, 1}));
        EXPECT_EQ(v.normal, (std::array<float, 3>{0, 0, 0}));
    }
    // Two streams: the sum of both.
    geometry.polygons[0]->texIds = {"uv", "uv2"};
    const auto summed = ExpandPolygonBlock(geometry, *geometry.polygons[0], meshBox, modelBox);
    EXPECT_EQ(summed[1].texcoord[0], (std::array<float, 2>{0.3f + 2, 0.4f + 2}));
    // All offsets absent: nothing, no division by zero.
    CPolygonData absent;
    absent.indices = {0, 1, 2};
    EXPECT_TRUE(ExpandPolygonBlock(geometry, absent, meshBox, modelBox).empty());

    // Colours and normals from their streams, weights from the table; an index past a stream reads zeros.
    AddStream(geometry, "col", 4, {0.1f, 0.2f, 0.3f, 0.4f});
    AddStream(geometry, "nrm", 3, {0, 0, 1});
    CPolygonData& block = *geometry.polygons[0];
    block.colorId = "col";
    block.normalId = "nrm";
    block.colorOffset = block.normalOffset = 1;
    block.indices = {0, 0, 2, 5}; // second corner: index 5 is past every stream
    geometry.weights.resize(3);
    geometry.weights[2].influences[0] = {1.0f, 0.25f};
    geometry.weights[2].influences[7] = {4.0f, 0.75f};
    const auto v = ExpandPolygonBlock(geometry, block, meshBox, modelBox);
    ASSERT_EQ(v.size(), 2u);
    EXPECT_EQ(v[0].color, (std::array<float, 4>{0.1f, 0.2f, 0.3f, 0.4f}));
    EXPECT_EQ(v[0].normal, (std::array<float, 3>{0, 0, 1}));
    EXPECT_EQ(v[1].color, (std::array<float, 4>{0, 0, 0, 0})); // missing entry contributes zeros
    EXPECT_EQ(v[1].texcoord[0], (std::array<float, 2>{0, 0}));
    EXPECT_EQ(v[1].texcoord[1], (std::array<float, 2>{1.0f, 0.25f}));
    EXPECT_EQ(v[1].texcoord[8], (std::array<float, 2>{4.0f, 0.75f}));
    EXPECT_EQ(v[0].texcoord[1], (std::array<float, 2>{0, 0}));
}

// The box keeps its corner order and the spheres follow it; building again,
// now with materials, starts from an empty record instead of adding to it.
TEST(DrawModelBuild, BoxesKeepTheirCornerOrderAndMaterialsFindTheirTextureById) {
    CModel model;
    CGeometry& geometry = AddTriangleGeometry(model);
    CDrawModel drawModel(nullptr);
    ASSERT_TRUE(drawModel.Build(&model, DrawModelPlacement::CpuVisible, true));
    EXPECT_EQ(drawModel.LoadState(), 4);
    // Corners 0 to 3 go round the low face from the lowest x and y; 4 to 7 lie above them.
    for (size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(drawModel.boxCorners[i].x, i % 4 < 2 ? 2.0f : 4.0f) << i;
        EXPECT_EQ(drawModel.boxCorners[i].y, i % 4 == 0 || i % 4 == 3 ? 1.0f : 2.0f) << i;
        EXPECT_EQ(drawModel.boxCorners[i].z, i < 4 ? 1.0f : 2.0f) << i;
    }
    EXPECT_EQ(std::pair(drawModel.center.x, drawModel.center.y), std::pair(3.0f, 1.5f));
    EXPECT_FLOAT_EQ(drawModel.radius, std::sqrt(1.0f + 0.25f + 0.25f));
    // The mesh box starts at zero, so it reaches from the origin.
    ASSERT_EQ(drawModel.meshes.size(), 1u);
    EXPECT_FLOAT_EQ(drawModel.meshes[0]->center.x, 2.0f);
    EXPECT_FLOAT_EQ(drawModel.meshes[0]->radius, std::sqrt(4.0f + 1.0f + 1.0f));
    EXPECT_EQ(drawModel.meshes[0]->parts[0].vertexCount, 3u);
    EXPECT_EQ(drawModel.meshes[0]->parts[0].binding, nullptr); // no material named "mat"

    auto second = std::make_unique<CPolygonData>(*geometry.polygons[0]);
    second->materialId = "plain";
    geometry.polygons.push_back(std::move(second));
    for (const auto& [name, texture] : {std::pair{"mat", "tex-b"}, std::pair{"plain", ""}}) {
        model.materials.push_back(std::make_unique<CMaterial>(CMaterial{
            .diffuse = {0.5f, 0.25f, 1, 1}, .specular = {0, 0, 1, 0}, .name = name, .textureId = texture}));
    }
    model.textures.push_back(std::make_unique<CTextureRef>(CTextureRef{"tex-a", "a.png"}));
    model.textures.push_back(std::make_unique<CTextureRef>(CTextureRef{"tex-b", "b.png"}));
    ASSERT_TRUE(drawModel.Build(&model, DrawModelPlacement::CpuVisible, false));
    EXPECT_FALSE(drawModel.animated);
    ASSERT_EQ(drawModel.meshes.size(), 1u);
    const auto& parts = drawModel.meshes[0]->parts;
    ASSERT_EQ(parts.size(), 2u);
    ASSERT_TRUE(parts[0].binding && parts[1].binding);
    EXPECT_EQ(parts[0].binding->texturePosition, 1);
    EXPECT_EQ(parts[0].binding->colours[0].y, 0.25f);
    EXPECT_EQ(parts[0].binding->colours[3].z, 1.0f);
    EXPECT_EQ(parts[1].binding->texturePosition, -1);
    EXPECT_EQ(parts[1].binding->textureSlot, 0xFFFFFFFFu);
    EXPECT_EQ(parts[1].binding->texture, nullptr);
    EXPECT_FALSE(drawModel.Build(nullptr, DrawModelPlacement::CpuVisible, true));
}

TEST(DrawModelBuild, BoneTreesAreRebuiltByNameWithTreeOnlyBonesAndDeepChains) {
    CModel model;
    CBone* hip = model.AddTableBone("hip");
    hip->id = "hip_id";
    hip->jointMatrix = {1, 0, 0, 5, 0, 1, 0, 6,
                        0, 0, 1, 7, 0, 0, 0, 1}; // file order, translation in column 4
    CBone* leg = model.AddTableBone("leg");
    leg->id = "leg_id";
    CBone* helper = model.AddTreeOnlyBone("helper");
    model.AttachBone(nullptr, hip);
    model.AttachBone(hip, helper);
    model.AttachBone(helper, leg);
    // A long chain below the leg: no recursion may walk it.
    CBone* parent = leg;
    for (int i = 0; i < 100000; ++i) {
        CBone* next = model.AddTreeOnlyBone("chain" + std::to_string(i));
        model.AttachBone(parent, next);
        parent = next;
    }
    auto walk = std::make_unique<CAnimation>();
    walk->name = "WALK";
    walk->channels.push_back(std::make_unique<CAnimationChannel>(CAnimationChannel{
        .target = "leg_id", .keyTimes = {0, 1}, .poses = {hip->jointMatrix, kIdentityMatrix}}));
    walk->channels.push_back(std::make_unique<CAnimationChannel>());
    walk->channels.back()->target = "nobody";
    model.animations.push_back(std::move(walk));

    CDrawModel drawModel(nullptr);
    ASSERT_TRUE(drawModel.Build(&model, DrawModelPlacement::CpuVisible, true));
    ASSERT_EQ(drawModel.bones.size(), 2u);
    ASSERT_EQ(drawModel.rootBones.size(), 1u);
    CDrawBone* root = drawModel.rootBones[0];
    EXPECT_EQ(root, drawModel.bones[0].get());
    ASSERT_EQ(root->children.size(), 1u);
    EXPECT_EQ(root->children[0]->name, "helper");
    ASSERT_EQ(root->children[0]->children.size(), 1u);
    EXPECT_EQ(root->children[0]->children[0], drawModel.bones[1].get());
    EXPECT_EQ(drawModel.bones[1]->parent->name, "helper");
    EXPECT_EQ(drawModel.treeOnlyBones.size(), 100001u);
    // Matrices are transposed: the translation moves to the last row.
    EXPECT_EQ(root->restMatrix.m, Translation(5, 6, 7).m);
    ASSERT_EQ(drawModel.animations.size(), 1u);
    const CDrawAnimation& copy = *drawModel.animations[0];
    EXPECT_EQ(copy.name, "WALK");
    EXPECT_EQ(copy.channels[0].bone, drawModel.bones[1].get());
    EXPECT_EQ(copy.channels[1].bone, nullptr);
    EXPECT_EQ(copy.channels[0].poses[0](3, 1), 6.0f);
    drawModel.Release();
    EXPECT_TRUE(drawModel.bones.empty());

    // A malformed tree that leads back to a bone already linked stops there.
    CModel looped;
    CBone* a = looped.AddTreeOnlyBone("a");
    CBone* b = looped.AddTreeOnlyBone("b");
    looped.rootBones = {a, a};
    a->children = {b};
    b->children = {a};
    CDrawModel loopedModel(nullptr);
    ASSERT_TRUE(loopedModel.Build(&looped, DrawModelPlacement::CpuVisible, true));
    EXPECT_EQ(loopedModel.treeOnlyBones.size(), 2u);
    EXPECT_EQ(loopedModel.rootBones.size(), 1u);
}

} // namespace
} // namespace quorvane
