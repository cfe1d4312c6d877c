#pragma once

#include "editor/model_definition.h"
#include "modeldata/model.h"
#include "render/draw_model.h"
#include "render/loader_slots.h"

#include <array>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <vector>

namespace quorvane {

class CCommonDevice;

// One slot of the viewer: a model with its drawable form, and the upload
// entry its GPU copies are recorded in until they have run.
struct ViewerSlot {
    std::unique_ptr<CModel> model;
    std::unique_ptr<CDrawModel> drawModel;
    CLoaderSlot upload;
};

// The models of one definition, by definition entry index.
struct ViewerModelSet {
    static constexpr size_t kSlotCount = 8;

    CModelDefinition definition;
    std::array<ViewerSlot, kSlotCount> entries; // by slot
    // Set when the loader gave up (shut-down): the set is only released.
    bool abandoned = false;
};

// Builds the drawable models of the definition's level-0 entries (each read
// by ReadAnyModelFile, as the field reads them) in the first eight slots on
// device, recording their uploads in the device's upload pool; the render
// thread submits them (AdvanceViewerUploads).
// Waiting for an upload entry gives up when stop is requested; the set is
// then marked abandoned. failed gets the paths that could not be read.
std::unique_ptr<ViewerModelSet> BuildViewerModelSet(CCommonDevice& device, const CModelDefinition& definition,
                                                    const std::stop_token& stop,
                                                    std::vector<std::string>& failed);

// Render thread, after BeginFrame: moves each slot's upload a step on (its
// recorded commands go into commands) and gives the upload entry back once
// the copies have run. True when every drawable model of the set is ready.
bool AdvanceViewerUploads(ViewerModelSet& set, std::vector<VkCommandBuffer>& commands);
// Every drawable model of the set is ready and holds no upload entry.
bool ViewerSetReady(const ViewerModelSet& set);

} // namespace quorvane
