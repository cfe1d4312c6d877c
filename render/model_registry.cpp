#include "render/model_registry.h"

#include "modeldata/ani_reader.h"
#include "platform/guarded_work.h"
#include "render/animation.h"
#include "render/collider_display.h"
#include "render/common_device.h"
#include "render/model_loaders.h"
#include "render/registry_payload.h"

#include <algorithm>
#include <system_error>

namespace quorvane {
namespace {

void CopyTransform(const CModelTransform& transform, CDrawModel& model) {
    model.scale = transform.scale;
    model.rotation = transform.rotation;
    model.position = transform.position;
}

} // namespace

CDrawModel* DrawModelOf(const CModelEntry& entry) {
    if (!entry.loaded.load(std::memory_order_acquire)) {
        return nullptr;
    }
    const CModelEntry& owner = entry.isInstance && entry.source != nullptr ? *entry.source : entry;
    if (&owner != &entry && !owner.loaded.load(std::memory_order_acquire)) {
        return nullptr;
    }
    CRegistryPayload* payload = RegistryPayloadOf(owner.payload);
    return payload != nullptr ? payload->drawModel.get() : nullptr;
}

CModelRegistry::CModelRegistry(CCommonDevice& device, CRegistryLists& lists, RegistryOptions options)
    : device_(device), lists_(lists), options_(std::move(options)), failures_(options_.failureSink) {}

CModelRegistry::~CModelRegistry() {
    WaitForLoaderThreads();
    {
        std::lock_guard lock(loadMutex_);
        stopping_ = true;
    }
    loadQueued_.notify_all();
    for (std::thread& thread : loaderThreads_) {
        thread.join();
    }
}

std::string CModelRegistry::Resolve(const std::string& path) const {
    return ResolveModelPath(options_.modelRoot, path);
}

std::unique_ptr<CModel> CModelRegistry::ReadOwnModel(const std::string& path, std::string& why) {
    if (options_.onModelRead) {
        options_.onModelRead(Resolve(path));
    }
    return ReadModelForPath(path, options_.modelRoot, why);
}

std::shared_ptr<const CModel> CModelRegistry::ReadModel(const std::string& path) {
    std::string why;
    std::shared_ptr<const CModel> model = readCache_.Get(
        Resolve(path), [&](std::string& reason) { return ReadOwnModel(path, reason); }, why);
    if (!model) {
        failures_.Report(path, why);
    }
    return model;
}

std::optional<CLoaderSlot> CModelRegistry::AcquireSlot(const LoaderSlotPolicy& policy) {
    const std::optional<uint32_t> index = AcquireLoaderSlot(device_.UploadPool(), policy, options_.sleep);
    if (!index) {
        return std::nullopt;
    }
    return CLoaderSlot(device_, *index);
}

DrawModelPlacement CModelRegistry::Placement() const {
    return options_.placement ? *options_.placement : ChooseDrawModelPlacement(device_);
}

std::unique_ptr<CRegistryPayload> CModelRegistry::BuildPayload(const CModel& model, CLoaderSlot slot,
                                                               const CModelTransform& transform,
                                                               bool animated, bool alwaysColliders,
                                                               std::unique_ptr<CColliderSet>& colliders) {
    auto payload = std::make_unique<CRegistryPayload>(&device_);
    const auto index = static_cast<uint32_t>(slot.Index());
    payload->drawModel =
        std::make_unique<CDrawModel>(&device_, device_.UploadPool().Buffer(index), slot.Index());
    payload->slot = std::move(slot);
    CDrawModel& drawModel = *payload->drawModel;
    CopyTransform(transform, drawModel);
    drawModel.Build(&model, Placement(), animated);
    UpdateDrawModel(drawModel);

    if (!model.colliderFile.empty()) {
        const std::string colliderPath = model.directory + model.colliderFile;
        std::string why;
        colliders = LoadColliderSet(colliderPath, device_, why);
        if (!colliders) {
            // The model still shows; only its collisions are missing.
            failures_.Report(colliderPath, why);
        }
    }
    if (!colliders && alwaysColliders) {
        colliders = std::make_unique<CColliderSet>();
    }
    if (colliders) {
        std::vector<Matrix4> palette;
        UpdateColliderSet(*colliders, ColliderPoseOf(drawModel, palette), true, animated);
    }
    payload->appliedTransform = transform;
    return payload;
}

void CModelRegistry::Publish(CModelEntry& entry, const std::string& modelId,
                             std::unique_ptr<CRegistryPayload> payload,
                             std::unique_ptr<CColliderSet> colliders, bool animated) {
    entry.modelId = modelId;
    entry.bounds = BoundsOf(*payload->drawModel);
    entry.animated = animated;
    entry.hasDrawModel = true;
    entry.gpuSlot = payload->slot.Index();
    entry.hasColliders = colliders != nullptr && !colliders->colliders.empty();
    entry.colliderSet = std::move(colliders);
    entry.payload = std::move(payload);
    SetEntryReady(entry, false);
    // Last: the render thread looks at nothing of the entry before this.
    SetEntryLoaded(entry, true);
}

bool CModelRegistry::LoadEntry(CModelEntry& entry, const std::string& path, bool animated) {
    return LoadEntryByPath(entry, path, entry.name, animated);
}

bool CModelRegistry::LoadEntryByPath(CModelEntry& entry, const std::string& path, const std::string& name,
                                     bool animated) {
    const std::shared_ptr<const CModel> model = ReadModel(path);
    if (!model) {
        return false;
    }
    std::optional<CLoaderSlot> slot = AcquireSlot(kByPathSlotPolicy);
    if (!slot) {
        failures_.Report(path, "no loader slot became free");
        return false;
    }
    std::unique_ptr<CColliderSet> colliders;
    auto payload = BuildPayload(*model, std::move(*slot), entry.transform, animated, false, colliders);
    payload->parsed = model;
    entry.path = path;
    entry.name = name;
    Publish(entry, model->id, std::move(payload), std::move(colliders), animated);
    return true;
}

bool CModelRegistry::LoadEntryInSlot(CModelEntry& entry, CLoaderSlot slot) {
    const std::shared_ptr<const CModel> model = ReadModel(entry.path);
    if (!model) {
        slot.ReleaseNow(); // nothing was recorded in it
        entry.gpuSlot = -1;
        return false;
    }
    std::unique_ptr<CColliderSet> colliders;
    auto payload = BuildPayload(*model, std::move(slot), entry.transform, entry.animated, false, colliders);
    payload->parsed = model;
    Publish(entry, model->id, std::move(payload), std::move(colliders), entry.animated);
    return true;
}

std::unique_ptr<CCursorPart> CModelRegistry::LoadCursorPart(const std::string& path, bool animated) {
    const std::shared_ptr<const CModel> model = ReadModel(path);
    if (!model) {
        return nullptr;
    }
    std::optional<CLoaderSlot> slot = AcquireSlot(kByPathSlotPolicy);
    if (!slot) {
        failures_.Report(path, "no loader slot became free");
        return nullptr;
    }
    auto part = std::make_unique<CCursorPart>();
    // The cursor does not collide, but the placement it becomes does.
    std::unique_ptr<CColliderSet> colliders;
    auto payload = BuildPayload(*model, std::move(*slot), part->transform, animated, false, colliders);
    payload->parsed = model;
    part->modelId = model->id;
    part->bounds = BoundsOf(*payload->drawModel);
    part->payload = std::move(payload);
    part->colliderSet = std::move(colliders);
    return part;
}

bool CModelRegistry::StartLoaderThreads(std::string& why) {
    while (loaderThreads_.size() < kLoaderThreadCount) {
        try {
            loaderThreads_.emplace_back(
                [this] { RunGuarded(kLoadWorkName, [this] { LoaderThreadLoop(); }); });
        } catch (const std::system_error& error) {
            why = error.what();
            break; // fewer threads still load everything queued
        }
    }
    return !loaderThreads_.empty();
}

bool CModelRegistry::StartLoaderThread(CModelEntry& entry) {
    std::optional<CLoaderSlot> slot = AcquireSlot(kLoaderThreadSlotPolicy);
    if (!slot) {
        return false;
    }
    std::string why;
    {
        std::lock_guard lock(loadMutex_);
        if (StartLoaderThreads(why)) {
            auto run = std::make_unique<LoaderRun>();
            run->entry = &entry;
            run->slot = std::move(*slot);
            entry.gpuSlot = run->slot.Index();
            runs_.push_back(std::move(run));
        }
    }
    if (slot->Held()) {
        slot->ReleaseNow(); // nothing was recorded in it
        failures_.Report(entry.path, "no loader thread: " + why);
        return false;
    }
    loadQueued_.notify_one();
    return true;
}

CModelRegistry::LoaderRun* CModelRegistry::NextQueuedRun() {
    const auto next = std::find_if(runs_.begin(), runs_.end(), [](const auto& run) { return !run->taken; });
    return next != runs_.end() ? next->get() : nullptr;
}

void CModelRegistry::LoaderThreadLoop() {
    std::unique_lock lock(loadMutex_);
    while (true) {
        loadQueued_.wait(lock, [this] { return stopping_ || NextQueuedRun() != nullptr; });
        LoaderRun* next = NextQueuedRun();
        if (next == nullptr) {
            return; // stopping, and nothing is left to load
        }
        LoaderRun& run = *next;
        run.taken = true;
        CLoaderSlot slot = std::move(run.slot);
        lock.unlock();
        const bool loaded = LoadOnLoaderThread(*run.entry, std::move(slot));
        lock.lock();
        run.loaded = loaded;
        run.done = true;
        loadEnded_.notify_all();
    }
}

bool CModelRegistry::LoadOnLoaderThread(CModelEntry& entry, CLoaderSlot slot) noexcept {
    bool loaded = false;
    std::string why;
    const bool finished = RunGuarded(kLoadWorkName, [&] {
        try {
            loaded = LoadEntryInSlot(entry, std::move(slot));
        } catch (...) {
            why = DescribeException(std::current_exception());
            throw;
        }
    });
    if (finished) {
        return loaded;
    }
    // Nothing of the entry was published, so the render thread never saw it:
    // what the load built goes, and its slot with it (once the GPU's frame is over).
    if (!entry.loaded.load(std::memory_order_acquire)) {
        ReleaseEntry(entry);
    }
    RunGuarded(kLoadWorkName, [&] { failures_.Report(entry.path, "the load stopped: " + why); });
    return false;
}

bool CModelRegistry::IsLoading(const CModelEntry& entry) const {
    std::lock_guard lock(loadMutex_);
    return std::any_of(runs_.begin(), runs_.end(),
                       [&entry](const auto& run) { return run->entry == &entry; });
}

std::vector<LoaderOutcome> CModelRegistry::TakeEndedRuns() {
    std::vector<LoaderOutcome> outcomes;
    std::erase_if(runs_, [&outcomes](const std::unique_ptr<LoaderRun>& run) {
        if (run->done) {
            outcomes.push_back({run->entry, run->loaded});
        }
        return run->done;
    });
    return outcomes;
}

std::vector<LoaderOutcome> CModelRegistry::JoinFinishedLoaderThreads() {
    std::lock_guard lock(loadMutex_);
    return TakeEndedRuns();
}

std::vector<LoaderOutcome> CModelRegistry::WaitForLoaderThreads() {
    std::unique_lock lock(loadMutex_);
    loadEnded_.wait(lock, [this] {
        return std::all_of(runs_.begin(), runs_.end(), [](const auto& run) { return run->done; });
    });
    return TakeEndedRuns();
}

bool CModelRegistry::LoadCharacter(CModelEntry& entry) {
    // Its own parse: its animations are added to the model after the build.
    std::string why;
    std::unique_ptr<CModel> model = ReadOwnModel(kCharacterModelPath, why);
    if (!model) {
        failures_.Report(kCharacterModelPath, why);
        return false;
    }
    std::optional<CLoaderSlot> slot = AcquireSlot(kCharacterSlotPolicy);
    if (!slot) {
        failures_.Report(kCharacterModelPath, "no loader slot became free");
        return false;
    }
    std::unique_ptr<CColliderSet> colliders;
    auto payload = BuildPayload(*model, std::move(*slot), entry.transform, true, true, colliders);
    entry.path = kCharacterModelPath;
    entry.name = model->id;
    payload->model = std::move(model);
    Publish(entry, entry.name, std::move(payload), std::move(colliders), true);
    return true;
}

bool CModelRegistry::AddCharacterAnimations(CModelEntry& entry) {
    CRegistryPayload* payload = RegistryPayloadOf(entry.payload);
    if (!entry.loaded.load(std::memory_order_acquire) || payload == nullptr || !payload->drawModel ||
        !payload->model) {
        return false;
    }
    // Only the loader side touches the model data; the files are read before
    // the drawable model is locked.
    for (const auto& [path, name] :
         {std::pair{kCharacterWalkPath, "WALK"}, std::pair{kCharacterStandPath, "STAND"}}) {
        std::string why;
        if (!ReadAnimationFile(*payload->model, Resolve(path), name, why)) {
            failures_.Report(path, why);
        }
    }
    entry.transform.scale = {0.5f, 0.5f, 0.5f, 0.5f};
    entry.transform.position = {0.0f, 0.0f, 0.0f, 1.0f};
    std::lock_guard lock(payload->poseMutex);
    CDrawModel& drawModel = *payload->drawModel;
    drawModel.CopyAnimations(*payload->model);
    CopyTransform(entry.transform, drawModel);
    for (size_t i = 0; i < drawModel.animations.size(); ++i) {
        if (drawModel.animations[i]->name == "STAND") {
            return StartAnimation(drawModel, static_cast<int32_t>(i), 1.0f);
        }
    }
    return false;
}

bool CModelRegistry::MakeInstance(CModelEntry& entry, CModelEntry& source, const std::string& name,
                                  const std::string& sourceName) {
    if (!source.loaded.load(std::memory_order_acquire)) {
        return false;
    }
    entry.isInstance = true;
    entry.name = name;
    entry.sourceName = sourceName;
    entry.source = &source;
    if (entry.modelId.empty()) {
        entry.modelId = source.name; // a shared entry is named by its model's ID
    }
    entry.bounds = source.bounds;
    entry.hasDrawModel = source.hasDrawModel;
    ++source.useCount;

    CRegistryPayload* sourcePayload = RegistryPayloadOf(source.payload);
    std::unique_ptr<CColliderSet> colliders;
    if (source.colliderSet && sourcePayload != nullptr) {
        std::lock_guard lock(sourcePayload->poseMutex); // the render thread skins the source's set
        colliders = source.colliderSet->MakeInstanceCopy();
    }
    if (colliders) {
        CreateColliderGpuData(*colliders, device_);
        colliders->needsUpdate = 1;
    }
    entry.hasColliders = colliders != nullptr;
    entry.colliderSet = std::move(colliders);
    entry.payload = std::make_unique<CRegistryPayload>(nullptr);
    SetEntryLoaded(entry, true);
    return true;
}

void CModelRegistry::ReleaseEntry(CModelEntry& entry) {
    SetEntryLoaded(entry, false);
    SetEntryReady(entry, false);
    // Colliders first: their display data belong with the drawable model.
    entry.colliderSet.reset();
    entry.payload.reset();
    entry.hasDrawModel = false;
    entry.gpuSlot = -1;
}

} // namespace quorvane
