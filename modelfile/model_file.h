#pragma once

#include "modeldata/model.h"

#include <filesystem>
#include <string>

namespace quorvane {

// Reads a model file into a freshly constructed model with the reader
// ModelFormatOf picks for its name and content. False, with error naming the
// path, when the file cannot be read, is neither a text model nor a COLLADA
// document, or is COLLADA but not well-formed XML.
bool ReadAnyModelFile(CModel& model, const std::filesystem::path& path, std::string& error);

} // namespace quorvane
