#include "collada/collada_import.h"
#include "modeldata/mdl_reader.h"
#include "render/animation.h"
#include "render/model_draw.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace quorvane {
namespace {

// Every vertex of every part lies inside the model box.
void ExpectVerticesInsideTheBox(const CDrawModel& model, const CModel& source) {
    const Vec3 low = BoxMinimum(model.boxCorners);
    const Vec3 high = BoxMaximum(model.boxCorners);
    BoxCorners meshBox{};
    BoxCorners modelBox = EmptyBoxCorners();
    for (const auto& geometry : source.geometries) {
        for (const auto& block : geometry->polygons) {
            for (const ColorVertex& v : ExpandPolygonBlock(*geometry, *block, meshBox, modelBox)) {
                if (std::isfinite(v.position[0]) && std::isfinite(low.x)) {
                    EXPECT_GE(v.position[0], low.x);
                    EXPECT_LE(v.position[0], high.x);
                }
            }
        }
    }
}

// Builds, poses and writes the blocks of a model read from any file the
// readers accept, with every animation started and played past its end.
void Exercise(const CModel& source) {
    CDrawModel model(nullptr);
    ASSERT_TRUE(model.Build(&source, DrawModelPlacement::CpuVisible, true));
    ExpectVerticesInsideTheBox(model, source);
    EXPECT_EQ(model.meshes.size(), source.geometries.size());
    EXPECT_EQ(model.bones.size(), source.bones.size());
    std::vector<uint8_t> block(kObjectBufferBytes);
    for (int32_t a = 0; a < static_cast<int32_t>(model.animations.size()); ++a) {
        ASSERT_TRUE(StartAnimation(model, a, 1.0f));
        for (int64_t frame = 0; frame < 400; frame += 7) {
            model.frameCounter = frame;
            UpdateDrawModel(model);
        }
    }
    UpdateDrawModel(model);
    for (const auto& mesh : model.meshes) {
        EXPECT_LE(WriteModelBlock(model, *mesh, block.data()), kModelBlockBytes);
    }
}

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(DrawableCorpus, EveryReaderSeedAndColladaDocumentBuildsAndPlays) {
    size_t models = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(QUORVANE_SOURCE_DIR "/fuzz/corpus/fuzz_mdl_reader")) {
        SCOPED_TRACE(entry.path().string());
        CModel model;
        ReadModelText(model, ReadAll(entry.path()), "./model/corpus/x.mdl");
        Exercise(model);
        ++models;
    }
    const size_t seeds = models;
    ASSERT_GE(seeds, 1u);
    for (const auto& entry : std::filesystem::directory_iterator(QUORVANE_COLLADA_DOCUMENTS)) {
        const std::string extension = entry.path().extension().string();
        if (extension != ".dae" && extension != ".DAE") {
            continue;
        }
        SCOPED_TRACE(entry.path().string());
        CModel model;
        LoadCollada(model, entry.path().string());
        Exercise(model);
        ++models;
    }
    EXPECT_GE(models - seeds, 14u); // every document under tests/data/collada
}

} // namespace
} // namespace quorvane
