// The field view's main pass: what it draws, in which order, with which pipeline.
#include "render/field_scene.h"

#include "editor/main_field.h"
#include "render/animation.h"
#include "render/collider_display.h"
#include "render/common_device.h"
#include "render/model_draw.h"
#include "render/model_registry.h"
#include "render/registry_payload.h"
#include "render/vertex_formats.h"
#include "render/view_cone.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

namespace quorvane {
namespace {

// The grid draws its lines every cell (50 units, the cells grid map files
// are named by), 1.5 pixels wide, fading out 1200 units from the eye.
constexpr float kGridCellSize = 50.0f;
constexpr float kGridLineWidthPixels = 1.5f;
constexpr float kGridFadeDistance = 1200.0f;
constexpr size_t kOverlayConstantCount = 5; // float4s in the material block

// Two triangles, counter-clockwise seen from above like the terrain: the
// overlay pipelines draw triangle lists.
GpuBuffer CreateQuad(CCommonDevice& device, float half) {
    struct Corner {
        float x, y, u, v;
    };
    const std::array<Corner, 4> corners = {
        {{-half, -half, 0, 0}, {half, -half, 1, 0}, {-half, half, 0, 1}, {half, half, 1, 1}}};
    const std::array<int, 6> order = {0, 1, 3, 0, 3, 2};
    std::array<ColorVertex, 6> vertices{};
    for (size_t i = 0; i < order.size(); ++i) {
        const Corner& c = corners[static_cast<size_t>(order[i])];
        vertices[i].position = {c.x, c.y, 0.0f};
        vertices[i].normal = {0.0f, 0.0f, 1.0f};
        vertices[i].color = {1.0f, 1.0f, 1.0f, 1.0f};
        vertices[i].texcoord[0] = {c.u, c.v};
    }
    GpuBuffer buffer = CreateGpuBuffer(device.Device(), device.Memory(), sizeof(vertices),
                                       VK_BUFFER_USAGE_VERTEX_BUFFER_BIT, true);
    if (buffer && buffer.Mapped() != nullptr) {
        std::memcpy(buffer.Mapped(), vertices.data(), sizeof(vertices));
    }
    return buffer;
}

CDrawModel* ReadyModel(const CModelEntry& entry) {
    if (!entry.ready.load(std::memory_order_acquire)) {
        return nullptr;
    }
    CDrawModel* model = DrawModelOf(entry);
    return model != nullptr && model->LoadState() == 4 ? model : nullptr;
}

bool ShowsCursor(EditMode mode) {
    return mode == EditMode::ModePlace || ModeInRange(mode, EditMode::ModeCursorMove, 12);
}

void SetMainPassConstants(CCommonDevice& device, const CCamera& camera) {
    using namespace frame_offset;
    FrameConstantsBlock& block = device.FrameConstants();
    for (size_t i = 0; i < 16; ++i) {
        block.SetVec4(kLightColors + 16 * i, {});
        block.SetVec4(kLightPositions + 16 * i, {});
    }
    block.SetVec4(kLightColors, {1, 1, 1, 0.5f});
    const Vec3 light = camera.light * 100.0f;
    block.SetVec4(kLightPositions, {light.x, light.y, light.z, 0});
    block.SetVec4(kEye, {camera.eye.x, camera.eye.y, camera.eye.z, 0});
    block.SetVec4(kPassValues, {0, 0, 0, 0});
    device.CommitFrameConstants();
}

} // namespace

CFieldScene::CFieldScene(CCommonDevice& device, std::filesystem::path pictRoot) : device_(device) {
    gridQuad_ = CreateQuad(device, 5000.0f);
    markerQuad_ = CreateQuad(device, 1000.0f);
    constexpr uint32_t kSlots = kFieldTextureCount + 1;
    if (!device.Descriptors().AllocateRange(textureSlot_, kSlots)) {
        std::fprintf(stderr, "field scene: no descriptor slots for the terrain pictures\n");
        return;
    }
    slotsAllocated_ = true;
    textures_.resize(kSlots);
    const std::filesystem::path folder = pictRoot / "MainField";
    const bool uploaded = SubmitImmediately(device, [&](VkCommandBuffer commands) {
        for (uint32_t i = 0; i < kFieldTextureCount; ++i) {
            const std::string name = "field00" + std::to_string(i + 1) + ".jpg";
            LoadFieldTexture(device, commands, textures_[i], textureSlot_ + i, folder / name);
        }
        LoadFieldTexture(device, commands, textures_[kFieldTextureCount], textureSlot_ + kFieldTextureCount,
                         folder / "perlin1.jpg");
    });
    if (!uploaded) {
        // The pictures never reached their images: the slots read the default texture instead.
        std::fprintf(stderr, "field scene: the terrain pictures could not be uploaded\n");
        for (uint32_t i = 0; i < kSlots; ++i) {
            device.Descriptors().SetView(textureSlot_ + i, DescriptorView{});
        }
    }
}

CFieldScene::~CFieldScene() {
    // The GPU may still read these in the frame in flight.
    auto textures = std::make_shared<std::vector<GpuTexture>>(std::move(textures_));
    CCommonDevice& device = device_;
    const uint32_t slot = textureSlot_;
    const bool releaseSlots = slotsAllocated_;
    GpuBuffer grid = gridQuad_;
    GpuBuffer marker = markerQuad_;
    device.DeferRelease([&device, textures, slot, releaseSlots, grid, marker]() mutable {
        for (GpuTexture& texture : *textures) {
            DestroyTexture(device, texture);
        }
        if (releaseSlots) {
            device.Descriptors().Release(slot);
        }
        DestroyGpuBuffer(device.Device(), device.Memory(), grid);
        DestroyGpuBuffer(device.Device(), device.Memory(), marker);
    });
}

void CFieldScene::Draw(CCommonDevice& device, CRegistryLists& lists, CModelRegistry& registry,
                       const CCamera& camera, const FieldSceneState& state, const CMainField& field) {
    const bool shadows = state.skeletonView && !state.colliderDisplay;
    // Before the walks below: what changes while they run brings a new key.
    const uint64_t key = registry.GridContentKey();
    const bool refreshed = registry.RefreshInstanceData();
    CullInstances(lists, camera, refreshed, shadows);

    SetMainPassConstants(device, camera);
    if (shadows) {
        const FrameConstantsBlock mainBlock = device.FrameConstants();
        device.MarkPass("shadow");
        DrawShadowPass(device, lists, key, camera);
        // Back to the main pass's own constants for everything after.
        device.FrameConstants() = mainBlock;
        device.CommitFrameConstants();
    }
    device.BindTextureSet(TextureSet::ShadowMap, device.shadowMapSlot);
    device.MarkPass("low_detail_field");
    device.BeginScenePass(true, true);

    // Background: no view-cone test, and the depth is cleared after it so
    // that it never hides anything.
    device.SetPipeline(PipelineId::Model);
    lists.lowDetailField.ForEach([&](CModelEntry& entry) {
        if (CDrawModel* model = ReadyModel(entry); model != nullptr && !registry.IsLoading(entry)) {
            DrawModel(*model, device);
        }
    });
    device.BeginScenePass(false, true);

    device.MarkPass("terrain");
    device.SetPipeline(PipelineId::Terrain);
    device.BindTextureSet(TextureSet::Terrain, textureSlot_);
    lists.fieldTiles.ForEach([&](CModelEntry& entry) {
        CDrawModel* model = ReadyModel(entry);
        if (model != nullptr && !registry.IsLoading(entry) && IsInViewCone(camera, *model)) {
            DrawModel(*model, device);
        }
    });

    device.MarkPass("placed_models");
    DrawPlacedModels(device, lists, key, camera, state);
    device.MarkPass("instanced_models");
    DrawPlacedModelGroups(device, lists, key, camera, state);

    if (shadows) {
        device.MarkPass("character");
        device.SetPipeline(PipelineId::Model);
        lists.characters.ForEach([&](CModelEntry& entry) {
            if (CDrawModel* model = ReadyModel(entry); model != nullptr && IsInViewCone(camera, *model)) {
                DrawModel(*model, device);
            }
        });
    }
    device.MarkPass("cursor_and_guides");
    DrawCursor(device, state, field);
    DrawOverlays(device, state);

    device.MarkPass("colliders");
    device.BeginScenePass(false, true);
    device.BindFullScreenQuad();
    if (state.skeletonView && state.colliderDisplay) {
        DrawCharacterColliders(device, lists, camera);
    }
}

void CFieldScene::DrawPlacedModels(CCommonDevice& device, CRegistryLists& lists, uint64_t key,
                                   const CCamera& camera, const FieldSceneState& state) {
    // Every part placed by the selected row's click shares its placement serial.
    std::optional<uint32_t> selectedSerial;
    if (!state.selectedName.empty()) {
        lists.placedModels.ForEach([&](const CModelEntry& entry) {
            if (!selectedSerial && entry.name == state.selectedName) {
                selectedSerial = entry.placementSerial;
            }
        });
    }
    // Copies of shared models draw in their instanced batches, colliders
    // included; one leaves its batch while selected, as a written copy does,
    // and only a counted change moves it in or out.
    placedWalk_.Run(lists, key, [&](CModelEntry& entry) {
        if (entry.isInstance) {
            if (entry.hidden.load(std::memory_order_relaxed) ||
                !entry.selected.load(std::memory_order_relaxed) || entry.source == nullptr) {
                return false;
            }
            if (!state.colliderDisplay) {
                DrawSelectedInstance(device, entry);
            }
            return true;
        }
        // A model of its own is looked at every frame: the camera and the
        // selected row decide how it is drawn.
        CDrawModel* model = ReadyModel(entry);
        if (model == nullptr) {
            return true;
        }
        if (state.colliderDisplay && entry.hasColliders && entry.colliderSet) {
            device.SetPipeline(PipelineId::ColliderMesh);
            DrawColliderMeshes(*entry.colliderSet, *model, device);
            return true;
        }
        if (!IsInViewCone(camera, *model)) {
            return true;
        }
        // The field also marks each copy of a selection of several.
        const bool selected = (selectedSerial && entry.placementSerial == *selectedSerial) ||
                              entry.selected.load(std::memory_order_relaxed);
        device.SetPipeline(selected ? PipelineId::SelectedModel : PipelineId::Model);
        DrawModel(*model, device);
        return true;
    });
}

void CFieldScene::DrawPlacedModelGroups(CCommonDevice& device, CRegistryLists& lists, uint64_t key,
                                        const CCamera& camera, const FieldSceneState& state) {
    device.SetPipeline(PipelineId::Model);
    // Copies in their instanced batches are drawn below; what is drawn alone
    // changes only with the content key (hiding and selecting count too).
    singlesWalk_.Run(lists, key, [&](CModelEntry& entry) {
        if (entry.hidden.load(std::memory_order_relaxed)) {
            return false;
        }
        const bool selected = entry.selected.load(std::memory_order_relaxed);
        if (entry.isInstance && (!selected || entry.source == nullptr)) {
            return false;
        }
        if (entry.isInstance) {
            if (!state.colliderDisplay) {
                DrawSelectedInstance(device, entry);
            }
            return true;
        }
        CDrawModel* model = ReadyModel(entry);
        if (model == nullptr || !IsInViewCone(camera, *model)) {
            return true;
        }
        if (!state.colliderDisplay) {
            device.SetPipeline(selected ? PipelineId::SelectedModel : PipelineId::Model);
            DrawModel(*model, device);
        } else if (entry.hasColliders && entry.colliderSet) {
            device.SetPipeline(PipelineId::ColliderMesh);
            DrawColliderMeshes(*entry.colliderSet, *model, device);
        }
        return true;
    });

    lists.sharedModels.ForEach([&](CModelEntry& entry) {
        CDrawModel* model = entry.isInstance ? nullptr : ReadyModel(entry);
        CRegistryPayload* payload = RegistryPayloadOf(entry.payload);
        if (model == nullptr || payload == nullptr) {
            return;
        }
        const CInstanceBuffers& instances = payload->instanceBuffers;
        // The culled buffers may hold nothing this frame: no draw then.
        if (!instances.HasBuffers() || instances.mainCount == 0) {
            return;
        }
        if (!state.colliderDisplay) {
            device.SetPipeline(PipelineId::Instances);
            device.SetVertexBuffer(1, instances.main.buffer);
            DrawModelInstanced(*model, device, instances.mainCount);
        } else if (entry.colliderSet) {
            device.SetPipeline(PipelineId::InstanceColliderMesh);
            device.SetVertexBuffer(1, instances.main.buffer);
            DrawColliderMeshesInstanced(*entry.colliderSet, *model, device, instances.mainCount);
        }
    });
}

// A selected copy leaves its instanced batch and is drawn alone, tinted, with
// its shared model placed where the copy stands for this one draw.
void CFieldScene::DrawSelectedInstance(CCommonDevice& device, const CModelEntry& entry) {
    CDrawModel* model = ReadyModel(*entry.source);
    if (model == nullptr) {
        return;
    }
    const Vec4 scale = model->scale;
    const Vec4 rotation = model->rotation;
    const Vec4 position = model->position;
    model->scale = entry.transform.scale;
    model->rotation = entry.transform.rotation;
    model->position = entry.transform.position;
    UpdateDrawModel(*model);
    device.SetPipeline(PipelineId::SelectedModel);
    DrawModel(*model, device);
    model->scale = scale;
    model->rotation = rotation;
    model->position = position;
    UpdateDrawModel(*model);
}

void CFieldScene::DrawCursor(CCommonDevice& device, const FieldSceneState& state, const CMainField& field) {
    if (!ShowsCursor(state.mode)) {
        return;
    }
    device.SetPipeline(PipelineId::Model);
    const Vec4 position{state.pickPoint.x - state.cursorOffset.x, state.pickPoint.y - state.cursorOffset.y,
                        state.pickPoint.z - state.cursorOffset.z, 1.0f};
    field.ForEachCursorPart([&](const CCursorPart& part) {
        CRegistryPayload* payload = RegistryPayloadOf(part.payload);
        if (payload == nullptr || !payload->drawModel || payload->drawModel->LoadState() != 4) {
            return;
        }
        CDrawModel& model = *payload->drawModel;
        model.scale = state.cursorScale;
        model.position = position;
        model.rotation = state.cursorRotation;
        UpdateDrawModel(model);
        DrawModel(model, device);
    });
}

void CFieldScene::DrawOverlays(CCommonDevice& device, const FieldSceneState& state) {
    const Vec4 pick{state.pickPoint.x, state.pickPoint.y, state.pickPoint.z, state.pickPoint.w};
    if (state.gridDisplay) {
        device.SetPipeline(PipelineId::Grid);
        device.SetVertexBuffer(0, gridQuad_.buffer);
        const std::array<Vec4, kOverlayConstantCount> grid = {
            {{1, 1, 1, 0},
             {kGridCellSize, kGridLineWidthPixels, kGridFadeDistance, 0},
             {1, 1, 0, 1},
             {1, 0.4f, 0.4f, 1},
             pick}};
        device.SetUniformBlock(UniformBlock::Material, grid.data(), sizeof(grid));
        device.Draw(6);
        markerFlag_ = true;
    }
    device.SetPipeline(PipelineId::PickMarker);
    if (markerFlag_) {
        device.SetVertexBuffer(0, markerQuad_.buffer);
        const std::array<Vec4, kOverlayConstantCount> marker = {
            {{pick.x, pick.y, pick.z, 0}, {1, 1, 1, 0}, {state.markerValue, 0, 0, 0}, {0, 0, 1, 0.6f}, {}}};
        device.SetUniformBlock(UniformBlock::Material, marker.data(), sizeof(marker));
        device.Draw(6);
    }
}

void CFieldScene::DrawCharacterColliders(CCommonDevice& device, CRegistryLists& lists,
                                         const CCamera& camera) {
    // The registry's update has skinned the colliders for this frame already.
    lists.characters.ForEach([&](CModelEntry& entry) {
        CDrawModel* model = DrawModelOf(entry);
        if (!entry.ready.load(std::memory_order_acquire) || model == nullptr || !entry.hasColliders ||
            !entry.colliderSet) {
            return;
        }
        DrawColliders(*entry.colliderSet, *model, device, camera.view, camera.projection,
                      PipelineId::ColliderShapes, PipelineId::CharacterColliderMesh, false, false);
    });
}

} // namespace quorvane
