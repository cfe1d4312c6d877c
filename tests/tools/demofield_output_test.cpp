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

TEST(DemoFieldOutput, EveryFileIsAccountedForAndTwoRunsWriteIdenticalBytes) {
    const CManifest& manifest = ReducedField().manifest;
    std::map<std::string, std::string> expected; // path -> kind
    for (const auto& m : manifest.models)
        expected[m.path] = "model";
    for (const auto& c : manifest.colliders)
        expected[c.path] = "colliders";
    for (const auto& a : manifest.animations)
        expected[a.path] = "animation";
    for (const auto& d : manifest.definitions)
        expected[d.path] = "definition";
    for (const auto& d : manifest.colladaDocuments)
        expected[d] = "collada";
    for (const auto& p : manifest.pictures)
        expected[p] = "picture";
    expected[kStampFile] = "stamp";

    const auto files = ListFiles(Root());
    EXPECT_EQ(files.size(), expected.size());
    for (const std::string& file : files) {
        EXPECT_TRUE(expected.contains(file)) << "stray file " << file;
    }
    for (const auto& [path, kind] : expected) {
        EXPECT_TRUE(std::filesystem::is_regular_file(Root() / path)) << kind << " " << path << " missing";
    }
    EXPECT_EQ(manifest.models.size(), 26u * 26u + 1 + 1 + 15);
    EXPECT_GE(manifest.definitions.size(), 10u);
    // The editor's only output folder exists and starts empty.
    ASSERT_TRUE(std::filesystem::is_directory(Root() / "gridfile"));
    EXPECT_TRUE(std::filesystem::is_empty(Root() / "gridfile"));

    // Two runs write identical bytes, and the stamp skips the third.
    COptions again = ReducedField().options;
    again.output = ScratchFolder("reduced-again");
    GenerateDemoField(again);
    const auto first = ListFiles(Root());
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
    for (const CWrittenModel& written : ReducedField().manifest.models) {
        SCOPED_TRACE(written.path);
        CModel model;
        ASSERT_TRUE(ReadModelFile(model, Root() / written.path));
        EXPECT_EQ(model.id, written.id);
        EXPECT_EQ(model.colliderFile, written.colliderFile);
        ASSERT_EQ(static_cast<int32_t>(model.geometries.size()), written.geometries);
        EXPECT_EQ(static_cast<int32_t>(model.materials.size()), written.materials);
        EXPECT_EQ(static_cast<int32_t>(model.textures.size()), written.textures);
        EXPECT_EQ(static_cast<int32_t>(model.bones.size()), written.bones);
        int64_t vertices = 0, triangles = 0;
        for (const auto& geometry : model.geometries) {
            vertices += geometry->vertexCount;
            for (const auto& array : geometry->floatArrays) {
                EXPECT_EQ(array->VectorCount(), geometry->vertexCount) << array->id;
            }
            for (const auto& polygon : geometry->polygons) {
                EXPECT_NE(model.FindMaterial(polygon->materialId), nullptr) << polygon->materialId;
                ASSERT_NE(geometry->FindFloatArray(polygon->vertexId), nullptr);
                EXPECT_NE(geometry->FindFloatArray(polygon->colorId), nullptr);
                EXPECT_EQ(polygon->CornerCount() % 3, 0);
                triangles += polygon->CornerCount() / 3;
                for (int32_t index : polygon->indices) {
                    ASSERT_GE(index, 0);
                    ASSERT_LT(index, geometry->vertexCount);
                }
            }
            if (!model.bones.empty()) {
                ASSERT_EQ(static_cast<int32_t>(geometry->weights.size()), geometry->vertexCount);
            }
        }
        EXPECT_EQ(vertices, written.vertices);
        EXPECT_EQ(triangles, written.triangles);
        for (const auto& material : model.materials) {
            if (!material->textureId.empty()) {
                EXPECT_GE(model.FindTextureIndex(material->textureId), 0) << material->textureId;
            }
        }
        for (const auto& texture : model.textures) {
            int w = 0, h = 0, channels = 0;
            EXPECT_EQ(stbi_info((model.directory + texture->fileName).c_str(), &w, &h, &channels), 1)
                << texture->fileName;
        }
        if (!model.colliderFile.empty()) {
            CColliderSet set;
            EXPECT_TRUE(ReadColliderFile(set, model.directory + model.colliderFile));
            EXPECT_FALSE(set.colliders.empty());
        }
    }

    std::array<int32_t, 6> allTypes{};
    for (const CWrittenColliders& written : ReducedField().manifest.colliders) {
        SCOPED_TRACE(written.path);
        CColliderSet set;
        ASSERT_TRUE(ReadColliderFile(set, Root() / written.path));
        EXPECT_EQ(set.CountByType(), written.countByType);
        int64_t meshTriangles = 0;
        for (const auto& collider : set.colliders) {
            const CFloatArray* points = collider->FindFloatArray("position");
            ASSERT_NE(points, nullptr);
            switch (collider->type) {
            case ColliderType::kSphere:
            case ColliderType::kBox:
                EXPECT_EQ(points->VectorCount(), 1);
                EXPECT_GT(collider->radius, 0);
                break;
            case ColliderType::kCapsule:
            case ColliderType::kRect:
                EXPECT_EQ(points->VectorCount(), 2);
                EXPECT_GT(collider->radius, 0);
                break;
            case ColliderType::kMesh:
                ASSERT_EQ(collider->polygons.size(), 1u);
                EXPECT_NE(collider->FindFloatArray("normal"), nullptr);
                EXPECT_EQ(collider->polygons[0]->cornerCount % 3, 0);
                meshTriangles += collider->polygons[0]->cornerCount / 3;
                for (int32_t index : collider->polygons[0]->positionIndices) {
                    ASSERT_GE(index, 0);
                    ASSERT_LT(index, points->VectorCount());
                }
                break;
            default:
                ADD_FAILURE() << "collider of unknown type " << collider->name;
            }
        }
        EXPECT_EQ(meshTriangles, written.meshTriangles);
        for (size_t t = 0; t < allTypes.size(); ++t) {
            allTypes[t] += written.countByType[t];
        }
    }
    for (size_t t = 1; t <= 5; ++t) {
        EXPECT_GT(allTypes[t], 0) << "no collider of type " << t;
    }
}

TEST(DemoFieldOutput, DefinitionsPlaceReadableModelsWithTheRequestedVariety) {
    std::set<uint32_t> shaders, lists, lods;
    bool copy = false, animatedCollada = false, threePartDefinition = false, pngTexture = false,
         jpegTexture = false, untexturedModel = false;
    for (const CWrittenDefinition& written : ReducedField().manifest.definitions) {
        SCOPED_TRACE(written.path);
        CModelDefinition definition;
        ASSERT_TRUE(definition.Load(Root() / written.path));
        ASSERT_EQ(static_cast<int32_t>(definition.count), written.parts);
        int lodZeroParts = 0;
        for (uint32_t part = 0; part < definition.count; ++part) {
            const std::string& path = definition.paths[part];
            ASSERT_TRUE(path.starts_with("./model/")) << path;
            const auto file = Root() / path.substr(2);
            shaders.insert(definition.shaderValues[part]);
            lists.insert(definition.listNumbers[part]);
            lods.insert(definition.lodValues[part]);
            copy = copy || definition.copyValues[part] == 1;
            lodZeroParts += definition.lodValues[part] == 0 ? 1 : 0;
            CModel model;
            if (path.ends_with(".dae")) {
                ASSERT_TRUE(LoadCollada(model, file.string())) << path;
                if (definition.animatedValues[part] == 1) {
                    ASSERT_EQ(model.animations.size(), 1u);
                    animatedCollada = !model.animations[0]->channels.empty();
                }
            } else {
                ASSERT_TRUE(ReadModelFile(model, file)) << path;
                EXPECT_EQ(definition.animatedValues[part], 0u) << "text models carry no animation";
            }
            EXPECT_FALSE(model.geometries.empty()) << path;
            for (const auto& texture : model.textures) {
                pngTexture = pngTexture || texture->fileName.ends_with(".png");
                jpegTexture = jpegTexture || texture->fileName.ends_with(".jpg");
            }
            untexturedModel = untexturedModel || model.textures.empty();
        }
        threePartDefinition = threePartDefinition || lodZeroParts >= 3;
    }
    EXPECT_GE(shaders.size(), 3u);
    EXPECT_GE(lists.size(), 2u);
    EXPECT_EQ(lods, (std::set<uint32_t>{0, 1}));
    EXPECT_TRUE(copy);
    EXPECT_TRUE(animatedCollada);
    EXPECT_TRUE(threePartDefinition);
    EXPECT_TRUE(pngTexture);
    EXPECT_TRUE(jpegTexture);
    EXPECT_TRUE(untexturedModel);
}

TEST(DemoFieldOutput, ColladaDocumentsImportWithTheirMeshSkinAndAnimationAndPicturesDecode) {
    for (const std::string& path : ReducedField().manifest.colladaDocuments) {
        SCOPED_TRACE(path);
        CModel model;
        ASSERT_TRUE(LoadCollada(model, (Root() / path).string()));
        ASSERT_EQ(model.geometries.size(), 1u);
        const CGeometry& geometry = *model.geometries[0];
        ASSERT_EQ(geometry.polygons.size(), 1u);
        const CPolygonData& polygon = *geometry.polygons[0];
        EXPECT_GT(geometry.vertexCount, 0);
        EXPECT_EQ(polygon.CornerCount() % 3, 0);
        EXPECT_NE(geometry.FindFloatArray(polygon.vertexId), nullptr);
        EXPECT_NE(geometry.FindFloatArray(polygon.normalId), nullptr);
        EXPECT_NE(geometry.FindFloatArray(polygon.colorId), nullptr);
        ASSERT_EQ(polygon.texIds.size(), 1u);
        EXPECT_NE(geometry.FindFloatArray(polygon.texIds[0]), nullptr);
        const CMaterial* material = model.FindMaterial(polygon.materialId);
        ASSERT_NE(material, nullptr);
        if (!material->textureId.empty()) {
            const int64_t texture = model.FindTextureIndex(material->textureId);
            ASSERT_GE(texture, 0);
            EXPECT_TRUE(std::filesystem::exists(model.directory +
                                                model.textures[static_cast<size_t>(texture)]->fileName));
        }
        if (!model.bones.empty()) {
            EXPECT_EQ(static_cast<int32_t>(geometry.weights.size()), geometry.vertexCount);
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
