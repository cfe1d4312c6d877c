#pragma once

#include "modeldata/collider.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace quorvane {

// Reads a collider file into a set, appending its colliders. False, with the
// set unchanged and error saying why, only when the file cannot be opened or
// read; a collider block cut off by the end of the file is not appended.
bool ReadColliderFile(CColliderSet& set, const std::filesystem::path& path, std::string& error);
bool ReadColliderFile(CColliderSet& set, const std::filesystem::path& path);
void ReadColliderText(CColliderSet& set, std::string_view text);

} // namespace quorvane
