#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace quorvane {

// A whole file in memory, or why it could not be read.
struct CFileBytes {
    // Not zero-filled first: readers may parse it in place.
    std::unique_ptr<char[]> data;
    size_t size = 0;
    // "<path>: <reason>"; empty when the whole file was read.
    std::string error;

    explicit operator bool() const { return error.empty(); }
    std::string_view Text() const { return {data.get(), size}; }
};

// Reads a whole regular file. A directory, anything else that is not a
// regular file, a missing or unreadable file and a failing read all come back
// as an error message, never as an exception.
CFileBytes ReadFileBytes(const std::filesystem::path& path);

// Hands a regular file to visit piece by piece as it is read, so a reader
// need not hold all of a large file. False, with the same messages as
// ReadFileBytes in error, when it cannot be opened or a read fails; the
// pieces handed over before a failing read stay handed over.
bool ReadFilePieces(const std::filesystem::path& path, const std::function<void(std::string_view)>& visit,
                    std::string& error);

} // namespace quorvane
