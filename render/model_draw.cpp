#include "render/model_draw.h"

#include "render/common_device.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace quorvane {
namespace {

void PutMatrix(uint8_t* out, const Matrix4& m) {
    const Matrix4 t = Transpose(m);
    std::memcpy(out, t.m.data(), 64);
}

void PutVec4(uint8_t* out, const Vec4& v) {
    const float f[4] = {v.x, v.y, v.z, v.w};
    std::memcpy(out, f, 16);
}

bool DrawParts(CDrawModel& model, CCommonDevice& device, uint32_t instanceCount, bool instanced) {
    if (model.LoadState() != 4 || instanceCount == 0) {
        return false;
    }
    // The object buffer is where the block is assembled; each draw then gets
    // its own copy in the frame's uniform ring.
    std::vector<uint8_t> local;
    uint8_t* block = static_cast<uint8_t*>(model.objectMapped);
    if (block == nullptr) {
        local.resize(kObjectBufferBytes);
        block = local.data();
    }
    uint8_t material[kMaterialBlockBytes];
    bool drew = false;
    for (const auto& mesh : model.meshes) {
        bool blockWritten = false;
        for (const CDrawPart& part : mesh->parts) {
            if (part.vertexCount == 0 || !part.vertexBuffer) {
                continue;
            }
            if (!blockWritten) {
                const size_t bytes = WriteModelBlock(model, *mesh, block);
                if (!device.SetUniformBlock(UniformBlock::Model, block, bytes)) {
                    return drew;
                }
                blockWritten = true;
            }
            device.SetVertexBuffer(0, part.vertexBuffer.buffer);
            const CMaterialBinding* binding = part.binding.get();
            uint8_t* materialBlock = binding != nullptr && binding->mapped != nullptr
                                         ? static_cast<uint8_t*>(binding->mapped)
                                         : material;
            WriteMaterialBlock(model, *mesh, binding, instanced, materialBlock);
            device.SetUniformBlock(UniformBlock::Material, materialBlock, kMaterialBlockBytes);
            // A material without a texture (or no material) samples the white
            // default texture rather than whatever was bound before.
            const uint32_t textureSlot =
                binding != nullptr && binding->texture != nullptr && binding->textureSlot != kNoTextureSlot
                    ? binding->textureSlot
                    : model.emptyTextureSlot;
            if (textureSlot != kNoTextureSlot) {
                device.BindTextureSet(TextureSet::Model, textureSlot);
            }
            drew = device.Draw(part.vertexCount, instanceCount) || drew;
        }
    }
    return drew;
}

} // namespace

static_assert(kModelBlockBytes == kUniformBlockBytes[2] && kMaterialBlockBytes == kUniformBlockBytes[1]);

size_t WriteModelBlock(CDrawModel& model, const CDrawMesh& mesh, uint8_t* out) {
    size_t count = model.bones.size();
    if (count > kMaxPaletteBones) {
        if (!model.paletteClampReported) {
            std::fprintf(stderr, "render: model %s has %zu bones; the palette keeps the first %zu\n",
                         model.id.c_str(), count, kMaxPaletteBones);
            model.paletteClampReported = true;
        }
        count = kMaxPaletteBones;
    }
    // The shaders skin only when w is above zero: a model without bones has
    // no palette in its block, and its vertices skip the palette reads.
    const float parameters[4] = {model.parameters[0], model.parameters[1], model.parameters[2],
                                 static_cast<float>(count)};
    std::memcpy(out, parameters, 16);
    PutMatrix(out + 16, mesh.bindShapeMatrix);
    PutMatrix(out + 80, model.worldMatrix);
    PutMatrix(out + 144, model.rotationScale);
    for (size_t i = 0; i < count; ++i) {
        PutMatrix(out + kModelBlockHeaderBytes + i * 64, model.bones[i]->finalMatrix);
    }
    return kModelBlockHeaderBytes + count * 64;
}

void WriteMaterialBlock(const CDrawModel& model, const CDrawMesh& mesh, const CMaterialBinding* binding,
                        bool instanced, uint8_t* out) {
    std::memset(out, 0, kMaterialBlockBytes);
    if (binding == nullptr) {
        return;
    }
    PutVec4(out, binding->colours[0]);
    PutVec4(out + 16, binding->colours[1]);
    PutVec4(out + 32, binding->colours[3]);
    PutVec4(out + 48, Vec4{model.materialValue, 0, 0, 0});
    if (!instanced && mesh.isSplatMapLayout != 0) {
        PutVec4(out + 64,
                Vec4{static_cast<float>(model.splatMapCount), static_cast<float>(model.splatMapTextureLayout),
                     static_cast<float>(mesh.splatMapDecalTextureNum), 0});
    }
}

bool DrawModel(CDrawModel& model, CCommonDevice& device) {
    if (model.LoadState() == 4 && device.MergeCopy(model)) {
        return true;
    }
    return DrawParts(model, device, 1, false);
}

bool DrawModelParts(CDrawModel& model, CCommonDevice& device, uint32_t copies) {
    return DrawParts(model, device, copies, false);
}

bool DrawModelInstanced(CDrawModel& model, CCommonDevice& device, uint32_t instanceCount) {
    return DrawParts(model, device, instanceCount, true);
}

} // namespace quorvane
