#pragma once

#include "manifest.h"
#include "mesh.h"

#include <filesystem>
#include <string>
#include <vector>

namespace quorvane::demofield {

struct CMaterialDesc {
    std::string name;
    Rgba diffuse{1, 1, 1, 1};
    std::string textureId; // empty: untextured
    Rgba ambient{0.35f, 0.35f, 0.35f, 1};
    Rgba specular{0.1f, 0.1f, 0.1f, 1};
};

struct CTextureDesc {
    std::string id;
    std::string fileName; // relative to the model's folder
};

struct CGeometryDesc {
    std::string id;
    const CMesh* mesh = nullptr;
    bool splatLayout = false;
};

struct CBoneDesc {
    std::string name;
    std::string id;
    int32_t parent = -1; // index into the bone list, -1 for a root
    Mat4 joint = Identity();
    Mat4 inverseBind = Identity();
};

struct CModelDesc {
    std::string id;
    std::string colliderFile;
    int32_t splatMapCount = 0;
    int32_t splatMapTextureLayout = 0;
    std::vector<CMaterialDesc> materials;
    std::vector<CTextureDesc> textures;
    std::vector<CGeometryDesc> geometries;
    std::vector<CBoneDesc> bones; // the bone table; trees follow the parent links
};

std::string ModelText(const CModelDesc& model);

// Collision shapes. Spheres and boxes have one control point (the centre, the
// radius being the sphere radius or the box's half size); capsules and
// rectangles two (the ends of their axis); meshes a triangle list.
struct CColliderDesc {
    std::string name;
    int32_t type = 0; // 1 sphere, 2 box, 3 capsule, 4 rectangle, 5 mesh
    double radius = 0;
    std::vector<Vec3> points;
    std::vector<Vec3> normals;        // mesh only, one per point
    std::vector<int32_t> triangles;   // mesh only
    std::vector<CInfluences> weights; // one per point when the shape follows bones
};

std::string ColliderText(const std::string& modelId, const std::vector<CColliderDesc>& colliders);

struct CChannelDesc {
    std::string target; // bone id
    std::vector<double> keyTimes;
    std::vector<Mat4> poses;
};

std::string AnimationText(const std::string& targetModelId, const std::string& animationId,
                          const std::vector<CChannelDesc>& channels);

// Writes files under the output root and records them in the manifest.
class COutput {
public:
    COutput(std::filesystem::path root, CManifest& manifest) : root_(std::move(root)), manifest_(manifest) {}

    const std::filesystem::path& Root() const { return root_; }
    CManifest& Manifest() { return manifest_; }

    void WriteBytes(const std::string& relativePath, std::string_view bytes);
    void WriteModel(const std::string& relativePath, const CModelDesc& model);
    void WriteColliders(const std::string& relativePath, const std::string& modelId,
                        const std::vector<CColliderDesc>& colliders);
    void WriteAnimation(const std::string& relativePath, const std::string& targetModelId,
                        const std::string& animationId, const std::vector<CChannelDesc>& channels);

private:
    std::filesystem::path root_;
    CManifest& manifest_;
};

// The folder part of a relative path, with its trailing "/".
std::string FolderOf(const std::string& relativePath);

} // namespace quorvane::demofield
