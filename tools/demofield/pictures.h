#pragma once

#include "image.h"
#include "model_writer.h"

namespace quorvane::demofield {

// Tileable textures for models.
enum class ModelTexture { kBark, kLeaves, kGrassBlades, kRock, kRoofTiles, kPlaster, kPlanks };
CImage MakeModelTexture(ModelTexture kind, int size);

// "pict/MainField/perlin1.jpg" and the nine tileable terrain textures
// field001 to field009: grass, dirt, rock, sand, gravel, moss, snow, mud, cliff.
void WriteFieldPictures(COutput& out, int size);

} // namespace quorvane::demofield
