#pragma once

#include "editor/model_entry.h"

#include <memory>
#include <string>

namespace quorvane {

// A model loaded for the placement cursor: drawn under the mouse, not in any
// list. Built whole, colliders included, so that a click places it as it is.
struct CCursorPart {
    std::string modelId;
    CBoundingBox bounds;
    CModelTransform transform; // scale and rotation of the cursor; position unused
    Vector4 offset;            // drawn at the pick point minus this
    std::unique_ptr<CModelEntryPayload> payload;
    // After the payload, so it goes first: its display data use the payload's drawable model.
    std::unique_ptr<CColliderSet> colliderSet; // null when the model names none
};

// How the editor reaches model loading: a file in, a built model out.
// Implementations choose the reader by extension and build the drawable model.
class IModelLoader {
public:
    virtual ~IModelLoader() = default;

    // Loads path into the entry with a drawable model; entry.name is already set.
    // On success fills modelId, bounds, hasDrawModel, payload and sets loaded.
    // False when the model could not be built; the caller then discards the entry.
    virtual bool LoadEntry(CModelEntry& entry, const std::string& path, bool animated) = 0;

    // Loads one part of a chosen definition for the cursor, off the field view's
    // render thread, as a placed model of it would be (animated or not, with
    // its colliders). Null when the path names no model format.
    virtual std::unique_ptr<CCursorPart> LoadCursorPart(const std::string& path, bool animated) = 0;

    // Makes entry a copy that draws source's model (source was loaded with
    // LoadEntry and is in the shared models): no file is read and no loader
    // slot taken, so a stroke can place thousands at once. Counts a use of
    // source and gives entry its bounds and its own colliders. entry.name is
    // kept. False when source is not loaded.
    virtual bool MakeCopy(CModelEntry& entry, CModelEntry& source) = 0;
};

} // namespace quorvane
