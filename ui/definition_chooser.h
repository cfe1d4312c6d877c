#pragma once

#include "editor/field_handle.h"

#include <QString>
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <thread>

namespace quorvane {

// Takes a model definition for placing: reads the file and has the editing
// core load its models, on a worker thread so that neither the UI nor the
// render threads wait for the disk. One choice at a time: a click while the
// previous one is still loading is refused. The model viewer does this
// hand-off where it exists; without Vulkan windows the tree's clicks come here.
class CDefinitionChooser {
public:
    // report: told, from the worker thread, what could not be read (in Japanese).
    explicit CDefinitionChooser(std::function<void(const QString&)> report);
    ~CDefinitionChooser();
    CDefinitionChooser(const CDefinitionChooser&) = delete;
    CDefinitionChooser& operator=(const CDefinitionChooser&) = delete;

    // UI thread. False when refused (busy, or no core to hand the definition to).
    bool Choose(std::shared_ptr<CFieldHandle> field, const std::filesystem::path& definitionFile);
    bool Busy() const { return busy_.load(std::memory_order_acquire); }
    // Waits for the choice in progress; before the core goes away.
    void Wait();

private:
    void Run(CFieldHandle& field, const std::filesystem::path& definitionFile);

    std::function<void(const QString&)> report_;
    std::atomic<bool> busy_{false};
    std::thread worker_;
};

} // namespace quorvane
