#pragma once

#include "modeldata/animation.h"
#include "modeldata/geometry.h"
#include "modeldata/model_types.h"
#include "modeldata/skeleton.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

struct CMaterial {
    // Consecutive, in this order: the GPU build copies them as one block.
    Color4 diffuse{};
    Color4 ambient{};
    Color4 emission{};
    Color4 specular{};
    std::string name;      // what polygon blocks refer to
    std::string textureId; // id of the CTextureRef it uses; empty when untextured

    std::array<float, 16> ColourBlock() const;
};

struct CTextureRef {
    std::string id;
    std::string fileName; // relative to the model's directory
};

// One loaded model. Filled by exactly one reader (text model or COLLADA), then
// only read, except that animation files append animations.
//
// Bone ownership: the model owns every bone, either in its bone table (bones,
// which skin weights index and animation channels target) or, for bones that
// appear only in a bone tree, in a separate store. rootBones, children and
// parent are non-owning links.
class CModel {
public:
    CModel() = default;
    CModel(const CModel&) = delete;
    CModel& operator=(const CModel&) = delete;
    CModel(CModel&&) = default;
    CModel& operator=(CModel&&) = default;
    ~CModel() = default;

    std::string id;
    std::string colliderFile; // relative to directory; empty when the model has no colliders
    std::string directory;    // with its trailing "/" or "\"; prefix for textures and colliders
    int32_t splatMapCount = 0;
    int32_t splatMapTextureLayout = 0;
    std::vector<std::unique_ptr<CGeometry>> geometries;
    std::vector<std::unique_ptr<CMaterial>> materials;
    std::vector<std::unique_ptr<CTextureRef>> textures;
    std::vector<std::unique_ptr<CBone>> bones; // the bone table
    std::vector<CBone*> rootBones;             // tree roots, in the order their trees appear
    std::vector<std::unique_ptr<CAnimation>> animations;

    // Appends a bone to the bone table.
    CBone* AddTableBone(std::string boneName);
    // Makes a bone owned by the model but not in the bone table (tree-only).
    CBone* AddTreeOnlyBone(std::string boneName);
    // Links child under parent (parent null: child becomes a root).
    void AttachBone(CBone* parent, CBone* child);

    const std::vector<std::unique_ptr<CBone>>& TreeOnlyBones() const { return treeOnlyBones_; }

    // First match in file order, or null.
    CBone* FindBoneByName(std::string_view boneName) const;
    CBone* FindBoneById(std::string_view boneId) const;
    const CMaterial* FindMaterial(std::string_view materialName) const;
    // Position of the texture reference with this id in textures, or -1.
    int64_t FindTextureIndex(std::string_view textureId) const;
    // The file texture names: beside the model unless its name is absolute;
    // empty when it names none (not the model's folder).
    std::string TextureFile(const CTextureRef& texture) const;
    const CAnimation* FindAnimation(std::string_view animationName) const;

private:
    std::vector<std::unique_ptr<CBone>> treeOnlyBones_;
};

} // namespace quorvane
