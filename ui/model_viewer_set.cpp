#include "ui/model_viewer_set.h"

#include "modelfile/model_file.h"
#include "render/animation.h"
#include "render/common_device.h"
#include "render/model_loaders.h"

#include <chrono>
#include <thread>

namespace quorvane {
namespace {

constexpr std::chrono::milliseconds kSlotRetry{10};
// As long as a placed model waits for an upload entry.
constexpr std::chrono::milliseconds kSlotPatience{11000};

std::optional<CLoaderSlot> AcquireUntilStopped(CCommonDevice& device, const std::stop_token& stop) {
    const auto deadline = std::chrono::steady_clock::now() + kSlotPatience;
    while (!stop.stop_requested() && std::chrono::steady_clock::now() < deadline) {
        if (auto index = AcquireLoaderSlot(device.UploadPool(), 1, std::chrono::milliseconds(0))) {
            return CLoaderSlot(device, *index);
        }
        std::this_thread::sleep_for(kSlotRetry);
    }
    return std::nullopt;
}

} // namespace

std::unique_ptr<ViewerModelSet> BuildViewerModelSet(CCommonDevice& device, const CModelDefinition& definition,
                                                    const std::stop_token& stop,
                                                    std::vector<std::string>& failed) {
    auto set = std::make_unique<ViewerModelSet>();
    set->definition = definition;
    const size_t count = std::min<size_t>(definition.count, ViewerModelSet::kSlotCount);
    for (size_t i = 0; i < count; ++i) {
        if (definition.lodValues[i] != 0) {
            continue;
        }
        if (stop.stop_requested()) {
            set->abandoned = true;
            return set;
        }
        ViewerSlot& slot = set->entries[i];
        slot.model = std::make_unique<CModel>();
        std::string ignored; // the path alone is reported
        if (!ReadAnyModelFile(*slot.model, definition.paths[i], ignored)) {
            failed.push_back(definition.paths[i]);
        }
        std::optional<CLoaderSlot> upload = AcquireUntilStopped(device, stop);
        if (!upload) {
            // Without an upload entry there is nothing to draw it with.
            set->abandoned = stop.stop_requested();
            if (set->abandoned) {
                return set;
            }
            failed.push_back(definition.paths[i]);
            slot.model.reset();
            continue;
        }
        const auto index = static_cast<uint32_t>(upload->Index());
        slot.drawModel =
            std::make_unique<CDrawModel>(&device, device.UploadPool().Buffer(index), upload->Index());
        slot.upload = std::move(*upload);
        const bool skinned = !slot.model->bones.empty();
        slot.drawModel->Build(slot.model.get(), ChooseDrawModelPlacement(device), skinned);
        UpdateDrawModel(*slot.drawModel);
    }
    return set;
}

bool AdvanceViewerUploads(ViewerModelSet& set, std::vector<VkCommandBuffer>& commands) {
    bool allReady = true;
    for (ViewerSlot& slot : set.entries) {
        if (!slot.drawModel) {
            continue;
        }
        if (!slot.drawModel->AdvanceUpload(commands)) {
            allReady = false;
            continue;
        }
        slot.upload.ReleaseNow();
    }
    return allReady;
}

bool ViewerSetReady(const ViewerModelSet& set) {
    for (const ViewerSlot& slot : set.entries) {
        if (slot.drawModel && (slot.drawModel->LoadState() != 4 || slot.upload.Held())) {
            return false;
        }
    }
    return true;
}

} // namespace quorvane
