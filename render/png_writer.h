#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace quorvane {

// Writes tightly packed RGBA rows (top row first) as a PNG file.
// False when the size does not match the data or the file cannot be written.
bool WritePng(const std::filesystem::path& path, uint32_t width, uint32_t height,
              const std::vector<uint8_t>& rgba);

} // namespace quorvane
