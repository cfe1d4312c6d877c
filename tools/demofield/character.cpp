#include "character.h"

#include <cmath>

namespace quorvane::demofield {
namespace {

constexpr const char* kFolder = "model/character/skelton/";
constexpr const char* kModelId = "SKELTON";

struct CJoint {
    const char* name;
    const char* id;
    int32_t parent;
    Vec3 head; // bind position in model space
};

// Bone 0 is the root and never moves, so an influence on it skins like no influence at all.
constexpr CJoint kJoints[] = {
    {"Root", "root", -1, {0, 0, 0}},
    {"Hips", "hips", 0, {0, 0, 5.6}},
    {"Spine", "spine", 1, {0, 0, 6.6}},
    {"Chest", "chest", 2, {0, 0, 7.8}},
    {"Neck", "neck", 3, {0, 0, 9.3}},
    {"Head", "head", 4, {0, 0, 9.8}},
    {"Shoulder_L", "shoulder_l", 3, {0.7, 0, 9.0}},
    {"UpperArm_L", "upperarm_l", 6, {1.3, 0, 9.0}},
    {"ForeArm_L", "forearm_l", 7, {1.55, 0, 7.4}},
    {"Hand_L", "hand_l", 8, {1.7, 0, 6.0}},
    {"Shoulder_R", "shoulder_r", 3, {-0.7, 0, 9.0}},
    {"UpperArm_R", "upperarm_r", 10, {-1.3, 0, 9.0}},
    {"ForeArm_R", "forearm_r", 11, {-1.55, 0, 7.4}},
    {"Hand_R", "hand_r", 12, {-1.7, 0, 6.0}},
    {"Thigh_L", "thigh_l", 1, {0.55, 0, 5.4}},
    {"Shin_L", "shin_l", 14, {0.6, 0, 3.0}},
    {"Foot_L", "foot_l", 15, {0.6, 0, 0.6}},
    {"Thigh_R", "thigh_r", 1, {-0.55, 0, 5.4}},
    {"Shin_R", "shin_r", 17, {-0.6, 0, 3.0}},
    {"Foot_R", "foot_r", 18, {-0.6, 0, 0.6}},
};
constexpr int32_t kBoneCount = static_cast<int32_t>(std::size(kJoints));

enum Bone : int32_t {
    kRoot,
    kHips,
    kSpine,
    kChest,
    kNeck,
    kHead,
    kShoulderL,
    kUpperArmL,
    kForeArmL,
    kHandL,
    kShoulderR,
    kUpperArmR,
    kForeArmR,
    kHandR,
    kThighL,
    kShinL,
    kFootL,
    kThighR,
    kShinR,
    kFootR,
};

constexpr Rgba kSkin{0.93f, 0.74f, 0.6f, 1};
constexpr Rgba kShirt{0.2f, 0.42f, 0.7f, 1};
constexpr Rgba kTrousers{0.22f, 0.24f, 0.3f, 1};
constexpr Rgba kShoes{0.35f, 0.22f, 0.12f, 1};
constexpr Rgba kHair{0.25f, 0.16f, 0.1f, 1};
constexpr Rgba kEyes{0.08f, 0.08f, 0.1f, 1};

Vec3 Head(int32_t bone) {
    return kJoints[bone].head;
}

Vec3 LocalOffset(int32_t bone) {
    const int32_t parent = kJoints[bone].parent;
    return parent < 0 ? Head(bone) : Head(bone) - Head(parent);
}

// A limb segment on `bone`; its near end blends with the parent so joints bend smoothly.
void AddLimb(CMesh& mesh, const Vec3& a, const Vec3& b, double ra, double rb, const Rgba& colour,
             int32_t bone, int32_t blendBone) {
    const int32_t first = mesh.VertexCount();
    mesh.AddTube(a, b, ra, rb, 10, colour, true);
    mesh.BindRigid(first, bone);
    for (int32_t v = first; v < mesh.VertexCount(); ++v) {
        if ((mesh.positions[static_cast<size_t>(v)] - a).Length() <= ra * 1.01 && blendBone >= 0) {
            CInfluences& w = mesh.weights[static_cast<size_t>(v)];
            w[0] = {bone, 0.5f};
            w[1] = {blendBone, 0.5f};
        }
    }
}

void AddRigidBox(CMesh& mesh, const Vec3& centre, const Vec3& half, const Rgba& colour, int32_t bone) {
    const int32_t first = mesh.VertexCount();
    mesh.AddBox(Translation(centre), half, colour);
    mesh.BindRigid(first, bone);
}

void AddRigidEllipsoid(CMesh& mesh, const Vec3& centre, const Vec3& radii, const Rgba& colour, int32_t bone) {
    const int32_t first = mesh.VertexCount();
    mesh.AddEllipsoid(centre, radii, 8, 12, colour);
    mesh.BindRigid(first, bone);
}

CMesh BuildBody() {
    CMesh mesh;
    mesh.UsePart("SKELTON_BODY");
    AddRigidBox(mesh, {0, 0, 5.5}, {0.8, 0.45, 0.45}, kTrousers, kHips);
    AddLimb(mesh, {0, 0, 5.8}, {0, 0, 7.4}, 0.8, 0.9, kShirt, kSpine, kHips);
    AddLimb(mesh, {0, 0, 7.4}, {0, 0, 9.2}, 0.9, 1.0, kShirt, kChest, kSpine);
    AddLimb(mesh, {0, 0, 9.1}, {0, 0, 9.9}, 0.3, 0.28, kSkin, kNeck, kChest);
    AddRigidEllipsoid(mesh, {0, 0, 10.45}, {0.62, 0.68, 0.8}, kSkin, kHead);
    AddRigidEllipsoid(mesh, {0, 0.08, 10.75}, {0.66, 0.66, 0.55}, kHair, kHead);
    AddRigidBox(mesh, {0.24, -0.62, 10.5}, {0.08, 0.04, 0.07}, kEyes, kHead);
    AddRigidBox(mesh, {-0.24, -0.62, 10.5}, {0.08, 0.04, 0.07}, kEyes, kHead);
    for (int side = 0; side < 2; ++side) {
        const int32_t upper = side == 0 ? kUpperArmL : kUpperArmR;
        const int32_t fore = side == 0 ? kForeArmL : kForeArmR;
        const int32_t hand = side == 0 ? kHandL : kHandR;
        const int32_t thigh = side == 0 ? kThighL : kThighR;
        const int32_t shin = side == 0 ? kShinL : kShinR;
        const int32_t foot = side == 0 ? kFootL : kFootR;
        const int32_t shoulder = side == 0 ? kShoulderL : kShoulderR;
        AddLimb(mesh, Head(shoulder), Head(upper), 0.38, 0.36, kShirt, shoulder, kChest);
        AddLimb(mesh, Head(upper), Head(fore), 0.34, 0.28, kShirt, upper, shoulder);
        AddLimb(mesh, Head(fore), Head(hand), 0.27, 0.22, kSkin, fore, upper);
        AddRigidEllipsoid(mesh, Head(hand) + Vec3{0, 0, -0.35}, {0.2, 0.25, 0.38}, kSkin, hand);
        AddLimb(mesh, Head(thigh), Head(shin), 0.45, 0.36, kTrousers, thigh, kHips);
        AddLimb(mesh, Head(shin), Head(foot), 0.35, 0.27, kTrousers, shin, thigh);
        AddRigidBox(mesh, Head(foot) + Vec3{0, -0.35, -0.35}, {0.3, 0.65, 0.25}, kShoes, foot);
    }
    return mesh;
}

// Local rotation of each bone at phase `phase` (radians) of a cycle.
using PoseFunction = Mat4 (*)(int32_t bone, double phase);

Mat4 WalkRotation(int32_t bone, double phase) {
    const double s = std::sin(phase), c = std::cos(phase);
    switch (bone) {
    case kHips:
        return RotationZ(DegreesToRadians(5 * s));
    case kSpine:
        return RotationZ(DegreesToRadians(-4 * s));
    case kChest:
        return RotationX(DegreesToRadians(5.0));
    case kHead:
        return RotationX(DegreesToRadians(2 * std::sin(2 * phase)));
    case kThighL:
        return RotationX(DegreesToRadians(-28 * s));
    case kThighR:
        return RotationX(DegreesToRadians(28 * s));
    case kShinL:
        return RotationX(DegreesToRadians(8 + 45 * std::max(0.0, c)));
    case kShinR:
        return RotationX(DegreesToRadians(8 + 45 * std::max(0.0, -c)));
    case kFootL:
        return RotationX(DegreesToRadians(-10 * std::max(0.0, c)));
    case kFootR:
        return RotationX(DegreesToRadians(-10 * std::max(0.0, -c)));
    case kUpperArmL:
        return RotationX(DegreesToRadians(24 * s));
    case kUpperArmR:
        return RotationX(DegreesToRadians(-24 * s));
    case kForeArmL:
        return RotationX(DegreesToRadians(-15 - 12 * std::max(0.0, -s)));
    case kForeArmR:
        return RotationX(DegreesToRadians(-15 - 12 * std::max(0.0, s)));
    default:
        return Identity();
    }
}

Mat4 StandRotation(int32_t bone, double phase) {
    const double s = std::sin(phase);
    switch (bone) {
    case kChest:
        return RotationX(DegreesToRadians(1.5 * s));
    case kHead:
        return RotationZ(DegreesToRadians(4 * std::sin(phase + 0.3)));
    case kUpperArmL:
        return Multiply(RotationY(DegreesToRadians(-3 - 1.5 * s)), RotationX(DegreesToRadians(2 * s)));
    case kUpperArmR:
        return Multiply(RotationY(DegreesToRadians(3 + 1.5 * s)), RotationX(DegreesToRadians(2 * s)));
    case kForeArmL:
    case kForeArmR:
        return RotationX(DegreesToRadians(-8.0));
    default:
        return Identity();
    }
}

std::vector<CChannelDesc> Animate(PoseFunction rotation, int keys, double length, double bob) {
    std::vector<CChannelDesc> channels;
    for (int32_t bone = 0; bone < kBoneCount; ++bone) {
        CChannelDesc channel;
        channel.target = kJoints[bone].id;
        // The last key repeats the first, so the loop closes without a jump.
        for (int k = 0; k <= keys - 1; ++k) {
            const double phase = 2 * kPi<double> * k / (keys - 1);
            Vec3 offset = LocalOffset(bone);
            if (bone == kHips) {
                offset.z -= bob * (1 - std::cos(2 * phase)) * 0.5;
            }
            channel.keyTimes.push_back(length * k / (keys - 1));
            channel.poses.push_back(Multiply(Translation(offset), rotation(bone, phase)));
        }
        channels.push_back(std::move(channel));
    }
    return channels;
}

CColliderDesc Capsule(const char* name, const Vec3& a, int32_t boneA, const Vec3& b, int32_t boneB,
                      double radius) {
    CColliderDesc capsule;
    capsule.name = name;
    capsule.type = 3;
    capsule.radius = radius;
    capsule.points = {a, b};
    capsule.weights.resize(2);
    capsule.weights[0][0] = {boneA, 1.0f};
    capsule.weights[1][0] = {boneB, 1.0f};
    return capsule;
}

} // namespace

void WriteCharacter(COutput& out) {
    const CMesh body = BuildBody();
    CModelDesc model;
    model.id = kModelId;
    model.colliderFile = "skelton.col";
    model.materials.push_back(CMaterialDesc{"SKELTON_BODY", {1, 1, 1, 1}, "", {0.4f, 0.4f, 0.4f, 1}});
    model.geometries.push_back(CGeometryDesc{"skelton_body", &body, false});
    for (int32_t bone = 0; bone < kBoneCount; ++bone) {
        CBoneDesc desc;
        desc.name = kJoints[bone].name;
        desc.id = kJoints[bone].id;
        desc.parent = kJoints[bone].parent;
        desc.joint = Translation(LocalOffset(bone));
        desc.inverseBind = Translation(Head(bone) * -1.0);
        model.bones.push_back(desc);
    }
    const std::string folder = kFolder;
    out.WriteModel(folder + "skelton.mdl", model);
    out.WriteAnimation(folder + "walk.ani", kModelId, "SKELTON_WALK", Animate(WalkRotation, 33, 1.28, 0.18));
    out.WriteAnimation(folder + "stand.ani", kModelId, "SKELTON_STAND",
                       Animate(StandRotation, 25, 2.4, 0.04));
    out.WriteColliders(folder + "skelton.col", kModelId,
                       {Capsule("body", {0, 0, 6.0}, kSpine, {0, 0, 9.8}, kNeck, 1.1),
                        Capsule("leg_l", {0.55, 0, 5.2}, kThighL, {0.6, 0, 0.9}, kShinL, 0.45),
                        Capsule("leg_r", {-0.55, 0, 5.2}, kThighR, {-0.6, 0, 0.9}, kShinR, 0.45)});
}

} // namespace quorvane::demofield
