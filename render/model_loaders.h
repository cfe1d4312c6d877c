#pragma once

#include "editor/model_entry.h"
#include "modeldata/collider.h"
#include "modeldata/model.h"
#include "render/collider_skinning.h"
#include "render/draw_model.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>
#include <vulkan/vulkan.h>

namespace quorvane {

class CCommonDevice;

// Where a path written for the working directory lies under root ("." keeps
// it as it is; an absolute path stays absolute).
std::string ResolveModelPath(const std::filesystem::path& root, const std::string& path);

// Reads path (under root) with the reader ReadAnyModelFile picks. Null, with
// why set, when the file is no model or could not be read: a missing file
// must not look like an empty model.
std::unique_ptr<CModel> ReadModelForPath(const std::string& path, const std::filesystem::path& root,
                                         std::string& why);

// CPU-visible when video memory use (usage / budget x 100) is above limit,
// when the budget is unknown (0: lavapipe and drivers without a budget query)
// or on a unified-memory device; otherwise video memory.
DrawModelPlacement ChooseDrawModelPlacement(VkDeviceSize usage, VkDeviceSize budget, float limit, bool uma);
DrawModelPlacement ChooseDrawModelPlacement(const CCommonDevice& device);

// The model's colliders: the collider file read, skin records built, display
// data created. Null, with why set, when the file could not be read.
std::unique_ptr<CColliderSet> LoadColliderSet(const std::string& path, CCommonDevice& device,
                                              std::string& why);

// The drawable model's pose for its colliders. palette receives the final
// matrices in bone-table order and must outlive the returned pose.
ColliderPose ColliderPoseOf(const CDrawModel& model, std::vector<Matrix4>& palette);

// Box of the drawable model in its own space, for the editor.
CBoundingBox BoundsOf(const CDrawModel& model);

} // namespace quorvane
