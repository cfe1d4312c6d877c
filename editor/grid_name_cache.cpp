#include "editor/grid_name_cache.h"

namespace quorvane {

CGridNameCache::Entry& CGridNameCache::Use(const std::filesystem::path& file) {
    Entry& entry = files_[file];
    entry.lastUse = ++uses_;
    if (files_.size() > kMaxFiles) {
        DropOldest();
    }
    return entry;
}

void CGridNameCache::DropOldest() {
    auto oldest = files_.end();
    for (auto it = files_.begin(); it != files_.end(); ++it) {
        // One being read stays: its read would otherwise end in a fresh, unread entry.
        if (!it->second.reading && (oldest == files_.end() || it->second.lastUse < oldest->second.lastUse)) {
            oldest = it;
        }
    }
    if (oldest != files_.end() && oldest->second.lastUse != uses_) {
        files_.erase(oldest);
    }
}

const std::unordered_set<std::string>* CGridNameCache::Find(const std::filesystem::path& file) {
    const auto found = files_.find(file);
    if (found == files_.end() || !found->second.read) {
        return nullptr;
    }
    found->second.lastUse = ++uses_;
    return &found->second.names;
}

bool CGridNameCache::BeginRead(const std::filesystem::path& file) {
    Entry& entry = Use(file);
    if (entry.reading) {
        return false;
    }
    entry.reading = true;
    return true;
}

void CGridNameCache::EndRead(const std::filesystem::path& file,
                             const std::unordered_set<std::string>& names) {
    Entry& entry = Use(file);
    entry.names.insert(names.begin(), names.end());
    entry.read = true;
    entry.reading = false;
}

void CGridNameCache::CancelRead(const std::filesystem::path& file) {
    if (const auto found = files_.find(file); found != files_.end()) {
        found->second.reading = false;
    }
}

void CGridNameCache::AddWritten(const std::filesystem::path& file, const std::string& name) {
    Use(file).names.insert(name);
}

} // namespace quorvane
