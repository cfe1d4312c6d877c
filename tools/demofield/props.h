#pragma once

#include "definitions.h"
#include "model_writer.h"

#include <vector>

namespace quorvane::demofield {

// The placeable models under "model/nature", "model/rocks", "model/buildings"
// and "model/props", with their textures, collider files and COLLADA parts.
// Returns the definitions that place them.
std::vector<CDefinitionDesc> WriteProps(COutput& out, int textureSize);

} // namespace quorvane::demofield
