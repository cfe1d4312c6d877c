#pragma once

// Files that readers must refuse without throwing, shared by the reader tests.

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <system_error>
#include <unistd.h>

namespace quorvane::test {

// Opens for everyone, root included, but reading at offset 0 fails with EIO:
// address 0 of the reading process is never mapped. chmod 000 would not do,
// as the tests run as root.
inline const std::filesystem::path kUnreadableFile = "/proc/self/mem";

// Checks the premise the unreadable-file cases rest on, so that they cannot
// pass for the wrong reason on a machine where it does not hold.
inline ::testing::AssertionResult OpensButCannotBeRead(const std::filesystem::path& path) {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file) {
        return ::testing::AssertionFailure() << path << " does not even open";
    }
    char byte = 0;
    if (std::fread(&byte, 1, 1, file.get()) == 1 || std::ferror(file.get()) == 0) {
        return ::testing::AssertionFailure() << path << " can be read";
    }
    return ::testing::AssertionSuccess();
}

// A fresh directory under the temporary folder, removed again with everything
// in it; the pid keeps parallel test processes apart.
class CScratchDirectory {
public:
    explicit CScratchDirectory(const std::string& name)
        : path_(std::filesystem::temp_directory_path() / (name + "_" + std::to_string(::getpid()))) {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~CScratchDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    CScratchDirectory(const CScratchDirectory&) = delete;
    CScratchDirectory& operator=(const CScratchDirectory&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

    // A directory where a reader expects a file of that name.
    std::filesystem::path DirectoryNamed(const std::filesystem::path& name) const {
        std::filesystem::create_directories(path_ / name);
        return path_ / name;
    }
    // A file of that name that opens but cannot be read.
    std::filesystem::path UnreadableNamed(const std::filesystem::path& name) const {
        std::filesystem::create_symlink(kUnreadableFile, path_ / name);
        return path_ / name;
    }

private:
    std::filesystem::path path_;
};

} // namespace quorvane::test
