#include "render/animation.h"

#include "modeldata/scalar_math.h"

#include <cmath>
#include <cstdint>

namespace quorvane {
namespace {

Matrix4 Lerp(const Matrix4& a, const Matrix4& b, float f) {
    Matrix4 r;
    for (size_t i = 0; i < 16; ++i) {
        r.m[i] = a.m[i] + (b.m[i] - a.m[i]) * f;
    }
    return r;
}

size_t KeyCount(const CDrawChannel& channel) {
    return std::min(channel.keyTimes.size(), channel.poses.size());
}

// Key times in units of 1/10000 s, as the sampling compares them.
int64_t TenThousandths(float time) {
    const double scaled = static_cast<double>(time) * 10000.0;
    if (!(scaled < 9.0e18) || !(scaled > -9.0e18)) {
        return scaled > 0 ? INT64_MAX : 0;
    }
    return static_cast<int64_t>(scaled);
}

// Preorder walk without recursion: bone trees can be very deep.
template <typename Visit> void WalkTree(CDrawBone& root, Visit visit) {
    std::vector<CDrawBone*> stack{&root};
    while (!stack.empty()) {
        CDrawBone* bone = stack.back();
        stack.pop_back();
        visit(*bone);
        for (auto child = bone->children.rbegin(); child != bone->children.rend(); ++child) {
            stack.push_back(*child);
        }
    }
}

} // namespace

Matrix4 RotationXDegrees(float degrees) {
    const float c = std::cos(DegreesToRadiansFiveDigits(degrees));
    const float s = std::sin(DegreesToRadiansFiveDigits(degrees));
    Matrix4 r = Identity();
    r(1, 1) = c, r(1, 2) = s;
    r(2, 1) = -s, r(2, 2) = c;
    return r;
}

Matrix4 RotationYDegrees(float degrees) {
    const float c = std::cos(DegreesToRadiansFiveDigits(degrees));
    const float s = std::sin(DegreesToRadiansFiveDigits(degrees));
    Matrix4 r = Identity();
    r(0, 0) = c, r(0, 2) = -s;
    r(2, 0) = s, r(2, 2) = c;
    return r;
}

Matrix4 RotationZDegrees(float degrees) {
    return RotationZ(DegreesToRadiansFiveDigits(degrees));
}

Matrix4 Translation(float x, float y, float z) {
    Matrix4 r = Identity();
    r(3, 0) = x, r(3, 1) = y, r(3, 2) = z;
    return r;
}

Matrix4 RotationScaleMatrix(const Vec4& scale, const Vec4& rotationDegrees) {
    const Matrix4 s = Diagonal(scale.x, scale.y, scale.z, 1.0f);
    return Multiply(
        Multiply(Multiply(s, RotationXDegrees(rotationDegrees.x)), RotationYDegrees(rotationDegrees.y)),
        RotationZDegrees(rotationDegrees.z));
}

Matrix4 WorldMatrix(const Vec4& scale, const Vec4& rotationDegrees, const Vec4& position) {
    return Multiply(RotationScaleMatrix(scale, rotationDegrees),
                    Translation(position.x, position.y, position.z));
}

bool IsSampledChannel(const CDrawChannel& channel) {
    return KeyCount(channel) > 0;
}

Matrix4 SampleChannel(CDrawModel& model, const CDrawChannel& channel, float time, bool& outFinished) {
    const size_t keys = KeyCount(channel);
    if (keys == 0) {
        return Identity();
    }
    const float last = channel.keyTimes[keys - 1];
    const int64_t lastUnits = TenThousandths(last);
    if (lastUnits <= 0) {
        // A channel of one instant: its first pose, always.
        return channel.poses[0];
    }
    if (time > last) {
        model.frameCounter = 0;
        outFinished = true;
        return channel.poses[keys - 1];
    }
    const int64_t timeUnits = std::max<int64_t>(0, TenThousandths(time));
    const float t = static_cast<float>(timeUnits % lastUnits) / 10000.0f;
    size_t k = 0;
    while (k < keys && channel.keyTimes[k] < t) {
        ++k;
    }
    if (k >= keys) {
        return Identity();
    }
    if (k == 0) {
        return channel.poses[0];
    }
    const float span = channel.keyTimes[k] - channel.keyTimes[k - 1];
    const float f = span > 0.0f ? (t - channel.keyTimes[k - 1]) / span : 1.0f;
    return Lerp(channel.poses[k - 1], channel.poses[k], f);
}

void ComputeFinalMatrices(CDrawBone& bone) {
    WalkTree(bone, [](CDrawBone& b) {
        const Matrix4 rest = Multiply(b.inverseBindMatrix, b.restMatrix);
        const Matrix4 anim = Multiply(b.inverseBindMatrix, b.localMatrix);
        Matrix4 restInverse = Identity();
        if (!Inverse(rest, restInverse)) {
            restInverse = Identity();
        }
        const Matrix4 local = Multiply(anim, restInverse);
        b.finalMatrix = b.parent != nullptr ? Multiply(local, b.parent->finalMatrix) : local;
    });
}

void ResetPose(CDrawBone& bone) {
    WalkTree(bone, [](CDrawBone& b) {
        b.finalMatrix = Identity();
        if (b.parent != nullptr) {
            b.localMatrix = b.restMatrix;
        }
    });
}

bool UpdateDrawModel(CDrawModel& model) {
    model.rotationScale = RotationScaleMatrix(model.scale, model.rotation);
    model.worldMatrix =
        Multiply(model.rotationScale, Translation(model.position.x, model.position.y, model.position.z));
    if (!model.animated || model.animationIndex < 0 ||
        static_cast<size_t>(model.animationIndex) >= model.animations.size() || model.rootBones.empty()) {
        return false;
    }
    if (model.finished && !model.looping) {
        model.frameCounter = 0;
    }
    const float time = static_cast<float>(model.frameCounter) * model.speed / 50.0f;
    for (CDrawBone* root : model.rootBones) {
        ResetPose(*root);
    }
    const CDrawAnimation& animation = *model.animations[static_cast<size_t>(model.animationIndex)];
    bool anyFinished = false;
    for (const auto& bonePtr : model.bones) {
        CDrawBone& bone = *bonePtr;
        Matrix4 m = bone.restMatrix;
        for (const CDrawChannel& channel : animation.channels) {
            if (channel.bone == &bone && IsSampledChannel(channel)) {
                bool finishedHere = false;
                m = SampleChannel(model, channel, time, finishedHere);
                anyFinished = anyFinished || finishedHere;
            }
        }
        if (bone.blending && !model.finished) {
            bone.blendFrame += 1;
            if (bone.blendFrame < bone.blendFrames) {
                const float f = static_cast<float>(bone.blendFrame) / static_cast<float>(bone.blendFrames);
                m = Lerp(bone.blendMatrix, m, f);
            } else {
                bone.blending = false;
                bone.blendFrames = 0;
                bone.blendFrame = 0;
            }
        }
        bone.localMatrix = m;
    }
    for (CDrawBone* root : model.rootBones) {
        ComputeFinalMatrices(*root);
    }
    if (anyFinished && !model.looping) {
        model.finished = true;
        return false;
    }
    return true;
}

bool StartAnimation(CDrawModel& model, int32_t index, float speed) {
    if (index < 0 || static_cast<size_t>(index) >= model.animations.size()) {
        return false;
    }
    model.speed = speed;
    model.looping = true;
    model.finished = false;
    auto clear = [](CDrawBone& bone) {
        bone.blending = false;
        bone.blendFrames = 0;
        bone.blendFrame = 0;
    };
    for (const auto& bone : model.bones) {
        clear(*bone);
    }
    for (const auto& bone : model.treeOnlyBones) {
        clear(*bone);
    }
    const float time = static_cast<float>(model.frameCounter) * speed / 50.0f;
    auto capture = [&](const CDrawAnimation& animation) {
        for (const CDrawChannel& channel : animation.channels) {
            if (channel.bone == nullptr || !IsSampledChannel(channel)) {
                continue;
            }
            bool ignored = false;
            channel.bone->blendMatrix = SampleChannel(model, channel, time, ignored);
            channel.bone->blending = true;
            channel.bone->blendFrames = kBlendFrames;
        }
    };
    capture(*model.animations[static_cast<size_t>(index)]);
    if (model.animationIndex >= 0 && static_cast<size_t>(model.animationIndex) < model.animations.size()) {
        capture(*model.animations[static_cast<size_t>(model.animationIndex)]);
    }
    model.animationIndex = index;
    return true;
}

bool SetStandAnimationValue(CDrawModel* model, float value) {
    if (model == nullptr || model->LoadState() != 4) {
        return false;
    }
    for (const auto& animation : model->animations) {
        if (animation->name == "STAND") {
            model->standValue = value;
            return true;
        }
    }
    return false;
}

} // namespace quorvane
