#version 450
#extension GL_GOOGLE_include_directive : require
#include "common.glsl"
#include "vertex_color_in.glsl"
#include "surface_out.glsl"

// Flat overlay quads placed by the model block (grid, marker).
void main() {
    vec4 world = vec4(inPosition, 1.0) * model.meshMatrix * model.world;
    vColor = inColor;
    vUv = inTexcoord0;
    vNormal = inNormal;
    vWorld = world.xyz;
    gl_Position = ToVulkanClip(world * frame.view * frame.projection);
}
