#pragma once

#include "modeldata/model.h"

#include <condition_variable>
#include <cstddef>
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
// file had when it was read: a file is parsed once while it stays the same and
// some copy still holds the model. The cache only watches the models, so a
// model goes once its last holder lets go, and the next load reads the file
// again. Any thread; a caller that finds the path being read waits for that
// read instead of parsing the file beside it. The lock is never held while a
// file is read. Not for the render thread, which must not wait on a read.
class CModelReadCache {
public:
    // Parses the file; null, with why set, when it is no model.
    using Reader = std::function<std::unique_ptr<CModel>(std::string& why)>;

    // The model at path (the key: a resolved path), read by read unless a
    // model read from the file as it is now is still held. A failed read
    // keeps nothing, so the next call reads again.
    std::shared_ptr<const CModel> Get(const std::string& path, const Reader& read, std::string& why);

    // Paths the cache has a record for, held models or not.
    std::size_t RecordCount();

private:
    struct Stamp {
        std::uintmax_t size = 0;
        std::filesystem::file_time_type time;
        bool operator==(const Stamp&) const = default;
    };
    struct Kept {
        std::weak_ptr<const CModel> model;
        Stamp stamp;
        bool reading = false;
        int callers = 0; // in Get with a reference to this record: it must stay
    };

    static std::optional<Stamp> StampOf(const std::string& path);
    // Under mutex_: the record for key, made when there is none. Adding one
    // may first drop the records whose models are gone.
    Kept& RecordFor(const std::string& key);
    void EndRead(Kept& kept, const std::shared_ptr<const CModel>& model, const Stamp& stamp);

    // Records before the next sweep; a sweep doubles what is left, so each
    // record added pays for a bounded share of the sweeps.
    static constexpr std::size_t kFirstSweepAt = 64;

    std::mutex mutex_;
    std::condition_variable readEnded_;
    std::map<std::string, Kept> kept_; // node-based: a Kept stays put while others are added
    std::size_t sweepAt_ = kFirstSweepAt;
};

} // namespace quorvane
