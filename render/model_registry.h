#pragma once

#include "editor/model_file_watch.h"
#include "editor/model_loader.h"
#include "editor/registry_lists.h"
#include "render/draw_model.h"
#include "render/grid_entry_walk.h"
#include "render/instance_buffers.h"
#include "render/loader_slots.h"
#include "render/model_read_cache.h"
#include "render/registry_failure_log.h"

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>
#include <vulkan/vulkan.h>

namespace quorvane {

class CCommonDevice;
class CRegistryPayload;

struct RegistryOptions {
    // Folder the "./model/..." paths are relative to.
    std::filesystem::path modelRoot = ".";
    // Forces where drawable models go; unset: chosen by video memory use.
    std::optional<DrawModelPlacement> placement;
    // How a loader waits between slot attempts; tests make it short.
    SleepFunction sleep = SleepThisThread;
    CLoadFailureLog::Sink failureSink = CLoadFailureLog::WriteToStderr;
    // Called with the resolved path on the thread about to parse a model file.
    std::function<void(const std::string& path)> onModelRead;
};

// How one queued load ended.
struct LoaderOutcome {
    CModelEntry* entry = nullptr;
    bool loaded = false;
};

// Loads model files into registry entries with the device's loader slots,
// runs a few loader threads fed by a queue, and does the render thread's
// per-frame work on the registry lists: finishing uploads, posing models and
// colliders, and refreshing instance data. A failed load gives its slot back
// at once and leaves nothing that looks loaded. Each model file is parsed
// once while it stays unchanged and some copy is loaded; every copy builds
// from that one parse, and the parse goes with the last copy.
class CModelRegistry : public IModelLoader {
public:
    static constexpr const char* kCharacterModelPath = "./model/character/skelton/skelton.mdl";
    static constexpr const char* kCharacterWalkPath = "./model/character/skelton/walk.ani";
    static constexpr const char* kCharacterStandPath = "./model/character/skelton/stand.ani";
    // What a loader thread's work is called when a failure is told to the user.
    static constexpr const char* kLoadWorkName = "モデルの読み込み";
    // Loader threads: a queued load holds a slot, so more threads than
    // slots would only wait.
    static constexpr size_t kLoaderThreadCount = std::min<size_t>(4, CUploadCommandPool::kEntryCount);

    CModelRegistry(CCommonDevice& device, CRegistryLists& lists, RegistryOptions options = {});
    // Waits for the queued loads, then ends and joins the loader threads.
    ~CModelRegistry() override;
    CModelRegistry(const CModelRegistry&) = delete;
    CModelRegistry& operator=(const CModelRegistry&) = delete;

    // --- loading (any thread but the render thread) ---
    // By path, for placed models and the low-detail field: waits up to about
    // eleven seconds for a slot. The entry's name is kept.
    bool LoadEntry(CModelEntry& entry, const std::string& path, bool animated) override;
    std::unique_ptr<CCursorPart> LoadCursorPart(const std::string& path, bool animated) override;
    bool MakeCopy(CModelEntry& entry, CModelEntry& source) override {
        return MakeInstance(entry, source, entry.name, source.name);
    }
    bool LoadEntryByPath(CModelEntry& entry, const std::string& path, const std::string& name, bool animated);
    // From the entry's own path, transform and animated flag, in a slot
    // already held; the slot goes back at once when the load fails.
    bool LoadEntryInSlot(CModelEntry& entry, CLoaderSlot slot);

    // Takes a free slot (one attempt) and queues the entry's load for the
    // loader threads (started with the first load). False, with nothing
    // queued, when no slot is free. The entry must stay alive (and in its
    // list) until its outcome has been collected. A load that throws is
    // reported as a failure of kLoadWorkName and ends as a failed load:
    // nothing built is kept and the slot goes back.
    bool StartLoaderThread(CModelEntry& entry);
    // From queueing until the outcome is collected.
    bool IsLoading(const CModelEntry& entry) const;
    // The outcomes of the loads that have ended; or, waiting for every queued
    // and running load, of all of them.
    std::vector<LoaderOutcome> JoinFinishedLoaderThreads();
    std::vector<LoaderOutcome> WaitForLoaderThreads();

    // The files a build of the model reads: the model file, its collider
    // file and its textures, resolved. thorough: each is read through (the
    // model parsed again, the colliders read, the textures decoded), so a
    // change that breaks one is found before anything is rebuilt. A model
    // without geometry counts as broken; a missing collider or texture file
    // does not, as a build goes on without it.
    ModelFileCheck CheckModelFiles(const std::string& path, bool thorough);

    // The walking character, animated, with a collider set even when the
    // model names no collider file; its name becomes the model's ID.
    bool LoadCharacter(CModelEntry& entry);
    // Reads "WALK" and "STAND" into the character, sets its scale to 0.5 and
    // position to the origin, and starts "STAND". Before the entry goes into
    // its list. False when "STAND" could not be started.
    bool AddCharacterAnimations(CModelEntry& entry);

    // The entry draws source's model (source must be loaded): counts a use
    // of the source and copies its colliders for the entry's own placement.
    bool MakeInstance(CModelEntry& entry, CModelEntry& source, const std::string& name,
                      const std::string& sourceName);
    // Frees what a load built; the owner removes and frees the entry.
    static void ReleaseEntry(CModelEntry& entry);

    // --- render thread, once per frame after BeginFrame ---
    // Closes recorded uploads (returned, to be submitted with this frame),
    // finalises completed ones, gives their slots back and marks entries ready.
    std::vector<VkCommandBuffer> FinishUploads();
    // One upload step for a payload outside the lists (a cursor part); true
    // once its drawable model is ready, its slot then given back.
    bool AdvanceUploads(CModelEntryPayload& payload, std::vector<VkCommandBuffer>& commands);
    // Adds frameStep to every loaded model's animation time, copies the
    // entries' transforms in, poses the models and skins their colliders;
    // instances skin theirs with their source's pose and their own placement.
    void UpdateEntries(int32_t frameStep = 1);
    // Render thread: one loaded entry's transform copied in, its model posed and
    // its colliders skinned, without advancing its animation time. For an entry
    // moved mid-frame (the walking character) before it is tested for collisions.
    void UpdateEntryPose(CModelEntry& entry);
    // Refreshes the instance data of the shared models from the loaded
    // instances in the grid files and the placed models: every 100th call,
    // and at once when an entry comes, goes or changes its loaded or ready
    // state. False on the calls that do nothing; those cost no walk over the
    // entries.
    bool RefreshInstanceData();
    // Changes whenever a grid file or one of its entries comes or goes, a
    // placed model comes or goes, an entry's loaded or ready state changes,
    // or the editor changes a copy; the same key means the grid files'
    // entries and the placed models stand as they were.
    uint64_t GridContentKey() const;

    const CLoadFailureLog& Failures() const { return failures_; }
    CCommonDevice& Device() { return device_; }

private:
    // One queued load, from StartLoaderThread until its outcome is collected.
    struct LoaderRun {
        CModelEntry* entry = nullptr;
        CLoaderSlot slot; // handed to the load when a loader thread takes it
        bool taken = false;
        bool done = false;
        bool loaded = false;
    };

    std::string Resolve(const std::string& path) const;
    // The shared parse of the file, or null (reported) when it is no model.
    std::shared_ptr<const CModel> ReadModel(const std::string& path);
    // An unshared parse: what the cache reads, and the character's model,
    // which gets its animations after its build.
    std::unique_ptr<CModel> ReadOwnModel(const std::string& path, std::string& why);
    std::optional<CLoaderSlot> AcquireSlot(const LoaderSlotPolicy& policy);
    DrawModelPlacement Placement() const;
    // Builds the drawable model and the colliders into a new payload; the
    // model is only read, so copies may build from one model at once.
    std::unique_ptr<CRegistryPayload> BuildPayload(const CModel& model, CLoaderSlot slot,
                                                   const CModelTransform& transform, bool animated,
                                                   bool alwaysColliders,
                                                   std::unique_ptr<CColliderSet>& colliders);
    void Publish(CModelEntry& entry, const std::string& modelId, std::unique_ptr<CRegistryPayload> payload,
                 std::unique_ptr<CColliderSet> colliders, bool animated);
    // Under loadMutex_: starts the loader threads not yet running. False when
    // none runs.
    bool StartLoaderThreads(std::string& why);
    void LoaderThreadLoop();
    // Under loadMutex_: the first run no loader thread has taken yet.
    LoaderRun* NextQueuedRun();
    // The outcomes of the ended runs, which leave runs_; under loadMutex_.
    std::vector<LoaderOutcome> TakeEndedRuns();
    // A loader thread's whole load, inside its exception boundary.
    bool LoadOnLoaderThread(CModelEntry& entry, CLoaderSlot slot) noexcept;

    // Render-thread steps (registry_update.cpp).
    // Each true while the entry needs the step again next frame.
    bool FinishEntryUploads(CModelEntry& entry, std::vector<VkCommandBuffer>& commands);
    void UpdateEntry(CModelEntry& entry, int32_t frameStep);
    bool UpdateInstance(CModelEntry& instance);

    CCommonDevice& device_;
    CRegistryLists& lists_;
    RegistryOptions options_;
    CLoadFailureLog failures_;
    CModelReadCache readCache_;
    // Guards the runs and the stop flag; never held while a load runs.
    mutable std::mutex loadMutex_;
    std::condition_variable loadQueued_;
    std::condition_variable loadEnded_;
    // In the order they were queued, each until its outcome is collected.
    std::vector<std::unique_ptr<LoaderRun>> runs_;
    bool stopping_ = false;
    std::vector<std::thread> loaderThreads_;
    CInstanceRefreshCounter refreshCounter_;
    std::optional<uint64_t> walkedKey_; // GridContentKey at the last instance walk
    CGridEntryWalk uploadWalk_{CGridEntryWalk::Lists::PlacedModelsAndGridFiles};
    CGridEntryWalk updateWalk_{CGridEntryWalk::Lists::PlacedModelsAndGridFiles};
};

} // namespace quorvane
