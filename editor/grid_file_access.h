#pragma once

#include "platform/durable_file.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

namespace quorvane {

// What a file looked like without reading it: a rewrite compares it with the
// stamp its lines were read with to see whether someone else changed the file.
struct FileStamp {
    bool exists = false;
    std::uintmax_t size = 0;                    // 0 when missing
    std::filesystem::file_time_type modified{}; // the epoch when missing

    bool operator==(const FileStamp&) const = default;
};

enum class FileReadStatus { Read, Missing, Failed };

struct FileBytesRead {
    FileReadStatus status = FileReadStatus::Failed;
    std::string bytes;   // the whole file when Read
    std::string message; // why not, naming the file, when Failed
};

// Every way the grid store touches a cell file, so that tests can count the
// reads and fail or stop the writes.
class IGridFileAccess {
public:
    virtual ~IGridFileAccess() = default;

    virtual FileBytesRead ReadAll(const std::filesystem::path& path) = 0;
    // False, with the reason, when the path cannot be looked at or is not a file.
    virtual bool Stamp(const std::filesystem::path& path, FileStamp* stamp, std::string* message) = 0;
    // Both create the file and its folders when missing and return once the
    // bytes are on disk; a failed append leaves the file at its old length.
    virtual bool AppendDurable(const std::filesystem::path& path, std::string_view bytes,
                               std::string* message) = 0;
    virtual bool ReplaceDurable(const std::filesystem::path& path, std::string_view bytes,
                                std::string* message) = 0;
};

// The disk, through std::filesystem and the durable writes.
class CGridFileAccess final : public IGridFileAccess {
public:
    // observer is handed to every replace, so a test can stop one where a crash would.
    explicit CGridFileAccess(ReplaceStepObserver observer = {}) : observer_(std::move(observer)) {}

    FileBytesRead ReadAll(const std::filesystem::path& path) override;
    bool Stamp(const std::filesystem::path& path, FileStamp* stamp, std::string* message) override;
    bool AppendDurable(const std::filesystem::path& path, std::string_view bytes,
                       std::string* message) override;
    bool ReplaceDurable(const std::filesystem::path& path, std::string_view bytes,
                        std::string* message) override;

    // Calls of ReadAll so far, a missing file included: proves that a write needed no read.
    uint64_t ReadCount() const { return reads_.load(); }

private:
    ReplaceStepObserver observer_;
    std::atomic<uint64_t> reads_{0};
};

} // namespace quorvane
