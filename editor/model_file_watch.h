#pragma once

#include "editor/grid_file_access.h"

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace quorvane {

// What building a model reads, found by looking at its files.
struct ModelFileCheck {
    bool reads = false;
    std::string why;                // when it does not read
    std::vector<std::string> files; // the model file, its collider file and its textures, resolved
};

// Notices when the files a model in use is built from change on disk: the
// model file, its collider file, its textures. A change is checked before
// anything is rebuilt, so a file caught half written, or replaced by a broken
// one, leaves the models as they were and is told once. Used by one thread.
class CModelFileWatch {
public:
    // thorough: reads every file through, as a build would; otherwise only
    // names them (the model is in use, so it read a moment ago).
    using Checker = std::function<ModelFileCheck(const std::string& modelPath, bool thorough)>;

    struct Changes {
        std::vector<std::string> rebuild;                        // read well: their uses are built again
        std::vector<std::pair<std::string, std::string>> broken; // model path and why
        bool Empty() const { return rebuild.empty() && broken.empty(); }
    };

    explicit CModelFileWatch(Checker check) : check_(std::move(check)) {}

    // Looks at the models in use. One seen for the first time is only
    // recorded. One out of use keeps its record: its cells may be between a
    // drop and their next read, and a change meanwhile must still be found.
    Changes Poll(const std::vector<std::string>& modelPaths);

private:
    struct Watched {
        std::vector<std::string> files;
        std::vector<FileStamp> stamps; // by file, as last looked at
    };
    static std::vector<FileStamp> StampsOf(const std::vector<std::string>& files);

    Checker check_;
    std::map<std::string, Watched> watched_;
};

} // namespace quorvane
