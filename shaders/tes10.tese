#version 450
#extension GL_GOOGLE_include_directive : require
#include "common.glsl"
layout(triangles, equal_spacing, ccw) in;

layout(location = 0) in vec4 tColor[];
layout(location = 1) in vec2 tUv[];
layout(location = 2) in vec3 tNormal[];
layout(location = 3) in vec4 tWorld[];
layout(location = 4) in float tCascade[];

vec4 Blend4(vec4 a, vec4 b, vec4 c) {
    return a * gl_TessCoord.x + b * gl_TessCoord.y + c * gl_TessCoord.z;
}
#include "surface_out.glsl"

// Main pass: interpolate the patch and project it.
void main() {
    vec4 world = Blend4(tWorld[0], tWorld[1], tWorld[2]);
    vColor = Blend4(tColor[0], tColor[1], tColor[2]);
    vUv = tUv[0] * gl_TessCoord.x + tUv[1] * gl_TessCoord.y + tUv[2] * gl_TessCoord.z;
    vNormal = tNormal[0] * gl_TessCoord.x + tNormal[1] * gl_TessCoord.y + tNormal[2] * gl_TessCoord.z;
    vWorld = world.xyz;
    gl_Position = ToVulkanClip(world * frame.view * frame.projection);
}
