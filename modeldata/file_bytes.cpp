#include "modeldata/file_bytes.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <new>
#include <system_error>

namespace quorvane {
namespace {

using FileHandle = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

constexpr size_t kPieceSize = 64 * 1024;

std::string Failure(const std::filesystem::path& path, const std::string& reason) {
    return path.string() + ": " + reason;
}

std::string ErrnoFailure(const std::filesystem::path& path, int number) {
    return Failure(path, std::generic_category().message(number));
}

// Opens only regular files: reading a directory fails, and a pipe or device
// could block or never end.
FileHandle OpenRegularFile(const std::filesystem::path& path, std::string& error) {
    FileHandle none(nullptr, std::fclose);
    std::error_code code;
    const std::filesystem::file_status status = std::filesystem::status(path, code);
    if (code) {
        error = Failure(path, code.message());
        return none;
    }
    if (std::filesystem::is_directory(status)) {
        error = Failure(path, std::generic_category().message(EISDIR));
        return none;
    }
    if (!std::filesystem::is_regular_file(status)) {
        error = Failure(path, "not a regular file");
        return none;
    }
    errno = 0;
    FileHandle file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file) {
        error = errno != 0 ? ErrnoFailure(path, errno) : Failure(path, "cannot open");
    }
    return file;
}

// Not zero-filled; null when memory runs out, so a huge file is a failed
// read rather than a std::bad_alloc on a loader thread.
std::unique_ptr<char[]> AllocateBuffer(size_t size) {
    return std::unique_ptr<char[]>(new (std::nothrow) char[size]);
}

// Reads up to count bytes; false with error set when the read fails.
bool ReadSome(std::FILE* file, const std::filesystem::path& path, char* into, size_t count, size_t& read,
              std::string& error) {
    errno = 0;
    read = std::fread(into, 1, count, file);
    if (read < count && std::ferror(file) != 0) {
        error = errno != 0 ? ErrnoFailure(path, errno) : Failure(path, "read error");
        return false;
    }
    return true;
}

} // namespace

CFileBytes ReadFileBytes(const std::filesystem::path& path) {
    CFileBytes bytes;
    const FileHandle file = OpenRegularFile(path, bytes.error);
    if (!file) {
        return bytes;
    }
    // One byte past the reported size finds the end in one read; files that
    // report no size (as in /proc) grow the buffer as they are read.
    std::error_code code;
    const uintmax_t reported = std::filesystem::file_size(path, code);
    size_t capacity = code ? kPieceSize : static_cast<size_t>(reported) + 1;
    bytes.data = AllocateBuffer(capacity);
    for (;;) {
        if (!bytes.data) {
            bytes.error = Failure(path, "too large to hold in memory");
            bytes.size = 0;
            return bytes;
        }
        size_t read = 0;
        if (!ReadSome(file.get(), path, bytes.data.get() + bytes.size, capacity - bytes.size, read,
                      bytes.error)) {
            bytes.data.reset();
            bytes.size = 0;
            return bytes;
        }
        bytes.size += read;
        if (bytes.size < capacity) {
            return bytes;
        }
        const size_t grown = capacity + std::max(capacity, kPieceSize);
        auto larger = AllocateBuffer(grown);
        if (larger) {
            std::copy_n(bytes.data.get(), bytes.size, larger.get());
        }
        bytes.data = std::move(larger);
        capacity = grown;
    }
}

bool ReadFilePieces(const std::filesystem::path& path, const std::function<void(std::string_view)>& visit,
                    std::string& error) {
    const FileHandle file = OpenRegularFile(path, error);
    if (!file) {
        return false;
    }
    const auto piece = std::make_unique_for_overwrite<char[]>(kPieceSize);
    for (;;) {
        size_t read = 0;
        if (!ReadSome(file.get(), path, piece.get(), kPieceSize, read, error)) {
            return false;
        }
        if (read > 0) {
            visit(std::string_view(piece.get(), read));
        }
        if (read < kPieceSize) {
            return true;
        }
    }
}

} // namespace quorvane
