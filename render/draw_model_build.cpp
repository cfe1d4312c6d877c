// The CPU half of the drawable model build: vertices, boxes, bones, animations.
#include "modeldata/model.h"
#include "render/draw_model.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

namespace quorvane {
namespace {

constexpr float kBoxExtreme = 10000.0f;

// Whether corner i takes the box maximum in x, y and z.
constexpr std::array<std::array<bool, 3>, 8> kCornerRoles = {{
    {false, false, false},
    {false, true, false},
    {true, true, false},
    {true, false, false},
    {false, false, true},
    {false, true, true},
    {true, true, true},
    {true, false, true},
}};

// Stream vector at the index found at position g + offset, or empty.
std::span<const float> StreamVector(const CFloatArray* stream, const CPolygonData& block, int64_t g,
                                    int32_t offset) {
    if (stream == nullptr || offset < 0) {
        return {};
    }
    const auto at = static_cast<size_t>(g + offset);
    if (at >= block.indices.size()) {
        return {};
    }
    return stream->Vector(block.indices[at]);
}

int32_t StreamIndex(const CPolygonData& block, int64_t g, int32_t offset) {
    if (offset < 0) {
        return -1;
    }
    const auto at = static_cast<size_t>(g + offset);
    return at < block.indices.size() ? block.indices[at] : -1;
}

float Distance(const Vec3& a, const Vec4& b) {
    return Length(Vec3{b.x - a.x, b.y - a.y, b.z - a.z});
}

} // namespace

BoxCorners EmptyBoxCorners() {
    BoxCorners box{};
    for (size_t i = 0; i < box.size(); ++i) {
        box[i].x = kCornerRoles[i][0] ? -kBoxExtreme : kBoxExtreme;
        box[i].y = kCornerRoles[i][1] ? -kBoxExtreme : kBoxExtreme;
        box[i].z = kCornerRoles[i][2] ? -kBoxExtreme : kBoxExtreme;
    }
    return box;
}

void ExtendBox(BoxCorners& box, const Vec3& p) {
    for (size_t i = 0; i < box.size(); ++i) {
        box[i].x = kCornerRoles[i][0] ? std::max(box[i].x, p.x) : std::min(box[i].x, p.x);
        box[i].y = kCornerRoles[i][1] ? std::max(box[i].y, p.y) : std::min(box[i].y, p.y);
        box[i].z = kCornerRoles[i][2] ? std::max(box[i].z, p.z) : std::min(box[i].z, p.z);
    }
}

Vec3 BoxMinimum(const BoxCorners& box) {
    return {box[0].x, box[0].y, box[0].z};
}

Vec3 BoxMaximum(const BoxCorners& box) {
    return {box[6].x, box[6].y, box[6].z};
}

Matrix4 TransposedFromFile(const std::array<float, 16>& m) {
    Matrix4 file;
    file.m = m;
    return Transpose(file);
}

std::vector<ColorVertex> ExpandPolygonBlock(const CGeometry& geometry, const CPolygonData& block,
                                            BoxCorners& meshBox, BoxCorners& modelBox) {
    const int64_t groupLength = block.GroupLength();
    if (groupLength <= 0) {
        return {};
    }
    const int64_t corners = static_cast<int64_t>(block.indices.size()) / groupLength;
    const CFloatArray* positions = geometry.FindFloatArray(block.vertexId);
    const CFloatArray* normals = geometry.FindFloatArray(block.normalId);
    const CFloatArray* colours = geometry.FindFloatArray(block.colorId);
    std::vector<const CFloatArray*> texStreams;
    for (const std::string& texId : block.texIds) {
        if (const CFloatArray* stream = geometry.FindFloatArray(texId)) {
            texStreams.push_back(stream);
        }
    }

    std::vector<ColorVertex> vertices(static_cast<size_t>(corners));
    for (int64_t c = 0; c < corners; ++c) {
        const int64_t g = c * groupLength;
        ColorVertex& v = vertices[static_cast<size_t>(c)];
        v = ColorVertex{};
        if (positions != nullptr && block.vertexOffset >= 0) {
            const auto p = StreamVector(positions, block, g, block.vertexOffset);
            for (size_t i = 0; i < std::min<size_t>(3, p.size()); ++i) {
                v.position[i] = p[i];
            }
            const int32_t index = StreamIndex(block, g, block.vertexOffset);
            if (geometry.HasWeights() && index >= 0 && static_cast<size_t>(index) < geometry.weights.size()) {
                const CWeightRow& row = geometry.weights[static_cast<size_t>(index)];
                for (size_t j = 0; j < CWeightRow::kInfluences; ++j) {
                    v.texcoord[j + 1] = {row.influences[j].boneIndex, row.influences[j].weight};
                }
            }
            const Vec3 point{v.position[0], v.position[1], v.position[2]};
            ExtendBox(meshBox, point);
            ExtendBox(modelBox, point);
        }
        const auto n = StreamVector(normals, block, g, block.normalOffset);
        for (size_t i = 0; i < std::min<size_t>(3, n.size()); ++i) {
            v.normal[i] = n[i];
        }
        // The shaders modulate by the vertex colour: without a colour stream
        // the model shows its texture and material colours unchanged.
        if (colours == nullptr || block.colorOffset < 0) {
            v.color = {1.0f, 1.0f, 1.0f, 1.0f};
        } else {
            const auto col = StreamVector(colours, block, g, block.colorOffset);
            v.color = {0.0f, 0.0f, 0.0f, col.size() == 3 ? 1.0f : 0.0f};
            for (size_t i = 0; i < std::min<size_t>(4, col.size()); ++i) {
                v.color[i] = col[i];
            }
        }
        for (const CFloatArray* stream : texStreams) {
            const auto t = StreamVector(stream, block, g, block.texOffset);
            for (size_t i = 0; i < std::min<size_t>(2, t.size()); ++i) {
                v.texcoord[0][i] += t[i];
            }
        }
    }
    return vertices;
}

void CDrawModel::BuildCpu(const CModel& model) {
    id = model.id;
    splatMapCount = model.splatMapCount;
    splatMapTextureLayout = model.splatMapTextureLayout;
    BuildMeshes(model);
    CopyBones(model);
    CopyAnimations(model);
}

void CDrawModel::BuildMeshes(const CModel& model) {
    pendingVertices_.clear();
    for (const auto& geometry : model.geometries) {
        auto mesh = std::make_unique<CDrawMesh>();
        mesh->bindShapeMatrix = TransposedFromFile(geometry->bindShapeMatrix);
        mesh->isSplatMapLayout = geometry->isSplatMapLayout;
        mesh->splatMapDecalTextureNum = geometry->splatMapDecalTextureNum;
        std::vector<std::vector<ColorVertex>> meshVertices;
        for (const auto& block : geometry->polygons) {
            CDrawPart part;
            if (const CMaterial* material = model.FindMaterial(block->materialId)) {
                auto binding = std::make_unique<CMaterialBinding>();
                binding->colours = {Vec4{material->diffuse[0], material->diffuse[1], material->diffuse[2],
                                         material->diffuse[3]},
                                    Vec4{material->ambient[0], material->ambient[1], material->ambient[2],
                                         material->ambient[3]},
                                    Vec4{material->emission[0], material->emission[1], material->emission[2],
                                         material->emission[3]},
                                    Vec4{material->specular[0], material->specular[1], material->specular[2],
                                         material->specular[3]}};
                if (!material->textureId.empty()) {
                    binding->texturePosition =
                        static_cast<int32_t>(model.FindTextureIndex(material->textureId));
                }
                part.binding = std::move(binding);
            }
            std::vector<ColorVertex> vertices =
                ExpandPolygonBlock(*geometry, *block, mesh->boxCorners, boxCorners);
            part.vertexCount = static_cast<uint32_t>(vertices.size());
            mesh->parts.push_back(std::move(part));
            meshVertices.push_back(std::move(vertices));
        }
        const Vec3 low = BoxMinimum(mesh->boxCorners);
        const Vec3 high = BoxMaximum(mesh->boxCorners);
        mesh->center = (low + high) * 0.5f;
        mesh->radius = Distance(mesh->center, mesh->boxCorners[0]);
        meshes.push_back(std::move(mesh));
        pendingVertices_.push_back(std::move(meshVertices));
    }
    center = (BoxMinimum(boxCorners) + BoxMaximum(boxCorners)) * 0.5f;
    radius = Distance(center, boxCorners[0]);
}

void CDrawModel::CopyBones(const CModel& model) {
    bones.clear();
    treeOnlyBones.clear();
    rootBones.clear();
    std::unordered_map<std::string, CDrawBone*> byName;
    for (const auto& source : model.bones) {
        auto bone = std::make_unique<CDrawBone>();
        bone->id = source->id;
        bone->name = source->name;
        bone->type = source->type;
        bone->restMatrix = TransposedFromFile(source->jointMatrix);
        bone->inverseBindMatrix = TransposedFromFile(source->inverseBindMatrix);
        bone->localMatrix = bone->restMatrix;
        byName.emplace(bone->name, bone.get());
        bones.push_back(std::move(bone));
    }
    // The trees are rebuilt over the table's bones by name; a bone that is
    // only in a tree gets its own record. A bone is linked once, so a name
    // met twice cannot make a cycle. Trees may be very deep: no recursion.
    std::unordered_set<const CDrawBone*> linked;
    auto resolve = [&](const CBone* source) -> CDrawBone* {
        if (auto found = byName.find(source->name);
            found != byName.end() && !linked.contains(found->second)) {
            return found->second;
        }
        if (byName.contains(source->name)) {
            return nullptr; // already in a tree
        }
        auto bone = std::make_unique<CDrawBone>();
        bone->id = source->id;
        bone->name = source->name;
        bone->type = source->type;
        bone->restMatrix = TransposedFromFile(source->jointMatrix);
        bone->inverseBindMatrix = TransposedFromFile(source->inverseBindMatrix);
        bone->localMatrix = bone->restMatrix;
        treeOnlyBones.push_back(std::move(bone));
        return treeOnlyBones.back().get();
    };
    struct Pending {
        const CBone* source;
        CDrawBone* parent;
    };
    std::vector<Pending> stack;
    std::unordered_set<const CBone*> visited;
    for (const CBone* root : model.rootBones) {
        if (root == nullptr) {
            continue;
        }
        stack.push_back({root, nullptr});
        while (!stack.empty()) {
            const Pending next = stack.back();
            stack.pop_back();
            if (!visited.insert(next.source).second) {
                continue; // a bone met twice (a malformed tree) is linked once
            }
            CDrawBone* bone = resolve(next.source);
            if (bone == nullptr) {
                continue;
            }
            linked.insert(bone);
            if (next.parent == nullptr) {
                rootBones.push_back(bone);
            } else {
                bone->parent = next.parent;
                next.parent->children.push_back(bone);
            }
            for (auto child = next.source->children.rbegin(); child != next.source->children.rend();
                 ++child) {
                if (*child != nullptr) {
                    stack.push_back({*child, bone});
                }
            }
        }
    }
}

void CDrawModel::CopyAnimations(const CModel& model) {
    for (const auto& source : model.animations) {
        auto animation = std::make_unique<CDrawAnimation>();
        animation->name = source->name;
        animation->animationId = source->animationId;
        for (const auto& channel : source->channels) {
            CDrawChannel copy;
            copy.target = channel->target;
            for (const auto& bone : bones) {
                if (bone->id == channel->target) {
                    copy.bone = bone.get();
                    break;
                }
            }
            copy.keyTimes = channel->keyTimes;
            copy.poses.reserve(channel->poses.size());
            for (const Matrix4x4& pose : channel->poses) {
                copy.poses.push_back(TransposedFromFile(pose));
            }
            animation->channels.push_back(std::move(copy));
        }
        animations.push_back(std::move(animation));
    }
}

size_t CDrawModel::BoneIndex(const CDrawBone* bone) const {
    for (size_t i = 0; i < bones.size(); ++i) {
        if (bones[i].get() == bone) {
            return i;
        }
    }
    return bones.size();
}

CDrawBone* CDrawModel::FindBoneByName(const std::string& boneName) {
    for (const auto& bone : bones) {
        if (bone->name == boneName) {
            return bone.get();
        }
    }
    for (const auto& bone : treeOnlyBones) {
        if (bone->name == boneName) {
            return bone.get();
        }
    }
    return nullptr;
}

} // namespace quorvane
