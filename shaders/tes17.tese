#version 450
#extension GL_GOOGLE_include_directive : require
#extension GL_ARB_shader_viewport_layer_array : require
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

// Shadow pass: into the cascade slice the instance record names.
void main() {
    int cascade = clamp(int(tCascade[0]), 0, 2);
    vec4 world = Blend4(tWorld[0], tWorld[1], tWorld[2]);
    gl_Layer = cascade;
    gl_Position = ToVulkanClip(world * frame.lightView * frame.cascade[cascade]);
}
