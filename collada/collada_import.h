#pragma once

#include "modeldata/model.h"

#include <span>
#include <string>
#include <string_view>

namespace quorvane {

// Reads a COLLADA document (".dae") into a freshly constructed model. False,
// with error saying why, when the file cannot be read or is not well-formed
// XML; the model then holds only its directory. Anything the import does not
// understand inside a well-formed document is skipped, never an error; image
// files are only named here, not read.
bool LoadCollada(CModel& model, std::string_view path, std::string& error);
bool LoadCollada(CModel& model, std::string_view path);

// The same on a document already in memory; path only names the model.
bool LoadColladaText(CModel& model, std::string_view text, std::string_view path);
// The same on a whole file already read, parsed in place: bytes are changed
// and must stay alive while the call runs. path only names the model.
bool LoadColladaInPlace(CModel& model, std::span<char> bytes, std::string_view path, std::string& error);

// The model id for a path: its last "/", "\" or line-feed separated part,
// without a final ".dae" in any case, so "a/oak.DAE" names the model
// "a/oak.dae" names.
std::string ColladaModelId(std::string_view path);

} // namespace quorvane
