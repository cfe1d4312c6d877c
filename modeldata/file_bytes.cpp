#include "modeldata/file_bytes.h"

#include <fstream>

namespace quorvane {

std::optional<std::string> ReadFileBytes(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return std::nullopt;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    if (size < 0) {
        return std::nullopt;
    }
    file.seekg(0, std::ios::beg);
    std::string bytes(static_cast<size_t>(size), '\0');
    if (size > 0 && !file.read(bytes.data(), size)) {
        return std::nullopt;
    }
    return bytes;
}

} // namespace quorvane
