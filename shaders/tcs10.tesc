#version 450
#extension GL_GOOGLE_include_directive : require
#include "common.glsl"
layout(vertices = 3) out;

layout(location = 0) in vec4 cColor[];
layout(location = 1) in vec2 cUv[];
layout(location = 2) in vec3 cNormal[];
layout(location = 3) in vec4 cWorld[];
layout(location = 4) in float cCascade[];
layout(location = 0) out vec4 tColor[];
layout(location = 1) out vec2 tUv[];
layout(location = 2) out vec3 tNormal[];
layout(location = 3) out vec4 tWorld[];
layout(location = 4) out float tCascade[];

// Three-point patches, split more the nearer they are to the eye.
void main() {
    tColor[gl_InvocationID] = cColor[gl_InvocationID];
    tUv[gl_InvocationID] = cUv[gl_InvocationID];
    tNormal[gl_InvocationID] = cNormal[gl_InvocationID];
    tWorld[gl_InvocationID] = cWorld[gl_InvocationID];
    tCascade[gl_InvocationID] = cCascade[gl_InvocationID];
    if (gl_InvocationID == 0) {
        vec3 center = (cWorld[0].xyz + cWorld[1].xyz + cWorld[2].xyz) / 3.0;
        float distanceToEye = length(center - frame.eyePosition.xyz);
        float level = clamp(64.0 / max(distanceToEye, 1.0), 1.0, 8.0);
        gl_TessLevelOuter[0] = level;
        gl_TessLevelOuter[1] = level;
        gl_TessLevelOuter[2] = level;
        gl_TessLevelInner[0] = level;
    }
}
