#pragma once

#include "render/draw_model.h"
#include "render/matrix.h"

namespace quorvane {

// Rotations for row vectors, angle in degrees (pi taken as 3.14159).
Matrix4 RotationXDegrees(float degrees);
Matrix4 RotationYDegrees(float degrees);
Matrix4 RotationZDegrees(float degrees);
Matrix4 Translation(float x, float y, float z);
// scale x rotation X x rotation Y x rotation Z (no translation).
Matrix4 RotationScaleMatrix(const Vec4& scale, const Vec4& rotationDegrees);
// The same followed by the translation to position.
Matrix4 WorldMatrix(const Vec4& scale, const Vec4& rotationDegrees, const Vec4& position);

// World and rotation-scale matrices always; for an animated model with a valid
// current animation and bones, the pose and final matrices too. False when no
// pose was computed or a non-looping animation has just finished.
bool UpdateDrawModel(CDrawModel& model);
// Switches to animation index with a five-update cross-fade from the pose of
// the moment; the new animation loops. False for an index out of range.
bool StartAnimation(CDrawModel& model, int32_t index, float speed);
// The channel's pose at time (seconds). Past the last key: the last pose,
// finished reported and the model's frame counter reset.
Matrix4 SampleChannel(CDrawModel& model, const CDrawChannel& channel, float time, bool& outFinished);
// Channels without keys are not sampled: their bone keeps its rest matrix.
bool IsSampledChannel(const CDrawChannel& channel);
// Final matrices of the subtree under bone (parents before children).
void ComputeFinalMatrices(CDrawBone& bone);
// Final matrices to identity and, below the root, local matrices to rest.
void ResetPose(CDrawBone& bone);
// Stores value when the model is ready and has an animation named "STAND".
bool SetStandAnimationValue(CDrawModel* model, float value);

inline constexpr int32_t kBlendFrames = 5;

} // namespace quorvane
