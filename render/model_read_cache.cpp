#include "render/model_read_cache.h"

#include <algorithm>
#include <system_error>

namespace quorvane {

std::optional<CModelReadCache::Stamp> CModelReadCache::StampOf(const std::string& path) {
    std::error_code error;
    Stamp stamp;
    stamp.size = std::filesystem::file_size(path, error);
    if (error) {
        return std::nullopt;
    }
    stamp.time = std::filesystem::last_write_time(path, error);
    if (error) {
        return std::nullopt;
    }
    return stamp;
}

CModelReadCache::Kept& CModelReadCache::RecordFor(const std::string& key) {
    if (const auto found = kept_.find(key); found != kept_.end()) {
        return found->second;
    }
    if (kept_.size() >= sweepAt_) {
        // Streamed tiles come and go by the hundred: drop what nobody holds.
        std::erase_if(kept_, [](const auto& record) {
            return record.second.callers == 0 && record.second.model.expired();
        });
        sweepAt_ = std::max(kFirstSweepAt, 2 * kept_.size());
    }
    return kept_[key];
}

std::size_t CModelReadCache::RecordCount() {
    std::lock_guard lock(mutex_);
    return kept_.size();
}

std::shared_ptr<const CModel> CModelReadCache::Get(const std::string& path, const Reader& read,
                                                   std::string& why) {
    // Taken before the read: a file changed while it is parsed reads as
    // changed next time, never the other way round.
    const std::optional<Stamp> stamp = StampOf(path);
    if (!stamp) {
        return read(why); // missing or unreadable: the reader says why, nothing is kept
    }
    const std::string key = std::filesystem::path(path).lexically_normal().generic_string();
    std::unique_lock lock(mutex_);
    Kept& kept = RecordFor(key);
    ++kept.callers;
    readEnded_.wait(lock, [&kept] { return !kept.reading; });
    if (kept.stamp == *stamp) {
        if (std::shared_ptr<const CModel> model = kept.model.lock()) {
            --kept.callers;
            return model;
        }
    }
    kept.reading = true;
    lock.unlock();

    std::shared_ptr<const CModel> model;
    try {
        model = read(why);
    } catch (...) {
        EndRead(kept, nullptr, *stamp); // the waiters read for themselves
        throw;
    }
    EndRead(kept, model, *stamp);
    return model;
}

void CModelReadCache::EndRead(Kept& kept, const std::shared_ptr<const CModel>& model, const Stamp& stamp) {
    {
        std::lock_guard lock(mutex_);
        kept.model = model;
        kept.stamp = stamp;
        kept.reading = false;
        --kept.callers;
    }
    readEnded_.notify_all();
}

} // namespace quorvane
