#pragma once

#include "editor/vector4.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

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
    bool isInstance = false; // counted in its source's useCount
    int32_t useCount = 0;    // instances drawing this shared entry

    bool hasDrawModel = false; // the loader built a drawable model; transform applies to it
    CModelTransform transform;
    CBoundingBox bounds;

    std::atomic<bool> loaded{false}; // set by the loader when the entry is built
    std::atomic<bool> ready{false};  // set once its uploads have completed

    std::unique_ptr<CModelEntryPayload> payload;
};

} // namespace quorvane
