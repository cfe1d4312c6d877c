#version 450
#extension GL_GOOGLE_include_directive : require
#include "common.glsl"
#include "vertex_color_in.glsl"

layout(location = 0) out vec4 worldPosition;
layout(location = 1) flat out int cascadeIndex;

// Shadow pass: world position, cascade chosen by the instance (three per model).
void main() {
    worldPosition = vec4(inPosition, 1.0) * ColorVertexSkin() * model.meshMatrix * model.world;
    cascadeIndex = gl_InstanceIndex % 3;
    gl_Position = worldPosition;
}
