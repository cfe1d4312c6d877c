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

// Pairs of a byte offset and the float expected there.
void ExpectFloats(const std::vector<uint8_t>& block, std::initializer_list<float> offsetsAndValues) {
    for (auto it = offsetsAndValues.begin(); it + 1 < offsetsAndValues.end(); it += 2) {
        EXPECT_EQ(At(block, static_cast<size_t>(it[0])), it[1]) << "byte " << it[0];
    }
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
    // w (byte 12) is the palette's bone count, not the model's 9. Matrices
    // are transposed, a translation's x at float 3: the mesh's at byte 16 + 12,
    // the world's at 80 + 12, the rotation-scale's at 144 + 12 (none), bone 2's
    // at 208 + 128 + 12.
    ExpectFloats(block, {0, 0.5f, 8, 2, 12, 3, 28, 4, 44, 5, 92, 7, 80, 2, 156, 0, 164, 2, 348, 2, 332, 1});
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
    ExpectFloats(block, {208 + 127 * 64, 127, 12, 128});      // the last matrix kept, the clamped count
    EXPECT_EQ(block[8400], 0xAB);                             // nothing written past the block
}

TEST(ModelBlock, ModelWithoutBonesGetsNoPaletteAndCountZero) {
    CDrawModel model(nullptr);
    model.parameters = {1, 0, 0, 5};
    CDrawMesh mesh;
    std::vector<uint8_t> block(kModelBlockBytes, 0xAB);
    // Only the header: the shaders skip skinning when w is 0.
    EXPECT_EQ(WriteModelBlock(model, mesh, block.data()), 208u);
    ExpectFloats(block, {0, 1, 12, 0});
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
    // Diffuse, ambient, specular (emission is not in the block), the value,
    // then the splat values only for a mesh drawn singly.
    WriteMaterialBlock(model, mesh, &binding, false, block.data());
    ExpectFloats(block, {0, 1, 16, 5, 32, 13, 48, 0.25f, 64, 9, 68, 1, 72, 2});
    WriteMaterialBlock(model, mesh, &binding, true, block.data());
    ExpectFloats(block, {64, 0});
    WriteMaterialBlock(model, mesh, nullptr, false, block.data());
    ExpectFloats(block, {0, 0, 48, 0});
}

} // namespace
} // namespace quorvane
