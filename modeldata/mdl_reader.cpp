#include "modeldata/mdl_reader.h"

#include "modeldata/file_bytes.h"
#include "modeldata/number_line.h"
#include "modeldata/stream_blocks.h"
#include "modeldata/text_lines.h"
#include "modeldata/text_numbers.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace quorvane {
namespace {

class CModelTextReader {
public:
    CModelTextReader(CModel& model, std::string_view text)
        : model_(model), lines_(text), textSize_(text.size()) {
        for (const auto& bone : model_.bones) {
            tableByName_.emplace(bone->name, bone.get());
            if (bone->parent != nullptr) {
                placed_.insert(bone.get());
            }
        }
        placed_.insert(model_.rootBones.begin(), model_.rootBones.end());
    }

    void Read() {
        std::string_view line;
        while (lines_.Next(line)) {
            const CKeyLine keyLine = SplitKeyLine(line, kKeyDelimiters);
            if (!Dispatch(keyLine)) {
                return; // a block ran into the end of the file
            }
        }
    }

private:
    // False when the text ended inside a block.
    bool Dispatch(const CKeyLine& keyLine) {
        const std::string_view key = keyLine.key;
        if (key == "MODEL_ID") {
            model_.id = ReadNameLine();
        } else if (key == "COLLIDER_FILE_PATH") {
            model_.colliderFile = ReadNameLine();
        } else if (key == "SPLAT_MAP_COUNT") {
            model_.splatMapCount = ParseIntLikeAtoi(keyLine.value);
        } else if (key == "SPLAT_MAP_TEXTURE_LAYOUT") {
            model_.splatMapTextureLayout = ParseIntLikeAtoi(keyLine.value);
        } else if (key == "MATERIAL_BEGIN") {
            return ReadMaterial();
        } else if (key == "TEXTURE_BEGIN") {
            return ReadTexture();
        } else if (key == "GEOMETRY_BEGIN") {
            return ReadGeometry();
        } else if (key == "BONE_ARRAY") {
            ReadBoneList();
        } else if (key == "BONE") {
            ReadBoneTree();
        }
        return true;
    }

    // The first token of the next line, as a name (empty at the end of the text).
    std::string ReadNameLine(size_t limit = line_limit::kKey) {
        std::string_view line;
        if (!lines_.Next(limit, line)) {
            return {};
        }
        std::string_view token;
        CTokens(line, kValueDelimiters).Next(token);
        return DecodeName(token);
    }

    std::string_view ReadValueLine(size_t limit) {
        std::string_view line;
        lines_.Next(limit, line);
        return line;
    }

    bool ReadMaterial() {
        auto material = std::make_unique<CMaterial>();
        std::string_view line;
        while (lines_.Next(line)) {
            const CKeyLine keyLine = SplitKeyLine(line, kKeyDelimiters);
            const std::string_view key = keyLine.key;
            if (key == "MATERIAL_NAME") {
                material->name = DecodeName(keyLine.value);
            } else if (key == "TEXTURE_NAME") {
                material->textureId = DecodeName(keyLine.value);
            } else if (key == "DIFFUSE") {
                material->diffuse = ReadColourLine(ReadValueLine(line_limit::kKey));
            } else if (key == "AMBIENT") {
                material->ambient = ReadColourLine(ReadValueLine(line_limit::kKey));
            } else if (key == "SPECULAR") {
                material->specular = ReadColourLine(ReadValueLine(line_limit::kKey));
            } else if (key == "EMMITION") {
                material->emission = ReadColourLine(ReadValueLine(line_limit::kKey));
            } else if (key == "MATERIAL_END") {
                model_.materials.push_back(std::move(material));
                return true;
            }
        }
        return false;
    }

    bool ReadTexture() {
        auto texture = std::make_unique<CTextureRef>();
        std::string_view line;
        while (lines_.Next(line)) {
            const CKeyLine keyLine = SplitKeyLine(line, kKeyDelimiters);
            if (keyLine.key == "TEXTURE_ID") {
                texture->id = DecodeName(keyLine.value);
            } else if (keyLine.key == "TEXTURE_NAME") {
                texture->fileName = DecodeName(keyLine.value);
            } else if (keyLine.key == "TEXTURE_END") {
                model_.textures.push_back(std::move(texture));
                return true;
            }
        }
        return false;
    }

    bool ReadGeometry() {
        auto geometry = std::make_unique<CGeometry>();
        std::string_view line;
        while (lines_.Next(line)) {
            const CKeyLine keyLine = SplitKeyLine(line, kKeyDelimiters);
            const std::string_view key = keyLine.key;
            if (key == "GEOMETRY_ID") {
                geometry->id = DecodeName(keyLine.value);
            } else if (key == "IS_SPLAT_MAP_LAYOUT") {
                geometry->isSplatMapLayout = 1;
            } else if (key == "SPLAT_MAP_DECAL_TEXTURE_NUM") {
                geometry->splatMapDecalTextureNum = ParseIntLikeAtoi(keyLine.value);
            } else if (key == "VERTEX_COUNT") {
                // Every vertex takes bytes somewhere in the file; more is a corrupt count.
                const int32_t count = ParseIntLikeAtoi(keyLine.value);
                geometry->vertexCount = count >= 0 && static_cast<size_t>(count) <= textSize_ ? count : 0;
            } else if (key == "BIND_SHAPE_MATRIX") {
                geometry->bindShapeMatrix = ReadMatrixLine(ReadValueLine(line_limit::kBindShapeMatrix));
            } else if (key == "FLOAT_ARRAY_BEGIN") {
                auto array = std::make_unique<CFloatArray>();
                if (!ReadFloatArrayBlock(lines_, 0, *array)) {
                    return false;
                }
                geometry->floatArrays.push_back(std::move(array));
            } else if (key == "POLYGON_DATA_BEGIN") {
                auto polygon = std::make_unique<CPolygonData>();
                if (!ReadPolygon(*polygon)) {
                    return false;
                }
                geometry->polygons.push_back(std::move(polygon));
            } else if (key == "WEIGHTS_BEGIN") {
                if (!ReadWeightsBlock(lines_, geometry->weightsSize, geometry->weights)) {
                    return false;
                }
            } else if (key == "GEOMETRY_END") {
                model_.geometries.push_back(std::move(geometry));
                return true;
            }
        }
        return false;
    }

    static void SetOffset(int32_t& offset, std::string_view value) {
        const int32_t parsed = ParseIntLikeAtoi(value);
        if (parsed >= 0) {
            offset = parsed;
        }
    }

    bool ReadPolygon(CPolygonData& polygon) {
        std::string_view line;
        while (lines_.Next(line)) {
            const CKeyLine keyLine = SplitKeyLine(line, kStreamKeyDelimiters);
            const std::string_view key = keyLine.key;
            if (key == "MATERIAL_ID") {
                polygon.materialId = DecodeName(keyLine.value);
            } else if (key == "VERTEX_ID") {
                polygon.vertexId = DecodeName(keyLine.value);
            } else if (key == "NORMAL_ID") {
                polygon.normalId = DecodeName(keyLine.value);
            } else if (key == "COLOR_ID") {
                polygon.colorId = DecodeName(keyLine.value);
            } else if (key == "TEX_ID") {
                const int64_t count = ParseIntLikeAtoi(keyLine.value);
                // One name line each; a count beyond the bytes left is corrupt.
                if (count > 0 && static_cast<size_t>(count) <= lines_.Remaining()) {
                    for (int64_t i = 0; i < count && !lines_.AtEnd(); ++i) {
                        polygon.texIds.push_back(ReadNameLine());
                    }
                }
            } else if (key == "VERTEX_OFFSET") {
                SetOffset(polygon.vertexOffset, keyLine.value);
            } else if (key == "NORMAL_OFFSET") {
                SetOffset(polygon.normalOffset, keyLine.value);
            } else if (key == "COLOR_OFFSET") {
                SetOffset(polygon.colorOffset, keyLine.value);
            } else if (key == "TEX_OFFSET") {
                SetOffset(polygon.texOffset, keyLine.value);
            } else if (key == "POLYGON_INDEX_COUNT") {
                const int64_t count = ParseIntLikeAtoi(keyLine.value);
                if (count > 0) {
                    ReadIndexLine(ReadValueLine(line_limit::PerItem(count, 128)), count, polygon.indices);
                }
            } else if (key == "POLYGON_DATA_END") {
                return true;
            }
        }
        return false;
    }

    // Every token of the line, however many; the count only sizes the buffer.
    static void ReadIndexLine(std::string_view line, int64_t count, std::vector<int32_t>& indices) {
        indices.reserve(indices.size() + std::min<size_t>(static_cast<size_t>(count), line.size() / 2 + 1));
        ForEachIntOnLine(line, SIZE_MAX, [&](int32_t index) { indices.push_back(index); });
    }

    void ReadBoneList() {
        std::string_view line;
        if (!lines_.Next(line_limit::kBoneList, line)) {
            return;
        }
        CTokens tokens(line, kValueDelimiters);
        std::string_view token;
        while (tokens.Next(token)) {
            CBone* bone = model_.AddTableBone(DecodeName(token));
            tableByName_.emplace(bone->name, bone);
        }
    }

    // The bone a tree node names: the first table bone of that name, unless
    // that bone already stands in a tree; then (and for unknown names) a
    // tree-only bone. Each bone thus has one place, and no tree loops.
    CBone* PlaceTreeBone(std::string_view value, CBone* parent) {
        std::string name = DecodeName(value);
        CBone* bone = nullptr;
        if (auto found = tableByName_.find(name);
            found != tableByName_.end() && !placed_.contains(found->second)) {
            bone = found->second;
        } else {
            bone = model_.AddTreeOnlyBone(std::move(name));
        }
        placed_.insert(bone);
        model_.AttachBone(parent, bone);
        return bone;
    }

    // One bone tree. Blocks nest through CHILD_COUNT; an explicit stack keeps
    // deep trees off the call stack.
    void ReadBoneTree() {
        struct Block {
            CBone* parent = nullptr;
            CBone* bone = nullptr;
            int64_t childrenLeft = -1; // -1 while the block still reads its keys
        };
        std::vector<Block> open{Block{}};
        std::string_view line;
        while (!open.empty()) {
            const size_t top = open.size() - 1;
            if (open[top].childrenLeft >= 0) {
                if (open[top].childrenLeft == 0 || lines_.AtEnd()) {
                    open.pop_back();
                } else {
                    --open[top].childrenLeft;
                    open.push_back(Block{open[top].bone, nullptr, -1});
                }
                continue;
            }
            if (!lines_.Next(line)) {
                return;
            }
            const CKeyLine keyLine = SplitKeyLine(line, kBoneKeyDelimiters);
            const std::string_view key = keyLine.key;
            Block& block = open[top];
            if (key == "BONE_NAME") {
                block.bone = PlaceTreeBone(keyLine.value, block.parent);
            } else if (key == "CHILD_COUNT") {
                // Children of a block without a bone have no parent: they become roots.
                block.childrenLeft = std::max(ParseIntLikeAtoi(keyLine.value), 0);
            } else if (key == "INV_BIND_MATRIX" || key == "JOINT_MATRIX") {
                const Matrix4x4 matrix = ReadMatrixLine(ReadValueLine(line_limit::kBoneMatrix));
                if (block.bone != nullptr) {
                    (key == "JOINT_MATRIX" ? block.bone->jointMatrix : block.bone->inverseBindMatrix) =
                        matrix;
                }
            } else if (block.bone == nullptr) {
                continue; // keys before BONE_NAME have no bone to go to
            } else if (key == "BONE_ID") {
                block.bone->id = DecodeName(keyLine.value);
            } else if (key == "BONE_TYPE") {
                block.bone->type = ParseIntLikeAtoi(keyLine.value);
            }
        }
    }

    CModel& model_;
    CTextLines lines_;
    size_t textSize_;
    std::unordered_map<std::string, CBone*> tableByName_; // first bone of each name
    std::unordered_set<const CBone*> placed_;             // bones already in a tree
};

} // namespace

std::string DirectoryOfPath(std::string_view path) {
    const size_t separator = path.find_last_of("/\\");
    if (separator == std::string_view::npos) {
        return {};
    }
    return CutName(path.substr(0, separator + 1));
}

void ReadModelText(CModel& model, std::string_view text, std::string_view path) {
    model.directory = DirectoryOfPath(path);
    model.colliderFile.clear();
    CModelTextReader(model, text).Read();
}

bool ReadModelFile(CModel& model, const std::filesystem::path& path, std::string& error) {
    const CFileBytes bytes = ReadFileBytes(path);
    if (!bytes) {
        error = bytes.error;
        return false;
    }
    ReadModelText(model, bytes.Text(), path.string());
    return true;
}

bool ReadModelFile(CModel& model, const std::filesystem::path& path) {
    std::string ignored;
    return ReadModelFile(model, path, ignored);
}

} // namespace quorvane
