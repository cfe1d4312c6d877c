#include "collada/collada_import.h"
#include "demofield_fixture.h"
#include "editor/model_definition.h"
#include "modeldata/ani_reader.h"
#include "modeldata/collider_reader.h"
#include "modeldata/mdl_reader.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <stb_image.h>

namespace quorvane::demofield::testing {
namespace {

std::filesystem::path Root() {
    return ReducedField().options.output;
}

struct CCounts {
    int64_t vertices = 0;
    int64_t triangles = 0;
};

// Reads a written model, text or COLLADA, and checks what the renderer relies on:
// each polygon has its material, positions and colours, and corners in threes
// within the vertices; skinned geometry weighs every vertex; textures decode.
void ReadChecked(CModel& model, const std::string& path, CCounts& counts) {
    const auto file = Root() / path;
    ASSERT_TRUE(path.ends_with(".dae") ? LoadCollada(model, file.string()) : ReadModelFile(model, file));
    ASSERT_FALSE(model.geometries.empty());
    for (const auto& geometry : model.geometries) {
        counts.vertices += geometry->vertexCount;
        for (const auto& array : geometry->floatArrays) {
            EXPECT_EQ(array->VectorCount(), geometry->vertexCount) << array->id;
        }
        for (const auto& polygon : geometry->polygons) {
            EXPECT_NE(model.FindMaterial(polygon->materialId), nullptr) << polygon->materialId;
            EXPECT_NE(geometry->FindFloatArray(polygon->vertexId), nullptr);
            EXPECT_NE(geometry->FindFloatArray(polygon->colorId), nullptr);
            EXPECT_EQ(polygon->CornerCount() % 3, 0);
            counts.triangles += polygon->CornerCount() / 3;
            for (int32_t index : polygon->indices) {
                ASSERT_TRUE(index >= 0 && index < geometry->vertexCount) << index;
            }
        }
        if (!model.bones.empty()) {
            EXPECT_EQ(static_cast<int32_t>(geometry->weights.size()), geometry->vertexCount);
        }
    }
    for (const auto& material : model.materials) {
        EXPECT_TRUE(material->textureId.empty() || model.FindTextureIndex(material->textureId) >= 0)
            << material->textureId;
    }
    for (const auto& texture : model.textures) {
        int w = 0, h = 0, channels = 0;
        EXPECT_EQ(stbi_info((model.directory + texture->fileName).c_str(), &w, &h, &channels), 1)
            << texture->fileName;
    }
}

TEST(DemoFieldOutput, EveryFileIsAccountedForAndTwoRunsWriteIdenticalBytes) {
    const CManifest& manifest = ReducedField().manifest;
    std::set<std::string> expected{kStampFile};
    expected.insert(manifest.colladaDocuments.begin(), manifest.colladaDocuments.end());
    expected.insert(manifest.pictures.begin(), manifest.pictures.end());
    const auto add = [&expected](const auto& written) {
        for (const auto& item : written) {
            expected.insert(item.path);
        }
    };
    add(manifest.models);
    add(manifest.colliders);
    add(manifest.animations);
    add(manifest.definitions);
    // Nothing stray and nothing missing.
    const auto first = ListFiles(Root());
    EXPECT_EQ(first, std::vector<std::string>(expected.begin(), expected.end()));
    EXPECT_EQ(manifest.models.size(), 26u * 26u + 1 + 1 + 15);
    EXPECT_GE(manifest.definitions.size(), 10u);
    // The editor's only output folder exists and starts empty.
    ASSERT_TRUE(std::filesystem::is_directory(Root() / "gridfile"));
    EXPECT_TRUE(std::filesystem::is_empty(Root() / "gridfile"));

    // Two runs write identical bytes, and the stamp skips the third.
    COptions again = ReducedField().options;
    again.output = ScratchFolder("reduced-again");
    GenerateDemoField(again);
    ASSERT_EQ(first, ListFiles(again.output));
    for (const std::string& file : first) {
        ASSERT_EQ(ReadBytes(Root() / file), ReadBytes(again.output / file)) << file;
    }

    EXPECT_TRUE(IsUpToDate(again));
    COptions otherResolution = again;
    otherResolution.quadsPerTile = 5;
    EXPECT_FALSE(IsUpToDate(otherResolution));
    std::filesystem::remove(again.output / "model/character/skelton/skelton.mdl");
    EXPECT_FALSE(IsUpToDate(again));
}

TEST(DemoFieldOutput, EveryModelAndColliderFileReadsBackWithItsCounts) {
    std::set<std::string> colliderFiles;
    for (const CWrittenColliders& written : ReducedField().manifest.colliders) {
        colliderFiles.insert(written.path);
    }
    for (const CWrittenModel& written : ReducedField().manifest.models) {
        SCOPED_TRACE(written.path);
        CModel model;
        CCounts counts;
        ASSERT_NO_FATAL_FAILURE(ReadChecked(model, written.path, counts));
        EXPECT_EQ(model.id, written.id);
        EXPECT_EQ(model.colliderFile, written.colliderFile);
        EXPECT_EQ(static_cast<int32_t>(model.geometries.size()), written.geometries);
        EXPECT_EQ(static_cast<int32_t>(model.materials.size()), written.materials);
        EXPECT_EQ(static_cast<int32_t>(model.textures.size()), written.textures);
        EXPECT_EQ(static_cast<int32_t>(model.bones.size()), written.bones);
        EXPECT_EQ(counts.vertices, written.vertices);
        EXPECT_EQ(counts.triangles, written.triangles);
        // Its colliders are among those read below.
        const auto collider = std::filesystem::path(written.path).parent_path() / model.colliderFile;
        EXPECT_TRUE(model.colliderFile.empty() || colliderFiles.contains(collider.generic_string()));
    }

    std::set<size_t> types;
    for (const CWrittenColliders& written : ReducedField().manifest.colliders) {
        SCOPED_TRACE(written.path);
        CColliderSet set;
        ASSERT_TRUE(ReadColliderFile(set, Root() / written.path));
        EXPECT_EQ(set.CountByType(), written.countByType);
        int64_t meshTriangles = 0;
        for (const auto& collider : set.colliders) {
            const CFloatArray* points = collider->FindFloatArray("position");
            ASSERT_NE(points, nullptr);
            const auto type = static_cast<size_t>(collider->type);
            ASSERT_TRUE(type >= 1 && type <= 5) << collider->name;
            types.insert(type);
            if (collider->type != ColliderType::kMesh) {
                // Spheres and boxes have a centre, capsules and rects two ends.
                EXPECT_EQ(points->VectorCount(), type <= 2 ? 1 : 2);
                EXPECT_GT(collider->radius, 0);
                continue;
            }
            ASSERT_EQ(collider->polygons.size(), 1u);
            EXPECT_NE(collider->FindFloatArray("normal"), nullptr);
            EXPECT_EQ(collider->polygons[0]->cornerCount % 3, 0);
            meshTriangles += collider->polygons[0]->cornerCount / 3;
            for (int32_t index : collider->polygons[0]->positionIndices) {
                ASSERT_GE(index, 0);
                ASSERT_LT(index, points->VectorCount());
            }
        }
        EXPECT_EQ(meshTriangles, written.meshTriangles);
    }
    EXPECT_EQ(types.size(), 5u) << "every collider type is written";
}

TEST(DemoFieldOutput, DefinitionsPlaceReadableModelsWithTheRequestedVariety) {
    std::set<uint32_t> shaders, lists, lods;
    std::set<std::string> seen; // the variety the editor is tried on
    for (const CWrittenDefinition& written : ReducedField().manifest.definitions) {
        SCOPED_TRACE(written.path);
        CModelDefinition definition;
        ASSERT_TRUE(definition.Load(Root() / written.path));
        ASSERT_EQ(static_cast<int32_t>(definition.count), written.parts);
        int lodZeroParts = 0;
        for (uint32_t part = 0; part < definition.count; ++part) {
            const std::string& path = definition.paths[part];
            ASSERT_TRUE(path.starts_with("./model/")) << path;
            shaders.insert(definition.shaderValues[part]);
            lists.insert(definition.listNumbers[part]);
            lods.insert(definition.lodValues[part]);
            if (definition.copyValues[part] == 1) {
                seen.insert("copy");
            }
            lodZeroParts += definition.lodValues[part] == 0 ? 1 : 0;
            CModel model;
            CCounts counts;
            ASSERT_NO_FATAL_FAILURE(ReadChecked(model, path.substr(2), counts)) << path;
            if (!path.ends_with(".dae")) {
                EXPECT_EQ(definition.animatedValues[part], 0u) << "text models carry no animation";
            } else if (definition.animatedValues[part] == 1) {
                ASSERT_EQ(model.animations.size(), 1u);
                if (!model.animations[0]->channels.empty()) {
                    seen.insert("animated collada");
                }
            }
            for (const auto& texture : model.textures) {
                seen.insert(std::filesystem::path(texture->fileName).extension().string());
            }
            if (model.textures.empty()) {
                seen.insert("untextured");
            }
        }
        if (lodZeroParts >= 3) {
            seen.insert("three parts");
        }
    }
    EXPECT_GE(shaders.size(), 3u);
    EXPECT_GE(lists.size(), 2u);
    EXPECT_EQ(lods, (std::set<uint32_t>{0, 1}));
    for (const char* kind : {".jpg", ".png", "animated collada", "copy", "three parts", "untextured"}) {
        EXPECT_TRUE(seen.contains(kind)) << kind;
    }
}

TEST(DemoFieldOutput, ColladaDocumentsImportWithTheirMeshSkinAndAnimationAndPicturesDecode) {
    for (const std::string& path : ReducedField().manifest.colladaDocuments) {
        SCOPED_TRACE(path);
        CModel model;
        CCounts counts;
        ASSERT_NO_FATAL_FAILURE(ReadChecked(model, path, counts));
        ASSERT_EQ(model.geometries.size(), 1u);
        const CGeometry& geometry = *model.geometries[0];
        ASSERT_EQ(geometry.polygons.size(), 1u);
        const CPolygonData& polygon = *geometry.polygons[0];
        EXPECT_NE(geometry.FindFloatArray(polygon.normalId), nullptr);
        ASSERT_EQ(polygon.texIds.size(), 1u);
        EXPECT_NE(geometry.FindFloatArray(polygon.texIds[0]), nullptr);
        if (!model.bones.empty()) {
            ASSERT_EQ(model.animations.size(), 1u);
            const auto& channels = model.animations[0]->channels;
            ASSERT_EQ(channels.size(), 1u);
            EXPECT_NE(channels[0]->bone, nullptr);
            EXPECT_GE(channels[0]->keyTimes.size(), 30u);
            EXPECT_EQ(channels[0]->poses.size(), channels[0]->keyTimes.size());
        }
    }

    // Pictures decode at their sizes.
    std::set<std::string> names;
    for (const std::string& path : ReducedField().manifest.pictures) {
        SCOPED_TRACE(path);
        names.insert(std::filesystem::path(path).filename().string());
        int w = 0, h = 0, channels = 0;
        unsigned char* pixels = stbi_load((Root() / path).string().c_str(), &w, &h, &channels, 4);
        ASSERT_NE(pixels, nullptr);
        EXPECT_EQ(w, h);
        if (path.starts_with("pict/") && path.ends_with(".png")) {
            // Control pictures keep transparent corners and an opaque middle.
            EXPECT_LT(pixels[3], 255);
            const size_t middle =
                (static_cast<size_t>(h / 2) * static_cast<size_t>(w) + static_cast<size_t>(w / 2)) * 4;
            EXPECT_EQ(pixels[middle + 3], 255);
        }
        stbi_image_free(pixels);
    }
    for (const char* name :
         {"perlin1.jpg", "field001.jpg", "field005.jpg", "field009.jpg", "CheckBoxChecked.png",
          "CheckBoxUnChecked.png", "ButtonClose.png", "ButtonCloseDown.png", "ButtonSize.png",
          "ButtonSizeDown.png", "ButtonMin.png", "ButtonMinDown.png", "IconDir.png", "IconMdf.png"}) {
        EXPECT_TRUE(names.contains(name)) << name;
    }
}

} // namespace
} // namespace quorvane::demofield::testing
