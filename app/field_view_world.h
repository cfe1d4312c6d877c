#pragma once

#include "editor/field_streaming.h"
#include "editor/main_field.h"
#include "editor/registry_lists.h"
#include "platform/periodic_timer.h"
#include "render/field_scene.h"
#include "render/model_registry.h"
#include "render/streaming_loader.h"

#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace quorvane {

class CCommonDevice;

// Everything of the field view that lives on its device: the registry lists,
// the GPU registry, the editing core, the scene, the tile streaming and its
// one-second timer. Members are built in this order and go in reverse, so the
// models' GPU objects are gone before the device. The render thread must be
// stopped before the world is destroyed.
class CFieldViewWorld {
public:
    static constexpr const char* kCharacterName = "SKELTON";
    static constexpr const char* kLowFieldName = "FIELD_LOW";
    static constexpr const char* kLowFieldPath = "./model/main_field/field_low/field_low.mdl";
    // Names a definition file to choose at start-up, until the model tree can.
    static constexpr const char* kChooseVariable = "QUORVANE_CHOOSE";

    explicit CFieldViewWorld(CCommonDevice& device);
    // Stops the background work if nobody did.
    ~CFieldViewWorld();
    CFieldViewWorld(const CFieldViewWorld&) = delete;
    CFieldViewWorld& operator=(const CFieldViewWorld&) = delete;

    // What opening the recovery journal tells: a failed write (on the journal
    // writer's thread), then the outcome of the opening (on the start-up thread).
    struct JournalHandlers {
        std::function<void(const std::string& failure)> writeFailed;
        std::function<void(bool opened, const std::string& message, size_t recoverable)> opened;
    };

    // On a thread of its own: opens the recovery journal (so that its file and
    // the grid map files it checks are never read on the UI thread), loads the
    // character and the low-detail field, then chooses the definition named by
    // QUORVANE_CHOOSE and starts the streaming timer. A model that fails is
    // reported and left out; a step that throws is reported and the next goes on.
    void StartLoading(JournalHandlers journal = {});
    bool StartupFinished() const { return startupFinished_.load(std::memory_order_acquire); }
    // Places what an earlier run left unwritten again, on a thread of its own:
    // its loads need the render thread running. done gets the parts restored
    // and what went wrong, on that thread.
    void StartRestore(std::function<void(int32_t restored, const std::string& message)> done);
    bool RestoreFinished() const { return restoreFinished_.load(std::memory_order_acquire); }
    // Ends the start-up loads and a restore, stops the timer and joins every loader thread.
    // Call it while the render thread still runs: a load waiting for a loader
    // slot gets it only when the frame loop finishes an upload.
    void StopBackgroundWork();

    CRegistryLists lists;
    CModelRegistry registry;
    CMainField field;
    CFieldScene scene;
    CRegistryStreamingLoader streamingLoader;
    CFieldStreaming streaming;
    CPeriodicTimer streamTimer{"ストリーミング"};

private:
    void LoadStartModels(const std::stop_token& stop, const JournalHandlers& journal);
    void OpenJournal(const JournalHandlers& journal);
    void LoadCharacter();
    void LoadLowDetailField();
    void ChooseFromEnvironment();

    std::atomic<bool> startupFinished_{false};
    std::atomic<bool> restoreFinished_{false};
    std::jthread restore_; // joined before the field goes
    std::jthread startup_; // last: stopped and joined first
};

} // namespace quorvane
