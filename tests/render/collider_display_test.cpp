#include "device_fixture.h"
#include "render/animation.h"
#include "render/collider_display.h"
#include "render/draw_model.h"
#include "render/instance_buffers.h"

#include <algorithm>
#include <cmath>

namespace quorvane {
namespace {

using Rgba = std::array<uint8_t, 4>;

CSkinRecord At(float x, float y, float z) {
    CSkinRecord record;
    record.position = {x, y, z};
    return record;
}

// A shape collider whose skinned (world) points are given directly.
std::unique_ptr<CCollider> Shape(ColliderType type, float radius, std::vector<CSkinRecord> points) {
    auto collider = std::make_unique<CCollider>();
    collider->type = type;
    collider->radius = radius;
    collider->skinnedRecords = std::move(points);
    return collider;
}

// Row-vector perspective written out: clip = (a x, b y, q z - q n, z).
Matrix4 HandProjection(float a, float b, float q, float nearPlane) {
    return Matrix4{{a, 0, 0, 0, 0, b, 0, 0, 0, 0, q, 1, 0, 0, -q * nearPlane, 0}};
}

constexpr size_t kInfo = 2040;

// Every float of the list: the given vectors at their first floats, zero elsewhere.
void ExpectShapeList(const ColliderShapeList& list,
                     const std::vector<std::pair<size_t, std::array<float, 4>>>& vectors) {
    std::vector<float> expected(list.size(), 0.0f);
    for (const auto& [first, values] : vectors) {
        std::copy(values.begin(), values.end(), expected.begin() + static_cast<std::ptrdiff_t>(first));
    }
    for (size_t i = 0; i < list.size(); ++i) {
        EXPECT_NEAR(list[i], expected[i], 1e-6f) << "float " << i;
    }
}

TEST(ColliderShapeList, ProjectsEachShapeKindAsWorkedOutByHand) {
    CColliderSet set;
    set.colliders.push_back(Shape(ColliderType::kSphere, 0.5f, {At(1, 2, 5)}));
    set.colliders.push_back(Shape(ColliderType::kMesh, 1.0f, {At(0, 0, 5), At(1, 0, 5), At(0, 1, 5)}));
    set.colliders.push_back(Shape(ColliderType::kCapsule, 1.0f, {At(0, 0, 5), At(-2, 1, 15)}));
    set.colliders.push_back(Shape(ColliderType::kBox, 3.0f, {At(4, -4, 35)}));
    set.colliders.push_back(Shape(ColliderType::kRect, 1.0f, {At(0, 0, 15), At(2, 2, 15)}));

    // The view moves everything 5 further away; a = 1, b = 2, q = 1, near 1.
    // Two points (A, B) of eight floats per shape, then an info vector (type, radius) each.
    ExpectShapeList(BuildColliderShapeList(set, 2.0f, Translation(0, 0, 5), HandProjection(1, 2, 1, 1)),
                    {
                        // Sphere: view (1, 2, 10), clip (1, 4, 9, 10); radius 2 * 0.5 / 10; no B.
                        {0, {0.1f, 0.4f, 0.9f, 1}},
                        {kInfo, {1, 0.1f, 0, 0}},
                        // The mesh is not a shape. Capsule: A clip (0, 0, 9, 10), B view (-2, 1, 20)
                        // clip (-2, 2, 19, 20); radius 2 * 1 / w of A.
                        {8, {0, 0, 0.9f, 1}},
                        {12, {-0.1f, 0.1f, 0.95f, 1}},
                        {kInfo + 4, {3, 0.2f, 0, 0}},
                        // Box: view (4, -4, 40), clip (4, -8, 39, 40); radius 2 * 3 / 40; no B.
                        {16, {0.1f, -0.2f, 0.975f, 1}},
                        {kInfo + 8, {2, 0.15f, 0, 0}},
                        // Rectangle: A clip (0, 0, 19, 20), B clip (2, 4, 19, 20); radius 2 / 20.
                        {24, {0, 0, 0.95f, 1}},
                        {28, {0.1f, 0.2f, 0.95f, 1}},
                        {kInfo + 12, {4, 0.1f, 0, 0}},
                    });
    EXPECT_EQ(sizeof(ColliderShapeList), 12240u);
}

TEST(ColliderShapeList, KeepsTheFirst255Shapes) {
    CColliderSet set;
    for (int k = 0; k < 300; ++k) {
        set.colliders.push_back(
            Shape(ColliderType::kSphere, 1.0f, {At(0.01f * static_cast<float>(k), 0, 10)}));
    }
    const ColliderShapeList list = BuildColliderShapeList(set, 1.0f, Identity(), HandProjection(1, 1, 1, 0));
    // Shape k sits at x = 0.01 k / 10; the last one kept is collider 254.
    EXPECT_NEAR(list[8 * 254], 0.254f, 1e-6f);
    EXPECT_EQ(list[kInfo + 4 * 254], 1.0f);
    EXPECT_NEAR(list[kInfo + 4 * 254 + 1], 0.1f, 1e-6f);
}

TEST(ColliderShapeList, LeavesOutShapesBehindTheEyeOrNotYetSkinned) {
    CColliderSet set;
    set.colliders.push_back(Shape(ColliderType::kSphere, 0.5f, {At(1, 1, -5)})); // behind
    set.colliders.push_back(Shape(ColliderType::kBox, 0.5f, {At(1, 1, 0)}));     // on the eye plane
    set.colliders.push_back(
        Shape(ColliderType::kCapsule, 0.5f, {At(0, 0, 10), At(0, 0, -10)}));   // half behind
    set.colliders.push_back(Shape(ColliderType::kSphere, 0.5f, {}));           // not skinned
    set.colliders.push_back(Shape(ColliderType::kRect, 0.5f, {At(0, 0, 10)})); // one point only
    set.colliders.push_back(Shape(ColliderType::kSphere, 0.5f, {At(1, 2, 10)}));
    // Only the last sphere, nothing after it (and nothing not finite): clip (1, 2, 9, 10), radius 0.5 / 10.
    ExpectShapeList(BuildColliderShapeList(set, 1.0f, Identity(), HandProjection(1, 1, 1, 1)),
                    {{0, {0.1f, 0.2f, 0.9f, 1}}, {kInfo, {1, 0.05f, 0, 0}}});
}

class ColliderDisplayTest : public test::HeadlessDeviceTest {
protected:
    // 16:9 perspective with cot(fov / 2) = 2, near 1, far 100, camera at the origin looking along +z.
    static constexpr float kA = 2.0f * 9.0f / 16.0f;
    static constexpr float kB = 2.0f;
    static Matrix4 Projection() { return HandProjection(kA, kB, 100.0f / 99.0f, 1.0f); }

    // Where a world point lands in the 1920 x 1080 image.
    static std::array<int, 2> ToPixel(float x, float y, float z) {
        const float ndcX = kA * x / z;
        const float ndcY = kB * y / z;
        return {static_cast<int>(std::lround((ndcX + 1.0f) * 0.5f * 1920.0f)),
                static_cast<int>(std::lround((1.0f - ndcY) * 0.5f * 1080.0f))};
    }

    static void BeginScene(CCommonDevice& device) { BeginLitScene(device, Projection()); }

    std::unique_ptr<CDrawModel> ReadyOwner() {
        auto owner = std::make_unique<CDrawModel>(device_.get());
        owner->loadState.store(4);
        return owner;
    }

    // What the image shows at each point: '.' the grey background; 'r', 'g' or
    // 'b' where that channel is the strongest and leads the weakest by over 30.
    static std::string Shades(const std::vector<uint8_t>& image,
                              std::initializer_list<std::array<int, 2>> points) {
        std::string shades;
        for (const auto& [x, y] : points) {
            const Rgba p = Pixel(image, x, y);
            const auto strongest = std::max_element(p.begin(), p.begin() + 3);
            const bool leads = *strongest > *std::min_element(p.begin(), p.begin() + 3) + 30;
            shades += p == Rgba{204, 204, 204, 255} ? '.' : leads ? "rgb"[strongest - p.begin()] : '?';
        }
        return shades;
    }

    // One frame drawing the set as the field scene does; flagA highlights.
    std::vector<uint8_t> DrawSet(CColliderSet& set, CDrawModel& owner, bool flagA = false) {
        return RenderFrame(*device_, [&](CCommonDevice& device) {
            BeginScene(device);
            device.BindFullScreenQuad();
            EXPECT_TRUE(DrawColliders(set, owner, device, Identity(), Projection(),
                                      PipelineId::ColliderShapes, PipelineId::CharacterColliderMesh, flagA,
                                      false));
        });
    }
};

std::unique_ptr<CCollider> MeshCollider(std::vector<CSkinRecord> records,
                                        std::vector<int32_t> polygonCounts) {
    auto collider = std::make_unique<CCollider>();
    collider->name = "mesh";
    collider->type = ColliderType::kMesh;
    collider->restRecords = std::make_shared<const std::vector<CSkinRecord>>(std::move(records));
    int32_t first = 0;
    for (int32_t count : polygonCounts) {
        auto polygon = std::make_shared<CColliderPolygon>();
        polygon->firstRecord = first;
        polygon->recordCount = count;
        first += count;
        collider->polygons.push_back(std::move(polygon));
    }
    return collider;
}

TEST_F(ColliderDisplayTest, MeshPolygonsGetOneSharedBufferEachAndBadRangesAreRefused) {
    const std::vector<CSkinRecord> records(6, At(0, 0, 1));
    CColliderSet set;
    set.colliders.push_back(Shape(ColliderType::kSphere, 1.0f, {At(0, 0, 1)}));
    set.colliders.push_back(MeshCollider(records, {3, 0, 3}));
    ASSERT_TRUE(CreateColliderGpuData(set, *device_));
    const CCollider& mesh = *set.colliders[1];
    EXPECT_NE(mesh.polygons[0]->gpu, nullptr);
    EXPECT_EQ(mesh.polygons[1]->gpu, nullptr);
    EXPECT_NE(mesh.polygons[2]->gpu, nullptr);
    EXPECT_EQ(mesh.vertexCount, 6);

    // An instance copy shares the polygons and so the buffers.
    const CColliderAttachment* first = mesh.polygons[0]->gpu.get();
    auto copy = set.MakeInstanceCopy();
    ASSERT_TRUE(CreateColliderGpuData(*copy, *device_));
    EXPECT_EQ(copy->colliders[1]->polygons[0]->gpu.get(), first);

    // Records past the end of the collider's vertices get no buffer.
    CColliderSet bad;
    bad.colliders.push_back(MeshCollider(records, {3, 4}));
    EXPECT_FALSE(CreateColliderGpuData(bad, *device_));
    EXPECT_NE(bad.colliders[0]->polygons[0]->gpu, nullptr);
    EXPECT_EQ(bad.colliders[0]->polygons[1]->gpu, nullptr);
}

TEST_F(ColliderDisplayTest, ShapesAreDrawnWhereTheyProjectAndRoundAtThisAspect) {
    CColliderSet set;
    set.colliders.push_back(Shape(ColliderType::kCapsule, 0.5f, {At(-2, 0, 10), At(2, 1, 10)}));
    set.colliders.push_back(Shape(ColliderType::kSphere, 0.5f, {At(0, -3, 10)}));
    auto owner = ReadyOwner();
    const auto pixels = DrawSet(set, *owner);

    // The capsule covers its segment (ends, quarters, middle); its radius 0.5 at
    // distance 10 is 0.05 * 2 * 540 = 54 pixels on screen, in x and in y: inside
    // the end cap 40 pixels out, not 80, nor 100 to each side of the middle.
    const auto a = ToPixel(-2, 0, 10); // (744, 540)
    const auto b = ToPixel(2, 1, 10);  // (1176, 432)
    const auto along = [&](float t, int dx, int dy) {
        return std::array{static_cast<int>(std::lround(a[0] + t * (b[0] - a[0]))) + dx,
                          static_cast<int>(std::lround(a[1] + t * (b[1] - a[1]))) + dy};
    };
    EXPECT_EQ(Shades(pixels, {along(0, 0, 0), along(0.25f, 0, 0), along(0.5f, 0, 0), along(0.75f, 0, 0),
                              along(1, 0, 0), along(0, -40, 0), along(0, -80, 0), along(0.5f, 0, 100),
                              along(0.5f, 0, -100)}),
              "gggggg...");
    // The sphere: 54 pixels in every direction.
    const auto c = ToPixel(0, -3, 10); // (960, 864)
    const auto around = [&c](int dx, int dy) { return std::array{c[0] + dx, c[1] + dy}; };
    EXPECT_EQ(Shades(pixels, {c, around(-45, 0), around(45, 0), around(0, -45), around(0, 45), around(-64, 0),
                              around(64, 0), around(0, -64), around(0, 64)}),
              "ggggg....");
    // The first display flag highlights in red.
    EXPECT_EQ(Shades(DrawSet(set, *owner, true), {c, around(64, 0)}), "r.");
}

TEST_F(ColliderDisplayTest, MeshColliderTakesItsMatrixThenTheBoneThenTheWorld) {
    // A counter-clockwise triangle facing the camera, bound to bone 0.
    std::vector<CSkinRecord> records = {At(-1, -1, 10), At(1, -1, 10), At(0, 1, 10)};
    for (CSkinRecord& record : records) {
        record.normal = {0, 0, -1};
        record.influences[0] = {0.0f, 1.0f};
    }
    CColliderSet set;
    set.colliders.push_back(MeshCollider(records, {3}));
    // The collider's own matrix doubles y; symmetric, so either storage order reads the same.
    set.colliders[0]->bindShapeMatrix = {1, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    ASSERT_TRUE(CreateColliderGpuData(set, *device_));

    auto owner = ReadyOwner();
    auto bone = std::make_unique<CDrawBone>();
    bone->finalMatrix = Translation(0, 0.5f, 0);
    owner->bones.push_back(std::move(bone));
    owner->worldMatrix = Translation(1, 0, 0);

    // y -> 2y, then + 0.5, then x + 1: corners (0, -1.5), (2, -1.5), (1, 2.5) at z = 10.
    // Pixels (960, 702), (1176, 702), (1068, 270).
    const auto inside = ToPixel(1, 0, 10);             // (1068, 540)
    const auto nearCorner = ToPixel(0.2f, -1.35f, 10); // inside only with this order
    const auto oldPlace = ToPixel(-0.7f, -0.7f, 10);   // inside the unmoved triangle only
    const auto outside = ToPixel(-2, 2, 10);

    // The blue of pipeline 9.
    EXPECT_EQ(Shades(DrawSet(set, *owner), {inside, nearCorner, oldPlace, outside}), "bb..");

    // The same with pipeline 6, set by the caller.
    const auto meshes = [&](bool drawn) {
        return RenderFrame(*device_, [&](CCommonDevice& device) {
            BeginScene(device);
            ASSERT_TRUE(device.SetPipeline(PipelineId::ColliderMesh));
            EXPECT_EQ(DrawColliderMeshes(set, *owner, device), drawn);
        });
    };
    EXPECT_EQ(Shades(meshes(true), {inside, oldPlace}), "g."); // the green of pipeline 6

    // Pipeline 16 draws it once per instance record, each at the instance's
    // world: (1, 0, 0) as before and (-3, 0, 0), centred on (-3, 0.5).
    CInstanceBuffers instances;
    ASSERT_TRUE(EnsureInstanceBuffers(*device_, instances, 2));
    BeginInstanceRefresh(instances);
    ASSERT_TRUE(AppendInstance(instances, {1, 0, 0, 1}, Translation(1, 0, 0), Identity()));
    ASSERT_TRUE(AppendInstance(instances, {-3, 0, 0, 1}, Translation(-3, 0, 0), Identity()));
    const auto instanced = RenderFrame(*device_, [&](CCommonDevice& device) {
        BeginScene(device);
        ASSERT_TRUE(device.SetPipeline(PipelineId::InstanceColliderMesh));
        device.SetVertexBuffer(1, instances.main.buffer);
        EXPECT_TRUE(DrawColliderMeshesInstanced(set, *owner, device, 2));
    });
    EXPECT_EQ(Shades(instanced, {inside, ToPixel(-3, 0.5f, 10), oldPlace}), "gg.");
    ReleaseInstanceBuffers(*device_, instances);

    // An owner whose upload has not finished draws no mesh.
    owner->loadState.store(1);
    EXPECT_EQ(Shades(meshes(false), {inside}), ".");
}

} // namespace
} // namespace quorvane
