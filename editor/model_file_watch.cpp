#include "editor/model_file_watch.h"

#include <set>

namespace quorvane {

std::vector<FileStamp> CModelFileWatch::StampsOf(const std::vector<std::string>& files) {
    CGridFileAccess disk;
    std::vector<FileStamp> stamps;
    stamps.reserve(files.size());
    for (const std::string& file : files) {
        FileStamp stamp;
        std::string ignored; // a file that cannot be looked at counts as missing
        if (!disk.Stamp(file, &stamp, &ignored)) {
            stamp = FileStamp{};
        }
        stamps.push_back(stamp);
    }
    return stamps;
}

CModelFileWatch::Changes CModelFileWatch::Poll(const std::vector<std::string>& modelPaths) {
    const std::set<std::string> inUse(modelPaths.begin(), modelPaths.end());
    Changes changes;
    for (const std::string& path : inUse) {
        const auto found = watched_.find(path);
        if (found == watched_.end()) {
            ModelFileCheck named = check_(path, false);
            Watched& watched = watched_[path];
            watched.files = named.files.empty() ? std::vector<std::string>{path} : std::move(named.files);
            watched.stamps = StampsOf(watched.files);
            continue;
        }
        Watched& watched = found->second;
        std::vector<FileStamp> now = StampsOf(watched.files);
        if (now == watched.stamps) {
            continue;
        }
        ModelFileCheck checked = check_(path, true);
        if (!checked.reads) {
            // Told once: the next look finds these stamps unless the files change again.
            watched.stamps = std::move(now);
            changes.broken.emplace_back(path, checked.why);
            continue;
        }
        // The new model may read other textures or another collider file.
        if (!checked.files.empty()) {
            watched.files = std::move(checked.files);
        }
        watched.stamps = StampsOf(watched.files);
        changes.rebuild.push_back(path);
    }
    return changes;
}

} // namespace quorvane
