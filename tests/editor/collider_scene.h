#pragma once

// Mesh colliders built by hand, and the demo field generated once per process,
// for the ground and walking tests.
#include "demo_field.h"
#include "editor/model_entry.h"
#include "modeldata/collider_reader.h"
#include "modeldata/collider_skin_records.h"
#include "render/collider_skinning.h"

#include <array>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace quorvane::testing {

using Xyz = std::array<float, 3>;

inline CSkinRecord Corner(const Xyz& position, const Xyz& normal) {
    CSkinRecord record;
    record.position = position;
    record.normal = normal;
    return record;
}

// Two triangles 0-1-2 and 0-2-3 of the quad, every corner with the normal.
inline void AddQuad(std::vector<CSkinRecord>& corners, const std::array<Xyz, 4>& quad, const Xyz& normal) {
    for (int index : {0, 1, 2, 0, 2, 3}) {
        corners.push_back(Corner(quad[static_cast<size_t>(index)], normal));
    }
}

// A ready entry whose one mesh collider holds the corners (three a triangle),
// skinned in place so that its bounds are the corners' box.
inline std::unique_ptr<CModelEntry> MeshEntry(const std::string& name, std::vector<CSkinRecord> corners) {
    auto entry = std::make_unique<CModelEntry>();
    entry->name = name;
    entry->ready = true;
    entry->loaded = true;
    entry->colliderSet = std::make_unique<CColliderSet>();
    auto mesh = std::make_unique<CCollider>();
    mesh->type = ColliderType::kMesh;
    mesh->skinnedRecords.resize(corners.size());
    mesh->restRecords = std::make_shared<const std::vector<CSkinRecord>>(std::move(corners));
    entry->colliderSet->colliders.push_back(std::move(mesh));
    UpdateColliderSet(*entry->colliderSet, ColliderPose{}, true, false);
    return entry;
}

// The demo field at low resolution, generated once for this process and removed at its end.
struct DemoField {
    std::filesystem::path root =
        std::filesystem::temp_directory_path() / ("quorvane_walk_tests_" + std::to_string(::getpid()));
    demofield::COptions options;
    demofield::CManifest manifest;

    DemoField() {
        options.output = root;
        options.quadsPerTile = 4;
        options.fieldTextureSize = 16;
        options.modelTextureSize = 16;
        manifest = demofield::GenerateDemoField(options);
    }
    ~DemoField() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }

    std::filesystem::path Collider(const std::string& fileName) const {
        for (const auto& written : manifest.colliders) {
            if (written.path.ends_with("/" + fileName)) {
                return root / written.path;
            }
        }
        return {};
    }
    // A ready entry holding the colliders of the named file, skinned in place; null if unreadable.
    std::unique_ptr<CModelEntry> ColliderEntry(const std::string& name) const {
        auto entry = std::make_unique<CModelEntry>();
        entry->name = name;
        entry->ready = true;
        entry->colliderSet = std::make_unique<CColliderSet>();
        if (!ReadColliderFile(*entry->colliderSet, Collider(name + ".col"))) {
            return nullptr;
        }
        BuildColliderSkinRecords(*entry->colliderSet);
        UpdateColliderSet(*entry->colliderSet, ColliderPose{}, true, false);
        return entry;
    }
};

inline const DemoField& Demo() {
    static const DemoField demo;
    return demo;
}

} // namespace quorvane::testing
