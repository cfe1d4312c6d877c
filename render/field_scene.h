#pragma once

#include "editor/edit_mode.h"
#include "editor/registry_lists.h"
#include "editor/vector4.h"
#include "render/camera.h"
#include "render/gpu_resources.h"
#include "render/grid_entry_walk.h"
#include "render/instance_buffers.h"
#include "render/texture_loader.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

namespace quorvane {

class CCommonDevice;
class CDrawModel;
class CMainField;
class CModelRegistry;
struct CModelEntry;

// What the main window's check boxes and the editing core say for one frame.
struct FieldSceneState {
    bool gridDisplay = true;
    bool skeletonView = false;
    bool colliderDisplay = false;
    EditMode mode = EditMode::ModeNoModel;
    Vector4 pickPoint;
    Vector4 cursorScale{1, 1, 1, 1};
    Vector4 cursorOffset;
    Vector4 cursorRotation;
    std::string selectedName;
    float markerValue = 3.0f;
};

// The field view's scene: the shadow pass when the character is shown, then
// background, terrain, placed models, grid-file models, the character, the
// placement cursor, the grid and marker overlays and the collider display.
class CFieldScene {
public:
    static constexpr int kFieldTextureCount = 9;

    // Creates the grid and marker quads and loads the nine terrain pictures
    // and the noise picture of pictRoot/MainField (a missing picture is named
    // and drawn as the fallback checker).
    explicit CFieldScene(CCommonDevice& device, std::filesystem::path pictRoot = "./pict");
    ~CFieldScene();
    CFieldScene(const CFieldScene&) = delete;
    CFieldScene& operator=(const CFieldScene&) = delete;

    // Render thread, inside ComposeFrame's scene callback.
    void Draw(CCommonDevice& device, CRegistryLists& lists, CModelRegistry& registry, const CCamera& camera,
              const FieldSceneState& state, const CMainField& field);

    bool MarkerShown() const { return markerFlag_; }
    // The skeleton view clears the marker when it switches the grid off.
    void ClearMarker() { markerFlag_ = false; }
    // First descriptor slot of the terrain set: nine pictures, then the noise.
    uint32_t TerrainTableSlot() const { return textureSlot_; }
    // Shadow passes recorded so far.
    uint64_t ShadowPassCount() const { return shadowPasses_; }

private:
    // key: the registry's GridContentKey, read as the frame's drawing began.
    void DrawShadowPass(CCommonDevice& device, CRegistryLists& lists, uint64_t key, const CCamera& camera);
    void DrawShadowGroups(CCommonDevice& device, CRegistryLists& lists, const CCamera& camera);
    void DrawPlacedModelGroups(CCommonDevice& device, CRegistryLists& lists, uint64_t key,
                               const CCamera& camera, const FieldSceneState& state);
    void DrawPlacedModels(CCommonDevice& device, CRegistryLists& lists, uint64_t key, const CCamera& camera,
                          const FieldSceneState& state);
    void DrawSelectedInstance(CCommonDevice& device, const CModelEntry& entry);
    void DrawCursor(CCommonDevice& device, const FieldSceneState& state, const CMainField& field);
    void DrawOverlays(CCommonDevice& device, const FieldSceneState& state);
    void DrawCharacterColliders(CCommonDevice& device, CRegistryLists& lists, const CCamera& camera);
    // Refreshes the culled instance records of the shared models.
    void CullInstances(CRegistryLists& lists, const CCamera& camera, bool refreshed, bool shadows);

    CCommonDevice& device_;
    GpuBuffer gridQuad_;
    GpuBuffer markerQuad_;
    uint32_t textureSlot_ = 0;
    bool slotsAllocated_ = false;
    std::vector<GpuTexture> textures_; // the nine pictures, then the noise
    bool markerFlag_ = false;
    uint64_t shadowPasses_ = 0;
    bool patchWarningGiven_ = false;

    // Every instance of each shared model, captured after a refresh.
    std::unordered_map<const CModelEntry*, CInstanceCullSet> cullSets_;
    bool cullCaptured_ = false;
    InstanceCullView lastCull_;
    bool lastCullValid_ = false;
    CGridEntryWalk singlesWalk_; // the grid files' entries drawn one by one
    CGridEntryWalk placedWalk_{CGridEntryWalk::Lists::PlacedModels};       // placed models drawn one by one
    CGridEntryWalk placedShadowWalk_{CGridEntryWalk::Lists::PlacedModels}; // and their shadows
};

} // namespace quorvane
