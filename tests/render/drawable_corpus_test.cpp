#include "collada/collada_import.h"
#include "modeldata/mdl_reader.h"
#include "render/animation.h"
#include "render/model_draw.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <limits>
#include <span>

namespace quorvane {
namespace {

// Axis-aligned bounds of points on x, y and z; a non-finite component is no coordinate.
struct Bounds {
    static constexpr float kInfinity = std::numeric_limits<float>::infinity();
    std::array<float, 3> low{kInfinity, kInfinity, kInfinity};
    std::array<float, 3> high{-kInfinity, -kInfinity, -kInfinity};

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

    // Empty bounds add nothing: their corners are not finite.
    void Add(const Bounds& other) {
        Add(other.low);
        Add(other.high);
    }
};

// Positions of one geometry as its streams hold them: all of them, and those
// that the corners of its triangle lists name.
struct FilePositions {
    Bounds all;
    Bounds used;
};

// Room for the drawable's arithmetic to round.
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

// Positions as the reader left them in the model's streams (the readers'
// own tests hold them to the files): read apart from any drawable build.
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

// Builds, checks against the stream positions, poses and writes the blocks of
// a model, with every animation started and played past its end. Returns
// whether the model box was checked.
bool Exercise(const CModel& source) {
    CDrawModel model(nullptr);
    EXPECT_TRUE(model.Build(&source, DrawModelPlacement::CpuVisible, true));
    const bool boxChecked =
        ExpectDrawableMatchesFilePositions(model, source, PositionsInModelStreams(source));
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
    // Models and those whose model box was checked, reader seeds then documents.
    std::array<size_t, 2> models{}, boxes{};
    for (const auto& entry :
         std::filesystem::directory_iterator(QUORVANE_SOURCE_DIR "/fuzz/corpus/fuzz_mdl_reader")) {
        SCOPED_TRACE(entry.path().string());
        CModel model;
        ReadModelText(model, ReadAll(entry.path()), "./model/corpus/x.mdl");
        boxes[0] += Exercise(model) ? 1 : 0;
        ++models[0];
    }
    for (const auto& entry : std::filesystem::directory_iterator(QUORVANE_COLLADA_DOCUMENTS)) {
        const std::string extension = entry.path().extension().string();
        if (extension == ".dae" || extension == ".DAE") {
            SCOPED_TRACE(entry.path().string());
            CModel model;
            LoadCollada(model, entry.path().string());
            boxes[1] += Exercise(model) ? 1 : 0;
            ++models[1];
        }
    }
    EXPECT_GE(models[0], 5u);
    EXPECT_GE(boxes[0], 1u);        // geometry.mdl
    EXPECT_GE(models[1], 14u);      // every document under tests/data/collada
    EXPECT_EQ(boxes[1], models[1]); // every primitive kind is drawn, tristrips included
}

} // namespace
} // namespace quorvane
