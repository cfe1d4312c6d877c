#include "modeldata/model.h"

#include <algorithm>
#include <filesystem>

namespace quorvane {

std::array<float, 16> CMaterial::ColourBlock() const {
    std::array<float, 16> block{};
    auto out = block.begin();
    for (const Color4* colour : {&diffuse, &ambient, &emission, &specular}) {
        out = std::copy(colour->begin(), colour->end(), out);
    }
    return block;
}

CBone* CModel::AddTableBone(std::string boneName) {
    auto bone = std::make_unique<CBone>();
    bone->name = std::move(boneName);
    bones.push_back(std::move(bone));
    return bones.back().get();
}

CBone* CModel::AddTreeOnlyBone(std::string boneName) {
    auto bone = std::make_unique<CBone>();
    bone->name = std::move(boneName);
    treeOnlyBones_.push_back(std::move(bone));
    return treeOnlyBones_.back().get();
}

void CModel::AttachBone(CBone* parent, CBone* child) {
    child->parent = parent;
    if (parent != nullptr) {
        parent->children.push_back(child);
    } else {
        rootBones.push_back(child);
    }
}

CBone* CModel::FindBoneByName(std::string_view boneName) const {
    for (const auto& bone : bones) {
        if (bone->name == boneName) {
            return bone.get();
        }
    }
    return nullptr;
}

CBone* CModel::FindBoneById(std::string_view boneId) const {
    for (const auto& bone : bones) {
        if (bone->id == boneId) {
            return bone.get();
        }
    }
    return nullptr;
}

const CMaterial* CModel::FindMaterial(std::string_view materialName) const {
    for (const auto& material : materials) {
        if (material->name == materialName) {
            return material.get();
        }
    }
    return nullptr;
}

std::string CModel::TextureFile(const CTextureRef& texture) const {
    if (texture.fileName.empty() || std::filesystem::path(texture.fileName).is_absolute()) {
        return texture.fileName;
    }
    return directory + texture.fileName;
}

int64_t CModel::FindTextureIndex(std::string_view textureId) const {
    for (size_t i = 0; i < textures.size(); ++i) {
        if (textures[i]->id == textureId) {
            return static_cast<int64_t>(i);
        }
    }
    return -1;
}

const CAnimation* CModel::FindAnimation(std::string_view animationName) const {
    for (const auto& animation : animations) {
        if (animation->name == animationName) {
            return animation.get();
        }
    }
    return nullptr;
}

} // namespace quorvane
