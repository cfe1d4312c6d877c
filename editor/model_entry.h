#pragma once

#include "editor/vector4.h"
#include "modeldata/collider.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quorvane {

// Scale, rotation in degrees (x, y, z) and position of a shown model. The
// drawable model reads it when it builds its world matrix, so the editor can
// change a placed model's transform without the GPU.
struct CModelTransform {
    Vector4 scale{1.0f, 1.0f, 1.0f, 1.0f};
    Vector4 rotation{0.0f, 0.0f, 0.0f, 1.0f};
    Vector4 position{0.0f, 0.0f, 0.0f, 1.0f};
};

struct CBoundingBox {
    Vector4 minimum;
    Vector4 maximum;
};

// What a loader builds from the model file: the model data, its drawable model
// and its colliders. The editor never looks inside; the loader subclasses it.
class CModelEntryPayload {
public:
    virtual ~CModelEntryPayload() = default;
};

struct CModelEntry;

// What the last character collision query found (reset before each query).
struct CCollisionResults {
    bool floorHit = false;                   // a floor probe met a triangle
    bool blocked = false;                    // a capsule segment crossed a wall triangle
    float floorTop = -10000.0f;              // highest z a floor probe met
    float nearestWall = 10000.0f;            // smallest wall distance found
    Vector4 floorPoint;                      // where the highest floor hit lies
    Vector4 floorNormal;                     // normal of that triangle (not normalised)
    Vector4 wallPoint;                       // crossing point of the nearest wall hit
    Vector4 wallNormal;                      // normal of that wall triangle
    const CModelEntry* floorEntry = nullptr; // entry of the floor hit; only for comparison
    const CModelEntry* wallEntry = nullptr;  // entry of the wall hit; only for comparison
};

// One model the field view shows: a placed part, a grid-file instance, a shared
// source. Only the fields the editor reads are here; the loader and the
// registry add theirs through the payload.
struct CModelEntry {
    std::string name;             // key in its list; the unique name of a placed part
    std::string sourceName;       // for an instance: the name of the shared entry it draws
    std::string modelId;          // the model's own ID, filled by the loader
    std::string path;             // model file, ".mdl" or ".dae"
    uint32_t placementSerial = 0; // all parts placed by one click share it
    uint32_t shader = 0;
    uint32_t copy = 0; // 1: draws a shared model loaded once per model ID
    bool animated = false;
    bool isInstance = false;          // counted in its source's useCount
    std::atomic<int32_t> useCount{0}; // instances drawing this shared entry, from any thread
    CModelEntry* source = nullptr;    // an instance's shared entry, which outlives its instances
    int32_t gpuSlot = -1;             // loader slot held while the uploads are pending
    float frameValue = -10000.0f;     // the field view's per-entry value
    // A written placement the user deleted and has not written yet: neither
    // drawn nor walked on, and back as it was when the delete is undone.
    std::atomic<bool> hidden{false};
    // A written copy the user selected: drawn alone and tinted, not in its instanced batch.
    std::atomic<bool> selected{false};
    // A shared entry whose model's files changed on disk: nothing new is made
    // to draw it, and it goes once nothing does.
    std::atomic<bool> outdated{false};

    bool hasDrawModel = false; // the loader built a drawable model; transform applies to it
    CModelTransform transform;
    CBoundingBox bounds;

    // Written through SetEntryLoaded and SetEntryReady once the entry is in
    // use, so that the change is counted.
    std::atomic<bool> loaded{false}; // set by the loader when the entry is built
    std::atomic<bool> ready{false};  // set once its uploads have completed

    std::unique_ptr<CModelEntryPayload> payload;

    // Colliders in world space after the last update; null when the model has
    // none. Declared after the payload so it goes first: its display data use
    // the payload's drawable model.
    bool hasColliders = true;
    std::unique_ptr<CColliderSet> colliderSet;
    CCollisionResults collision; // the walking character's; untouched for other entries
    // A' and B' of each collider (by index) at the last step that was not
    // blocked; a collider without them uses its current points.
    std::vector<std::array<Vector4, 2>> acceptedCapsulePoints;
};

// Counts every change of an entry's loaded or ready flag, in any registry of
// the process: the per-frame instance refresh compares it instead of walking
// every entry to learn that nothing changed.
inline std::atomic<uint64_t>& EntryStateChanges() {
    static std::atomic<uint64_t> changes{0};
    return changes;
}

// Sets the flag and, when it changed, counts the change after it, so that a
// reader who sees the new count also sees the flag.
inline void SetEntryFlag(std::atomic<bool>& flag, bool value) {
    // Most calls (every instance, every frame) find the flag as it is.
    if (flag.load(std::memory_order_acquire) == value) {
        return;
    }
    if (flag.exchange(value, std::memory_order_acq_rel) != value) {
        EntryStateChanges().fetch_add(1, std::memory_order_release);
    }
}
inline void SetEntryLoaded(CModelEntry& entry, bool value) {
    SetEntryFlag(entry.loaded, value);
}
inline void SetEntryReady(CModelEntry& entry, bool value) {
    SetEntryFlag(entry.ready, value);
}

} // namespace quorvane
