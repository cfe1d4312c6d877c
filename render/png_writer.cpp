#include "render/png_writer.h"

#include <climits>
#include <stb_image_write.h>

namespace quorvane {

bool WritePng(const std::filesystem::path& path, uint32_t width, uint32_t height,
              const std::vector<uint8_t>& rgba) {
    if (width == 0 || height == 0 || width > INT_MAX / 4 || height > INT_MAX ||
        rgba.size() != static_cast<size_t>(width) * height * 4) {
        return false;
    }
    const int stride = static_cast<int>(width) * 4;
    return stbi_write_png(path.string().c_str(), static_cast<int>(width), static_cast<int>(height), 4,
                          rgba.data(), stride) != 0;
}

} // namespace quorvane
