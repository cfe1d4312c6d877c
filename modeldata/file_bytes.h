#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace quorvane {

// The whole content of a regular file, or nothing when it cannot be opened or read.
std::optional<std::string> ReadFileBytes(const std::filesystem::path& path);

} // namespace quorvane
