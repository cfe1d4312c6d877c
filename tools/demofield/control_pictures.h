#pragma once

#include "model_writer.h"

namespace quorvane::demofield {

// Title-bar buttons, check boxes and model tree icons under "pict/", in the
// main window's colours.
void WriteControlPictures(COutput& out);

} // namespace quorvane::demofield
