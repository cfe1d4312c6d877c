#include "demo_registry_fixture.h"
#include "editor/main_field.h"
#include "render/field_scene.h"
#include "render/model_registry.h"
#include "render/png_writer.h"
#include "render/registry_payload.h"
#include "render/texture_image.h"
#include "render/view_cone.h"
#include "terrain.h"
#include "tests/small_demo_field.h"

#include <cmath>
#include <cstdlib>
#include <unistd.h>

namespace quorvane {
namespace {

// --- the view cone, by hand: eye at the origin looking along +y ---

std::unique_ptr<CDrawModel> BoxModelPtr(const Vec3& low, const Vec3& high, const Vec3& offset) {
    auto owned = std::make_unique<CDrawModel>(nullptr);
    CDrawModel& model = *owned;
    model.boxCorners = EmptyBoxCorners();
    ExtendBox(model.boxCorners, low);
    ExtendBox(model.boxCorners, high);
    model.center = (low + high) * 0.5f;
    model.worldMatrix = Identity();
    model.worldMatrix(3, 0) = offset.x;
    model.worldMatrix(3, 1) = offset.y;
    model.worldMatrix(3, 2) = offset.z;
    return owned;
}

TEST(ViewCone, CornersWithinSixtyDegreesOrABoxLargerThanItsDistance) {
    CCamera camera;
    camera.target = {0, 1, 0};
    const struct {
        const char* name;
        Vec3 low, high, offset;
        bool seen;
    } rows[] = {
        {"ahead", {-0.5f, 9.5f, -0.5f}, {0.5f, 10.5f, 0.5f}, {}, true},
        {"behind", {-0.5f, -10.5f, -0.5f}, {0.5f, -9.5f, 0.5f}, {}, false},
        {"ahead by the world matrix", {-0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, 0.5f}, {0, 10, 0}, true},
        {"behind by the world matrix", {-0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, 0.5f}, {0, -10, 0}, false},
        // Best corner (9.5, 5.5): cosine 5.5 / sqrt(9.5^2 + 5.5^2) = 0.5010, 59.9 degrees.
        {"just inside sixty degrees", {9.5f, 4.5f, 0}, {10.5f, 5.5f, 0}, {}, true},
        // Best cosine 4.5 / sqrt(9.5^2 + 4.5^2) = 0.428.
        {"outside sixty degrees", {9.5f, 3.5f, 0}, {10.5f, 4.5f, 0}, {}, false},
        // Diagonal sqrt(12) = 3.46 against the distance to its centre, 2 then 4.
        {"behind, larger than its distance", {-1, -3, -1}, {1, -1, 1}, {}, true},
        {"behind, smaller than its distance", {-1, -5, -1}, {1, -3, 1}, {}, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(IsInViewCone(camera, *BoxModelPtr(row.low, row.high, row.offset)), row.seen);
    }
    // A box around the eye is always seen, wherever the camera looks.
    camera.target = {0, -1, 0};
    EXPECT_TRUE(IsInViewCone(camera, *BoxModelPtr({-100, -100, -100}, {100, 100, 100}, {})));
}

TEST(ViewCone, CascadeBoxesFollowTheStoredProjections) {
    const std::array<std::array<float, 3>, 3> expected{{{50, 100, 400}, {150, 100, 1000}, {500, 100, 2000}}};
    for (int c = 0; c < 3; ++c) {
        const CascadeBox box = CascadeBoxOf(c);
        EXPECT_NEAR(box.halfWidth, expected[static_cast<size_t>(c)][0], 0.01f) << c;
        EXPECT_NEAR(box.nearDepth, expected[static_cast<size_t>(c)][1], 0.01f) << c;
        EXPECT_NEAR(box.farDepth, expected[static_cast<size_t>(c)][2], 0.1f) << c;
    }
    const CascadeBox near = CascadeBoxOf(0);
    EXPECT_TRUE(SphereTouchesCascade({0, 0, 200}, 1, near));
    EXPECT_TRUE(SphereTouchesCascade({55, 0, 200}, 6, near)); // reaches in by 1
    EXPECT_FALSE(SphereTouchesCascade({55, 0, 200}, 4, near));
    EXPECT_FALSE(SphereTouchesCascade({0, 0, 90}, 5, near)); // in front of the near plane
    EXPECT_FALSE(SphereTouchesCascade({0, 0, 410}, 5, near));
}

// --- frames of the demo field ---

using test::DemoPropWithCollider;

// The field view's camera as it starts: target at the origin, pitch 20 and
// yaw -90 at 3^4 = 81 units, the light (1, -1, -1) at 0.8.
CCamera StartCamera() {
    CCamera camera;
    camera.aspect = 16.0f / 9.0f;
    camera.target = {0, 0, 0};
    const float pitch = 20.0f * 3.14159265f / 180.0f;
    camera.eye = {0, -81.0f * std::sin(pitch), 81.0f * std::cos(pitch)};
    camera.light = {1, -1, -1};
    camera.lightIntensity = 0.8f;
    return camera;
}

Vec3 OnGround(float x, float y) {
    return {x, y, static_cast<float>(demofield::GroundHeight(x, y))};
}

class FieldSceneTest : public test::DemoRegistryTest {
protected:
    void SetUp() override {
        test::DemoRegistryTest::SetUp();
        MakeRecordingRegistry(DrawModelPlacement::CpuVisible);
        scene_ = std::make_unique<CFieldScene>(*device_, test::SmallDemoRoot() / "pict");
        field_ = std::make_unique<CMainField>(*registry_, *lists_, test::SmallDemoRoot() / "gridfile");
        camera_ = StartCamera();
    }

    void TearDown() override {
        field_.reset();
        scene_.reset();
        test::DemoRegistryTest::TearDown();
    }

    CModelEntry* Load(COwnedList<CModelEntry>& list, const std::string& name, const std::string& path,
                      const Vec3& position = {}, int32_t placementSerial = 0) {
        auto entry = std::make_unique<CModelEntry>();
        entry->name = name;
        entry->placementSerial = placementSerial;
        entry->transform.position = {position.x, position.y, position.z, 1};
        EXPECT_TRUE(registry_->LoadEntry(*entry, "./" + path, false)) << path;
        return list.Append(std::move(entry));
    }

    // Half of the centre: two tiles west of x = 0, the low-detail field east
    // of it, and a placed model on the tiles.
    void LoadDemoScene() {
        Load(lists_->fieldTiles, "Field13-13", "model/main_field/field/Field13-13.mdl");
        Load(lists_->fieldTiles, "Field14-13", "model/main_field/field/Field14-13.mdl");
        Load(lists_->lowDetailField, "FIELD_LOW", "model/main_field/field_low/field_low.mdl");
        crate_ = DemoPropWithCollider(ColliderType::kBox);
        ASSERT_NE(crate_, nullptr);
        placed_ = Load(lists_->placedModels, "placed 1", crate_->path, OnGround(-12, 6), 7);
        DrawFrame({}, 4);
        lists_->placedModels.ForEach([](const CModelEntry& e) { EXPECT_TRUE(e.ready.load()) << e.name; });
    }

    // Frames as the field view runs them, uploads with each; the last one's pixels.
    std::vector<uint8_t> DrawFrame(const FieldSceneState& state, int frames = 1) {
        std::vector<uint8_t> pixels;
        for (int frame = 0; frame < frames; ++frame) {
            EXPECT_TRUE(device_->BeginFrame());
            std::vector<VkCommandBuffer> uploads = registry_->FinishUploads();
            field_->ForEachCursorPart([&](const CCursorPart& part) {
                if (part.payload) {
                    registry_->AdvanceUploads(*part.payload, uploads);
                }
            });
            registry_->UpdateEntries(1);
            UpdateCameraAndFrameConstants(camera_, *device_);
            device_->ComposeFrame(
                [&](CCommonDevice& d) { scene_->Draw(d, *lists_, *registry_, camera_, state, *field_); });
            device_->RequestReadback();
            EXPECT_TRUE(device_->EndFrame(uploads));
            device_->WaitForGpu();
            device_->ReleaseFinishedObjects();
            EXPECT_TRUE(device_->TakeReadback(pixels));
        }
        return pixels;
    }

    // The pixel under the centre of the entry's model box.
    std::array<int, 2> CentrePixel(const CModelEntry& entry) const {
        const CDrawModel* model = DrawModelOf(entry);
        return PixelOf({model->worldMatrix(3, 0) + model->center.x,
                        model->worldMatrix(3, 1) + model->center.y,
                        model->worldMatrix(3, 2) + model->center.z});
    }

    std::array<int, 2> PixelOf(const Vec3& world) const {
        const std::optional<ScreenPoint> point = ProjectToScreen(camera_, world);
        EXPECT_TRUE(point.has_value());
        return {static_cast<int>(point.value_or(ScreenPoint{}).x),
                static_cast<int>(point.value_or(ScreenPoint{}).y)};
    }

    std::unique_ptr<CFieldScene> scene_;
    std::unique_ptr<CMainField> field_;
    CCamera camera_;
    CModelEntry* placed_ = nullptr;
    const demofield::CWrittenModel* crate_ = nullptr;
};

constexpr uint32_t kShrink = 4; // the reference is stored at a quarter size

RgbaImage Shrunk(const std::vector<uint8_t>& rgba) {
    RgbaImage out;
    out.width = CCommonDevice::kWidth / kShrink;
    out.height = CCommonDevice::kHeight / kShrink;
    std::vector<uint32_t> sums(size_t{out.width} * out.height * 4);
    for (size_t i = 0; i < rgba.size(); ++i) {
        const size_t pixel = i / 4;
        const size_t x = pixel % CCommonDevice::kWidth / kShrink;
        const size_t y = pixel / CCommonDevice::kWidth / kShrink;
        sums[(y * out.width + x) * 4 + i % 4] += rgba[i];
    }
    for (const uint32_t sum : sums) {
        out.pixels.push_back(static_cast<uint8_t>(sum / (kShrink * kShrink)));
    }
    return out;
}

// Pixels of the quarter-size images whose largest channel difference is
// above 16: a line or a layer that is missing shows as hundreds of them,
// rasterisation differences as a few.
size_t DifferingPixels(const RgbaImage& a, const RgbaImage& b) {
    size_t differing = 0;
    for (size_t i = 0; i + 3 < a.pixels.size(); i += 4) {
        int largest = 0;
        for (size_t c = 0; c < 3; ++c) {
            largest = std::max(largest, std::abs(int{a.pixels[i + c]} - int{b.pixels[i + c]}));
        }
        differing += largest > 16 ? 1 : 0;
    }
    return differing;
}

TEST_F(FieldSceneTest, StartCameraFrameMatchesTheReferencePicture) {
    LoadDemoScene();
    FieldSceneState state;
    state.pickPoint = {20, -10, 0, 1};
    const RgbaImage frame = Shrunk(DrawFrame(state));

    const std::filesystem::path reference =
        std::filesystem::path(QUORVANE_SOURCE_DIR) / "tests/data/field/start_camera.png";
    if (std::getenv("QUORVANE_WRITE_FIELD_REFERENCE") != nullptr) {
        ASSERT_TRUE(WritePng(reference, frame.width, frame.height, frame.pixels));
    }
    RgbaImage expected;
    std::string error;
    if (!DecodeImageFile(reference, expected, error)) {
        const auto candidate = std::filesystem::temp_directory_path() / "field_start_camera_candidate.png";
        WritePng(candidate, frame.width, frame.height, frame.pixels);
        FAIL() << "no reference picture (" << error << "); this frame is in " << candidate;
    }
    ASSERT_EQ(expected.width, frame.width);
    ASSERT_EQ(expected.height, frame.height);
    const size_t allowed = size_t{frame.width} * frame.height / 1000; // 0.1 %
    EXPECT_LE(DifferingPixels(frame, expected), allowed);

    // Each layer on its own makes the comparison fail.
    FieldSceneState noGrid = state;
    noGrid.gridDisplay = false;
    scene_->ClearMarker();
    EXPECT_GT(DifferingPixels(Shrunk(DrawFrame(noGrid)), expected), allowed) << "without the grid";
    for (COwnedList<CModelEntry>* list :
         {&lists_->fieldTiles, &lists_->lowDetailField, &lists_->placedModels}) {
        std::vector<std::unique_ptr<CModelEntry>> removed = list->ExtractAll();
        EXPECT_GT(DifferingPixels(Shrunk(DrawFrame(state)), expected), allowed) << removed.front()->name;
        for (auto& entry : removed) {
            list->Append(std::move(entry));
        }
    }
}

// Selecting a placement tints every part of its click (ps5 mixes the lit
// colour half and half with orange (1, 0.5, 0)). A copy of a shared model,
// written (in a grid file's group) or not yet (placed with MakeCopy), is one
// record of its model's instanced batch; it leaves the batch while selected
// and is drawn tinted, comes back when unselected, is gone while hidden, and
// leaves with its list, however many frames it stood still before each change.
TEST_F(FieldSceneTest, SelectionTintsAClicksPartsAndACopyLeavesItsBatchWhileSelectedHiddenOrRemoved) {
    LoadDemoScene();
    // A second part of placed 1's click, a part of another click, and the copies' source.
    CModelEntry* sibling = Load(lists_->placedModels, "placed 2", crate_->path, OnGround(-25, 2), 7);
    CModelEntry* other = Load(lists_->placedModels, "placed 3", crate_->path, OnGround(-20, 14), 8);
    CModelEntry* source = Load(lists_->sharedModels, crate_->id, crate_->path);
    FieldSceneState state;
    state.gridDisplay = false;
    const std::vector<uint8_t> empty = DrawFrame(state, 4);
    state.selectedName = "placed 1";
    const std::vector<uint8_t> selected = DrawFrame(state);
    state.selectedName.clear();
    for (const CModelEntry* entry : {placed_, sibling}) {
        const auto [x, y] = CentrePixel(*entry);
        // Orange at half weight gives red - blue = 127.5 + (lit red - lit blue) / 2,
        // at least 127 for the crate's brown (red above blue).
        EXPECT_GE(Pixel(selected, x, y)[0] - Pixel(selected, x, y)[2], 120) << entry->name;
        EXPECT_LT(Pixel(empty, x, y)[0] - Pixel(empty, x, y)[2], 60) << entry->name;
    }
    const auto [otherX, otherY] = CentrePixel(*other);
    EXPECT_EQ(Pixel(empty, otherX, otherY), Pixel(selected, otherX, otherY)) << "another click's part";
    const CInstanceBuffers& batch = RegistryPayloadOf(source->payload)->instanceBuffers;
    ASSERT_EQ(batch.mainCount, 0u);

    for (const bool written : {true, false}) {
        const char* name = written ? "written" : "unwritten";
        SCOPED_TRACE(name);
        auto owned = test::NewEntry(name, "");
        const Vec3 at = OnGround(-18, -4);
        owned->transform.position = {at.x, at.y, at.z, 1};
        ASSERT_TRUE(registry_->MakeCopy(*owned, *source));
        CModelEntry* copy = owned.get();
        COwnedList<CModelEntry>* list = &lists_->placedModels;
        if (written) {
            auto file = std::make_unique<GridFileEntry>();
            file->groups.push_back(std::make_unique<COwnedList<CModelEntry>>());
            list = lists_->gridFiles.Append(std::move(file))->groups[0].get();
        }
        list->Append(std::move(owned));

        const auto [x, y] = PixelOf(at + DrawModelOf(*source)->center);
        // As the editor shows a change to a copy: the flag, then the count.
        const auto show = [](std::atomic<bool>& flag, bool value) {
            flag.store(value);
            EntryStateChanges().fetch_add(1);
        };
        const auto plain = Pixel(DrawFrame(state, 3), x, y);
        EXPECT_NE(plain, Pixel(empty, x, y)) << "the copy is drawn";
        EXPECT_EQ(batch.mainCount, 1u) << "in its batch";
        show(copy->selected, true);
        const auto tinted = Pixel(DrawFrame(state, 3), x, y);
        EXPECT_EQ(batch.mainCount, 0u) << "drawn alone";
        EXPECT_GE(tinted[0] - tinted[2], 120);
        EXPECT_LT(plain[0] - plain[2], 60);
        show(copy->selected, false);
        EXPECT_EQ(Pixel(DrawFrame(state, 3), x, y), plain);
        EXPECT_EQ(batch.mainCount, 1u);
        show(copy->hidden, true);
        EXPECT_EQ(Pixel(DrawFrame(state, 3), x, y), Pixel(empty, x, y));
        EXPECT_EQ(batch.mainCount, 0u);
        show(copy->hidden, false);
        EXPECT_EQ(Pixel(DrawFrame(state, 3), x, y), plain);

        // Out of its list, not yet freed: the batch lets it go on the next refresh.
        std::unique_ptr<CModelEntry> removed = list->RemoveAt(list->Count());
        ASSERT_EQ(removed.get(), copy);
        EXPECT_EQ(Pixel(DrawFrame(state, 1), x, y), Pixel(empty, x, y));
        EXPECT_EQ(batch.mainCount, 0u);
        --source->useCount;
        CModelRegistry::ReleaseEntry(*removed);
    }
}

TEST_F(FieldSceneTest, CursorPartsOnlyInPlacingAndCursorModes) {
    LoadDemoScene();
    CModelDefinition definition;
    definition.filePath = "./model/test.mdf";
    definition.paths[0] = "./" + crate_->path;
    definition.count = 1;
    field_->ChooseModelForPlacement(definition);
    field_->UpdateEditing();
    ASSERT_EQ(field_->CursorPartCount(), 1u);

    FieldSceneState state;
    state.gridDisplay = false;
    state.pickPoint = {15, 8, OnGround(15, 8).z, 1};
    state.cursorOffset = field_->Vectors().cursorOffset;
    const std::vector<uint8_t> without = DrawFrame(state, 4); // after the cursor's uploads
    for (uint32_t mode = 0; mode < kEditModeCount; ++mode) {
        state.mode = static_cast<EditMode>(mode);
        const bool shown = mode == 1 || (mode >= 4 && mode <= 15);
        const size_t changed = ChangedPixels(DrawFrame(state), without);
        EXPECT_TRUE(shown ? changed > 200u : changed == 0u)
            << "mode " << mode << ": " << changed << " changed";
    }
}

TEST_F(FieldSceneTest, ColliderDisplayReplacesModelsWithTheirColliderMeshesAndHasNoShadowPass) {
    LoadDemoScene();
    const uint64_t shadows = scene_->ShadowPassCount();
    const demofield::CWrittenModel* walled = DemoPropWithCollider(ColliderType::kMesh);
    ASSERT_NE(walled, nullptr);
    CModelEntry* entry = Load(lists_->placedModels, "walled", walled->path, OnGround(10, -8));
    FieldSceneState state;
    state.gridDisplay = false;
    const std::vector<uint8_t> models = DrawFrame(state, 4);
    ASSERT_NE(entry->colliderSet, nullptr);
    state.colliderDisplay = true;
    const std::vector<uint8_t> colliders = DrawFrame(state);

    // The box-collider model has no mesh collider: it disappears. The other
    // shows its collider mesh in translucent green.
    const auto [x, y] = CentrePixel(*placed_);
    EXPECT_NE(Pixel(models, x, y), Pixel(colliders, x, y));
    size_t green = 0;
    for (size_t i = 0; i + 3 < colliders.size(); i += 4) {
        const int r = colliders[i], g = colliders[i + 1], b = colliders[i + 2];
        const int r0 = models[i], g0 = models[i + 1], b0 = models[i + 2];
        green += (g - r > g0 - r0 + 20 && g - b > g0 - b0 + 20) ? 1 : 0;
    }
    EXPECT_GT(green, 500u) << "collider meshes drawn in green";

    // The shadow pass runs only in skeleton view without the collider display.
    state.skeletonView = true;
    DrawFrame(state);
    EXPECT_EQ(scene_->ShadowPassCount(), shadows);
    state.colliderDisplay = false;
    DrawFrame(state);
    EXPECT_EQ(scene_->ShadowPassCount(), shadows + 1);
}

} // namespace
} // namespace quorvane
