#pragma once

#include "model_writer.h"

namespace quorvane::demofield {

// The walking character "SKELTON": a skinned humanoid of 20 bones facing -y,
// its walk and stand animations and its capsule colliders.
void WriteCharacter(COutput& out);

} // namespace quorvane::demofield
