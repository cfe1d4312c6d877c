#pragma once

#include "editor/background_queue.h"
#include "editor/model_entry.h"
#include "editor/model_loader.h"
#include "editor/owned_list.h"

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace quorvane {

// One shared model per part file for the copies that painting, duplicating,
// pasting and undo make: loaded once on the field's background thread, put
// among the shared models that instances draw, and kept while the field
// lives. Such a copy reads no file, takes no loader slot and builds no
// drawable model of its own, so a stroke can place thousands in a frame,
// and they draw instanced. The model is loaded still: copies of an animated
// part would otherwise all move in step.
class CSharedSources {
public:
    CSharedSources(std::mutex& fieldMutex, IModelLoader& loader, CBackgroundQueue& background,
                   COwnedList<CModelEntry>& sharedModels)
        : fieldMutex_(fieldMutex), loader_(loader), background_(background), sharedModels_(sharedModels) {}

    // Starts the part's load unless it was asked for already and did not
    // fail (any thread).
    void Request(const std::string& path);
    // The part's shared model, loaded on the calling thread when no load
    // has made it yet (a loading thread's, never the UI's or the render
    // thread's); null when it does not load.
    CModelEntry* Obtain(const std::string& path);
    // The part's loaded shared model; null while it loads or when it failed (any thread).
    CModelEntry* Find(const std::string& path) const;
    bool Failed(const std::string& path) const;
    // The parts' files changed on disk: their shared models are let go of
    // (they stay while copies draw them) and the next request loads anew.
    void Forget(const std::vector<std::string>& paths);
    // A new copy of the part named name, drawing its shared model; null
    // until that model has loaded.
    std::unique_ptr<CModelEntry> MakeCopy(const std::string& path, const std::string& name);

private:
    struct Source {
        CModelEntry* entry = nullptr; // owned by the shared models
        bool failed = false;
    };
    void Load(const std::string& path); // background thread

    std::mutex& fieldMutex_;
    IModelLoader& loader_;
    CBackgroundQueue& background_;
    COwnedList<CModelEntry>& sharedModels_;
    mutable std::mutex mutex_; // guards sources_; never held while a model loads
    std::unordered_map<std::string, Source> sources_;
};

} // namespace quorvane
