// The files a model is built from, named, or read through before a change to them is rebuilt.
#include "modeldata/collider_reader.h"
#include "render/model_registry.h"
#include "render/texture_image.h"

#include <filesystem>

namespace quorvane {
namespace {

bool Present(const std::string& file) {
    std::error_code error;
    return std::filesystem::exists(file, error);
}

} // namespace

ModelFileCheck CModelRegistry::CheckModelFiles(const std::string& path, bool thorough) {
    ModelFileCheck check;
    const std::string resolved = Resolve(path);
    check.files.push_back(resolved);
    std::shared_ptr<const CModel> model;
    if (thorough) {
        model = ReadOwnModel(path, check.why);
    } else {
        // In use, so the cache holds it: naming the files reads nothing.
        model = readCache_.Get(
            resolved, [&](std::string& reason) { return ReadOwnModel(path, reason); }, check.why);
    }
    if (!model) {
        return check;
    }
    // A model file caught half written may still parse, as a model with nothing in it.
    if (thorough && model->geometries.empty()) {
        check.why = resolved + " holds no geometry";
        return check;
    }
    if (!model->colliderFile.empty()) {
        const std::string colliders = model->directory + model->colliderFile;
        check.files.push_back(colliders);
        CColliderSet set;
        std::string why;
        if (thorough && Present(colliders) && !ReadColliderFile(set, colliders, why)) {
            check.why = why;
            return check;
        }
    }
    for (const auto& texture : model->textures) {
        const std::string file = texture ? model->TextureFile(*texture) : std::string();
        if (file.empty()) {
            continue;
        }
        check.files.push_back(file);
        RgbaImage image;
        std::string why;
        if (thorough && Present(file) && !DecodeImageFile(file, image, why)) {
            check.why = file + ": " + why;
            return check;
        }
    }
    check.reads = true;
    return check;
}

} // namespace quorvane
