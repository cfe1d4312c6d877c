#pragma once

#include "modeldata/model.h"

#include <pugixml.hpp>

namespace quorvane {

// A mesh's float sources as named streams; the position source is stored
// under the id of the vertices element that polygon inputs name.
void ReadSources(CGeometry& geometry, pugi::xml_node mesh);

} // namespace quorvane
