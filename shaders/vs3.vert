#version 450
#extension GL_GOOGLE_include_directive : require
#include "common.glsl"
#include "vertex_color_in.glsl"
#include "surface_out.glsl"

// The grid quad lies in world space as it is; its look comes from the material block.
void main() {
    vec4 world = vec4(inPosition, 1.0);
    vColor = material.diffuse;
    vUv = inTexcoord0;
    vNormal = inNormal;
    vWorld = world.xyz;
    gl_Position = ToVulkanClip(world * frame.view * frame.projection);
}
