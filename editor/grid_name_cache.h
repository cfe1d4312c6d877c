#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <unordered_set>

namespace quorvane {

// The unique names already in the grid map files of the cells the cursor
// visited, so that a click names its placement without reading a file. The
// files are read off the input thread; names are only ever added, so a read
// that started before a write cannot hide what the write put in.
class CGridNameCache {
public:
    static constexpr size_t kMaxFiles = 64;

    // The file's names once a read of it has ended; null before. Marks it used.
    const std::unordered_set<std::string>* Find(const std::filesystem::path& file);
    // True when a read should be started: none is under way for the file.
    bool BeginRead(const std::filesystem::path& file);
    // What a read found; the file's names are known from now on.
    void EndRead(const std::filesystem::path& file, const std::unordered_set<std::string>& names);
    // A read that failed: the next BeginRead starts another.
    void CancelRead(const std::filesystem::path& file);
    // Names a write has just put into the file.
    void AddWritten(const std::filesystem::path& file, const std::string& name);

private:
    struct Entry {
        std::unordered_set<std::string> names;
        bool read = false;    // names holds the file's as well as the written ones
        bool reading = false; // a read is under way
        uint64_t lastUse = 0;
    };
    Entry& Use(const std::filesystem::path& file);
    void DropOldest();

    std::map<std::filesystem::path, Entry> files_;
    uint64_t uses_ = 0;
};

} // namespace quorvane
