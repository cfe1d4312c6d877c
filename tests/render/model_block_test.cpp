#include "render/animation.h"
#include "render/model_draw.h"

#include <cstring>
#include <gtest/gtest.h>

namespace quorvane {
namespace {

float At(const std::vector<uint8_t>& block, size_t byteOffset) {
    float value = 0;
    std::memcpy(&value, block.data() + byteOffset, sizeof(float));
    return value;
}

TEST(ModelBlock, HoldsParametersMeshWorldRotationScaleAndThePaletteTransposed) {
    CDrawModel model(nullptr);
    model.parameters = {0.5f, 1, 2, 9};
    model.position = {7, 8, 9, 1};
    model.scale = {2, 2, 2, 1};
    UpdateDrawModel(model);
    CDrawMesh mesh;
    mesh.bindShapeMatrix = Translation(4, 5, 6);
    for (int i = 0; i < 3; ++i) {
        model.bones.push_back(std::make_unique<CDrawBone>());
        model.bones.back()->finalMatrix = Translation(static_cast<float>(i), 0, 0);
    }
    std::vector<uint8_t> block(kModelBlockBytes);
    // 16 bytes of parameters, three 64-byte matrices, then three palette matrices.
    EXPECT_EQ(WriteModelBlock(model, mesh, block.data()), 400u);
    EXPECT_EQ(At(block, 0), 0.5f);
    EXPECT_EQ(At(block, 8), 2.0f);
    EXPECT_EQ(At(block, 12), 3.0f); // w: the palette's bone count, not the model's 9
    // Transposed: a translation's x sits at row 0, column 3 -> float 3 of the matrix.
    EXPECT_EQ(At(block, 16 + 3 * 4), 4.0f);
    EXPECT_EQ(At(block, 16 + 7 * 4), 5.0f);
    EXPECT_EQ(At(block, 80 + 3 * 4), 7.0f);
    EXPECT_EQ(At(block, 80 + 0 * 4), 2.0f);
    EXPECT_EQ(At(block, 144 + 3 * 4), 0.0f); // rotation-scale has no translation
    EXPECT_EQ(At(block, 144 + 5 * 4), 2.0f);
    EXPECT_EQ(At(block, 208 + 2 * 64 + 3 * 4), 2.0f);
    EXPECT_EQ(At(block, 208 + 1 * 64 + 15 * 4), 1.0f);
}

TEST(ModelBlock, PaletteIsClampedAt128BonesWithOneMessage) {
    CDrawModel model(nullptr);
    model.id = "MANY";
    for (int i = 0; i < 130; ++i) {
        model.bones.push_back(std::make_unique<CDrawBone>());
        model.bones.back()->finalMatrix = Diagonal(static_cast<float>(i), 1, 1, 1);
    }
    CDrawMesh mesh;
    std::vector<uint8_t> block(kObjectBufferBytes, 0xAB);
    testing::internal::CaptureStderr();
    // 208 bytes before the palette and 128 matrices of 64 bytes.
    const size_t written = WriteModelBlock(model, mesh, block.data());
    EXPECT_EQ(written, 8400u);
    EXPECT_EQ(WriteModelBlock(model, mesh, block.data()), 8400u);
    // Callers size their buffers by these: the largest block must fit both.
    EXPECT_LE(written, kModelBlockBytes);
    EXPECT_LE(written, kObjectBufferBytes);
    const std::string messages = testing::internal::GetCapturedStderr();
    EXPECT_NE(messages.find("MANY"), std::string::npos);
    EXPECT_EQ(messages.find("MANY"), messages.rfind("MANY")); // once
    EXPECT_EQ(At(block, 208 + 127 * 64), 127.0f);
    EXPECT_EQ(At(block, 12), 128.0f); // the clamped count
    EXPECT_EQ(block[8400], 0xAB);     // nothing written past the block
}

TEST(ModelBlock, ModelWithoutBonesGetsNoPaletteAndCountZero) {
    CDrawModel model(nullptr);
    model.parameters = {1, 0, 0, 5};
    CDrawMesh mesh;
    std::vector<uint8_t> block(kModelBlockBytes, 0xAB);
    // Only the header: the shaders skip skinning when w is 0.
    EXPECT_EQ(WriteModelBlock(model, mesh, block.data()), 208u);
    EXPECT_EQ(At(block, 0), 1.0f);
    EXPECT_EQ(At(block, 12), 0.0f);
    EXPECT_EQ(block[208], 0xAB);
}

TEST(MaterialBlock, DiffuseAmbientSpecularValueAndSplatOnlyWhenDrawnSingly) {
    CDrawModel model(nullptr);
    model.materialValue = 0.25f;
    model.splatMapCount = 9;
    model.splatMapTextureLayout = 1;
    CDrawMesh mesh;
    mesh.isSplatMapLayout = 1;
    mesh.splatMapDecalTextureNum = 2;
    CMaterialBinding binding;
    binding.colours = {Vec4{1, 2, 3, 4}, Vec4{5, 6, 7, 8}, Vec4{9, 10, 11, 12}, Vec4{13, 14, 15, 16}};
    std::vector<uint8_t> block(kMaterialBlockBytes);
    WriteMaterialBlock(model, mesh, &binding, false, block.data());
    EXPECT_EQ(At(block, 0), 1.0f);
    EXPECT_EQ(At(block, 16), 5.0f);
    EXPECT_EQ(At(block, 32), 13.0f); // specular; emission is not in the block
    EXPECT_EQ(At(block, 48), 0.25f);
    EXPECT_EQ(At(block, 64), 9.0f);
    EXPECT_EQ(At(block, 68), 1.0f);
    EXPECT_EQ(At(block, 72), 2.0f);
    WriteMaterialBlock(model, mesh, &binding, true, block.data());
    EXPECT_EQ(At(block, 64), 0.0f);
    WriteMaterialBlock(model, mesh, nullptr, false, block.data());
    EXPECT_EQ(At(block, 0), 0.0f);
    EXPECT_EQ(At(block, 48), 0.0f);
}

} // namespace
} // namespace quorvane
