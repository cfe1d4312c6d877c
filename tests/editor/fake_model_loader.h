#pragma once

#include "editor/model_loader.h"
#include "editor/placed_model.h"

#include <atomic>
#include <cctype>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace quorvane::testing {

// A placement as a click leaves it: its record, and its placed entry at a position.
inline std::unique_ptr<CPlacedModel> PlacementRecord(const std::string& name, const std::string& modelId,
                                                     const std::string& path) {
    auto record = std::make_unique<CPlacedModel>();
    record->uniqueName = name;
    record->modelId = modelId;
    record->partPath = path;
    record->sourcePath = path;
    return record;
}
inline std::unique_ptr<CModelEntry> PlacedEntry(const std::string& name, Vector4 position) {
    auto entry = std::make_unique<CModelEntry>();
    entry->name = name;
    entry->hasDrawModel = true;
    entry->transform.position = position;
    return entry;
}

// Counts live payloads so tests see when cursor parts and entries are destroyed.
struct CountedPayload : CModelEntryPayload {
    explicit CountedPayload(std::atomic<int>& live) : live_(live) { ++live_; }
    ~CountedPayload() override { --live_; }
    std::atomic<int>& live_;
};

// Loads nothing: the model ID is the upper-case file stem, the box is whatever
// the test set for the path, and paths in failing fail.
class FakeModelLoader : public IModelLoader {
public:
    bool LoadEntry(CModelEntry& entry, const std::string& path, bool animated) override {
        Record(entryLoads, path);
        if (whileLoading) {
            whileLoading(path);
        }
        if (failing.contains(path)) {
            return false;
        }
        entry.modelId = IdOf(path);
        entry.animated = animated;
        entry.bounds = BoxOf(path);
        entry.hasDrawModel = true;
        entry.payload = std::make_unique<CountedPayload>(livePayloads);
        SetEntryLoaded(entry, true);
        return true;
    }

    std::unique_ptr<CCursorPart> LoadCursorPart(const std::string& path, bool) override {
        Record(cursorLoads, path);
        if (whileLoading) {
            whileLoading(path);
        }
        if (failing.contains(path)) {
            return nullptr;
        }
        auto part = std::make_unique<CCursorPart>();
        part->modelId = IdOf(path);
        part->bounds = BoxOf(path);
        part->payload = std::make_unique<CountedPayload>(livePayloads);
        return part;
    }

    bool MakeCopy(CModelEntry& entry, CModelEntry& source) override {
        if (!source.loaded.load(std::memory_order_acquire)) {
            return false;
        }
        entry.isInstance = true;
        entry.source = &source;
        entry.sourceName = source.name;
        entry.modelId = source.modelId;
        entry.bounds = source.bounds;
        entry.hasDrawModel = source.hasDrawModel;
        ++source.useCount;
        ++copiesMade;
        entry.payload = std::make_unique<CountedPayload>(livePayloads); // as the registry gives each copy
        SetEntryLoaded(entry, true);
        return true;
    }

    // Read only, so that loads from several threads may look boxes up at once.
    CBoundingBox BoxOf(const std::string& path) const {
        const auto found = boxes.find(path);
        return found != boxes.end() ? found->second : CBoundingBox{};
    }

    static std::string IdOf(const std::string& path) {
        std::string id = std::filesystem::path(path).stem().string();
        for (char& c : id) {
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        return id;
    }

    // Read them once the threads that load have been waited for.
    std::vector<std::string> entryLoads;
    std::vector<std::string> cursorLoads;
    std::set<std::string> failing;
    std::map<std::string, CBoundingBox> boxes;
    std::function<void(const std::string& path)> whileLoading; // runs inside LoadEntry
    std::atomic<int> livePayloads{0};
    std::atomic<int> copiesMade{0};

private:
    // Cursor parts load on the chooser's and the core's background thread at once.
    void Record(std::vector<std::string>& loads, const std::string& path) {
        std::lock_guard lock(recordMutex_);
        loads.push_back(path);
    }
    std::mutex recordMutex_;
};

} // namespace quorvane::testing
