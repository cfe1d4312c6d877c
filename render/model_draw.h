#pragma once

#include "render/draw_model.h"

#include <cstdint>

namespace quorvane {

class CCommonDevice;

// Model block: parameters, mesh matrix, world, rotation-scale, bone palette.
inline constexpr size_t kModelBlockHeaderBytes = 208;
inline constexpr size_t kModelBlockBytes = kModelBlockHeaderBytes + kMaxPaletteBones * 64; // 8400
inline constexpr size_t kMaterialBlockBytes = 80;

// Draws every part of a ready (state 4) drawable model into the device's
// current pass with the pipeline the caller set. Each draw gets its own copy
// of the model and material blocks. False when nothing was drawn. Copies of
// one still model drawn one after another may be merged into one instanced
// draw, recorded when the device is next asked for anything else.
bool DrawModel(CDrawModel& model, CCommonDevice& device);
// Every part at once, now, for copies instances of the model (instance
// records bound by the caller), with the single draw's material blocks.
bool DrawModelParts(CDrawModel& model, CCommonDevice& device, uint32_t copies);
// The same with instanceCount instances (instance data bound by the caller).
bool DrawModelInstanced(CDrawModel& model, CCommonDevice& device, uint32_t instanceCount);

// Writes the model block for mesh into out (at least kModelBlockBytes);
// returns the bytes that matter: the header and the palette of the model's
// bones (at most 128; more are clamped with a message, once per model). The
// first float4 is the model's parameters with w replaced by the palette's
// bone count, which the vertex shaders test before skinning.
size_t WriteModelBlock(CDrawModel& model, const CDrawMesh& mesh, uint8_t* out);
// Writes the 80-byte material block of a binding (no binding: zeros, which
// the shaders draw as plain white).
void WriteMaterialBlock(const CDrawModel& model, const CDrawMesh& mesh, const CMaterialBinding* binding,
                        bool instanced, uint8_t* out);

} // namespace quorvane
