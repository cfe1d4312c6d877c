#include "demo_registry_fixture.h"
#include "editor/grid_file.h"
#include "render/animation.h"
#include "render/model_loaders.h"
#include "render/model_read_cache.h"
#include "render/model_registry.h"
#include "render/registry_payload.h"
#include "tests/file_faults.h"
#include "tests/model_file_copies.h"
#include "tests/small_demo_field.h"
#include "tests/work_failures.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>

namespace quorvane {
namespace {

using test::NewEntry;

class ModelRegistryTest : public test::DemoRegistryTest {
protected:
    void SetUp() override {
        test::DemoRegistryTest::SetUp();
        MakeRecordingRegistry({});
        crate_ = test::DemoPropWithCollider(ColliderType::kBox);
        ASSERT_NE(crate_, nullptr);
    }

    // Every test ends with no upload slot held.
    void TearDown() override {
        RunFrame();
        EXPECT_EQ(FreeSlots(), 16);
        test::DemoRegistryTest::TearDown();
    }

    // Parses of the file at path ("./..." under the demo root, or absolute).
    int ReadsOf(const std::string& path) {
        const std::string tail = path.starts_with("./") ? path.substr(1) : path;
        std::lock_guard lock(reportMutex_);
        int count = 0;
        for (const auto& [read, times] : reads_) {
            count += read.ends_with(tail) ? times : 0;
        }
        return count;
    }

    // The first count field tiles of the demo field.
    static std::vector<std::string> FieldTilePaths(size_t count) {
        std::vector<std::string> paths;
        for (const auto& model : test::SmallDemoManifest().models) {
            if (model.path.starts_with("model/main_field/field/") && paths.size() < count) {
                paths.push_back(DemoPath(model.path));
            }
        }
        return paths;
    }

    int ReportsNaming(const std::string& path) {
        std::lock_guard lock(reportMutex_);
        return static_cast<int>(std::ranges::count_if(
            reports_, [&path](const std::string& line) { return line.find(path) != std::string::npos; }));
    }

    const demofield::CWrittenModel* crate_ = nullptr; // a prop with a box collider
};

TEST(ModelPlacement, CpuVisibleAboveTheLimitWithoutABudgetOrOnUnifiedMemory) {
    constexpr VkDeviceSize kBudget = 1000;
    EXPECT_EQ(ChooseDrawModelPlacement(500, kBudget, 90.0f, false), DrawModelPlacement::VideoMemory);
    EXPECT_EQ(ChooseDrawModelPlacement(900, kBudget, 90.0f, false), DrawModelPlacement::VideoMemory); // 90 %
    EXPECT_EQ(ChooseDrawModelPlacement(901, kBudget, 90.0f, false), DrawModelPlacement::CpuVisible);
    EXPECT_EQ(ChooseDrawModelPlacement(100, 0, 90.0f, false), DrawModelPlacement::CpuVisible);
    EXPECT_EQ(ChooseDrawModelPlacement(0, kBudget, 90.0f, true), DrawModelPlacement::CpuVisible);
    EXPECT_EQ(ChooseDrawModelPlacement(600, kBudget, 50.0f, false), DrawModelPlacement::CpuVisible);
}

// What the model viewer previews must also be placeable: every name a COLLADA
// document may carry loads, and "rock.DAE" gets the model ID "rock.dae" gets.
// Names of no model format build nothing and keep no slot (missing files are
// the many-loaders test's).
TEST_F(ModelRegistryTest, ColladaDocumentsLoadUnderEveryNameWithTheIdOfTheirStem) {
    const test::CModelFileCopies copies("quorvane_registry_names");
    for (const test::ColladaName& document : test::kColladaNames) {
        SCOPED_TRACE(document.name);
        const std::string path = copies.Copy(test::kCubeDocument, document.name).string();
        CModelEntry entry;
        EXPECT_TRUE(registry_->LoadEntry(entry, path, false));
        EXPECT_EQ(entry.modelId, document.modelId);
        EXPECT_TRUE(entry.hasDrawModel);
        const CDrawModel* drawModel = DrawModelOf(entry);
        EXPECT_TRUE(drawModel != nullptr && !drawModel->meshes.empty());
    }
    const std::string notes = copies.Copy(test::kNotAModel, "notes.txt").string();
    for (const std::string& path : {notes, std::string("./model/rocks/boulder.obj")}) {
        CModelEntry refused;
        EXPECT_FALSE(registry_->LoadEntry(refused, path, false)) << path;
        EXPECT_FALSE(refused.loaded.load());
        EXPECT_EQ(refused.payload, nullptr) << path;
        EXPECT_FALSE(refused.hasDrawModel);
    }
    EXPECT_EQ(ReportsNaming(notes + " " + test::kNeitherFormat), 1);
}

TEST_F(ModelRegistryTest, LoadedEntryBecomesReadyGivesItsSlotBackAndReleasesEverything) {
    for (const DrawModelPlacement placement :
         {DrawModelPlacement::CpuVisible, DrawModelPlacement::VideoMemory}) {
        MakeRecordingRegistry(placement);
        auto entry = NewEntry("crate part", "");
        entry->transform.position = {10.0f, 20.0f, 0.0f, 1.0f};
        ASSERT_TRUE(registry_->LoadEntry(*entry, DemoPath(crate_->path), false));
        EXPECT_EQ(entry->modelId, crate_->id);
        EXPECT_TRUE(entry->hasDrawModel);
        EXPECT_GE(entry->gpuSlot, 0);
        EXPECT_FALSE(entry->ready.load());
        ASSERT_NE(entry->colliderSet, nullptr);
        EXPECT_TRUE(entry->hasColliders);
        EXPECT_EQ(entry->colliderSet->CountByType(), test::WrittenColliderCounts(*crate_));
        // The box's point A sits at the entry's position plus its file offset.
        const auto& boxPoint = entry->colliderSet->colliders[0]->skinnedRecords.at(0).position;
        const auto& restPoint = entry->colliderSet->colliders[0]->restRecords->at(0).position;
        EXPECT_FLOAT_EQ(boxPoint[0], restPoint[0] + 10.0f);
        EXPECT_FLOAT_EQ(boxPoint[1], restPoint[1] + 20.0f);

        // An entry dropped before its uploads finish still gives its slot back.
        ASSERT_TRUE(registry_->LoadEntry(*NewEntry("dropped", ""), DemoPath(crate_->path), false));
        CModelEntry* placed = lists_->placedModels.Append(std::move(entry));
        CDrawModel* drawModel = DrawModelOf(*placed);
        ASSERT_NE(drawModel, nullptr);
        for (int frame = 0; frame < 4 && !placed->ready.load(); ++frame) {
            RunFrame();
        }
        EXPECT_TRUE(placed->ready.load());
        EXPECT_EQ(drawModel->LoadState(), 4);
        EXPECT_EQ(placed->gpuSlot, -1);
        EXPECT_EQ(FreeSlots(), 16);
        // Ready entries need no more upload work.
        EXPECT_TRUE(registry_->FinishUploads().empty());

        std::unique_ptr<CModelEntry> removed = lists_->placedModels.RemoveAt(1);
        CModelRegistry::ReleaseEntry(*removed);
        EXPECT_EQ(removed->payload, nullptr);
        EXPECT_EQ(removed->colliderSet, nullptr);
        EXPECT_FALSE(removed->loaded.load());
        RunFrames(1);
    }
}

TEST_F(ModelRegistryTest, ManyLoadersShareTheSlotsWhileFramesRun) {
    std::vector<std::string> paths = FieldTilePaths(30);
    for (int k = 0; k < 10; ++k) {
        paths.push_back("./model/missing/gone" + std::to_string(k % 3) + ".mdl");
    }
    ASSERT_EQ(paths.size(), 40u);

    // By path from 40 threads at once while the render thread runs frames.
    std::atomic<int> finished{0}, loaded{0};
    std::vector<std::jthread> loaders;
    for (size_t i = 0; i < paths.size(); ++i) {
        loaders.emplace_back([&, i] {
            auto entry = NewEntry("part" + std::to_string(i), "");
            if (registry_->LoadEntry(*entry, paths[i], false)) {
                lists_->placedModels.Append(std::move(entry));
                ++loaded;
            }
            ++finished;
        });
    }
    while (finished.load() < static_cast<int>(paths.size())) {
        RunFrame();
    }
    loaders.clear(); // joins them
    RunFrames(3);
    EXPECT_EQ(lists_->placedModels.Count(), loaded.load());
    EXPECT_LE(loaded.load(), 30);
    EXPECT_GE(loaded.load(), 16); // the missing files fail before they take a slot
    lists_->placedModels.ForEach(
        [](const CModelEntry& entry) { EXPECT_TRUE(entry.ready.load()) << entry.name; });
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(ReportsNaming("gone" + std::to_string(k) + ".mdl"), 1);
    }
}

// Sixteen copies of one model queued at once build from one parse of its
// file; then forty more models, queued as fast as slots come back, are each
// parsed once, and only by the registry's few loader threads.
TEST_F(ModelRegistryTest, QueuedLoadsReadEachFileOnceOnTheLoaderThreads) {
    const std::vector<std::string> paths = FieldTilePaths(41);
    ASSERT_EQ(paths.size(), 41u);
    std::vector<CModelEntry*> copies;
    for (int i = 0; i < 16; ++i) {
        copies.push_back(lists_->fieldTiles.Append(NewEntry("copy" + std::to_string(i), paths[0])));
        ASSERT_TRUE(registry_->StartLoaderThread(*copies.back()));
    }
    const std::vector<LoaderOutcome> outcomes = registry_->WaitForLoaderThreads();
    EXPECT_EQ(outcomes.size(), 16u);
    EXPECT_TRUE(std::ranges::all_of(outcomes, &LoaderOutcome::loaded));
    RunFrames(2);
    EXPECT_TRUE(std::ranges::all_of(copies, [](const CModelEntry* copy) { return copy->ready.load(); }));

    // Missing files fail before they take a slot: the many-loaders test's.
    std::vector<CModelEntry*> tiles;
    for (size_t i = 1; i < paths.size(); ++i) {
        tiles.push_back(lists_->fieldTiles.Append(NewEntry("tile" + std::to_string(i), paths[i])));
    }
    size_t queued = 0;
    for (int round = 0; round < 40 && queued < tiles.size(); ++round) {
        while (queued < tiles.size() && registry_->StartLoaderThread(*tiles[queued])) {
            ++queued;
        }
        for (const LoaderOutcome& outcome : registry_->WaitForLoaderThreads()) {
            EXPECT_TRUE(outcome.loaded) << outcome.entry->path;
        }
        RunFrame();
    }
    RunFrames(2);
    EXPECT_EQ(queued, tiles.size());
    EXPECT_TRUE(std::ranges::all_of(tiles, [](const CModelEntry* tile) { return tile->ready.load(); }));
    for (const std::string& path : paths) {
        EXPECT_EQ(ReadsOf(path), 1) << path;
    }
    std::lock_guard lock(reportMutex_);
    EXPECT_LE(readers_.size(), CModelRegistry::kLoaderThreadCount);
    EXPECT_FALSE(readers_.contains(std::this_thread::get_id()));
}

// A file is parsed again only when it changed on disk (here its size), by
// whichever load asks next, or once every copy built from its parse is
// released; a file that is no model is never kept.
TEST_F(ModelRegistryTest, ModelFileIsReadAgainOnlyOnceItChanged) {
    const test::CModelFileCopies copies("quorvane_registry_reread");
    const std::string path = copies.PathOf("changing.dae").string();
    const struct {
        std::optional<std::filesystem::path> write; // what the file becomes before the load
        bool dropKept;                              // the kept entries are released before the load
        bool cursor;                                // loaded as the cursor's part, else as an entry
        bool keep;                                  // the entry stays loaded for the next steps
        bool loads;
        int reads;
    } steps[] = {{test::kCubeDocument, false, false, true, true, 1},
                 {std::nullopt, false, true, false, true, 1},
                 {std::nullopt, true, false, false, true, 2},
                 {test::kTestData / "collada/ConcavePolygon.dae", false, false, true, true, 3},
                 {test::kNotAModel, false, false, false, false, 4},
                 {std::nullopt, false, true, false, false, 5}};
    const auto extent = [](const CBoundingBox& box) {
        return std::array{box.minimum.x, box.minimum.y, box.maximum.x, box.maximum.y};
    };
    std::array<float, 4> cubeExtent{};
    std::vector<std::unique_ptr<CModelEntry>> kept;
    for (size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(i);
        if (steps[i].write) {
            copies.Copy(*steps[i].write, "changing.dae");
        }
        if (steps[i].dropKept) {
            for (const auto& entry : kept) {
                CModelRegistry::ReleaseEntry(*entry);
            }
            kept.clear();
            RunFrame();
        }
        auto entry = NewEntry("changing", "");
        const bool loaded = steps[i].cursor ? registry_->LoadCursorPart(path, false) != nullptr
                                            : registry_->LoadEntry(*entry, path, false);
        EXPECT_EQ(loaded, steps[i].loads);
        EXPECT_EQ(ReadsOf(path), steps[i].reads);
        if (i == 0) {
            cubeExtent = extent(entry->bounds);
        } else if (steps[i].write && steps[i].loads) {
            EXPECT_NE(extent(entry->bounds), cubeExtent) << "built from the file as it is now";
        }
        if (steps[i].keep) {
            kept.push_back(std::move(entry));
        }
    }
}

// Records of files whose models are all gone are dropped as more files come,
// but a held model keeps its record through that.
TEST(ModelReadCache, DropsRecordsOfModelsNoLongerHeld) {
    const test::CModelFileCopies copies("quorvane_read_cache");
    CModelReadCache cache;
    int reads = 0;
    const auto read = [&reads](std::string&) {
        ++reads;
        return std::make_unique<CModel>();
    };
    std::string why;
    const std::string held = copies.Copy(test::kNotAModel, "held").string();
    const std::shared_ptr<const CModel> model = cache.Get(held, read, why);
    for (int i = 0; i < 300; ++i) {
        EXPECT_NE(cache.Get(copies.Copy(test::kNotAModel, std::to_string(i)).string(), read, why), nullptr);
    }
    EXPECT_LT(cache.RecordCount(), 100u);
    EXPECT_EQ(cache.Get(held, read, why), model);
    EXPECT_EQ(reads, 301);
}

// A loader thread's load that throws ends as a failed load: nothing built is
// kept, the slot comes back, the failure is told, and the process goes on.
// The failure log's sink throws the first time it is called: once while the
// model is read (a missing file), once while its drawable model is built (a
// crate whose collider file is missing).
TEST_F(ModelRegistryTest, LoaderThreadWhoseLoadThrowsEndsAsAFailedLoadAndGivesItsSlotBack) {
    const test::CScratchDirectory scratch("quorvane_thrown_load");
    const std::filesystem::path& folder = scratch.Path();
    // The crate's folder (its textures too), without its collider file.
    std::filesystem::copy((test::SmallDemoRoot() / crate_->path).parent_path(), folder);
    ASSERT_TRUE(std::filesystem::remove(folder / crate_->colliderFile));
    const std::filesystem::path crateCopy = folder / std::filesystem::path(crate_->path).filename();
    const struct {
        const char* stage;
        std::string path;
    } cases[] = {{"reading", "./model/missing/thrown.mdl"}, {"building", crateCopy.string()}};

    for (const auto& load : cases) {
        SCOPED_TRACE(load.stage);
        test::CWorkFailureCapture captured;
        RegistryOptions options;
        std::atomic<int> sinkCalls{0};
        options.failureSink = [this, &sinkCalls](const std::string& line) {
            if (sinkCalls++ == 0) {
                throw std::runtime_error("the notice queue is full");
            }
            std::lock_guard lock(reportMutex_);
            reports_.push_back(line);
        };
        MakeRegistry(options);
        CModelEntry* entry = lists_->fieldTiles.Append(NewEntry("thrown", load.path));
        ASSERT_TRUE(registry_->StartLoaderThread(*entry));
        const std::vector<LoaderOutcome> outcomes = registry_->WaitForLoaderThreads();
        ASSERT_EQ(outcomes.size(), 1u);
        EXPECT_EQ(outcomes[0].entry, entry);
        EXPECT_FALSE(outcomes[0].loaded);
        EXPECT_FALSE(entry->loaded.load());
        EXPECT_EQ(entry->payload, nullptr);
        EXPECT_EQ(entry->gpuSlot, -1);
        RunFrames(2);
        EXPECT_EQ(FreeSlots(), 16);
        const std::vector<test::WorkFailure> told = {{"モデルの読み込み", "the notice queue is full"}};
        EXPECT_EQ(captured.Failures(), told);
        EXPECT_EQ(ReportsNaming(load.path + "\": the load stopped: the notice queue is full"), 1);
        lists_->fieldTiles.DestroyAll();
    }
}

TEST_F(ModelRegistryTest, InstancesShareTheirSourceAndTheLastOneFreesIt) {
    CModelEntry* source = lists_->sharedModels.Append(NewEntry(crate_->id, DemoPath(crate_->path)));

    GridFileEntry file;
    file.groups.push_back(std::make_unique<COwnedList<CModelEntry>>());
    auto& group = *file.groups[0];
    CModelEntry* early = group.Append(NewEntry("early", ""));
    EXPECT_FALSE(registry_->MakeInstance(*early, *source, "early", crate_->id)); // source not loaded yet
    EXPECT_EQ(source->useCount, 0);

    ASSERT_TRUE(registry_->StartLoaderThread(*source));
    ASSERT_TRUE(registry_->WaitForLoaderThreads().at(0).loaded);

    std::vector<CModelEntry*> instances;
    for (int i = 0; i < 3; ++i) {
        instances.push_back(group.Append(NewEntry("", "")));
        ASSERT_TRUE(
            registry_->MakeInstance(*instances.back(), *source, "copy" + std::to_string(i), crate_->id));
    }
    EXPECT_EQ(source->useCount, 3);
    for (CModelEntry* instance : instances) {
        EXPECT_TRUE(instance->isInstance);
        EXPECT_EQ(instance->source, source);
        EXPECT_EQ(instance->modelId, crate_->id);
        EXPECT_EQ(DrawModelOf(*instance), DrawModelOf(*source));
        ASSERT_NE(instance->colliderSet, nullptr);
        EXPECT_NE(instance->colliderSet.get(), source->colliderSet.get());
        EXPECT_EQ(instance->colliderSet->CountByType(), source->colliderSet->CountByType());
    }
    lists_->gridFiles.Append(std::make_unique<GridFileEntry>())->groups.swap(file.groups);

    RunFrames(3);
    EXPECT_TRUE(source->ready.load());
    EXPECT_TRUE(std::ranges::all_of(instances, [](const CModelEntry* i) { return i->ready.load(); }));

    // Instance data: one record per instance; new content refreshes at once, unchanged content not.
    EXPECT_TRUE(registry_->RefreshInstanceData());
    CInstanceBuffers& buffers = RegistryPayloadOf(source->payload)->instanceBuffers;
    EXPECT_EQ(buffers.mainCount, 3u);
    EXPECT_FALSE(registry_->RefreshInstanceData());
    CModelEntry* late = group.Append(NewEntry("", ""));
    ASSERT_TRUE(registry_->MakeInstance(*late, *source, "late", crate_->id));
    EXPECT_TRUE(registry_->RefreshInstanceData()) << "a new copy counts towards its source at once";
    EXPECT_FALSE(registry_->RefreshInstanceData());
    EXPECT_EQ(buffers.mainCount, 3u) << "not ready yet";
    registry_->FinishUploads();
    ASSERT_TRUE(late->ready.load());
    EXPECT_TRUE(registry_->RefreshInstanceData());
    EXPECT_EQ(buffers.mainCount, 4u);
    EXPECT_FALSE(registry_->RefreshInstanceData());

    // Moving a copy that stood still for frames, counted as the editor counts
    // its changes, moves its colliders with the next update.
    RunFrames(3);
    instances[2]->transform.position = {7, 0, 0, 1};
    EntryStateChanges().fetch_add(1);
    registry_->UpdateEntries(1);
    EXPECT_FLOAT_EQ(instances[2]->colliderSet->colliders[0]->skinnedRecords.at(0).position[0],
                    source->colliderSet->colliders[0]->skinnedRecords.at(0).position[0] + 7.0f);

    std::unique_ptr<GridFileEntry> removed = lists_->gridFiles.RemoveAt(1);
    DestroyGridFile(*removed, lists_->sharedModels);
    EXPECT_EQ(lists_->sharedModels.Count(), 0);
}

TEST_F(ModelRegistryTest, EveryKindOfDemoModelLoadsIntoItsList) {
    std::map<ColliderType, CModelEntry*> props;
    for (const ColliderType type : {ColliderType::kCapsule, ColliderType::kSphere, ColliderType::kMesh}) {
        const demofield::CWrittenModel* model = test::DemoPropWithCollider(type);
        ASSERT_NE(model, nullptr);
        props[type] = lists_->sharedModels.Append(NewEntry(model->id, DemoPath(model->path)));
        ASSERT_TRUE(registry_->StartLoaderThread(*props[type]));
    }
    ASSERT_FALSE(test::SmallDemoManifest().colladaDocuments.empty());
    CModelEntry* collada = lists_->sharedModels.Append(
        NewEntry("dae", DemoPath(test::SmallDemoManifest().colladaDocuments.front())));
    ASSERT_TRUE(registry_->StartLoaderThread(*collada));
    for (const LoaderOutcome& outcome : registry_->WaitForLoaderThreads()) {
        EXPECT_TRUE(outcome.loaded) << outcome.entry->path;
    }

    // The low-detail field and the character as start-up loads them.
    auto low = NewEntry("", "");
    ASSERT_TRUE(
        registry_->LoadEntryByPath(*low, "./model/main_field/field_low/field_low.mdl", "FIELD_LOW", false));
    CModelEntry* lowField = lists_->lowDetailField.Append(std::move(low));
    auto character = std::make_unique<CModelEntry>();
    ASSERT_TRUE(registry_->LoadCharacter(*character));
    EXPECT_FALSE(character->name.empty());
    EXPECT_EQ(character->name, character->modelId);
    ASSERT_TRUE(registry_->AddCharacterAnimations(*character));
    character->name = "SKELTON";
    CModelEntry* skeleton = lists_->characters.Append(std::move(character));

    EXPECT_EQ(lists_->FindByName("FIELD_LOW"), lowField);
    EXPECT_EQ(lists_->FindByName("SKELTON"), skeleton);
    for (const auto& [type, entry] : props) {
        ASSERT_NE(entry->colliderSet, nullptr) << entry->path;
        EXPECT_GT(entry->colliderSet->CountByType()[static_cast<size_t>(type)], 0) << entry->path;
    }
    EXPECT_TRUE(DrawModelOf(*collada) != nullptr && !DrawModelOf(*collada)->meshes.empty());
    // A document has no colliders, and neither has an instance of it.
    EXPECT_EQ(collada->colliderSet, nullptr);
    CModelEntry instance;
    ASSERT_TRUE(registry_->MakeInstance(instance, *collada, "copy", "dae"));
    EXPECT_EQ(instance.colliderSet, nullptr);
    EXPECT_FALSE(instance.hasColliders);
    CModelRegistry::ReleaseEntry(instance);
    EXPECT_TRUE(collada->loaded.load()); // an instance never frees its source's model

    RunFrames(3);
    for (const CModelEntry* entry : {lowField, skeleton, collada, props[ColliderType::kMesh]}) {
        EXPECT_TRUE(entry->ready.load()) << entry->name;
    }

    // The character: scale 0.5 from its entry, standing, colliders on its bones.
    CDrawModel* body = DrawModelOf(*skeleton);
    ASSERT_NE(body, nullptr);
    EXPECT_FLOAT_EQ(body->scale.x, 0.5f);
    EXPECT_FLOAT_EQ(body->scale.w, 0.5f);
    ASSERT_LT(static_cast<size_t>(body->animationIndex), body->animations.size());
    EXPECT_EQ(body->animations[static_cast<size_t>(body->animationIndex)]->name, "STAND");
    ASSERT_NE(skeleton->colliderSet, nullptr);
    const auto capsule =
        std::find_if(skeleton->colliderSet->colliders.begin(), skeleton->colliderSet->colliders.end(),
                     [](const auto& c) { return c->type == ColliderType::kCapsule; });
    ASSERT_NE(capsule, skeleton->colliderSet->colliders.end());
    const auto walk = std::ranges::find_if(body->animations, [](const auto& a) { return a->name == "WALK"; });
    ASSERT_TRUE(StartAnimation(*body, static_cast<int32_t>(walk - body->animations.begin()), 1.0f));
    std::set<std::array<float, 3>> capsulePoints; // the walk moves it frame by frame
    for (int frame = 0; frame < 20; ++frame) {
        registry_->UpdateEntries(1);
        capsulePoints.insert((*capsule)->skinnedRecords.at(0).position);
    }
    EXPECT_GT(capsulePoints.size(), 1u);
}

} // namespace
} // namespace quorvane
