#include "tools/mdlinfo/summary.h"

#include "modeldata/ascii_case.h"
#include "modelfile/model_format.h"

#include <sstream>

namespace quorvane::mdlinfo {
namespace {

std::string OrNone(const std::string& text) {
    return text.empty() ? "(none)" : text;
}

size_t CountTreeBones(const CBone* root) {
    size_t count = 0;
    std::vector<const CBone*> pending{root};
    while (!pending.empty()) {
        const CBone* bone = pending.back();
        pending.pop_back();
        ++count;
        pending.insert(pending.end(), bone->children.begin(), bone->children.end());
    }
    return count;
}

// Corners whose index at offset falls outside the stream's vectors.
int64_t CountOutOfRange(const CPolygonData& polygon, int32_t offset, const CFloatArray& stream) {
    const int64_t length = polygon.GroupLength();
    if (offset < 0 || length <= 0) {
        return 0;
    }
    int64_t bad = 0;
    for (int64_t corner = 0; corner < polygon.CornerCount(); ++corner) {
        const int32_t index = polygon.indices[static_cast<size_t>(corner * length + offset)];
        bad += index < 0 || index >= stream.VectorCount() ? 1 : 0;
    }
    return bad;
}

} // namespace

std::vector<std::string> FindGeometryProblems(const CModel& model, const CGeometry& geometry) {
    std::vector<std::string> problems;
    const std::string where = "geometry " + OrNone(geometry.id) + ": ";
    for (size_t p = 0; p < geometry.polygons.size(); ++p) {
        const CPolygonData& polygon = *geometry.polygons[p];
        const std::string block = where + "polygon block " + std::to_string(p + 1) + ": ";
        if (polygon.GroupLength() == 0) {
            problems.push_back(block + "no offsets, nothing to draw");
            continue;
        }
        if (!polygon.materialId.empty() && model.FindMaterial(polygon.materialId) == nullptr) {
            problems.push_back(block + "material \"" + polygon.materialId + "\" not found");
        }
        const auto check = [&](const std::string& id, int32_t offset, std::string_view role) {
            if (id.empty()) {
                return;
            }
            const CFloatArray* stream = geometry.FindFloatArray(id);
            if (stream == nullptr) {
                problems.push_back(block + std::string(role) + " stream \"" + id + "\" not found");
            } else if (const int64_t bad = CountOutOfRange(polygon, offset, *stream); bad > 0) {
                problems.push_back(block + std::to_string(bad) + " " + std::string(role) +
                                   " indices outside \"" + id + "\" (" +
                                   std::to_string(stream->VectorCount()) + " vectors)");
            }
        };
        check(polygon.vertexId, polygon.vertexOffset, "position");
        check(polygon.normalId, polygon.normalOffset, "normal");
        check(polygon.colorId, polygon.colorOffset, "colour");
        for (const std::string& texId : polygon.texIds) {
            check(texId, polygon.texOffset, "texture-coordinate");
        }
        if (polygon.CornerCount() % 3 != 0) {
            problems.push_back(block + std::to_string(polygon.CornerCount()) +
                               " corners, not whole triangles");
        }
    }
    if (geometry.HasWeights() && !geometry.polygons.empty()) {
        if (const CFloatArray* positions = geometry.FindFloatArray(geometry.polygons[0]->vertexId);
            positions != nullptr &&
            static_cast<int64_t>(geometry.weights.size()) < positions->VectorCount()) {
            problems.push_back(where + std::to_string(geometry.weights.size()) + " weight rows for " +
                               std::to_string(positions->VectorCount()) + " positions");
        }
    }
    return problems;
}

FileKind DetectFileKind(std::string_view path, std::string_view text) {
    switch (ModelFormatOf(path, text)) {
    case ModelFormat::TextModel:
        return FileKind::kModel;
    case ModelFormat::Collada:
        return FileKind::kCollada;
    case ModelFormat::None:
        break;
    }
    if (EndsWithNoCase(path, ".ani")) {
        return FileKind::kAnimation;
    }
    if (text.find("COLLIDER_TYPE") != std::string_view::npos) {
        return FileKind::kCollider;
    }
    if (text.find("TARGET_MODEL_ID") != std::string_view::npos ||
        text.find("ANIMATION_BEGIN") != std::string_view::npos) {
        return FileKind::kAnimation;
    }
    return FileKind::kModel;
}

std::string_view KindName(FileKind kind) {
    switch (kind) {
    case FileKind::kModel:
        return "text model";
    case FileKind::kAnimation:
        return "text animation";
    case FileKind::kCollider:
        return "collider file";
    case FileKind::kCollada:
        return "COLLADA document";
    }
    return "?";
}

std::string DescribeModel(const CModel& model) {
    std::ostringstream out;
    out << "model id: " << OrNone(model.id) << '\n';
    out << "directory: " << OrNone(model.directory) << '\n';
    out << "collider file: " << OrNone(model.colliderFile) << '\n';
    out << "splat maps: count " << model.splatMapCount << ", texture layout " << model.splatMapTextureLayout
        << '\n';

    int64_t declaredVertices = 0;
    int64_t triangles = 0;
    for (const auto& geometry : model.geometries) {
        declaredVertices += geometry->vertexCount;
        for (const auto& polygon : geometry->polygons) {
            triangles += polygon->CornerCount() / 3;
        }
    }
    out << "geometries: " << model.geometries.size() << " (" << declaredVertices << " vertices, " << triangles
        << " triangles)\n";
    for (const auto& geometry : model.geometries) {
        const CFloatArray* positions = nullptr;
        int64_t corners = 0;
        for (const auto& polygon : geometry->polygons) {
            corners += polygon->CornerCount();
            if (positions == nullptr) {
                positions = geometry->FindFloatArray(polygon->vertexId);
            }
        }
        out << "  " << OrNone(geometry->id) << ": " << geometry->vertexCount << " vertices";
        if (positions != nullptr) {
            out << " (" << positions->VectorCount() << " positions)";
        }
        out << ", " << geometry->floatArrays.size() << " float arrays, " << geometry->polygons.size()
            << " polygon blocks, " << corners << " corners, ";
        if (geometry->HasWeights()) {
            out << geometry->weights.size() << " weight rows\n";
        } else {
            out << "no weights\n";
        }
    }

    size_t problemCount = 0;
    for (const auto& geometry : model.geometries) {
        for (const std::string& problem : FindGeometryProblems(model, *geometry)) {
            out << "  problem: " << problem << '\n';
            ++problemCount;
        }
    }
    if (problemCount == 0 && !model.geometries.empty()) {
        out << "  no index or stream problems\n";
    }
    out << "materials: " << model.materials.size() << '\n';
    for (const auto& material : model.materials) {
        out << "  " << OrNone(material->name) << " texture " << OrNone(material->textureId) << '\n';
    }
    out << "textures: " << model.textures.size() << '\n';
    for (const auto& texture : model.textures) {
        out << "  " << OrNone(texture->id) << ": " << OrNone(texture->fileName) << '\n';
    }
    size_t treeBones = 0;
    for (const CBone* root : model.rootBones) {
        treeBones += CountTreeBones(root);
    }
    out << "bones: " << model.bones.size() << " in the bone table, " << model.rootBones.size()
        << " trees with " << treeBones << " bones, " << model.TreeOnlyBones().size() << " only in trees\n";
    out << "animations: " << model.animations.size() << '\n';
    return out.str();
}

std::string DescribeAnimation(const CModel& model, bool bonesKnown) {
    std::ostringstream out;
    if (model.animations.empty()) {
        return "no animation\n";
    }
    const CAnimation& animation = *model.animations.back();
    out << "target model: " << OrNone(model.id) << '\n';
    out << "animation id: " << OrNone(animation.animationId) << '\n';
    out << "channels: " << animation.channels.size() << '\n';
    size_t unmatched = 0;
    size_t mismatched = 0;
    for (const auto& channel : animation.channels) {
        out << "  " << OrNone(channel->target) << ": " << channel->keyTimes.size() << " key times, "
            << channel->poses.size() << " poses";
        if (!channel->keyTimes.empty()) {
            out << ", " << channel->keyTimes.front() << " to " << channel->keyTimes.back() << " s";
        }
        if (bonesKnown && channel->bone == nullptr) {
            out << ", no such bone";
            ++unmatched;
        }
        out << '\n';
        mismatched += channel->keyTimes.size() != channel->poses.size() ? 1 : 0;
    }
    if (bonesKnown) {
        out << "channels without a bone: " << unmatched << '\n';
    }
    out << "channels whose key and pose counts differ: " << mismatched << '\n';
    return out.str();
}

std::string DescribeColliders(const CColliderSet& set) {
    static constexpr std::string_view kTypeNames[] = {"other", "sphere", "box", "capsule", "rect", "mesh"};
    std::ostringstream out;
    out << "model id: " << OrNone(set.name) << '\n';
    out << "colliders: " << set.colliders.size() << " (";
    const auto counts = set.CountByType();
    for (size_t type = 1; type <= counts.size(); ++type) {
        const size_t index = type % counts.size(); // "other" last
        out << kTypeNames[index] << ' ' << counts[index] << (type < counts.size() ? ", " : ")\n");
    }
    for (const auto& collider : set.colliders) {
        int64_t corners = 0;
        for (const auto& polygon : collider->polygons) {
            corners += polygon->cornerCount;
        }
        out << "  " << OrNone(collider->name) << ": " << kTypeNames[static_cast<size_t>(collider->type)]
            << ", radius " << collider->radius << ", " << collider->floatArrays.size() << " float arrays, "
            << collider->polygons.size() << " polygon blocks, " << corners << " corners\n";
    }
    return out.str();
}

} // namespace quorvane::mdlinfo
