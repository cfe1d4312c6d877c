#include "model_writer.h"

#include "text_writer.h"

namespace quorvane::demofield {
namespace {

constexpr int kPositionDecimals = 3;
constexpr int kUnitDecimals = 4; // normals, texture coordinates, weights
constexpr int kColourDecimals = 3;
constexpr int kMatrixDecimals = 6;

void FloatArray(CTextWriter& w, const std::string& id, int width, const std::vector<double>& values,
                int decimals) {
    w.Key("FLOAT_ARRAY_BEGIN");
    w.Key("FLOAT_ARRAY_ID", id);
    w.Key("FLOAT_ARRAY_FLOAT_COUNT", width);
    w.Key("FLOAT_ARRAY_COUNT", static_cast<int64_t>(values.size()) / width);
    w.Key("FLOAT_ARRAY");
    w.Numbers(values, decimals);
    w.Key("FLOAT_ARRAY_END");
}

std::vector<double> Flatten(const std::vector<Vec3>& vectors) {
    std::vector<double> out;
    out.reserve(vectors.size() * 3);
    for (const Vec3& v : vectors) {
        out.insert(out.end(), {v.x, v.y, v.z});
    }
    return out;
}

void Weights(CTextWriter& w, const std::vector<CInfluences>& rows) {
    w.Key("WEIGHTS_BEGIN");
    w.Key("WEIGHTS_SIZE", static_cast<int64_t>(rows.size()));
    w.Key("APPLY_BONE_NUM", 8);
    std::string& text = w.Text();
    bool first = true;
    for (const CInfluences& row : rows) {
        for (const CInfluence& influence : row) {
            if (!first) {
                text.push_back(' ');
            }
            first = false;
            AppendInt(text, influence.bone);
            text.push_back(' ');
            AppendFixed(text, influence.weight, kUnitDecimals);
        }
    }
    text.push_back('\n');
    w.Key("WEIGHTS_END");
}

void Matrix(CTextWriter& w, std::string_view key, const Mat4& m) {
    w.Key(key);
    w.Numbers(m, kMatrixDecimals);
}

void Colour(CTextWriter& w, std::string_view key, const Rgba& c) {
    w.Key(key);
    w.Numbers(c, kColourDecimals);
}

void Geometry(CTextWriter& w, const CGeometryDesc& geometry) {
    const CMesh& mesh = *geometry.mesh;
    w.Key("GEOMETRY_BEGIN");
    w.Key("GEOMETRY_ID", geometry.id);
    if (geometry.splatLayout) {
        w.Key("IS_SPLAT_MAP_LAYOUT");
        w.Key("SPLAT_MAP_DECAL_TEXTURE_NUM", 0);
    }
    w.Key("VERTEX_COUNT", mesh.VertexCount());
    FloatArray(w, "position", 3, Flatten(mesh.positions), kPositionDecimals);
    FloatArray(w, "normal", 3, Flatten(mesh.normals), kUnitDecimals);
    std::vector<double> colours;
    colours.reserve(mesh.colours.size() * 4);
    for (const Rgba& c : mesh.colours) {
        colours.insert(colours.end(), c.begin(), c.end());
    }
    FloatArray(w, "color", 4, colours, kColourDecimals);
    std::vector<double> uvs;
    uvs.reserve(mesh.uvs.size() * 2);
    for (const auto& uv : mesh.uvs) {
        uvs.insert(uvs.end(), uv.begin(), uv.end());
    }
    FloatArray(w, "uv", 2, uvs, kUnitDecimals);
    for (const CMeshPart& part : mesh.parts) {
        if (part.indices.empty()) {
            continue;
        }
        w.Key("POLYGON_DATA_BEGIN");
        w.Key("MATERIAL_ID", part.material);
        w.Key("VERTEX_ID", "position");
        w.Key("NORMAL_ID", "normal");
        w.Key("COLOR_ID", "color");
        w.Key("TEX_ID", 1);
        w.Line("uv");
        // One index per corner serves all four streams.
        w.Key("VERTEX_OFFSET", 0);
        w.Key("NORMAL_OFFSET", 0);
        w.Key("COLOR_OFFSET", 0);
        w.Key("TEX_OFFSET", 0);
        w.Key("POLYGON_INDEX_COUNT", static_cast<int64_t>(part.indices.size()));
        w.Ints(part.indices);
        w.Key("POLYGON_DATA_END");
    }
    if (!mesh.weights.empty()) {
        Weights(w, mesh.weights);
    }
    w.Key("GEOMETRY_END");
}

void BoneTree(CTextWriter& w, const std::vector<CBoneDesc>& bones, int32_t index) {
    const CBoneDesc& bone = bones[static_cast<size_t>(index)];
    w.Key("BONE_NAME", bone.name);
    w.Key("BONE_ID", bone.id);
    w.Key("BONE_TYPE", 2);
    Matrix(w, "INV_BIND_MATRIX", bone.inverseBind);
    Matrix(w, "JOINT_MATRIX", bone.joint);
    std::vector<int32_t> children;
    for (size_t i = 0; i < bones.size(); ++i) {
        if (bones[i].parent == index) {
            children.push_back(static_cast<int32_t>(i));
        }
    }
    w.Key("CHILD_COUNT", static_cast<int64_t>(children.size()));
    for (int32_t child : children) {
        BoneTree(w, bones, child);
    }
}

} // namespace

std::string ModelText(const CModelDesc& model) {
    CTextWriter w;
    w.Key("MODEL_ID");
    w.Line(model.id);
    if (!model.colliderFile.empty()) {
        w.Key("COLLIDER_FILE_PATH");
        w.Line(model.colliderFile);
    }
    if (model.splatMapCount > 0) {
        w.Key("SPLAT_MAP_COUNT", model.splatMapCount);
        w.Key("SPLAT_MAP_TEXTURE_LAYOUT", model.splatMapTextureLayout);
    }
    for (const CTextureDesc& texture : model.textures) {
        w.Key("TEXTURE_BEGIN");
        w.Key("TEXTURE_ID", texture.id);
        w.Key("TEXTURE_NAME", texture.fileName);
        w.Key("TEXTURE_END");
    }
    for (const CMaterialDesc& material : model.materials) {
        w.Key("MATERIAL_BEGIN");
        w.Key("MATERIAL_NAME", material.name);
        if (!material.textureId.empty()) {
            w.Key("TEXTURE_NAME", material.textureId);
        }
        Colour(w, "DIFFUSE", material.diffuse);
        Colour(w, "AMBIENT", material.ambient);
        Colour(w, "SPECULAR", material.specular);
        Colour(w, "EMMITION", {0, 0, 0, 1});
        w.Key("MATERIAL_END");
    }
    for (const CGeometryDesc& geometry : model.geometries) {
        Geometry(w, geometry);
    }
    if (!model.bones.empty()) {
        w.Key("BONE_ARRAY");
        std::string names;
        for (const CBoneDesc& bone : model.bones) {
            if (!names.empty()) {
                names.push_back(' ');
            }
            names += bone.name;
        }
        w.Line(names);
        for (size_t i = 0; i < model.bones.size(); ++i) {
            if (model.bones[i].parent < 0) {
                w.Key("BONE");
                BoneTree(w, model.bones, static_cast<int32_t>(i));
            }
        }
    }
    return w.Take();
}

std::string ColliderText(const std::string& modelId, const std::vector<CColliderDesc>& colliders) {
    static constexpr const char* kTypeNames[] = {"",
                                                 "COLLIDER_TYPE_SPHERE",
                                                 "COLLIDER_TYPE_BOX",
                                                 "COLLIDER_TYPE_CAPSULE",
                                                 "COLLIDER_TYPE_RECT",
                                                 "COLLIDER_TYPE_MESH"};
    CTextWriter w;
    w.Key("MODEL_ID");
    w.Line(modelId);
    for (const CColliderDesc& collider : colliders) {
        w.Key("GEOMETRY_BEGIN");
        w.Key("GEOMETRY_ID", collider.name);
        w.Key("COLLIDER_TYPE", kTypeNames[collider.type]);
        w.KeyNumber("R", collider.radius, kPositionDecimals);
        FloatArray(w, "position", 3, Flatten(collider.points), kPositionDecimals);
        if (!collider.normals.empty()) {
            FloatArray(w, "normal", 3, Flatten(collider.normals), kUnitDecimals);
        }
        if (!collider.triangles.empty()) {
            w.Key("POLYGON_DATA_BEGIN");
            w.Key("VERTEX_ID", "position");
            w.Key("NORMAL_ID", "normal");
            // Position and normal index pairs, one pair per corner.
            std::vector<int32_t> pairs;
            pairs.reserve(collider.triangles.size() * 2);
            for (int32_t index : collider.triangles) {
                pairs.insert(pairs.end(), {index, index});
            }
            w.Key("POLYGON_INDEX_COUNT", static_cast<int64_t>(pairs.size()));
            w.Ints(pairs);
            w.Key("POLYGON_DATA_END");
        }
        if (!collider.weights.empty()) {
            Weights(w, collider.weights);
        }
        w.Key("GEOMETRY_END");
    }
    return w.Take();
}

std::string AnimationText(const std::string& targetModelId, const std::string& animationId,
                          const std::vector<CChannelDesc>& channels) {
    CTextWriter w;
    w.Key("TARGET_MODEL_ID");
    w.Line(targetModelId);
    w.Key("ANIMATION_ID");
    w.Line(animationId);
    for (const CChannelDesc& channel : channels) {
        w.Key("ANIMATION_BEGIN");
        w.Key("TARGET", channel.target);
        w.Key("KEY_TIME");
        w.Numbers(channel.keyTimes, kUnitDecimals);
        w.Key("POSE_MATRIX");
        for (const Mat4& pose : channel.poses) {
            w.Numbers(pose, kMatrixDecimals);
        }
        w.Key("POSE_MATRIX_END");
        w.Key("ANIMATION_END");
    }
    return w.Take();
}

std::string FolderOf(const std::string& relativePath) {
    const size_t slash = relativePath.find_last_of('/');
    return slash == std::string::npos ? std::string() : relativePath.substr(0, slash + 1);
}

void COutput::WriteBytes(const std::string& relativePath, std::string_view bytes) {
    WriteFile(root_ / relativePath, bytes);
    manifest_.bytesWritten += static_cast<int64_t>(bytes.size());
}

void COutput::WriteModel(const std::string& relativePath, const CModelDesc& model) {
    WriteBytes(relativePath, ModelText(model));
    CWrittenModel written;
    written.path = relativePath;
    written.id = model.id;
    written.geometries = static_cast<int32_t>(model.geometries.size());
    for (const CGeometryDesc& geometry : model.geometries) {
        written.vertices += geometry.mesh->VertexCount();
        written.triangles += geometry.mesh->TriangleCount();
    }
    written.materials = static_cast<int32_t>(model.materials.size());
    written.textures = static_cast<int32_t>(model.textures.size());
    written.bones = static_cast<int32_t>(model.bones.size());
    written.colliderFile = model.colliderFile;
    manifest_.models.push_back(std::move(written));
}

void COutput::WriteColliders(const std::string& relativePath, const std::string& modelId,
                             const std::vector<CColliderDesc>& colliders) {
    WriteBytes(relativePath, ColliderText(modelId, colliders));
    CWrittenColliders written;
    written.path = relativePath;
    for (const CColliderDesc& collider : colliders) {
        ++written.countByType[static_cast<size_t>(collider.type)];
        written.meshTriangles += static_cast<int64_t>(collider.triangles.size() / 3);
    }
    manifest_.colliders.push_back(std::move(written));
}

void COutput::WriteAnimation(const std::string& relativePath, const std::string& targetModelId,
                             const std::string& animationId, const std::vector<CChannelDesc>& channels) {
    WriteBytes(relativePath, AnimationText(targetModelId, animationId, channels));
    CWrittenAnimation written;
    written.path = relativePath;
    written.targetModelId = targetModelId;
    written.channels = static_cast<int32_t>(channels.size());
    written.keysPerChannel = channels.empty() ? 0 : static_cast<int32_t>(channels.front().keyTimes.size());
    manifest_.animations.push_back(std::move(written));
}

} // namespace quorvane::demofield
