#include "collada/collada_import.h"
#include "modeldata/mdl_reader.h"
#include "render/animation.h"
#include "render/model_draw.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <limits>
#include <pugixml.hpp>
#include <span>
#include <sstream>
#include <string_view>

namespace quorvane {
namespace {

// Axis-aligned bounds of points on x, y and z; a non-finite component is no coordinate.
struct Bounds {
    std::array<float, 3> low{std::numeric_limits<float>::infinity(), std::numeric_limits<float>::infinity(),
                             std::numeric_limits<float>::infinity()};
    std::array<float, 3> high{-std::numeric_limits<float>::infinity(),
                              -std::numeric_limits<float>::infinity(),
                              -std::numeric_limits<float>::infinity()};

    bool Empty() const { return low[0] > high[0]; }

    // A point with fewer than three components lies at zero on the others.
    void Add(std::span<const float> point) {
        for (size_t axis = 0; axis < 3; ++axis) {
            const float value = axis < point.size() ? point[axis] : 0.0f;
            if (std::isfinite(value)) {
                low[axis] = std::min(low[axis], value);
                high[axis] = std::max(high[axis], value);
            }
        }
    }

    void Add(const Bounds& other) {
        for (size_t axis = 0; axis < 3; ++axis) {
            low[axis] = std::min(low[axis], other.low[axis]);
            high[axis] = std::max(high[axis], other.high[axis]);
        }
    }
};

// Positions of one geometry as the file gives them: all of them, and those
// that the corners of its triangle lists name.
struct FilePositions {
    Bounds all;
    Bounds used;
};

// Room for the decimal conversions of the reader and of the test to differ.
float Tolerance(float value) {
    return 1e-5f * std::max(1.0f, std::abs(value));
}

void ExpectBoxMatches(const BoxCorners& box, const Bounds& expected) {
    const Vec3 low = BoxMinimum(box);
    const Vec3 high = BoxMaximum(box);
    const std::array<float, 3> lows{low.x, low.y, low.z};
    const std::array<float, 3> highs{high.x, high.y, high.z};
    for (size_t axis = 0; axis < 3; ++axis) {
        SCOPED_TRACE("axis " + std::to_string(axis));
        EXPECT_NEAR(lows[axis], expected.low[axis], Tolerance(expected.low[axis]));
        EXPECT_NEAR(highs[axis], expected.high[axis], Tolerance(expected.high[axis]));
    }
}

// Compares the drawable with the positions read from its file, geometry by
// geometry. Returns whether the model box was checked.
bool ExpectDrawableMatchesFilePositions(const CDrawModel& model, const CModel& source,
                                        const std::vector<FilePositions>& file) {
    EXPECT_EQ(file.size(), source.geometries.size());
    EXPECT_EQ(model.meshes.size(), source.geometries.size());
    const size_t count = std::min({file.size(), source.geometries.size(), model.meshes.size()});
    Bounds usedByModel;
    for (size_t g = 0; g < count; ++g) {
        SCOPED_TRACE("geometry " + std::to_string(g));
        const CGeometry& geometry = *source.geometries[g];
        const Bounds& all = file[g].all;
        BoxCorners meshScratch{};
        BoxCorners modelScratch = EmptyBoxCorners();
        for (const auto& block : geometry.polygons) {
            const auto vertices = ExpandPolygonBlock(geometry, *block, meshScratch, modelScratch);
            if (!vertices.empty() && all.Empty()) {
                ADD_FAILURE() << "vertices without any position in the file";
                continue;
            }
            for (const ColorVertex& v : vertices) {
                for (size_t axis = 0; axis < 3; ++axis) {
                    const float value = v.position[axis];
                    if (std::isfinite(value)) {
                        EXPECT_GE(value, all.low[axis] - Tolerance(all.low[axis])) << "axis " << axis;
                        EXPECT_LE(value, all.high[axis] + Tolerance(all.high[axis])) << "axis " << axis;
                    }
                }
            }
        }
        // A mesh box also holds the mesh origin.
        Bounds meshExpected = file[g].used;
        meshExpected.Add(std::array<float, 3>{0, 0, 0});
        ExpectBoxMatches(model.meshes[g]->boxCorners, meshExpected);
        usedByModel.Add(file[g].used);
    }
    if (usedByModel.Empty()) {
        return false;
    }
    ExpectBoxMatches(model.boxCorners, usedByModel);
    return true;
}

// Whitespace-separated numbers; strtof also reads the NaN some writers store.
std::vector<float> NumbersOf(std::string_view text, size_t limit) {
    std::vector<float> numbers;
    std::istringstream stream{std::string(text)};
    std::string token;
    while (numbers.size() < limit && stream >> token) {
        numbers.push_back(std::strtof(token.c_str(), nullptr));
    }
    return numbers;
}

std::vector<int64_t> IndicesOf(std::string_view text) {
    std::vector<int64_t> indices;
    std::istringstream stream{std::string(text)};
    int64_t index = 0;
    while (stream >> index) {
        indices.push_back(index);
    }
    return indices;
}

std::string_view WithoutHash(std::string_view reference) {
    return reference.starts_with('#') ? reference.substr(1) : reference;
}

// Every primitive element becomes vertices: the corners of its index lists
// (a polygon's holes included) name the positions used.
FilePositions PositionsOfMesh(pugi::xml_node mesh) {
    FilePositions result;
    std::string_view sourceId;
    for (pugi::xml_node input : mesh.child("vertices").children("input")) {
        if (std::string_view(input.attribute("semantic").value()) == "POSITION") {
            sourceId = WithoutHash(input.attribute("source").value());
        }
    }
    pugi::xml_node source = mesh.find_child_by_attribute("source", "id", std::string(sourceId).c_str());
    const pugi::xml_node floatArray = source.child("float_array");
    const auto stride = source.child("technique_common").child("accessor").attribute("stride").as_uint(1);
    const auto floats = NumbersOf(floatArray.text().get(), floatArray.attribute("count").as_uint());
    std::vector<std::span<const float>> points;
    for (size_t start = 0; stride > 0 && start + stride <= floats.size(); start += stride) {
        points.push_back(std::span<const float>(floats).subspan(start, std::min(stride, 3u)));
        result.all.Add(points.back());
    }
    for (pugi::xml_node primitive : mesh.children()) {
        const std::string_view name = primitive.name();
        if (name != "triangles" && name != "polylist" && name != "polygons" && name != "tristrips" &&
            name != "trifans") {
            continue;
        }
        int64_t groupLength = 0;
        int64_t vertexOffset = -1;
        for (pugi::xml_node input : primitive.children("input")) {
            const int64_t offset = input.attribute("offset").as_llong();
            groupLength = std::max(groupLength, offset + 1);
            if (std::string_view(input.attribute("semantic").value()) == "VERTEX") {
                vertexOffset = offset;
            }
        }
        if (vertexOffset < 0) {
            continue;
        }
        std::vector<pugi::xml_node> lists;
        for (pugi::xml_node list : primitive.children()) {
            if (std::string_view(list.name()) == "p") {
                lists.push_back(list);
            } else if (std::string_view(list.name()) == "ph") {
                for (pugi::xml_node inner : list.children()) {
                    lists.push_back(inner); // its face and holes
                }
            }
        }
        for (pugi::xml_node p : lists) {
            const auto indices = IndicesOf(p.text().get());
            for (size_t at = static_cast<size_t>(vertexOffset); at < indices.size();
                 at += static_cast<size_t>(groupLength)) {
                if (indices[at] >= 0 && static_cast<size_t>(indices[at]) < points.size()) {
                    result.used.Add(points[static_cast<size_t>(indices[at])]);
                }
            }
        }
    }
    return result;
}

// Straight from the document text, without the importer.
std::vector<FilePositions> PositionsInDocument(const std::filesystem::path& path) {
    pugi::xml_document document;
    EXPECT_TRUE(document.load_file(path.c_str()));
    std::vector<FilePositions> geometries;
    for (pugi::xml_node library : document.child("COLLADA").children("library_geometries")) {
        for (pugi::xml_node geometry : library.children("geometry")) {
            geometries.push_back(PositionsOfMesh(geometry.child("mesh")));
        }
    }
    return geometries;
}

// The text model keeps its streams as the file wrote them: read them from the
// model's geometry, ahead of any drawable build.
std::vector<FilePositions> PositionsInModelStreams(const CModel& model) {
    std::vector<FilePositions> geometries;
    for (const auto& geometry : model.geometries) {
        FilePositions positions;
        for (const auto& block : geometry->polygons) {
            const CFloatArray* stream = geometry->FindFloatArray(block->vertexId);
            if (stream == nullptr) {
                continue;
            }
            for (int64_t i = 0; i < stream->VectorCount(); ++i) {
                positions.all.Add(stream->Vector(i));
            }
            const int64_t groupLength = block->GroupLength();
            for (int64_t at = block->vertexOffset; block->vertexOffset >= 0 && groupLength > 0 &&
                                                   at < static_cast<int64_t>(block->indices.size());
                 at += groupLength) {
                positions.used.Add(stream->Vector(block->indices[static_cast<size_t>(at)]));
            }
        }
        geometries.push_back(positions);
    }
    return geometries;
}

// Builds, checks against the file's positions, poses and writes the blocks of
// a model, with every animation started and played past its end. Returns
// whether the model box was checked.
bool Exercise(const CModel& source, const std::vector<FilePositions>& file) {
    CDrawModel model(nullptr);
    EXPECT_TRUE(model.Build(&source, DrawModelPlacement::CpuVisible, true));
    const bool boxChecked = ExpectDrawableMatchesFilePositions(model, source, file);
    EXPECT_EQ(model.bones.size(), source.bones.size());
    std::vector<uint8_t> block(kObjectBufferBytes);
    for (int32_t a = 0; a < static_cast<int32_t>(model.animations.size()); ++a) {
        EXPECT_TRUE(StartAnimation(model, a, 1.0f));
        for (int64_t frame = 0; frame < 400; frame += 7) {
            model.frameCounter = frame;
            UpdateDrawModel(model);
        }
    }
    UpdateDrawModel(model);
    for (const auto& mesh : model.meshes) {
        EXPECT_LE(WriteModelBlock(model, *mesh, block.data()), kModelBlockBytes);
    }
    return boxChecked;
}

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(DrawableCorpus, EveryReaderSeedAndColladaDocumentBuildsWithinItsFilePositionsAndPlays) {
    size_t seeds = 0;
    size_t seedBoxes = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(QUORVANE_SOURCE_DIR "/fuzz/corpus/fuzz_mdl_reader")) {
        SCOPED_TRACE(entry.path().string());
        CModel model;
        ReadModelText(model, ReadAll(entry.path()), "./model/corpus/x.mdl");
        seedBoxes += Exercise(model, PositionsInModelStreams(model)) ? 1 : 0;
        ++seeds;
    }
    EXPECT_GE(seeds, 5u);
    EXPECT_GE(seedBoxes, 1u); // geometry.mdl

    size_t documents = 0;
    size_t documentBoxes = 0;
    for (const auto& entry : std::filesystem::directory_iterator(QUORVANE_COLLADA_DOCUMENTS)) {
        const std::string extension = entry.path().extension().string();
        if (extension != ".dae" && extension != ".DAE") {
            continue;
        }
        SCOPED_TRACE(entry.path().string());
        CModel model;
        LoadCollada(model, entry.path().string());
        documentBoxes += Exercise(model, PositionsInDocument(entry.path())) ? 1 : 0;
        ++documents;
    }
    EXPECT_GE(documents, 14u); // every document under tests/data/collada
    // Every primitive kind is drawn, tristrips included.
    EXPECT_EQ(documentBoxes, documents);
}

} // namespace
} // namespace quorvane
