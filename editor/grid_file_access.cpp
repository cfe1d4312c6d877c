#include "editor/grid_file_access.h"

#include "modeldata/file_bytes.h"

#include <system_error>

namespace quorvane {
namespace {

bool MakeFolderOf(const std::filesystem::path& path, std::string* message) {
    if (!path.has_parent_path()) {
        return true;
    }
    std::error_code error;
    std::filesystem::create_directories(path.parent_path(), error);
    if (error) {
        *message = "cannot create the folder of " + path.string() + ": " + error.message();
        return false;
    }
    return true;
}

} // namespace

FileBytesRead CGridFileAccess::ReadAll(const std::filesystem::path& path) {
    ++reads_;
    FileBytesRead read;
    std::error_code error;
    if (std::filesystem::status(path, error).type() == std::filesystem::file_type::not_found) {
        read.status = FileReadStatus::Missing;
        return read;
    }
    const CFileBytes bytes = ReadFileBytes(path);
    if (!bytes) {
        read.message = "cannot read " + bytes.error;
        return read;
    }
    read.status = FileReadStatus::Read;
    read.bytes.assign(bytes.Text());
    return read;
}

bool CGridFileAccess::Stamp(const std::filesystem::path& path, FileStamp* stamp, std::string* message) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (status.type() == std::filesystem::file_type::not_found) {
        *stamp = FileStamp{};
        return true;
    }
    if (error) {
        *message = "cannot look at " + path.string() + ": " + error.message();
        return false;
    }
    if (!std::filesystem::is_regular_file(status)) {
        *message = path.string() + " is not a file";
        return false;
    }
    FileStamp taken;
    taken.exists = true;
    taken.size = std::filesystem::file_size(path, error);
    if (!error) {
        taken.modified = std::filesystem::last_write_time(path, error);
    }
    if (error) {
        *message = "cannot look at " + path.string() + ": " + error.message();
        return false;
    }
    *stamp = taken;
    return true;
}

bool CGridFileAccess::AppendDurable(const std::filesystem::path& path, std::string_view bytes,
                                    std::string* message) {
    return MakeFolderOf(path, message) && AppendDurably(path, bytes, AppendTarget::CreateIfMissing, message);
}

bool CGridFileAccess::ReplaceDurable(const std::filesystem::path& path, std::string_view bytes,
                                     std::string* message) {
    return MakeFolderOf(path, message) && ReplaceDurably(path, bytes, message, observer_);
}

} // namespace quorvane
