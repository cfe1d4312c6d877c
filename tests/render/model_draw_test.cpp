#include "device_fixture.h"
#include "modeldata/model.h"
#include "render/animation.h"
#include "render/instance_buffers.h"
#include "render/model_draw.h"
#include "render/png_writer.h"
#include "tests/file_faults.h"

#include <array>
#include <chrono>
#include <filesystem>
#include <thread>

namespace quorvane {
namespace {

using Rgba = std::array<uint8_t, 4>;

void AddStream(CGeometry& geometry, const std::string& id, int32_t width, std::vector<float> values) {
    geometry.floatArrays.push_back(std::make_unique<CFloatArray>());
    geometry.floatArrays.back()->id = id;
    geometry.floatArrays.back()->SetVectors(width, std::move(values));
}

// A quad from (x0, y0) to (x1, y1) at depth 0.5 facing the light, texture
// coordinates 0..1 with v = 0 at the top, one index per corner stream.
void AddQuad(CModel& model, float x0, float y0, float x1, float y1, const std::string& materialId) {
    auto geometry = std::make_unique<CGeometry>();
    AddStream(*geometry, "pos", 3, {x0, y0, 0.5f, x1, y0, 0.5f, x1, y1, 0.5f, x0, y1, 0.5f});
    AddStream(*geometry, "nrm", 3, {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1});
    AddStream(*geometry, "uv", 2, {0, 1, 1, 1, 1, 0, 0, 0});
    auto block = std::make_unique<CPolygonData>();
    block->materialId = materialId;
    block->vertexId = "pos";
    block->normalId = "nrm";
    block->texIds = {"uv"};
    block->vertexOffset = block->normalOffset = block->texOffset = 0;
    block->indices = {0, 1, 2, 0, 2, 3};
    geometry->vertexCount = 4;
    geometry->polygons.push_back(std::move(block));
    model.geometries.push_back(std::move(geometry));
}

void AddMaterial(CModel& model, const std::string& name, Color4 diffuse, const std::string& textureId) {
    model.materials.push_back(
        std::make_unique<CMaterial>(CMaterial{.diffuse = diffuse, .name = name, .textureId = textureId}));
}

class ModelDrawTest : public test::HeadlessDeviceTest {
protected:
    // split.png in the test's folder, 64 x 64: left half red, right half blue.
    void SetUp() override {
        HeadlessDeviceTest::SetUp();
        std::vector<uint8_t> pixels;
        for (int i = 0; i < 64 * 64; ++i) {
            const uint8_t left = i % 64 < 32 ? 255 : 0;
            pixels.insert(pixels.end(), {left, 0, static_cast<uint8_t>(255 - left), 255});
        }
        ASSERT_TRUE(WritePng(directory_ / "split.png", 64, 64, pixels));
    }

    // Identity camera: model coordinates are clip coordinates; light head-on.
    static void BeginScene(CCommonDevice& device, PipelineId pipeline) {
        BeginLitScene(device);
        ASSERT_TRUE(device.SetPipeline(pipeline));
    }

    // A full-height quad from the left edge to right whose one material shows
    // the named file of the test's folder.
    void AddTexturedQuad(CModel& model, const std::string& file = "split.png", float right = 1) {
        model.directory = directory_.string() + "/";
        model.textures.push_back(std::make_unique<CTextureRef>(CTextureRef{"tex", file}));
        AddMaterial(model, "textured", {1, 1, 1, 1}, "tex");
        AddQuad(model, -1, -1, right, 1, "textured");
    }

    // One frame drawing the model, updated first, with the model pipeline.
    std::vector<uint8_t> Draw(CDrawModel& drawModel) {
        UpdateDrawModel(drawModel);
        return RenderFrame(*device_, [&](CCommonDevice& device) {
            BeginScene(device, PipelineId::Model);
            EXPECT_TRUE(DrawModel(drawModel, device));
        });
    }

    // Per process: ctest runs the cases side by side.
    test::CScratchDirectory scratch_{"quorvane_model_draw_test"};
    const std::filesystem::path& directory_ = scratch_.Path();
};

TEST_F(ModelDrawTest, MissingTexturesShowTheCheckerWithAMessageAndFieldTexturesKeepOneLevel) {
    std::vector<std::string> messages;
    CTextureErrorReporter reporter([&](const std::string& caption, const std::string& text) {
        messages.push_back(caption + "|" + text);
    });
    CModel model;
    AddTexturedQuad(model, "missing.png");
    CDrawModel first(device_.get());
    ASSERT_TRUE(first.Build(&model, DrawModelPlacement::CpuVisible, false, reporter));
    EXPECT_EQ(messages, std::vector<std::string>{"Error|テクスチャ画像が見つかりません:\n\n " +
                                                 model.directory + "missing.png"});
    ASSERT_EQ(first.textures.size(), 1u);
    EXPECT_TRUE(first.textures[0].fallback);
    const auto pixels = Draw(first);
    // 8 x 8 checks of 8 texels over 1920 x 1080: each check is 240 x 135 pixels.
    EXPECT_EQ(Pixel(pixels, 120, 67), (Rgba{255, 0, 255, 255}));
    EXPECT_EQ(Pixel(pixels, 360, 67), (Rgba{0, 0, 0, 255}));
    EXPECT_EQ(Pixel(pixels, 360, 202), (Rgba{255, 0, 255, 255}));

    uint32_t slot = 0;
    ASSERT_TRUE(device_->Descriptors().AllocateRange(slot, 2));
    GpuTexture field;
    GpuTexture missing;
    ASSERT_TRUE(SubmitImmediately(*device_, [&](VkCommandBuffer commands) {
        EXPECT_TRUE(LoadFieldTexture(*device_, commands, field, slot, directory_ / "split.png", reporter));
        EXPECT_TRUE(
            LoadFieldTexture(*device_, commands, missing, slot + 1, directory_ / "field002.png", reporter));
    }));
    EXPECT_EQ(std::pair(field.mipLevels, field.width), std::pair(1u, 64u));
    EXPECT_FALSE(field.fallback);
    EXPECT_TRUE(missing.fallback);
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_EQ(device_->Descriptors().View(slot).imageView, field.view);
    EXPECT_EQ(device_->Descriptors().View(slot + 1).imageView, missing.view);
    device_->ReleaseFinishedObjects();
    device_->Descriptors().Release(slot);
    DestroyTexture(*device_, field);
    DestroyTexture(*device_, missing);
}

TEST_F(ModelDrawTest, SkinnedArmFollowsItsAnimationPose) {
    CModel model;
    CBone* body = model.AddTableBone("body");
    CBone* arm = model.AddTableBone("arm");
    arm->id = "arm";
    model.AttachBone(nullptr, body);
    model.AttachBone(body, arm);
    // A thin bar along +x from the shoulder at the origin, all on the arm bone.
    AddQuad(model, 0.0f, -0.05f, 0.8f, 0.05f, "none");
    CGeometry& geometry = *model.geometries[0];
    geometry.weights.resize(4);
    for (CWeightRow& row : geometry.weights) {
        row.influences[0] = {1.0f, 1.0f};
    }
    // File order (column vectors): a quarter turn about z takes +x to +y.
    const Matrix4x4 quarter = {0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    model.animations.push_back(std::make_unique<CAnimation>());
    model.animations[0]->channels.push_back(std::make_unique<CAnimationChannel>(CAnimationChannel{
        .target = "arm", .keyTimes = {0, 1, 2}, .poses = {kIdentityMatrix, quarter, quarter}}));

    CDrawModel drawModel(device_.get());
    ASSERT_TRUE(drawModel.Build(&model, DrawModelPlacement::CpuVisible, true));
    const auto rest = Draw(drawModel);
    drawModel.frameCounter = 50; // 1 s: the second key
    const auto raised = Draw(drawModel);
    // Clip (0.6, 0) is pixel (1536, 540); clip (0, 0.6) is pixel (960, 216).
    const Rgba white{255, 255, 255, 255};
    EXPECT_EQ(Pixel(rest, 1536, 540), white);
    EXPECT_NE(Pixel(rest, 960, 216), white);
    EXPECT_EQ(Pixel(raised, 960, 216), white);
    EXPECT_NE(Pixel(raised, 1536, 540), white);
}

// Copies drawn one by one are merged into instanced draws by the device;
// whether merged, drawn each on its own (any other state between them
// records each at once) or drawn from instance buffers, the picture is the
// same, and so is a run of tinted copies among plain ones.
TEST_F(ModelDrawTest, InstancedCopiesMatchSingleDrawsPixelForPixel) {
    CModel model;
    AddMaterial(model, "m", {1, 0.5f, 0.25f, 1}, "");
    AddQuad(model, -0.5f, -0.5f, 0.5f, 0.5f, "m");
    model.geometries[0]->bindShapeMatrix = {1, 0, 0, 0.25f, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    CDrawModel drawModel(device_.get());
    ASSERT_TRUE(drawModel.Build(&model, DrawModelPlacement::CpuVisible, false));
    constexpr int kCopies = 1000;
    // Rows of 40, each copy turned its own way and the later ones nearer.
    const auto position = [](int i) {
        return Vec4{-0.95f + 0.05f * static_cast<float>(i % 40), -0.9f + 0.07f * static_cast<float>(i / 40),
                    -0.0001f * static_cast<float>(i), 1};
    };
    const auto rotation = [](int i) { return Vec4{0, 0, static_cast<float>(i * 7 % 360), 1}; };
    const Vec4 scale{0.04f, 0.04f, 1, 1};
    CInstanceBuffers instances;
    ASSERT_TRUE(EnsureInstanceBuffers(*device_, instances, kCopies / 2));
    for (int i = 0; i < kCopies; ++i) {
        ASSERT_TRUE(AppendInstance(instances, position(i), WorldMatrix(scale, rotation(i), position(i)),
                                   RotationScaleMatrix(scale, rotation(i))));
    }
    const auto instanced = RenderFrame(*device_, [&](CCommonDevice& device) {
        BeginScene(device, PipelineId::Instances);
        device.SetVertexBuffer(1, instances.main.buffer);
        EXPECT_TRUE(DrawModelInstanced(drawModel, device, kCopies));
    });
    const std::array<float, 4> noHighlight{};
    // Runs of 100 copies tinted when tint says so.
    const auto single = [&](bool eachOnItsOwn, bool tint) {
        return RenderFrame(*device_, [&](CCommonDevice& device) {
            BeginScene(device, PipelineId::Model);
            for (int i = 0; i < kCopies; ++i) {
                if (tint) {
                    device.SetPipeline(i / 100 % 2 == 1 ? PipelineId::SelectedModel : PipelineId::Model);
                }
                drawModel.scale = scale;
                drawModel.rotation = rotation(i);
                drawModel.position = position(i);
                UpdateDrawModel(drawModel);
                EXPECT_TRUE(DrawModel(drawModel, device));
                if (eachOnItsOwn) {
                    device.SetUniformBlock(UniformBlock::Highlight, noHighlight.data(), sizeof(noHighlight));
                }
            }
        });
    };
    const auto merged = single(false, false);
    EXPECT_EQ(Pixel(merged, 960, 540), (Rgba{255, 128, 64, 255}));
    EXPECT_GT(ChangedPixels(merged, RenderFrame(*device_)), 100000u);
    EXPECT_EQ(ChangedPixels(merged, instanced), 0u);
    EXPECT_EQ(ChangedPixels(single(true, false), instanced), 0u);
    const auto tinted = single(false, true);
    EXPECT_GT(ChangedPixels(tinted, merged), 10000u);
    EXPECT_EQ(ChangedPixels(tinted, single(true, true)), 0u);
    ReleaseInstanceBuffers(*device_, instances);
}

TEST_F(ModelDrawTest, ReleaseGivesBackEverySlotAndAllMemory) {
    CModel model;
    AddTexturedQuad(model);
    model.textures.push_back(nullptr); // a null entry keeps its slot unused
    AddQuad(model, -1, -1, 0, 0, "textured");
    device_->ReleaseFinishedObjects();
    const VkDeviceSize usedBefore = device_->Memory().UsedDeviceLocalBytes();
    uint32_t probe = 0;
    ASSERT_TRUE(device_->Descriptors().AllocateOne(probe));
    ASSERT_TRUE(device_->Descriptors().Release(probe));

    CDrawModel drawModel(device_.get());
    ASSERT_TRUE(drawModel.Build(&model, DrawModelPlacement::CpuVisible, false));
    EXPECT_EQ(drawModel.textureSlotCount, 2u);
    ASSERT_NE(drawModel.textureDescriptorBase, kNoTextureSlot);
    EXPECT_EQ(drawModel.textures.size(), 1u);
    EXPECT_EQ(device_->Descriptors().View(drawModel.textureDescriptorBase).kind, DescriptorView::Kind::Image);
    EXPECT_EQ(device_->Descriptors().View(drawModel.textureDescriptorBase + 1).kind,
              DescriptorView::Kind::None);
    const auto& binding = drawModel.meshes[1]->parts[0].binding;
    ASSERT_TRUE(binding);
    EXPECT_EQ(binding->textureSlot, drawModel.textureDescriptorBase);
    EXPECT_EQ(binding->texture, &drawModel.textures[0]);
    std::vector<uint32_t> slots = {drawModel.textureDescriptorBase, drawModel.objectSlot,
                                   drawModel.emptyTextureSlot, drawModel.meshes[0]->parts[0].binding->slot,
                                   binding->slot};
    for (uint32_t slot : slots) {
        EXPECT_NE(device_->Descriptors().Tag(slot), 0u) << slot;
    }
    EXPECT_GT(device_->Memory().UsedDeviceLocalBytes(), usedBefore);
    drawModel.Release();
    EXPECT_EQ(drawModel.LoadState(), 0);
    device_->WaitForGpu();
    device_->ReleaseFinishedObjects();
    for (uint32_t slot : slots) {
        EXPECT_EQ(device_->Descriptors().Tag(slot), 0u) << slot;
    }
    EXPECT_EQ(device_->Memory().UsedDeviceLocalBytes(), usedBefore);
    // The first free slot is the one that was free before the build.
    uint32_t again = 0;
    ASSERT_TRUE(device_->Descriptors().AllocateOne(again));
    EXPECT_EQ(again, probe);
    device_->Descriptors().Release(again);
}

TEST_F(ModelDrawTest, EachMeshIsDrawnWithItsOwnBindShapeMatrixWithoutTextureSlots) {
    CModel model;
    AddMaterial(model, "m", {1, 1, 1, 1}, "");
    AddQuad(model, -0.5f, -0.2f, -0.1f, 0.2f, "m");
    AddQuad(model, -0.5f, -0.2f, -0.1f, 0.2f, "m");
    // File order: the translation of the second mesh stands in column 4.
    model.geometries[1]->bindShapeMatrix = {1, 0, 0, 0.8f, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    CDrawModel drawModel(device_.get());
    ASSERT_TRUE(drawModel.Build(&model, DrawModelPlacement::VideoMemory, false));
    EXPECT_EQ(drawModel.LoadState(), 4); // no loader slot: copied at once
    // No texture references: no slots reserved.
    EXPECT_EQ(std::pair(drawModel.textureDescriptorBase, drawModel.textureSlotCount),
              std::pair(kNoTextureSlot, 0u));
    const auto pixels = Draw(drawModel);
    const Rgba white{255, 255, 255, 255};
    EXPECT_EQ(Pixel(pixels, 672, 540), white);  // clip x -0.3: the first mesh
    EXPECT_EQ(Pixel(pixels, 1440, 540), white); // clip x 0.5: the second, moved by 0.8
    EXPECT_NE(Pixel(pixels, 1056, 540), white); // clip x 0.1: between them
}

// Nothing is drawn before the uploads the frames carry have finished; then
// the left half shows its texture, the right half's untextured material its
// colour, reading the white default, not the texture bound before.
TEST_F(ModelDrawTest, LoaderThreadBuildsWhileTheRenderThreadFinalisesAndDraws) {
    CModel model;
    AddTexturedQuad(model, "split.png", 0);
    AddMaterial(model, "plain", {0, 1, 0, 1}, "");
    AddQuad(model, 0, -1, 1, 1, "plain");
    const auto entry = device_->UploadPool().TryAcquire();
    ASSERT_TRUE(entry);
    CDrawModel drawModel(device_.get(), device_->UploadPool().Buffer(*entry), static_cast<int32_t>(*entry));
    std::thread loader([&] { drawModel.Build(&model, DrawModelPlacement::VideoMemory, false); });
    // The render thread's loop: finalise, submit uploads with the frame, draw once ready.
    std::vector<uint8_t> pixels;
    for (int frame = 0; frame < 200 && pixels.empty(); ++frame) {
        drawModel.Finalise();
        const bool ready = drawModel.LoadState() == 4;
        ASSERT_TRUE(device_->BeginFrame());
        device_->ComposeFrame([&](CCommonDevice& device) {
            BeginScene(device, PipelineId::Model);
            EXPECT_EQ(DrawModel(drawModel, device), ready);
        });
        std::vector<VkCommandBuffer> uploads;
        if (VkCommandBuffer commands = drawModel.TakeUploadCommands()) {
            uploads.push_back(commands);
        }
        if (ready) {
            device_->RequestReadback();
        }
        ASSERT_TRUE(device_->EndFrame(uploads));
        device_->WaitForGpu();
        device_->ReleaseFinishedObjects();
        if (ready) {
            ASSERT_TRUE(device_->TakeReadback(pixels));
        }
        if (frame > 0 && drawModel.LoadState() < 1) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    loader.join();
    device_->UploadPool().Release(*entry);
    EXPECT_TRUE(drawModel.uploadBuffers.empty()) << "staging kept after the uploads";
    ASSERT_EQ(drawModel.textures.size(), 1u);
    EXPECT_EQ(drawModel.textures[0].mipLevels, 7u);
    ASSERT_FALSE(pixels.empty());
    EXPECT_EQ(Pixel(pixels, 240, 540), (Rgba{255, 0, 0, 255}));
    EXPECT_EQ(Pixel(pixels, 720, 300), (Rgba{0, 0, 255, 255}));
    EXPECT_EQ(Pixel(pixels, 1440, 540), (Rgba{0, 255, 0, 255}));
}

TEST_F(ModelDrawTest, InstanceRefreshOnNewContentFillsReadySourcesUpToCapacity) {
    CInstanceBuffers treeBuffers;
    CInstanceBuffers rockBuffers;
    std::vector<InstancedSource> sources = {{&treeBuffers, 1, true}, {&rockBuffers, 0, false}};
    std::vector<InstanceReference> references;
    for (int i = 0; i < 300; ++i) { // 5 hidden, 7 not ready
        references.push_back(
            {&sources[0], {1, 1, 1, 1}, {0, 0, 0, 1}, {static_cast<float>(i), 0, 0, 1}, i != 7, i != 5});
    }
    references.push_back(
        {&sources[1], {1, 1, 1, 1}, {0, 0, 0, 1}, {9, 9, 9, 1}, true, true}); // source not ready
    CInstanceRefreshCounter counter;
    // Content never refreshed before: at once.
    EXPECT_TRUE(RebuildInstanceData(*device_, counter, sources, references));
    ASSERT_TRUE(treeBuffers.HasBuffers());
    EXPECT_FALSE(rockBuffers.HasBuffers());
    // One reference counted: 256 instances of room, filled by the first 256 that count.
    EXPECT_EQ(std::pair(treeBuffers.capacity, treeBuffers.mainCount), std::pair(256u, 256u));
    EXPECT_EQ(treeBuffers.mainMapped[5].data0[0], 6.0f); // 5 is hidden
    EXPECT_EQ(treeBuffers.mainMapped[6].data0[0], 8.0f); // 7 is not ready

    // The same content does not refresh; a placement that becomes ready shows
    // in the next frame, with the transforms as they are then.
    references[0].position.x = -1.0f;
    EXPECT_FALSE(RebuildInstanceData(*device_, counter, sources, references));
    references[7].ready = true;
    EXPECT_TRUE(RebuildInstanceData(*device_, counter, sources, references));
    EXPECT_EQ(treeBuffers.mainMapped[0].data0[0], -1.0f);
    EXPECT_EQ(treeBuffers.mainMapped[6].data0[0], 7.0f);

    // The registry now counts all 300 placements: the buffers grow at once.
    sources[0].referenceCount = 300;
    EXPECT_TRUE(RebuildInstanceData(*device_, counter, sources, references));
    EXPECT_EQ(std::pair(treeBuffers.capacity, treeBuffers.mainCount), std::pair(768u, 299u));
    EXPECT_EQ(treeBuffers.mainMapped[298].data0[0], 299.0f);

    // A source that becomes ready gets its buffers in the next frame too.
    sources[1].ready = true;
    sources[1].referenceCount = 1;
    EXPECT_TRUE(RebuildInstanceData(*device_, counter, sources, references));
    ASSERT_TRUE(rockBuffers.HasBuffers());
    EXPECT_EQ(rockBuffers.mainCount, 1u);
    EXPECT_EQ(rockBuffers.mainMapped[0].data0[0], 9.0f);
    ReleaseInstanceBuffers(*device_, treeBuffers);
    ReleaseInstanceBuffers(*device_, rockBuffers);
    device_->ReleaseFinishedObjects();
}

} // namespace
} // namespace quorvane
