#include "modeldata/collider_reader.h"

#include "modeldata/file_bytes.h"
#include "modeldata/stream_blocks.h"
#include "modeldata/text_lines.h"
#include "modeldata/text_numbers.h"

namespace quorvane {
namespace {

class CColliderTextReader {
public:
    CColliderTextReader(CColliderSet& set, std::string_view text) : set_(set), lines_(text) {}

    void Read() {
        std::string_view line;
        while (lines_.Next(line)) {
            const CKeyLine keyLine = SplitKeyLine(line, kKeyDelimiters);
            if (keyLine.key == "MODEL_ID") {
                set_.name = ReadNameLine();
            } else if (keyLine.key == "GEOMETRY_BEGIN") {
                if (!ReadCollider()) {
                    return;
                }
            }
        }
    }

private:
    std::string ReadNameLine() {
        std::string_view line;
        if (!lines_.Next(line)) {
            return {};
        }
        std::string_view token;
        CTokens(line, kValueDelimiters).Next(token);
        return DecodeName(token);
    }

    // False when the text ends before GEOMETRY_END.
    bool ReadCollider() {
        auto collider = std::make_unique<CCollider>();
        std::string_view line;
        while (lines_.Next(line)) {
            const CKeyLine keyLine = SplitKeyLine(line, kKeyDelimiters);
            const std::string_view key = keyLine.key;
            if (key == "GEOMETRY_ID") {
                collider->name = DecodeName(keyLine.value);
            } else if (key == "BIND_SHAPE_MATRIX") {
                std::string_view values;
                lines_.Next(line_limit::kBindShapeMatrix, values);
                collider->bindShapeMatrix = ReadMatrixLine(values);
            } else if (key == "COLLIDER_TYPE") {
                collider->type = ColliderTypeFromName(keyLine.value);
            } else if (key == "R") {
                collider->radius = ParseFloatLikeAtof(keyLine.value);
            } else if (key == "FLOAT_ARRAY_BEGIN") {
                auto array = std::make_shared<CFloatArray>();
                if (!ReadFloatArrayBlock(lines_, 1, *array)) {
                    return false;
                }
                collider->floatArrays.push_back(std::move(array));
            } else if (key == "POLYGON_DATA_BEGIN") {
                auto polygon = std::make_shared<CColliderPolygon>();
                if (!ReadPolygon(*polygon)) {
                    return false;
                }
                collider->polygons.push_back(std::move(polygon));
            } else if (key == "WEIGHTS_BEGIN") {
                auto rows = std::make_shared<std::vector<CWeightRow>>();
                if (!ReadWeightsBlock(lines_, collider->weightsSize, *rows)) {
                    return false;
                }
                collider->weights = rows->empty() ? nullptr : std::move(rows);
            } else if (key == "GEOMETRY_END") {
                set_.colliders.push_back(std::move(collider));
                return true;
            }
        }
        return false;
    }

    bool ReadPolygon(CColliderPolygon& polygon) {
        std::string_view line;
        while (lines_.Next(line)) {
            const CKeyLine keyLine = SplitKeyLine(line, kStreamKeyDelimiters);
            const std::string_view key = keyLine.key;
            if (key == "VERTEX_ID") {
                polygon.vertexId = DecodeName(keyLine.value);
            } else if (key == "NORMAL_ID") {
                polygon.normalId = DecodeName(keyLine.value);
            } else if (key == "POLYGON_INDEX_COUNT") {
                const int64_t count = ParseIntLikeAtoi(keyLine.value);
                if (count > 0) {
                    std::string_view values;
                    lines_.Next(line_limit::PerItem(count, 128), values);
                    ReadIndexPairs(values, polygon);
                }
            } else if (key == "POLYGON_DATA_END") {
                return true;
            }
        }
        return false;
    }

    // Position and normal index pairs; a last lone token adds a position only.
    static void ReadIndexPairs(std::string_view line, CColliderPolygon& polygon) {
        CTokens tokens(line, kValueDelimiters);
        std::string_view position;
        std::string_view normal;
        while (tokens.Next(position)) {
            polygon.positionIndices.push_back(ParseIntLikeAtoi(position));
            if (!tokens.Next(normal)) {
                break;
            }
            polygon.normalIndices.push_back(ParseIntLikeAtoi(normal));
        }
        polygon.cornerCount = static_cast<int32_t>(polygon.normalIndices.size());
    }

    CColliderSet& set_;
    CTextLines lines_;
};

} // namespace

void ReadColliderText(CColliderSet& set, std::string_view text) {
    CColliderTextReader(set, text).Read();
}

bool ReadColliderFile(CColliderSet& set, const std::filesystem::path& path, std::string& error) {
    const CFileBytes bytes = ReadFileBytes(path);
    if (!bytes) {
        error = bytes.error;
        return false;
    }
    ReadColliderText(set, bytes.Text());
    return true;
}

bool ReadColliderFile(CColliderSet& set, const std::filesystem::path& path) {
    std::string ignored;
    return ReadColliderFile(set, path, ignored);
}

} // namespace quorvane
