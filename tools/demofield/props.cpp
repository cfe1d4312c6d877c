#include "props.h"

#include "collada.h"
#include "pictures.h"

namespace quorvane::demofield {
namespace {

constexpr Rgba kWhite{1, 1, 1, 1};

std::string ModelPath(const std::string& relative) {
    return "./" + relative; // definitions name models from the working directory
}

// A model of one geometry; `textured` materials name a texture of the same name.
CModelDesc SimpleModel(const std::string& id, const CMesh& mesh,
                       const std::vector<std::string>& texturedMaterials,
                       const std::vector<std::pair<std::string, std::string>>& textures = {}) {
    CModelDesc model;
    model.id = id;
    for (const auto& [textureId, file] : textures) {
        model.textures.push_back(CTextureDesc{textureId, file});
    }
    for (const CMeshPart& part : mesh.parts) {
        CMaterialDesc material;
        material.name = part.material;
        for (size_t i = 0; i < texturedMaterials.size(); ++i) {
            if (texturedMaterials[i] == part.material) {
                material.textureId = textures[i].first;
            }
        }
        model.materials.push_back(material);
    }
    model.geometries.push_back(CGeometryDesc{id + "_mesh", &mesh, false});
    return model;
}

void WriteTexture(COutput& out, const std::string& path, ModelTexture kind, int size) {
    const CImage image = MakeModelTexture(kind, size);
    const bool png = path.ends_with(".png");
    out.WriteBytes(path, png ? EncodePng(image) : EncodeJpeg(image));
    out.Manifest().pictures.push_back(path);
}

CColliderDesc Shape(const std::string& name, int type, double radius, std::vector<Vec3> points) {
    CColliderDesc collider;
    collider.name = name;
    collider.type = type;
    collider.radius = radius;
    collider.points = std::move(points);
    return collider;
}

CColliderDesc MeshShape(const std::string& name, const CMesh& mesh) {
    CColliderDesc collider;
    collider.name = name;
    collider.type = 5;
    collider.points = mesh.positions;
    collider.normals = mesh.normals;
    for (const CMeshPart& part : mesh.parts) {
        collider.triangles.insert(collider.triangles.end(), part.indices.begin(), part.indices.end());
    }
    return collider;
}

void AddTriangleFace(CMesh& mesh, const Vec3& a, const Vec3& b, const Vec3& c, const Rgba& colour,
                     std::array<double, 6> uv) {
    const Vec3 normal = (b - a).Cross(c - a);
    const int32_t ia = mesh.AddVertex(a, normal, colour, uv[0], uv[1]);
    const int32_t ib = mesh.AddVertex(b, normal, colour, uv[2], uv[3]);
    const int32_t ic = mesh.AddVertex(c, normal, colour, uv[4], uv[5]);
    mesh.AddTriangle(ia, ib, ic);
}

// A gable roof over a w x d footprint at height z, ridge along x.
void AddGableRoof(CMesh& mesh, double w, double d, double z, double rise, double overhang,
                  const Rgba& colour) {
    const double x = w / 2 + overhang, y = d / 2 + overhang;
    const Vec3 ridgeA{-x, 0, z + rise}, ridgeB{x, 0, z + rise};
    const double slope = std::hypot(y, rise) / 3;
    mesh.AddQuad({-x, -y, z}, {x, -y, z}, ridgeB, ridgeA, colour, {0, slope, w / 3, slope, w / 3, 0, 0, 0});
    mesh.AddQuad({x, y, z}, {-x, y, z}, ridgeA, ridgeB, colour, {0, slope, w / 3, slope, w / 3, 0, 0, 0});
}

void WriteNature(COutput& out, std::vector<CDefinitionDesc>& definitions, int textureSize) {
    const std::string folder = "model/nature/";
    WriteTexture(out, folder + "bark.jpg", ModelTexture::kBark, textureSize);
    WriteTexture(out, folder + "leaves.png", ModelTexture::kLeaves, textureSize);
    WriteTexture(out, folder + "grass_blades.png", ModelTexture::kGrassBlades, textureSize);

    CMesh oak;
    oak.UsePart("oak_bark");
    oak.AddTube({0, 0, -0.5}, {0, 0, 8}, 0.9, 0.55, 12, kWhite, false, 2, 4);
    oak.AddTube({0, 0, 5.5}, {2.2, 0.6, 8.5}, 0.4, 0.2, 8, kWhite, false, 1, 2);
    oak.AddTube({0, 0, 6}, {-1.8, -0.9, 9}, 0.4, 0.2, 8, kWhite, false, 1, 2);
    oak.UsePart("oak_leaves");
    oak.AddEllipsoid({0, 0, 10.5}, {4.2, 4.2, 3.4}, 10, 16, {0.85f, 1, 0.8f, 1}, 0.25, 11);
    oak.AddEllipsoid({2.3, 0.8, 9}, {2.6, 2.6, 2.2}, 8, 12, {0.8f, 0.95f, 0.75f, 1}, 0.25, 12);
    oak.AddEllipsoid({-2.1, -1, 9.4}, {2.5, 2.5, 2.1}, 8, 12, {0.9f, 1, 0.85f, 1}, 0.25, 13);
    CModelDesc oakModel =
        SimpleModel("oak", oak, {"oak_bark", "oak_leaves"}, {{"bark", "bark.jpg"}, {"leaves", "leaves.png"}});
    oakModel.colliderFile = "oak.col";
    out.WriteModel(folder + "oak.mdl", oakModel);
    out.WriteColliders(folder + "oak.col", "oak", {Shape("trunk", 3, 0.9, {{0, 0, 0}, {0, 0, 8}})});

    CMesh oakLow;
    oakLow.UsePart("oak_low");
    oakLow.AddTube({0, 0, -0.5}, {0, 0, 8}, 0.9, 0.55, 6, {0.42f, 0.3f, 0.2f, 1}, false);
    oakLow.AddEllipsoid({0, 0, 10}, {4.8, 4.8, 3.8}, 5, 8, {0.3f, 0.48f, 0.2f, 1});
    out.WriteModel(folder + "oak_lod1.mdl", SimpleModel("oak_lod1", oakLow, {}));

    CMesh pine;
    pine.UsePart("pine");
    pine.AddTube({0, 0, -0.5}, {0, 0, 5}, 0.6, 0.45, 8, {0.4f, 0.28f, 0.18f, 1}, false);
    for (int tier = 0; tier < 4; ++tier) {
        const double base = 3.5 + tier * 3.2, radius = 4.2 - tier * 0.9;
        const Rgba needles{0.14f + 0.03f * tier, 0.34f + 0.04f * tier, 0.2f, 1};
        pine.AddTube({0, 0, base}, {0, 0, base + 4.5}, radius, 0.05, 12, needles, true);
    }
    CModelDesc pineModel = SimpleModel("pine", pine, {});
    pineModel.colliderFile = "pine.col";
    out.WriteModel(folder + "pine.mdl", pineModel);
    out.WriteColliders(folder + "pine.col", "pine", {Shape("trunk", 3, 0.7, {{0, 0, 0}, {0, 0, 6}})});

    CMesh tuft;
    tuft.UsePart("grass_blades");
    for (int i = 0; i < 3; ++i) {
        tuft.AddCard({0, 0, 0}, kPi<double> * i / 3, 1.6, 1.3, kWhite);
    }
    out.WriteModel(folder + "grass_tuft.mdl",
                   SimpleModel("grass_tuft", tuft, {"grass_blades"}, {{"grass_blades", "grass_blades.png"}}));

    CMesh flowers;
    flowers.UsePart("flowers");
    const Rgba petals[] = {
        {0.95f, 0.85f, 0.2f, 1}, {0.9f, 0.3f, 0.4f, 1}, {0.6f, 0.5f, 0.95f, 1}, {1, 1, 1, 1}};
    for (int i = 0; i < 7; ++i) {
        const double angle = 2 * kPi<double> * i / 7, r = 0.25 + 0.12 * (i % 3);
        const Vec3 foot{r * std::cos(angle), r * std::sin(angle), 0};
        const Vec3 top = foot + Vec3{0.05 * std::cos(angle), 0.05 * std::sin(angle), 0.5 + 0.08 * (i % 4)};
        flowers.AddTube(foot, top, 0.025, 0.02, 4, {0.25f, 0.5f, 0.2f, 1}, false);
        flowers.AddEllipsoid(top, {0.1, 0.1, 0.04}, 3, 6, petals[i % 4]);
    }
    out.WriteModel(folder + "flowers.mdl", SimpleModel("flowers", flowers, {}));

    definitions.push_back(
        {folder + "oak.mdf", {{ModelPath(folder + "oak.mdl")}, {ModelPath(folder + "oak_lod1.mdl"), 1}}});
    definitions.push_back({folder + "pine.mdf", {{ModelPath(folder + "pine.mdl")}}});
    definitions.push_back(
        {folder + "grass_tuft.mdf", {{ModelPath(folder + "grass_tuft.mdl"), 0, 1, 1, 0, 1}}});
    definitions.push_back({folder + "flowers.mdf", {{ModelPath(folder + "flowers.mdl"), 0, 1, 2, 0, 1}}});
}

void WriteRocks(COutput& out, std::vector<CDefinitionDesc>& definitions, int textureSize) {
    const std::string folder = "model/rocks/";
    WriteTexture(out, folder + "rock.jpg", ModelTexture::kRock, textureSize);

    CMesh boulder;
    boulder.UsePart("boulder");
    boulder.AddEllipsoid({0, 0, 1.2}, {3.2, 2.6, 2.4}, 8, 12, kWhite, 0.3, 31);
    CModelDesc boulderModel = SimpleModel("boulder", boulder, {"boulder"}, {{"rock", "rock.jpg"}});
    boulderModel.colliderFile = "boulder.col";
    out.WriteModel(folder + "boulder.mdl", boulderModel);
    out.WriteColliders(folder + "boulder.col", "boulder", {MeshShape("boulder_hull", boulder)});

    CMesh boulderLow;
    boulderLow.UsePart("boulder_low");
    boulderLow.AddEllipsoid({0, 0, 1.2}, {3.2, 2.6, 2.4}, 4, 6, {0.52f, 0.5f, 0.47f, 1});
    out.WriteModel(folder + "boulder_lod1.mdl", SimpleModel("boulder_lod1", boulderLow, {}));

    CMesh pebble;
    pebble.UsePart("pebble");
    pebble.AddEllipsoid({0, 0, 0.25}, {0.5, 0.4, 0.32}, 5, 8, {0.58f, 0.56f, 0.52f, 1}, 0.25, 32);
    CModelDesc pebbleModel = SimpleModel("pebble", pebble, {});
    pebbleModel.colliderFile = "pebble.col";
    out.WriteModel(folder + "pebble.mdl", pebbleModel);
    out.WriteColliders(folder + "pebble.col", "pebble", {Shape("pebble_sphere", 1, 0.5, {{0, 0, 0.25}})});

    definitions.push_back(
        {folder + "boulder.mdf",
         {{ModelPath(folder + "boulder.mdl")}, {ModelPath(folder + "boulder_lod1.mdl"), 1}}});
    definitions.push_back({folder + "pebble.mdf", {{ModelPath(folder + "pebble.mdl"), 0, 0, 1, 0, 1}}});
}

void WriteBuildings(COutput& out, std::vector<CDefinitionDesc>& definitions, int textureSize) {
    const std::string folder = "model/buildings/";
    WriteTexture(out, folder + "plaster.jpg", ModelTexture::kPlaster, textureSize);
    WriteTexture(out, folder + "roof.jpg", ModelTexture::kRoofTiles, textureSize);
    WriteTexture(out, folder + "planks.png", ModelTexture::kPlanks, textureSize);
    const double width = 12, depth = 9, height = 6;

    CMesh walls;
    walls.UsePart("walls");
    walls.AddBox(Translation({0, 0, height / 2}), {width / 2, depth / 2, height / 2}, kWhite, 0.25);
    // Gable ends above the walls.
    AddTriangleFace(walls, {-width / 2, depth / 2, height}, {-width / 2, -depth / 2, height},
                    {-width / 2, 0, height + 3.5}, kWhite, {0, 1, 2.2, 1, 1.1, 0});
    AddTriangleFace(walls, {width / 2, -depth / 2, height}, {width / 2, depth / 2, height},
                    {width / 2, 0, height + 3.5}, kWhite, {0, 1, 2.2, 1, 1.1, 0});
    CModelDesc wallsModel = SimpleModel("house_walls", walls, {"walls"}, {{"plaster", "plaster.jpg"}});
    wallsModel.colliderFile = "house_walls.col";
    out.WriteModel(folder + "house_walls.mdl", wallsModel);
    out.WriteColliders(folder + "house_walls.col", "house_walls",
                       {Shape("walls_box", 2, width / 2, {{0, 0, height / 2}})});

    CMesh roof;
    roof.UsePart("roof");
    AddGableRoof(roof, width, depth, height, 3.5, 0.6, kWhite);
    CModelDesc roofModel = SimpleModel("house_roof", roof, {"roof"}, {{"roof", "roof.jpg"}});
    roofModel.colliderFile = "house_roof.col";
    out.WriteModel(folder + "house_roof.mdl", roofModel);
    out.WriteColliders(folder + "house_roof.col", "house_roof", {MeshShape("roof_surface", roof)});

    CMesh door;
    door.UsePart("door");
    door.AddBox(Translation({0, -depth / 2 - 0.08, 1.3}), {0.9, 0.1, 1.3}, kWhite, 0.5);
    for (int side = -1; side <= 1; side += 2) {
        door.AddBox(Translation({side * 3.6, -depth / 2 - 0.06, 3.4}), {0.8, 0.08, 0.7},
                    {0.55f, 0.7f, 0.85f, 1}, 0.5);
        door.AddBox(Translation({side * 3.6, -depth / 2 - 0.1, 2.6}), {1.0, 0.14, 0.1}, kWhite, 0.5);
    }
    CModelDesc doorModel = SimpleModel("house_door", door, {"door"}, {{"planks", "planks.png"}});
    doorModel.colliderFile = "house_door.col";
    out.WriteModel(folder + "house_door.mdl", doorModel);
    out.WriteColliders(
        folder + "house_door.col", "house_door",
        {Shape("door_rect", 4, 1.3, {{-0.9, -depth / 2 - 0.1, 1.3}, {0.9, -depth / 2 - 0.1, 1.3}})});

    CMesh houseLow;
    houseLow.UsePart("house_low");
    houseLow.AddBox(Translation({0, 0, height / 2}), {width / 2, depth / 2, height / 2},
                    {0.86f, 0.82f, 0.74f, 1});
    AddGableRoof(houseLow, width, depth, height, 3.5, 0.6, {0.62f, 0.27f, 0.18f, 1});
    out.WriteModel(folder + "house_lod1.mdl", SimpleModel("house_lod1", houseLow, {}));

    // Windmill: a plastered tower and a COLLADA sail assembly that turns.
    CMesh tower;
    tower.UsePart("tower");
    tower.AddTube({0, 0, -0.5}, {0, 0, 14}, 3.2, 2.2, 12, kWhite, false, 3, 4);
    tower.UsePart("cap");
    tower.AddTube({0, 0, 14}, {0, 0, 17.5}, 2.7, 0.1, 12, kWhite, false, 3, 1);
    CModelDesc towerModel = SimpleModel("windmill_tower", tower, {"tower", "cap"},
                                        {{"plaster", "plaster.jpg"}, {"roof", "roof.jpg"}});
    towerModel.colliderFile = "windmill_tower.col";
    out.WriteModel(folder + "windmill_tower.mdl", towerModel);
    out.WriteColliders(folder + "windmill_tower.col", "windmill_tower",
                       {Shape("tower_box", 2, 3.2, {{0, 0, 7}})});

    const Vec3 hub{0, -3.0, 13.5};
    CMesh sails;
    sails.UsePart("sails");
    sails.AddTube(hub + Vec3{0, 1.2, 0}, hub + Vec3{0, -0.4, 0}, 0.45, 0.45, 10, {0.35f, 0.25f, 0.18f, 1},
                  true);
    for (int arm = 0; arm < 4; ++arm) {
        const Mat4 turn = Multiply(Translation(hub), RotationY(kPi<double> / 2 * arm + kPi<double> / 4));
        const int32_t first = sails.VertexCount();
        sails.AddBox(Translation({0, -0.5, 4.6}), {0.18, 0.12, 4.6}, {0.42f, 0.3f, 0.2f, 1});
        sails.AddBox(Translation({0.9, -0.45, 5.4}), {0.75, 0.04, 3.4}, {0.93f, 0.9f, 0.82f, 1});
        sails.Transform(turn, first);
    }
    CColladaDesc blades;
    blades.name = "windmill_blades";
    blades.mesh = &sails;
    blades.diffuse = {1, 1, 1, 1};
    blades.joint = "hub";
    blades.jointMatrix = Translation(hub);
    for (int k = 0; k <= 32; ++k) {
        blades.keyTimes.push_back(0.15 * k);
        blades.poses.push_back(Multiply(Translation(hub), RotationY(-2 * kPi<double> * k / 32)));
    }
    out.WriteBytes(folder + "windmill_blades.dae", ColladaText(blades));
    out.Manifest().colladaDocuments.push_back(folder + "windmill_blades.dae");

    definitions.push_back({folder + "house.mdf",
                           {{ModelPath(folder + "house_walls.mdl")},
                            {ModelPath(folder + "house_roof.mdl")},
                            {ModelPath(folder + "house_door.mdl")},
                            {ModelPath(folder + "house_lod1.mdl"), 1}}});
    definitions.push_back({folder + "windmill.mdf",
                           {{ModelPath(folder + "windmill_tower.mdl")},
                            {ModelPath(folder + "windmill_blades.dae"), 0, 0, 0, 1, 0}}});
}

void WriteSmallProps(COutput& out, std::vector<CDefinitionDesc>& definitions, int textureSize) {
    const std::string folder = "model/props/";
    WriteTexture(out, folder + "planks.png", ModelTexture::kPlanks, textureSize);

    CMesh crate;
    crate.UsePart("crate");
    crate.AddBox(Translation({0, 0, 1}), {1, 1, 1}, kWhite, 0.5);
    CModelDesc crateModel = SimpleModel("crate", crate, {"crate"}, {{"planks", "planks.png"}});
    crateModel.colliderFile = "crate.col";
    out.WriteModel(folder + "crate.mdl", crateModel);
    out.WriteColliders(folder + "crate.col", "crate", {Shape("crate_box", 2, 1, {{0, 0, 1}})});

    CMesh barrel;
    barrel.UsePart("barrel");
    barrel.AddTube({0, 0, 0}, {0, 0, 1.1}, 0.75, 0.9, 14, kWhite, false, 3, 0.5);
    barrel.AddTube({0, 0, 1.1}, {0, 0, 2.2}, 0.9, 0.75, 14, kWhite, true, 3, 0.5);
    CColladaDesc barrelDocument;
    barrelDocument.name = "barrel";
    barrelDocument.mesh = &barrel;
    barrelDocument.textureFile = "planks.png";
    out.WriteBytes(folder + "barrel.dae", ColladaText(barrelDocument));
    out.Manifest().colladaDocuments.push_back(folder + "barrel.dae");

    CMesh fence;
    fence.UsePart("fence");
    const Rgba wood{0.5f, 0.36f, 0.22f, 1};
    for (int post = 0; post < 4; ++post) {
        fence.AddBox(Translation({-4.5 + 3 * post, 0, 0.8}), {0.12, 0.12, 0.9}, wood);
    }
    for (double z : {0.55, 1.25}) {
        fence.AddBox(Translation({0, 0.16, z}), {4.7, 0.05, 0.12}, {0.56f, 0.41f, 0.26f, 1});
    }
    CModelDesc fenceModel = SimpleModel("fence", fence, {});
    fenceModel.colliderFile = "fence.col";
    out.WriteModel(folder + "fence.mdl", fenceModel);
    out.WriteColliders(folder + "fence.col", "fence",
                       {Shape("fence_rect", 4, 0.9, {{-4.6, 0, 0.9}, {4.6, 0, 0.9}})});

    definitions.push_back({folder + "crate.mdf", {{ModelPath(folder + "crate.mdl")}}});
    definitions.push_back({folder + "barrel.mdf", {{ModelPath(folder + "barrel.dae")}}});
    definitions.push_back({folder + "fence.mdf", {{ModelPath(folder + "fence.mdl"), 0, 2, 0, 0, 0}}});
}

} // namespace

std::vector<CDefinitionDesc> WriteProps(COutput& out, int textureSize) {
    std::vector<CDefinitionDesc> definitions;
    WriteNature(out, definitions, textureSize);
    WriteRocks(out, definitions, textureSize);
    WriteBuildings(out, definitions, textureSize);
    WriteSmallProps(out, definitions, textureSize);
    return definitions;
}

} // namespace quorvane::demofield
