#pragma once

#include "modeldata/model.h"

#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace quorvane {

// Parsed model files by path, each with the size and modification time its
// file had when it was read: a file is parsed once while it stays the same,
// however many copies load it. Any thread; a caller that finds the path being
// read waits for that read instead of parsing the file beside it. The lock is
// never held while a file is read. Not for the render thread, which must not
// wait on a read.
class CModelReadCache {
public:
    // Parses the file; null, with why set, when it is no model.
    using Reader = std::function<std::unique_ptr<CModel>(std::string& why)>;

    // The model at path (the key: a resolved path), read by read unless a
    // model read from the file as it is now is kept. A failed read keeps
    // nothing, so the next call reads again.
    std::shared_ptr<const CModel> Get(const std::string& path, const Reader& read, std::string& why);

private:
    struct Stamp {
        std::uintmax_t size = 0;
        std::filesystem::file_time_type time;
        bool operator==(const Stamp&) const = default;
    };
    struct Kept {
        std::shared_ptr<const CModel> model;
        Stamp stamp;
        bool reading = false;
    };

    static std::optional<Stamp> StampOf(const std::string& path);
    void EndRead(Kept& kept, std::shared_ptr<const CModel> model, const Stamp& stamp);

    std::mutex mutex_;
    std::condition_variable readEnded_;
    std::map<std::string, Kept> kept_; // node-based: a Kept stays put while others are added
};

} // namespace quorvane
