#include "editor/shared_sources.h"

namespace quorvane {

void CSharedSources::Request(const std::string& path) {
    {
        std::lock_guard lock(mutex_);
        const auto [source, added] = sources_.try_emplace(path);
        if (!added && !source->second.failed) {
            return;
        }
        source->second.failed = false; // a slot may be free this time
    }
    if (!background_.Post([this, path] { Load(path); })) {
        std::lock_guard lock(mutex_);
        sources_[path].failed = true; // the field is going
    }
}

CModelEntry* CSharedSources::Obtain(const std::string& path) {
    {
        std::lock_guard lock(mutex_);
        sources_.try_emplace(path);
    }
    Load(path);
    return Find(path);
}

void CSharedSources::Load(const std::string& path) {
    if (Find(path) != nullptr) {
        return; // an earlier load made it
    }
    auto entry = std::make_unique<CModelEntry>();
    entry->path = path;
    bool loaded = false;
    try {
        loaded = loader_.LoadEntry(*entry, path, false);
    } catch (...) {
        std::lock_guard lock(mutex_);
        sources_[path].failed = true;
        throw; // the queue tells the user
    }
    if (!loaded) {
        std::lock_guard lock(mutex_);
        sources_[path].failed = true;
        return;
    }
    // Named by its model's ID, as streaming finds shared models; the use
    // held here keeps it while the field lives, whatever its copies do.
    entry->name = entry->modelId;
    entry->useCount = 1;
    CModelEntry* listed = nullptr;
    {
        std::lock_guard fieldLock(fieldMutex_);
        listed = sharedModels_.Append(std::move(entry));
    }
    std::lock_guard lock(mutex_);
    if (sources_[path].entry == nullptr) {
        sources_[path].entry = listed; // one made meanwhile stays listed, unused
    }
}

void CSharedSources::Forget(const std::vector<std::string>& paths) {
    std::lock_guard lock(mutex_);
    for (const std::string& path : paths) {
        const auto found = sources_.find(path);
        if (found == sources_.end()) {
            continue;
        }
        if (found->second.entry != nullptr) {
            found->second.entry->outdated.store(true, std::memory_order_release);
            --found->second.entry->useCount; // the use held while the field lives
        }
        sources_.erase(found);
    }
}

CModelEntry* CSharedSources::Find(const std::string& path) const {
    std::lock_guard lock(mutex_);
    const auto found = sources_.find(path);
    return found != sources_.end() ? found->second.entry : nullptr;
}

bool CSharedSources::Failed(const std::string& path) const {
    std::lock_guard lock(mutex_);
    const auto found = sources_.find(path);
    return found != sources_.end() && found->second.failed;
}

std::unique_ptr<CModelEntry> CSharedSources::MakeCopy(const std::string& path, const std::string& name) {
    CModelEntry* source = Find(path);
    if (source == nullptr) {
        return nullptr;
    }
    auto copy = std::make_unique<CModelEntry>();
    copy->name = name;
    copy->path = path;
    if (!loader_.MakeCopy(*copy, *source)) {
        return nullptr;
    }
    return copy;
}

} // namespace quorvane
