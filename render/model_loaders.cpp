#include "render/model_loaders.h"

#include "modeldata/collider_reader.h"
#include "modeldata/collider_skin_records.h"
#include "modelfile/model_file.h"
#include "render/collider_display.h"
#include "render/common_device.h"

namespace quorvane {

std::string ResolveModelPath(const std::filesystem::path& root, const std::string& path) {
    if (root.empty() || root == "." || std::filesystem::path(path).is_absolute()) {
        return path;
    }
    return (root / path).generic_string();
}

std::unique_ptr<CModel> ReadModelForPath(const std::string& path, const std::filesystem::path& root,
                                         std::string& why) {
    auto model = std::make_unique<CModel>();
    if (!ReadAnyModelFile(*model, ResolveModelPath(root, path), why)) {
        return nullptr;
    }
    return model;
}

DrawModelPlacement ChooseDrawModelPlacement(VkDeviceSize usage, VkDeviceSize budget, float limit, bool uma) {
    if (uma || budget == 0) {
        return DrawModelPlacement::CpuVisible;
    }
    const double use = static_cast<double>(usage) / static_cast<double>(budget) * 100.0;
    return use > static_cast<double>(limit) ? DrawModelPlacement::CpuVisible
                                            : DrawModelPlacement::VideoMemory;
}

DrawModelPlacement ChooseDrawModelPlacement(const CCommonDevice& device) {
    return ChooseDrawModelPlacement(device.VideoMemoryUsage(), device.VideoMemoryBudget(),
                                    device.videoMemoryLimit, device.uma);
}

std::unique_ptr<CColliderSet> LoadColliderSet(const std::string& path, CCommonDevice& device,
                                              std::string& why) {
    auto set = std::make_unique<CColliderSet>();
    if (!ReadColliderFile(*set, path, why)) {
        return nullptr;
    }
    BuildColliderSkinRecords(*set);
    // Display data that could not be made only hide the meshes; collision still works.
    CreateColliderGpuData(*set, device);
    return set;
}

ColliderPose ColliderPoseOf(const CDrawModel& model, std::vector<Matrix4>& palette) {
    palette.clear();
    palette.reserve(model.bones.size());
    for (const auto& bone : model.bones) {
        palette.push_back(bone->finalMatrix);
    }
    ColliderPose pose;
    pose.palette = palette;
    pose.world = model.worldMatrix;
    pose.rotationScale = model.rotationScale;
    return pose;
}

CBoundingBox BoundsOf(const CDrawModel& model) {
    const Vec3 low = BoxMinimum(model.boxCorners);
    const Vec3 high = BoxMaximum(model.boxCorners);
    return CBoundingBox{{low.x, low.y, low.z, 0.0f}, {high.x, high.y, high.z, 0.0f}};
}

} // namespace quorvane
