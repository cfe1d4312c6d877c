#pragma once

// The GPU model registry on the small demo field, with the render thread's
// frame: shared by the tests that load demo models on a device.
#include "device_fixture.h"
#include "render/model_registry.h"
#include "tests/small_demo_field.h"

#include <array>
#include <chrono>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace quorvane::test {

// The collider counts by type the demo field wrote for the model (its collider file is beside it).
inline std::array<int32_t, 6> WrittenColliderCounts(const demofield::CWrittenModel& model) {
    const std::string file = model.path.substr(0, model.path.rfind('/') + 1) + model.colliderFile;
    for (const auto& colliders : SmallDemoManifest().colliders) {
        if (!model.colliderFile.empty() && colliders.path == file) {
            return colliders.countByType;
        }
    }
    return {};
}

// The first prop (no bones, no terrain) with a collider of the type.
inline const demofield::CWrittenModel* DemoPropWithCollider(ColliderType type) {
    for (const auto& model : SmallDemoManifest().models) {
        if (model.bones == 0 && model.path.find("main_field") == std::string::npos &&
            WrittenColliderCounts(model)[static_cast<size_t>(type)] > 0) {
            return &model;
        }
    }
    return nullptr;
}

inline std::unique_ptr<CModelEntry> NewEntry(const std::string& name, const std::string& path) {
    auto entry = std::make_unique<CModelEntry>();
    entry->name = name;
    entry->path = path;
    return entry;
}

class DemoRegistryTest : public HeadlessDeviceTest {
protected:
    void SetUp() override {
        HeadlessDeviceTest::SetUp();
        ASSERT_FALSE(SmallDemoManifest().models.empty());
        lists_ = std::make_unique<CRegistryLists>();
        MakeRegistry({});
    }

    // Whatever holds GPU objects goes before the device does.
    void TearDown() override {
        registry_.reset();
        lists_.reset();
        device_->WaitForGpu();
        device_->ReleaseFinishedObjects();
        HeadlessDeviceTest::TearDown();
    }

    void MakeRegistry(RegistryOptions options) {
        registry_.reset();
        options.modelRoot = SmallDemoRoot();
        registry_ = std::make_unique<CModelRegistry>(*device_, *lists_, options);
    }

    // A registry that records its failure reports and the files it parses, on which threads.
    void MakeRecordingRegistry(std::optional<DrawModelPlacement> placement) {
        RegistryOptions options;
        options.placement = placement;
        options.sleep = [](std::chrono::milliseconds) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        };
        options.failureSink = [this](const std::string& line) {
            std::lock_guard lock(reportMutex_);
            reports_.push_back(line);
        };
        options.onModelRead = [this](const std::string& path) {
            std::lock_guard lock(reportMutex_);
            ++reads_[path];
            readers_.insert(std::this_thread::get_id());
        };
        MakeRegistry(options);
    }

    // Uploads a frame carries besides the registry's own.
    virtual void AddUploads(std::vector<VkCommandBuffer>&) {}

    // One frame as the field view runs it: uploads go with the frame.
    void RunFrame() {
        ASSERT_TRUE(device_->BeginFrame());
        std::vector<VkCommandBuffer> uploads = registry_->FinishUploads();
        AddUploads(uploads);
        registry_->UpdateEntries(1);
        device_->ComposeFrame(nullptr);
        ASSERT_TRUE(device_->EndFrame(uploads));
        device_->WaitForGpu();
        device_->ReleaseFinishedObjects();
    }

    void RunFrames(int count) {
        for (int i = 0; i < count; ++i) {
            RunFrame();
        }
    }

    static std::string DemoPath(const std::string& relative) { return "./" + relative; }

    std::unique_ptr<CRegistryLists> lists_;
    std::unique_ptr<CModelRegistry> registry_;
    std::mutex reportMutex_;
    std::vector<std::string> reports_;
    std::map<std::string, int> reads_;
    std::set<std::thread::id> readers_;
};

} // namespace quorvane::test
